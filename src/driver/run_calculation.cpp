#include "driver/run_calculation.h"

#include <chrono>
#include <thread>

#include "arith/checked.h"
#include "arith/errors.h"
#include "arith/sequivalence.h"
#include "driver/invariant_sequence.h"
#include "driver/run_context.h"
#include "input/results_file.h"
#include "output/latex_results.h"
#include "output/text_results.h"
#include "unknotting/linking_forms.h"

namespace corvane {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view kErrorTex = "erError";

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

// Bounds of a knot that is passed over (matrix too large, or its reduction failed): nothing is
// known about it, so no bound is claimed. The trivial knot, by contrast, has both bounds 0.
void ClearBounds(KnotRecord& knot) {
    knot.lowerBound = 0;
    knot.upperBound = -1;
    knot.nakanishiLower = 0;
    knot.nakanishiUpper = -1;
}

// The algebraic unknotting number and the Nakanishi index of a knot with Alexander polynomial 1.
void TrivialBounds(KnotRecord& knot) {
    knot.lowerBound = 0;
    knot.upperBound = 0;
    knot.nakanishiLower = 0;
    knot.nakanishiUpper = 0;
}

// The knot's matrix reduced to a minimal S-equivalent one in WorkingMatrix and WorkingSize.
// False when the reduction failed (arithmetic trouble or an overflow).
bool ReduceCurrentKnot(RunState& state) {
    const KnotRecord& knot = CurrentRecord(state);
    try {
        const SEquivalenceResult reduced = MinimalSEquivalent(WorkingForm(knot.seifert), knot.size);
        if (ArithTrouble) return false;
        state.WorkingMatrix = reduced.matrix;
        state.WorkingSize = reduced.ReducedSize;
        return true;
    } catch (const CalculationError&) {
        return false;
    }
}

void ShowKnot(RunContext& ctx) {
    const KnotRecord& knot = CurrentRecord(ctx.state);
    ctx.display.ClearStatusArea();
    ctx.display.Draw(7, 7, "Knot " + knot.name + " with Seifert matrix:", StatusKind::Heading);
    if (ctx.state.WorkingSize > 0)
        ctx.display.DrawMatrix(ctx.state.WorkingMatrix, ctx.state.WorkingSize, 7, 23);
    ctx.display.StatusLineY = 7;
}

void SettleTrivialKnot(RunContext& ctx) {
    RunState& state = ctx.state;
    TrivialBounds(CurrentRecord(state));
    ctx.display.Draw(7, 200, "Alexander polynomial = 1", StatusKind::Result);
    SetResultField(state, "al1", "al1");
    SetResultField(state, "nk0", "nk0");
    ctx.display.ResultLine("Nakanishi index = 0" + ctx.display.BlankLine());
    SetResultField(state, "dt 1", "dt 1");
    SetResultField(state, "l20", "l20");
    SetResultField(state, "si 0", "si 0");
    SetResultField(state, "ma 0", "ma 0");
    ctx.display.ResultLine("Determinant = 1");
    ctx.display.ResultLine("H_1(2-fold branched cover) = 0");
    ctx.display.ResultLine("Signature = 0");
}

// A line that gives no knot: no bound is claimed, the row says why, and the front end hears of
// the line.
void SettleNotAKnot(RunContext& ctx, const std::string& reason) {
    RunState& state = ctx.state;
    KnotRecord& knot = CurrentRecord(state);
    ClearBounds(knot);
    SetResultField(state, "er" + reason, kErrorTex);
    ctx.display.ResultLine(reason);
    state.LineNotes.push_back(LineNote{knot.lineNumber, false, reason});
    ctx.host.LineNoted(knot.lineNumber, reason);
}

// The invariant sequence, with any overflow or range error of the knot's own computation
// turned into an error field of that knot: the run goes on with the next knot.
bool ComputeGuarded(RunContext& ctx) {
    try {
        return ComputeKnotInvariants(ctx);
    } catch (const CalculationError& error) {
        const std::string step =
            ctx.currentStep.empty() ? std::string(error.what()) : ctx.currentStep;
        SetResultField(ctx.state, "erError in " + step, kErrorTex);
        ctx.display.ResultLine("Error in " + step + ": " + error.what());
        return true;
    }
}

// The milliseconds part of the time of day.
int MillisecondsOfDay() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count() %
                            1000);
}

// After a knot the files are rewritten for every even knot, and after any knot whose elapsed
// time has a seconds component above 1.
bool WriteScheduled(int knot, Clock::duration elapsed) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(elapsed).count();
    return knot % 2 == 0 || seconds % 60 > 1;
}

RunOutcome Stop(RunContext& ctx) {
    ctx.state.CurrentKnot -= 1;
    ctx.WriteResultsFiles();
    ctx.display.Draw(350, 200, "Stopped calculation.", StatusKind::Final);
    return RunOutcome{RunEnd::Stopped,    {}, 0, ctx.WriteFailure(), ctx.resultsWrites,
                      ctx.state.LineNotes};
}

