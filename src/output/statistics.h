// The summary statistics that close the text results file when every obstruction was run on
// every knot ("Compute all invariants"): how often each family of lower bounds attains the best
// lower bound o(K), and how often it alone does. Also the problems file: the rows of knots left
// undecided between u_a = 1 and u_a = 2, for a rerun of exactly those knots.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "knot/run_state.h"

namespace corvane {

// Knots counted by their detectionCodes c (the comma-terminated codes of every obstruction that
// reached the knot's lower bound, in the order applied). "Contains" is a substring test,
// "equals" an exact comparison; the code "u3," is not counted.
struct DetectionStatistics {
    int64_t wendt = 0;               // c contains "w,"
    int64_t wendtOnly = 0;           // c equals "w,", "w,m,", "w,m,L," or "w,L,"
    int64_t nakanishi = 0;           // c contains "m,"
    int64_t nakanishiOnly = 0;       // c equals "m,"
    int64_t signature = 0;           // c contains "s,"
    int64_t signatureOnly = 0;       // c equals "s,b,"
    int64_t beta = 0;                // c contains "b,"
    int64_t betaOnly = 0;            // c equals "b,"
    int64_t stoimenow = 0;           // c contains "St,"
    int64_t stoimenowOnly = 0;       // c equals "St,u2,"
    int64_t lickorish = 0;           // c contains "L,"
    int64_t lickorishOnly = 0;       // c equals "L,"
    int64_t linkingPairing = 0;      // c contains "u2,"
    int64_t linkingPairingOnly = 0;  // c equals "u2,"
};

// Adds one knot's detection codes to the counts.
void CountDetectionCodes(DetectionStatistics& counts, std::string_view codes);

// The counts over knots 1..KnotCount(). Codes are emptied at run start, so knots not computed
// in this run (taken over, or not reached yet) count nowhere.
DetectionStatistics CountDetections(const RunState& state);

// The statistics block, 31 lines each ended by CR LF: an empty first line (where a resumed run
// stops reading rows), the explanations, and each count in decimal right after its caption.
std::string SummaryStatisticsText(const DetectionStatistics& counts);

// Whether a result row belongs in the problems file: its first 25 characters contain " 1,2 "
// (bounds 1 and 2, with or without "detected by") and the row nowhere contains "1 or 2".
bool IsProblemRow(std::string_view row);

// The problems file for an input file: "problems-" + its name, in its folder.
std::filesystem::path ProblemsFilePath(const std::filesystem::path& inputFile);

// Whether an input file of this name (no directory) may have a problems file: any name but
// "problems.txt", which is what a rerun of a problems file is usually called.
bool ProblemsFileAllowed(std::string_view inputName);

}  // namespace corvane
