#include "output/statistics.h"

#include <array>
#include <cstddef>

namespace corvane {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::size_t kBoundPart = 25;

bool Contains(std::string_view s, std::string_view part) {
    return s.find(part) != std::string_view::npos;
}

// One line of the block: a caption, and the count printed right after it (none for text lines).
struct StatisticsLine {
    std::string_view caption;
    int64_t DetectionStatistics::*count;
};

// Leading blanks of the captions right-align the colons of each group.
constexpr std::array<StatisticsLine, 31> kLines{{
    {"", nullptr},
    {"In the following we write", nullptr},
    {"o(K) = the best lower bound on the algebraic unknotting number which can be obtained using "
     "the above invariants",
     nullptr},
    {"w(K) = number of generators of H_1(2-fold branched cover)", nullptr},
    {"", nullptr},
    {"(1) Lower bounds coming from the Nakanishi index:", nullptr},
    {"                                            Number of knots for which w(K) = o(K): ",
     &DetectionStatistics::wendt},
    {"             Number of knots for which all above lower bounds on m(K) detect o(K): ",
     &DetectionStatistics::nakanishi},
    {"(2) Lower bounds coming from the Levine-Tristram signatures and beta(K):", nullptr},
    {"                                     Number of knots for which |sign(K)|/2 = o(K): ",
     &DetectionStatistics::signature},
    {"                                       Number of knots for which beta(K)/2 = o(K): ",
     &DetectionStatistics::beta},
    {"(3)     Number of knots for which the Stoimenow obstruction detects that o(K) = 3: ",
     &DetectionStatistics::stoimenow},
    {"(4) Lower bounds coming from the linking pairing:", nullptr},
    {"            Number of knots for which Lickorish obstruction detects that o(K) = 2: ",
     &DetectionStatistics::lickorish},
    {"     Number of knots for which the new u(K) = 2 obstruction detects that o(K) = 3: ",
     &DetectionStatistics::linkingPairing},
    {"", nullptr},
    {"Given an invariant or obstruction we now want to count how many knots it detects, where the "
     "other invariants fail.",
     nullptr},
    {"In order to make this a sensible question we have to recall though, that the following "
     "implications hold:",
     nullptr},
    {"   the Nakanishi index subsumes w(K) and the Lickorish obstruction subsumes the w(K)=2 "
     "obstruction",
     nullptr},
    {"   the beta invariant subsumes the signature invariant", nullptr},
    {"", nullptr},
    {"(1) Lower bounds coming from the Nakanishi index:", nullptr},
    {"                                                  Number of knots for which w(K) = o(K) but "
     "no invariant of type (2) or (3) detects o(K): ",
     &DetectionStatistics::wendtOnly},
    {"    Number of knots for which for lower bounds on m(K) detect o(K) but neither w(K) nor any "
     "invariant of type (2), (3), (4) detects o(K): ",
     &DetectionStatistics::nakanishiOnly},
    {"(2) Lower bounds coming from the Levine-Tristram signatures and beta(K):", nullptr},
    {"                                        Number of knots for which |sign(K)|/2 = o(K) but no "
     "invariant of type (1), (3), (4) detects o(K): ",
     &DetectionStatistics::signatureOnly},
    {"                     Number of knots for which beta(K)/2 = o(K) but neither sign(K) nor any "
     "invariant of type (1), (3), (4) detects o(K): ",
     &DetectionStatistics::betaOnly},
    {"(3)      Number of knots for which the Stoimenow obstruction detects that o(K) = 3 but no "
     "invariant of type (1), (2) or (4) detects o(K): ",
     &DetectionStatistics::stoimenowOnly},
    {"(4) Lower bounds coming from the linking pairing:", nullptr},
    {"             Number of knots for which Lickorish obstruction detects that o(K) = 2 but no "
     "invariant of type (1), (2) or (3) detects o(K): ",
     &DetectionStatistics::lickorishOnly},
    {"      Number of knots for which the new u(K) = 2 obstruction detects that o(K) = 3 but no "
     "invariant of type (1), (2) or (3) detects o(K): ",
     &DetectionStatistics::linkingPairingOnly},
}};

}  // namespace

void CountDetectionCodes(DetectionStatistics& n, std::string_view c) {
    n.wendt += Contains(c, "w,");
    n.wendtOnly += c == "w," || c == "w,m," || c == "w,m,L," || c == "w,L,";
    n.nakanishi += Contains(c, "m,");
    n.nakanishiOnly += c == "m,";
    n.signature += Contains(c, "s,");
    n.signatureOnly += c == "s,b,";
    n.beta += Contains(c, "b,");
    n.betaOnly += c == "b,";
    n.stoimenow += Contains(c, "St,");
    n.stoimenowOnly += c == "St,u2,";
    n.lickorish += Contains(c, "L,");
    n.lickorishOnly += c == "L,";
    n.linkingPairing += Contains(c, "u2,");
    n.linkingPairingOnly += c == "u2,";
}

DetectionStatistics CountDetections(const RunState& state) {
    DetectionStatistics counts;
    for (const KnotRecord& knot : state.Knots) CountDetectionCodes(counts, knot.detectionCodes);
    return counts;
}

std::string SummaryStatisticsText(const DetectionStatistics& counts) {
    std::string text;
    for (const StatisticsLine& line : kLines) {
        text += line.caption;
        if (line.count != nullptr) text += std::to_string(counts.*line.count);
        text += kLineEnd;
    }
    return text;
}

bool IsProblemRow(std::string_view row) {
    return Contains(row.substr(0, kBoundPart), " 1,2 ") && !Contains(row, "1 or 2");
}

std::filesystem::path ProblemsFilePath(const std::filesystem::path& inputFile) {
    return inputFile.parent_path() / ("problems-" + inputFile.filename().string());
}

bool ProblemsFileAllowed(std::string_view inputName) {
    return inputName != "problems.txt";
}

}  // namespace corvane
