#include "driver/run_calculation.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "arith/big_integer.h"
#include "arith/checked.h"
#include "arith/errors.h"
#include "arith/exact_reduction.h"
#include "arith/fnv_hash.h"
#include "arith/sequivalence.h"
#include "driver/invariant_sequence.h"
#include "driver/run_context.h"
#include "input/results_file.h"
#include "knot/knot_context.h"
#include "output/json_results.h"
#include "output/latex_results.h"
#include "output/shard_file.h"
#include "output/text_results.h"
#include "unknotting/linking_forms.h"

namespace corvane {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::string_view kErrorTex = "erError";
// The results files are rewritten when this much time has passed since the last write (and at
// Stop, Pause and the end): a stopped or killed run loses at most that much work, and writing
// stays a small share of a long run however many knots it has.
constexpr auto kWriteInterval = std::chrono::seconds(2);
// More threads than this only cost memory: no machine computes more knots side by side.
constexpr int kMaxJobs = 512;
// How often the run's own thread looks after the workers: pause, skip, progress and writes.
constexpr auto kCoordinatorTick = std::chrono::milliseconds(20);

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

// The knot's matrix reduced to a minimal S-equivalent one in WorkingMatrix and WorkingSize, with
// big integers where the checked 64-bit reduction runs out of range and its entries made small
// when they are large (WorkingBig when they stay beyond 64 bits). False only when the reduction
// met a range error (no such input passes the knot check).
bool ReduceKnot(KnotState& state) {
    const KnotRecord& knot = state.record;
    try {
        const ExactReduction reduced =
            MinimalSEquivalentExact(WorkingForm(knot.seifert), knot.size);
        state.WorkingMatrix = reduced.small.matrix;
        state.WorkingSize = reduced.small.ReducedSize;
        state.WorkingBig = reduced.big;
        return true;
    } catch (const CalculationError&) {
        return false;
    }
}

void ShowKnot(KnotContext& ctx) {
    const KnotRecord& knot = ctx.state.record;
    ctx.display.ClearStatusArea();
    ctx.display.Draw(7, 7, "Knot " + knot.name + " with Seifert matrix:", StatusKind::Heading);
    if (ctx.state.WorkingSize > 0 && !ctx.state.WorkingBig)
        ctx.display.DrawMatrix(ctx.state.WorkingMatrix, ctx.state.WorkingSize, 7, 23);
    ctx.display.StatusLineY = 7;
}

void SettleTrivialKnot(KnotContext& ctx) {
    KnotState& state = ctx.state;
    TrivialBounds(state.record);
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

// A line that gives no knot: no bound is claimed and the row says why.
void SettleNotAKnot(KnotContext& ctx, const std::string& reason) {
    ClearBounds(ctx.state.record);
    SetResultField(ctx.state, "er" + reason, kErrorTex);
    ctx.display.ResultLine(reason);
}

// The invariant sequence, with any overflow or range error of the knot's own computation
// turned into an error field of that knot: the run goes on with the next knot.
void ComputeGuarded(KnotContext& ctx) {
    try {
        ComputeKnotInvariants(ctx);
    } catch (const CalculationError& error) {
        const std::string step =
            ctx.currentStep.empty() ? std::string(error.what()) : ctx.currentStep;
        SetResultField(ctx.state, "erError in " + step, kErrorTex);
        ctx.display.ResultLine("Error in " + step + ": " + error.what());
    }
}

// What became of a knot's computation.
enum class KnotEnd { computed, notAKnot };

// One knot from its record to its results: the check that it is a knot, the reduction, and the
// trivial or full computation.
KnotEnd ComputeKnot(KnotContext& ctx) {
    KnotState& state = ctx.state;
    KnotRecord& knot = state.record;
    ResetForKnotStart(state, Clock::now());
    ctx.display.StatusText.clear();
    ctx.currentStep.clear();
    if (const std::string reason = NotAKnotReason(knot); !reason.empty()) {
        state.WorkingSize = 0;
        ShowKnot(ctx);
        state.WorkingSize = -1;
        SettleNotAKnot(ctx, reason);
        return KnotEnd::notAKnot;
    }
    const bool reduced = ReduceKnot(state);
    if (!reduced) state.WorkingSize = 0;
    ShowKnot(ctx);
    if (!reduced) {
        state.WorkingSize = -1;
        ClearBounds(knot);
        SetResultField(state, "erError in S-equivalence reduction", kErrorTex);
        return KnotEnd::computed;
    }
    if (state.WorkingSize == 0) {
        SettleTrivialKnot(ctx);
        return KnotEnd::computed;
    }
    ComputeGuarded(ctx);
    return KnotEnd::computed;
}

// 64-bit FNV-1a over bytes, continuing from h.
// What a knot's draws become: the knot the run waits on (the first unfinished in list order)
// draws on the run's host as it goes; every other knot keeps its texts until it becomes that
// knot, then shows them at once. The animated search line of a waiting knot is dropped.
class KnotRelay : public RunHost {
  public:
    explicit KnotRelay(RunHost& target) : target_(target) {}

    void DrawText(int x, int y, std::string_view text, StatusKind kind) override {
        const std::lock_guard lock(mutex_);
        if (live_) {
            target_.DrawText(x, y, text, kind);
        } else if (kind != StatusKind::Activity) {
            held_.push_back({x, y, std::string(text), kind});
        }
    }

    // From now on the knot draws on the host; what it drew so far is shown first.
    void GoLive() {
        const std::lock_guard lock(mutex_);
        if (live_) return;
        for (const Held& h : held_) target_.DrawText(h.x, h.y, h.text, h.kind);
        held_.clear();
        live_ = true;
    }

  private:
    struct Held {
        int x;
        int y;
        std::string text;
        StatusKind kind;
    };
    RunHost& target_;
    std::mutex mutex_;
    bool live_ = false;
    std::vector<Held> held_;
};

// The knots of a run and the workers that compute them. Knots are handed out in list order;
// each worker computes one knot at a time in a context of its own and stores the finished record
// in the table. The run's own thread looks after pause, skip, progress and the results files.
class KnotQueue {
  public:
    KnotQueue(RunContext& run, int jobs) : run_(run), jobs_(std::clamp(jobs, 1, kMaxJobs)) {
        RunState& state = run.state;
        relays_.resize(static_cast<std::size_t>(state.KnotCount() + 1));
        finished_.assign(static_cast<std::size_t>(state.KnotCount() + 1), true);
        for (int i = 1; i <= state.KnotCount(); ++i) {
            if (state.Knots(i).takenOver || !InShard(state, i)) continue;
            pending_.push_back(i);
            finished_[static_cast<std::size_t>(i)] = false;
        }
    }

    // Computes every knot; false when a Stop ended the run first.
    bool Run() {
        std::vector<std::thread> workers;
        const int count = std::min<int>(jobs_, static_cast<int>(pending_.size()));
        for (int w = 0; w < count; ++w) workers.emplace_back([this] { Work(); });
        Coordinate(count);
        for (std::thread& t : workers) t.join();
        if (failure_) std::rethrow_exception(failure_);
        return !run_.state.StopRequested;
    }

  private:
    struct Seat {
        std::unique_ptr<KnotRelay> relay;
    };

    void Work() {
        try {
            while (true) {
                BetweenKnots();
                int index = 0;
                {
                    const std::lock_guard lock(mutex_);
                    if (next_ >= pending_.size() || run_.state.StopRequested || failure_) break;
                    index = pending_[next_++];
                    ++running_;
                }
                ComputeAt(index);
            }
        } catch (...) {
            const std::lock_guard lock(mutex_);
            if (!failure_) failure_ = std::current_exception();
            run_.state.StopRequested = true;
        }
        // The big-integer library keeps per-thread caches; a thread that ends frees its own.
        ReleaseBigIntegerCaches();
        const std::lock_guard lock(mutex_);
        ++workersDone_;
        wake_.notify_all();
    }

    void ComputeAt(int index) {
        RunState& state = run_.state;
        auto relay = std::make_unique<KnotRelay>(run_.host);
        KnotRelay* shown = relay.get();
        auto ctx = std::make_unique<KnotContext>(*shown, state.StopRequested);
        {
            const std::lock_guard lock(run_.tableMutex);
            ctx->state.record = state.Knots(index);
        }
        ctx->state.Settings = state.Settings;
        ctx->state.Random.state = KnotSeed(state.RunSeed, ctx->state.record);
        ctx->formTables = &run_.formTables;
        uint64_t skipSeen = skipEpoch_.load();
        ctx->poll = [this, &skipSeen](KnotContext& k) { Poll(k, skipSeen); };
        {
            const std::lock_guard lock(mutex_);
            relays_[static_cast<std::size_t>(index)] = std::move(relay);
            FirstUnfinished();
        }
        ScopedPoller poller(ctx.get());
        const KnotEnd end = ComputeKnot(*ctx);
        ctx->poll = nullptr;

        const bool stopped = state.StopRequested;
        if (!stopped) {
            const std::lock_guard lock(run_.tableMutex);
            KnotRecord& stored = state.Knots(index);
            stored = std::move(ctx->state.record);
            stored.computed = true;
        }
        const std::lock_guard lock(mutex_);
        if (end == KnotEnd::notAKnot && !stopped) {
            const KnotRecord& knot = state.Knots(index);
            notAKnot_.push_back({index, LineNote{knot.lineNumber, false, NotAKnotReason(knot)}});
        }
        --running_;
        wake_.notify_all();
        // A knot that Stop cut short stays unfinished: its list line is written, and the run does
        // not move on to the knots after it.
        if (stopped) return;
        finished_[static_cast<std::size_t>(index)] = true;
        ++done_;
        fresh_ = true;
        FirstUnfinished();
    }

    // The polling point between two knots of a worker: the front end acts, Pause holds the worker.
    void BetweenKnots() {
        RunState& state = run_.state;
        run_.host.ProcessEvents();
        while (state.PauseRequested && !state.StopRequested) {
            run_.host.ProcessEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }

    // A knot's polling point: the front end acts, Pause holds the knot, Skip reaches the knot's
    // long searches once per press.
    void Poll(KnotContext& k, uint64_t& skipSeen) {
        RunState& state = run_.state;
        run_.host.ProcessEvents();
        if (state.SkipRequested.exchange(false)) ++skipEpoch_;
        while (state.PauseRequested && !state.StopRequested) {
            run_.host.ProcessEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        const uint64_t epoch = skipEpoch_.load();
        if (epoch != skipSeen) {
            skipSeen = epoch;
            k.state.SkipRequested = true;
        }
    }

    // The first knot in list order that is not finished, 0 when all are. The knots it passes
    // show what they drew, in list order, and the knot it stops at draws live from now on.
    // Caller holds mutex_.
    int FirstUnfinished() {
        while (firstUnfinished_ < finished_.size() && finished_[firstUnfinished_]) {
            if (relays_[firstUnfinished_]) {
                GoLive(static_cast<int>(firstUnfinished_));
                relays_[firstUnfinished_].reset();
            }
            ++firstUnfinished_;
        }
        if (firstUnfinished_ >= finished_.size()) return 0;
        const int first = static_cast<int>(firstUnfinished_);
        GoLive(first);
        return first;
    }

    // The knot becomes the one the window shows. Caller holds mutex_.
    void GoLive(int index) {
        KnotRelay* relay = relays_[static_cast<std::size_t>(index)].get();
        if (relay == nullptr || index == liveIndex_) return;
        liveIndex_ = index;
        const RunState& state = run_.state;
        run_.host.KnotStarted(index, state.KnotCount(), state.Knots(index).name);
        relay->GoLive();
    }

    // The run's own thread: pause, skip, progress, line notes and the results files, until every
    // worker has finished.
    void Coordinate(int workers) {
        RunState& state = run_.state;
        auto lastWrite = Clock::now();
        bool pauseShown = false;
        std::unique_lock lock(mutex_);
        while (workersDone_ < workers) {
            wake_.wait_for(lock, kCoordinatorTick);
            ReportNotes();
            if (state.SkipRequested.exchange(false)) ++skipEpoch_;
            const bool pausing = state.PauseRequested && !state.StopRequested;
            if (pausing && !pauseShown) {
                lock.unlock();
                run_.WriteTextResultsFile();
                run_.display.Draw(350, 200, "Calculation paused.", StatusKind::Final);
                lock.lock();
                pauseShown = true;
            } else if (!pausing && pauseShown) {
                run_.display.Draw(350, 200, std::string(48, ' '), StatusKind::Blank);
                pauseShown = false;
            }
            run_.host.RunProgress(done_, static_cast<int>(pending_.size()), running_);
            if (fresh_ && !pausing && Clock::now() - lastWrite >= kWriteInterval) {
                fresh_ = false;
                lock.unlock();
                run_.WriteResultsFiles();
                lock.lock();
                lastWrite = Clock::now();
            }
        }
        ReportNotes();
    }

    // Knots found not to be knots, reported in list order as the run passes them. Caller holds
    // mutex_.
    void ReportNotes() {
        std::sort(notAKnot_.begin(), notAKnot_.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        const int first = FirstUnfinished();
        std::size_t reported = 0;
        for (const auto& [index, note] : notAKnot_) {
            if (first != 0 && index > first) break;
            run_.state.LineNotes.push_back(note);
            run_.host.LineNoted(note.line, note.Text());
            ++reported;
        }
        notAKnot_.erase(notAKnot_.begin(), notAKnot_.begin() + static_cast<long>(reported));
    }

    RunContext& run_;
    const int jobs_;
    std::vector<int> pending_;
    std::size_t next_ = 0;
    std::vector<std::unique_ptr<KnotRelay>> relays_;
    std::vector<bool> finished_;
    std::size_t firstUnfinished_ = 1;
    int liveIndex_ = 0;
    int running_ = 0;
    int done_ = 0;
    int workersDone_ = 0;
    bool fresh_ = false;
    std::vector<std::pair<int, LineNote>> notAKnot_;
    std::atomic<uint64_t> skipEpoch_ = 0;
    std::exception_ptr failure_;
    std::mutex mutex_;
    std::condition_variable wake_;
};

RunOutcome Stop(RunContext& ctx) {
    ctx.WriteResultsFiles();
    ctx.display.Draw(350, 200, "Stopped calculation.", StatusKind::Final);
    RunOutcome outcome{RunEnd::Stopped};
    outcome.writeFailure = ctx.WriteFailure();
    outcome.resultsWrites = ctx.resultsWrites;
    outcome.lineNotes = ctx.state.LineNotes;
    return outcome;
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

void RunContext::ReportWriteFailure(const WriteStatus& status) {
    if (status.ok) return;
    writeFailure_ = status.error;
    display.Draw(7, 216, "Error! " + status.error, StatusKind::Final);
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
        if (state.jsonLines) jsonLines = WriteJsonResults(state, inputFile);
    }
    ReportWriteFailure(text);
    for (const WriteStatus* other : {&latex, &jsonLines}) {
        if (other->ok) continue;
        writeFailure_ = other->error;
        display.Draw(7, 216, "Error! " + other->error, StatusKind::Final);
    }
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
        ctx.display.Draw(7, 7, "Error! " + message, StatusKind::Final);
        return RunOutcome{RunEnd::CannotOpen, message};
    }
    host.ProcessEvents();
    ResetForRunStart(state);
    ctx.display.ResetForRun();
    const int readingErrorLine = state.InputErrorLine;
    const std::string readingError = state.InputErrorText;
    for (const LineNote& note : state.LineNotes) host.LineNoted(note.line, note.Text());
    // A reading error is the run's final word only when no knot is computed after it.
    if (std::any_of(state.Knots.begin(), state.Knots.end(),
                    [](const KnotRecord& k) { return !k.takenOver; })) {
        state.InputError = false;
    }

    KnotQueue queue(ctx, state.Jobs);
    if (!queue.Run()) return Stop(ctx);
    return FinishRun(ctx, readingErrorLine, readingError);
}

}  // namespace corvane
