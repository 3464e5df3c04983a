#include "driver/run_context.h"

#include <chrono>

#include "output/json_results.h"
#include "output/latex_results.h"
#include "output/shard_file.h"
#include "output/text_results.h"

namespace corvane {

namespace {

// Adds the time from its construction to its end to a sum of seconds.
class WriteClock {
  public:
    explicit WriteClock(double& seconds)
        : seconds_(seconds), start_(std::chrono::steady_clock::now()) {}
    WriteClock(const WriteClock&) = delete;
    WriteClock& operator=(const WriteClock&) = delete;
    ~WriteClock() {
        seconds_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }

  private:
    double& seconds_;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace

void RunContext::ReportWriteFailure(const WriteStatus& status) {
    if (status.ok) return;
    writeFailure_ = status.error;
    display.Draw(kRunErrorPlace, "Error! " + status.error, StatusKind::Final);
}

// A run of one shard writes its shard file in place of every results file.
void RunContext::WriteTextResultsFile() {
    const WriteClock clock(resultsWriteSeconds);
    WriteStatus status;
    {
        const std::lock_guard lock(tableMutex);
        status = state.ShardCount > 0 ? WriteShardFile(state, inputFile)
                                      : WriteTextResults(state, inputFile);
    }
    ReportWriteFailure(status);
}

void RunContext::WriteResultsFiles() {
    ++resultsWrites;
    if (state.ShardCount > 0) {
        WriteTextResultsFile();
        return;
    }
    const WriteClock clock(resultsWriteSeconds);
    WriteStatus text;
    WriteStatus latex;
    WriteStatus jsonLines;
    {
        const std::lock_guard lock(tableMutex);
        text = WriteTextResults(state, inputFile);
        latex = WriteLatexResults(state, inputFile);
        if (state.JsonLines) jsonLines = WriteJsonResults(state, inputFile);
    }
    for (const WriteStatus* status : {&text, &latex, &jsonLines}) ReportWriteFailure(*status);
}

}  // namespace corvane
