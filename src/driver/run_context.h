// One run in progress: the run state, the front end, the run's own progress display (for the
// run's status lines; each knot draws through its own), the input file, the shared read-only
// linking form tables and the writing of the results files.
#pragma once

#include <filesystem>
#include <mutex>
#include <string>

#include "knot/progress.h"
#include "knot/run_host.h"
#include "knot/run_state.h"
#include "output/file_writer.h"
#include "output/journal.h"
#include "unknotting/linking_forms.h"

namespace corvane {

class RunContext {
  public:
    RunContext(RunState& state, RunHost& host, std::filesystem::path inputFile)
        : state(state), host(host), display(host), inputFile(std::move(inputFile)) {}

    // Rewrites the results files beside the input file, holding the knot table still while the
    // texts are built. A failure is shown as a status line and remembered for the end of the
    // run; the next write tries again.
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
    // The linking form tables, built at run start before the input is read.
    LinkingFormTables formTables;
    // How often the results files were written in this run, and how long that took.
    int resultsWrites = 0;
    double resultsWriteSeconds = 0;
    // Every knot as it finishes, for a resume after a kill or a stop.
    RunJournal journal;
    // Guards the knot table: workers store finished knots while the writers read it.
    std::mutex& tableMutex{state.KnotsMutex};

  private:
    std::string writeFailure_;
};

}  // namespace corvane
