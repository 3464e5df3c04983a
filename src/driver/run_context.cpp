#include "driver/run_context.h"

#include "output/json_results.h"
#include "output/latex_results.h"
#include "output/shard_file.h"
#include "output/text_results.h"

namespace corvane {

void RunContext::ReportWriteFailure(const WriteStatus& status) {
    if (status.ok) return;
    writeFailure_ = status.error;
    display.Draw(kRunErrorPlace, "Error! " + status.error, StatusKind::Final);
}

// A run of one shard writes its shard file in place of every results file.
void RunContext::WriteTextResultsFile() {
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
