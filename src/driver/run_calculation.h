// The run loop: reads the knot list, walks the knots in order, reduces each Seifert matrix to a
// minimal S-equivalent one, settles trivial and too large knots, computes the invariants of the
// others, and rewrites the results files as it goes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "knot/run_host.h"
#include "knot/run_state.h"

namespace corvane {

enum class RunEnd {
    Done,            // every knot computed ("Done!")
    Stopped,         // Stop was honoured ("Stopped calculation.")
    InputError,      // the reading failed and no knot was computed after it ("Error! ...")
    ReadingStopped,  // "Done!", but the list was read only up to a reading error
    CannotOpen,      // the input file could not be opened; nothing was computed or written
    AlreadyRunning,  // a run was under way; nothing was done
};

struct RunOutcome {
    RunEnd end = RunEnd::Done;
    std::string message{};              // the reading error or why the file could not be opened
    int errorLine = 0;                  // line of the reading error
    std::string writeFailure{};         // the last failure to write a results file, empty if none
    int resultsWrites = 0;              // how often the results files were written
    double resultsWriteSeconds = 0;     // how long writing them took in all
    std::vector<LineNote> lineNotes{};  // the input lines that gave no invariants
};

// The status lines that sum up a run's line notes: "2 lines skipped, the first at line 12: rows
// of unequal length" and "1 line is not a knot, the first at line 3: the braid closes to 2
// components"; none when every line gave a knot.
std::vector<std::string> LineNotesSummary(const std::vector<LineNote>& notes);

// One whole run over the knot list (or results file) at inputFile with the settings in
// state.Settings, on state.Jobs threads. The caller clears StopRequested and PauseRequested
// before; the run sets and clears Running itself. Results files are written beside the input
// file: every kWriteInterval while knots finish, at Pause, at Stop and at the end. The files do
// not depend on the number of jobs.
RunOutcome RunCalculation(RunState& state, RunHost& host, const std::filesystem::path& inputFile);

// Draws a new run seed from the clock (0..999999999), stores it as RunSeed and returns it, so
// that the front end can show it and the run can be repeated with that seed.
uint64_t Randomize(RunState& state);

// The state of a knot's random generator: 32 bits of FNV-1a over the run seed, the knot's input
// line (its name and matrix text) and, for a row marked "*" to be computed again, that row as it
// stood. A knot's random choices thus depend on nothing but the run seed and the knot: not on the
// number of jobs, its place in the list or the machine that computes it.
uint32_t KnotSeed(uint64_t runSeed, const KnotRecord& knot);

}  // namespace corvane
