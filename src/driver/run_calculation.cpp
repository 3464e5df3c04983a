#include "driver/run_calculation.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "arith/checked.h"
#include "arith/fnv_hash.h"
#include "driver/knot_queue.h"
#include "driver/run_context.h"
#include "input/results_file.h"
#include "unknotting/linking_forms.h"

namespace corvane {

namespace {

// Clears Running however the run ends.
class RunningFlag {
  public:
    explicit RunningFlag(RunState& state) : state_(state) {}
    ~RunningFlag() { state_.Running = false; }
    RunningFlag(const RunningFlag&) = delete;
    RunningFlag& operator=(const RunningFlag&) = delete;

  private:
    RunState& state_;
};

RunOutcome Stop(RunContext& ctx) {
    ctx.WriteResultsFiles();
    ctx.display.Draw(kRunStatePlace, "Stopped calculation.", StatusKind::Final);
    RunOutcome outcome{RunEnd::Stopped};
    outcome.writeFailure = ctx.WriteFailure();
    outcome.resultsWrites = ctx.resultsWrites;
    outcome.resultsWriteSeconds = ctx.resultsWriteSeconds;
    outcome.lineNotes = ctx.state.LineNotes;
    return outcome;
}

RunOutcome FinishRun(RunContext& ctx, int readingErrorLine, const std::string& readingError) {
    RunState& state = ctx.state;
    RunOutcome outcome;
    if (state.InputError) {
        ctx.display.ClearStatusArea();
        ctx.display.Draw(kKnotHeadingPlace, "Error! " + TroubleCode, StatusKind::Final);
        outcome = RunOutcome{RunEnd::InputError, TroubleCode, readingErrorLine};
    } else {
        ctx.display.Draw(kRunStatePlace, "Done!", StatusKind::Final);
        if (readingErrorLine > 0) {
            outcome = RunOutcome{RunEnd::ReadingStopped, readingError, readingErrorLine};
            ctx.display.Draw(
                kRunErrorPlace,
                "Reading stopped at line " + std::to_string(readingErrorLine) + ": " + readingError,
                StatusKind::Final);
        }
    }
    ctx.WriteResultsFiles();
    outcome.writeFailure = ctx.WriteFailure();
    // The results files hold every knot: the journal is no longer needed.
    if (outcome.writeFailure.empty()) ctx.journal.Remove();
    outcome.resultsWrites = ctx.resultsWrites;
    outcome.resultsWriteSeconds = ctx.resultsWriteSeconds;
    outcome.lineNotes = state.LineNotes;
    return outcome;
}

}  // namespace

uint32_t KnotSeed(uint64_t runSeed, const KnotRecord& knot) {
    uint64_t h = kFnvOffset;
    for (int byte = 0; byte < 8; ++byte) {
        h = Fnv1a(h, std::string(1, static_cast<char>((runSeed >> (8 * byte)) & 0xFF)));
    }
    h = Fnv1a(h, knot.inputLine);
    if (!knot.redoneRow.empty()) {
        h = Fnv1a(h, std::string_view("\n*", 2));
        h = Fnv1a(h, knot.redoneRow);
    }
    return static_cast<uint32_t>(h ^ (h >> 32));
}

std::vector<std::string> LineNotesSummary(const std::vector<LineNote>& notes) {
    std::vector<std::string> lines;
    for (const bool skipped : {true, false}) {
        const LineNote* first = nullptr;
        int count = 0;
        for (const LineNote& note : notes) {
            if (note.skipped != skipped) continue;
            if (first == nullptr) first = &note;
            ++count;
        }
        if (first == nullptr) continue;
        const bool one = count == 1;
        const std::string what = skipped ? (one ? " line skipped" : " lines skipped")
                                         : (one ? " line is not a knot" : " lines are not knots");
        // "not a knot: why" says only why here.
        const std::size_t colon = first->reason.find(": ");
        const std::string why =
            skipped || colon == std::string::npos ? first->reason : first->reason.substr(colon + 2);
        lines.push_back(std::to_string(count) + what + ", the first at line " +
                        std::to_string(first->line) + ": " + why);
    }
    return lines;
}

uint64_t Randomize(RunState& state) {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto ticks =
        static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
    // A seed a user can type back: the clock's nanoseconds, mixed and cut to 9 digits.
    uint64_t h = Fnv1a(kFnvOffset, std::to_string(ticks));
    state.RunSeed = h % 1000000000ULL;
    return state.RunSeed;
}

RunOutcome RunCalculation(RunState& state, RunHost& host, const std::filesystem::path& inputFile) {
    if (state.Running.exchange(true)) return RunOutcome{RunEnd::AlreadyRunning};
    RunningFlag running(state);
    RunContext ctx(state, host, inputFile);

    ctx.display.ClearStatusArea();
    // The linking form tables, before the input is read; cong34.txt lists the 3 × 3 table.
    ctx.formTables = BuildFormTables(state.Settings.checkU3);
    if (state.Settings.checkU3 && state.ShardCount == 0) {
        ctx.ReportWriteFailure(WriteFileAtomically(inputFile.parent_path() / "cong34.txt",
                                                   FormTable3Text(ctx.formTables.FormTable3)));
    }
    const KnotListStatus input = ReadInput(state, inputFile);
    if (!input.opened) {
        const std::string message = "cannot open " + inputFile.string() + ": " + input.reason;
        ctx.display.Draw(kKnotHeadingPlace, "Error! " + message, StatusKind::Final);
        return RunOutcome{RunEnd::CannotOpen, message};
    }
    host.ProcessEvents();
    ResetForRunStart(state);
    if (state.ShardCount == 0) {
        // A results file resumed takes back the knots its journal holds, and the list starts anew.
        ctx.journal.Open(JournalFilePath(inputFile), state,
                         IsResultsFileName(inputFile.filename().string()));
    }
    ctx.display.ResetForRun();
    const int readingErrorLine = state.InputErrorLine;
    const std::string readingError = state.InputErrorText;
    for (const LineNote& note : state.LineNotes) host.LineNoted(note.line, note.Text());
    // A reading error is the run's final word only when no knot is computed after it.
    for (int i = 1; i <= state.KnotCount(); ++i) {
        if (!state.Knots.TakenOver(i)) {
            state.InputError = false;
            break;
        }
    }

    KnotQueue queue(ctx, state.Jobs);
    if (!queue.Run()) return Stop(ctx);
    return FinishRun(ctx, readingErrorLine, readingError);
}

}  // namespace corvane