RunOutcome FinishRun(RunContext& ctx, int readingErrorLine, const std::string& readingError) {
    RunState& state = ctx.state;
    RunOutcome outcome;
    if (state.InputError) {
        ctx.display.ClearStatusArea();
        ctx.display.Draw(7, 7, "Error! " + TroubleCode, StatusKind::Final);
        outcome = RunOutcome{RunEnd::InputError, TroubleCode, readingErrorLine};
    } else {
        ctx.display.Draw(350, 200, "Done!", StatusKind::Final);
        if (readingErrorLine > 0) {
            outcome = RunOutcome{RunEnd::ReadingStopped, readingError, readingErrorLine};
            ctx.display.Draw(
                7, 216,
                "Reading stopped at line " + std::to_string(readingErrorLine) + ": " + readingError,
                StatusKind::Final);
        }
    }
    ctx.WriteResultsFiles();
    outcome.writeFailure = ctx.WriteFailure();
    outcome.resultsWrites = ctx.resultsWrites;
    outcome.lineNotes = state.LineNotes;
    return outcome;
}

}  // namespace

void RunContext::CheckPause() {
    host.ProcessEvents();
    if (!state.PauseRequested) return;
    WriteTextResultsFile();
    display.Draw(350, 200, "Calculation paused.", StatusKind::Final);
    while (state.PauseRequested && !state.StopRequested) {
        host.ProcessEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // A Stop that ends the pause also ends it for the polling points still to come.
    state.PauseRequested = false;
    display.Draw(350, 200, std::string(48, ' '), StatusKind::Blank);
}

void RunContext::ReportWriteFailure(const WriteStatus& status) {
    if (status.ok) return;
    writeFailure_ = status.error;
    display.Draw(7, 216, "Error! " + status.error, StatusKind::Final);
}

void RunContext::WriteTextResultsFile() {
    ReportWriteFailure(WriteTextResults(state, inputFile));
}

void RunContext::WriteResultsFiles() {
    ++resultsWrites;
    WriteTextResultsFile();
    const WriteStatus latex = WriteLatexResults(state, inputFile);
    if (latex.ok) return;
    writeFailure_ = latex.error;
    display.Draw(7, 216, "Error! " + latex.error, StatusKind::Final);
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

void Randomize(RunState& state) {
    const int draws = MillisecondsOfDay();
    for (int i = 0; i < draws; ++i) RandomBelow(state.Random, 3);
}

RunOutcome RunCalculation(RunState& state, RunHost& host, const std::filesystem::path& inputFile) {
    if (state.Running.exchange(true)) return RunOutcome{RunEnd::AlreadyRunning};
    RunningFlag running(state);
    RunContext ctx(state, host, inputFile);
    ScopedPoller poller(&ctx);

    ctx.display.ClearStatusArea();
    // The linking form tables, before the input is read; cong34.txt lists the 3 × 3 table.
    ctx.formTables = BuildFormTables(state.Settings.checkU3);
    if (state.Settings.checkU3) {
        ctx.ReportWriteFailure(
            WriteFormTable3File(ctx.formTables.FormTable3, inputFile.parent_path()));
    }
    const KnotListStatus input = ReadInput(state, inputFile);
    if (!input.opened) {
        const std::string message = "cannot open " + inputFile.string() + ": " + input.reason;
        ctx.display.Draw(7, 7, "Error! " + message, StatusKind::Final);
        return RunOutcome{RunEnd::CannotOpen, message};
    }
    host.ProcessEvents();
    RandomBelow(state.Random, 3);
    RandomBelow(state.Random, 3);
    ResetForRunStart(state);
    ctx.display.ResetForRun();
    const int readingErrorLine = state.InputErrorLine;
    const std::string readingError = state.InputErrorText;
    for (const LineNote& note : state.LineNotes) host.LineNoted(note.line, note.Text());

    for (state.CurrentKnot = 1; state.CurrentKnot <= state.KnotCount(); ++state.CurrentKnot) {
        ctx.CheckPause();
        if (state.StopRequested) return Stop(ctx);
        KnotRecord& knot = CurrentRecord(state);
        if (knot.takenOver) continue;
        host.KnotStarted(state.CurrentKnot, state.KnotCount(), knot.name);

        ResetForKnotStart(state, Clock::now());
        ctx.display.StatusText.clear();
        ctx.currentStep.clear();
        if (const std::string reason = NotAKnotReason(knot); !reason.empty()) {
            state.WorkingSize = 0;
            ShowKnot(ctx);
            state.WorkingSize = -1;
            SettleNotAKnot(ctx, reason);
            continue;
        }
        const bool reduced = ReduceCurrentKnot(state);
        if (!reduced) state.WorkingSize = 0;
        ShowKnot(ctx);

        if (!reduced) {
            state.WorkingSize = -1;
            ClearBounds(knot);
            SetResultField(state, "erError in S-equivalence reduction", kErrorTex);
            continue;
        }
        if (state.WorkingSize > MaxWorkingDim) {
            state.WorkingSize = -1;
            ClearBounds(knot);
            SetResultField(state, "cdSeifert matrix too large", kErrorTex);
            continue;
        }
        if (state.WorkingSize == 0) {
            SettleTrivialKnot(ctx);
            continue;
        }
        if (!ComputeGuarded(ctx)) continue;

        ctx.CheckPause();
        if (state.StopRequested) return Stop(ctx);
        if (WriteScheduled(state.CurrentKnot, Clock::now() - state.KnotStartTime))
            ctx.WriteResultsFiles();
    }
    state.CurrentKnot = state.KnotCount();
    return FinishRun(ctx, readingErrorLine, readingError);
}

}  // namespace corvane
