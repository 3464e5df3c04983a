// The run loop: reads the knot list, walks the knots in order, reduces each Seifert matrix to a
// minimal S-equivalent one, settles trivial and too large knots, computes the invariants of the
// others, and rewrites the results files as it goes.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "driver/run_host.h"
#include "driver/run_state.h"

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
    std::vector<LineNote> lineNotes{};  // the input lines that gave no invariants
};

// The status lines that sum up a run's line notes: "2 lines skipped, the first at line 12: rows
// of unequal length" and "1 line is not a knot, the first at line 3: the braid closes to 2
// components"; none when every line gave a knot.
std::vector<std::string> LineNotesSummary(const std::vector<LineNote>& notes);

// One whole run over the knot list (or results file) at inputFile with the settings in
// state.Settings. The caller clears StopRequested and PauseRequested before; the run sets and
// clears Running itself. Results files are written beside the input file.
RunOutcome RunCalculation(RunState& state, RunHost& host, const std::filesystem::path& inputFile);

// Advances the random generator by a clock-dependent number of draws: the milliseconds of the
// time of day, each a draw of RandomBelow(3).
void Randomize(RunState& state);

}  // namespace corvane
