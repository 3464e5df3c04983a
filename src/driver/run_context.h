// One run in progress: the run state, the front end, the progress display and the input file,
// with the polling point through which Stop, Pause and Skip take effect. Every step of the
// calculation that reports progress or polls receives the run context.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "arith/poll.h"
#include "driver/progress.h"
#include "driver/run_host.h"
#include "driver/run_state.h"
#include "output/file_writer.h"
#include "unknotting/linking_forms.h"

namespace corvane {

class RunContext : public Poller {
  public:
    RunContext(RunState& state, RunHost& host, std::filesystem::path inputFile)
        : state(state), host(host), display(host), inputFile(std::move(inputFile)) {}

    // Lets the front end handle its events. While Pause is requested: writes the text results
    // file, shows "Calculation paused." and waits until Pause is pressed again or Stop arrives.
    void CheckPause() override;

    // Rewrites the results files beside the input file. A failure is shown as a status line and
    // remembered for the end of the run; the next write tries again.
    void WriteResultsFiles();
    void WriteTextResultsFile();

    // Shows a failed write of a file of the run as a status line and remembers it for the end of
    // the run; a successful write changes nothing.
    void ReportWriteFailure(const WriteStatus& status);

    // The failures of writing, for the run's final report (empty when every write succeeded).
    const std::string& WriteFailure() const { return writeFailure_; }

    RunState& state;
    RunHost& host;
    ProgressDisplay display;
    const std::filesystem::path inputFile;
    // What the invariant sequence is computing, for the error field of a knot whose computation
    // met an overflow or range error.
    std::string currentStep;
    // The linking form tables, built at run start before the input is read.
    LinkingFormTables formTables;
    // How often the results files were written in this run.
    int resultsWrites = 0;

  private:
    std::string writeFailure_;
};

}  // namespace corvane
