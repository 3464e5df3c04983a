#include "driver/knot_queue.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <thread>

#include "arith/big_integer.h"
#include "driver/compute_knot.h"
#include "driver/run_calculation.h"
#include "output/json_results.h"

namespace corvane {

namespace {

using Clock = std::chrono::steady_clock;

// The results files are rewritten when this much time has passed since the last write, and at
// least kWriteShare times as long as the last write took (and at Stop, Pause and the end): a
// killed run loses at most that much work, and the rewrites take at most about a twentieth of the
// run however long its files grow (the workers wait for a rewrite only when they finish a knot
// meanwhile), which leaves room for the final write within a tenth.
constexpr auto kWriteInterval = std::chrono::seconds(2);
constexpr int kWriteShare = 20;
// More threads than this only cost memory: no machine computes more knots side by side.
constexpr int kMaxJobs = 512;
// How often the run's own thread looks after the workers: pause, skip, progress and writes.
constexpr auto kCoordinatorTick = std::chrono::milliseconds(20);
// How often a paused worker looks whether the pause has ended.
constexpr auto kPauseTick = std::chrono::milliseconds(20);

}  // namespace

// What a knot's draws become: the knot the run waits on (the first unfinished in list order)
// draws on the run's host as it goes; every other knot keeps its texts until it becomes that
// knot, then shows them at once. The animated search line of a waiting knot is dropped. What a
// waiting knot keeps is small, however many knots finish ahead of the one the run waits on: a
// clear of the status area replaces everything kept before it, and the blanks that end a text
// are kept as their count.
class KnotRelay final : public RunHost {
  public:
    explicit KnotRelay(RunHost& target) : target_(target) {}

    void DrawText(int x, int y, std::string_view text, StatusKind kind) override {
        const std::lock_guard lock(mutex_);
        if (live_) {
            target_.DrawText(x, y, text, kind);
            return;
        }
        if (kind == StatusKind::Activity) return;
        const std::size_t end = text.find_last_not_of(' ') + 1;  // 0 for blanks alone
        held_.push_back({x, y, std::string(text.substr(0, end)), text.size() - end, kind});
    }

    void ClearStatusArea(std::string_view blankLine) override {
        const std::lock_guard lock(mutex_);
        if (live_) {
            target_.ClearStatusArea(blankLine);
            return;
        }
        held_.clear();
        clearedWith_ = blankLine.size();
    }

    // From now on the knot draws on the host; what it drew so far is shown first.
    void GoLive() {
        const std::lock_guard lock(mutex_);
        if (live_) return;
        if (clearedWith_ > 0) target_.ClearStatusArea(std::string(clearedWith_, ' '));
        for (const Held& h : held_) {
            target_.DrawText(h.x, h.y, h.text + std::string(h.trailingBlanks, ' '), h.kind);
        }
        held_.clear();
        held_.shrink_to_fit();
        live_ = true;
    }

  private:
    struct Held {
        int x;
        int y;
        std::string text;  // without its trailing blanks
        std::size_t trailingBlanks;
        StatusKind kind;
    };
    RunHost& target_;
    std::mutex mutex_;
    bool live_ = false;
    std::size_t clearedWith_ = 0;  // the length of the blank line of a clear kept, 0 for none
    std::vector<Held> held_;
};

KnotQueue::KnotQueue(RunContext& run, int jobs) : run_(run), jobs_(std::clamp(jobs, 1, kMaxJobs)) {
    RunState& state = run.state;
    relays_.resize(static_cast<std::size_t>(state.KnotCount() + 1));
    finished_.assign(static_cast<std::size_t>(state.KnotCount() + 1), true);
    for (int i = 1; i <= state.KnotCount(); ++i) {
        if (state.Knots.TakenOver(i) || state.Knots.Computed(i) || !InShard(state, i)) continue;
        pending_.push_back(i);
        finished_[static_cast<std::size_t>(i)] = false;
    }
}

// Computes every knot; false when a Stop ended the run first.
KnotQueue::~KnotQueue() = default;

bool KnotQueue::Run() {
    std::vector<std::thread> workers;
    const int count = std::min<int>(jobs_, static_cast<int>(pending_.size()));
    for (int w = 0; w < count; ++w) workers.emplace_back([this] { Work(); });
    Coordinate(count);
    for (std::thread& t : workers) t.join();
    if (failure_) std::rethrow_exception(failure_);
    return !run_.state.StopRequested;
}

void KnotQueue::Work() {
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

void KnotQueue::ComputeAt(int index) {
    RunState& state = run_.state;
    auto relay = std::make_unique<KnotRelay>(run_.host);
    KnotRelay* shown = relay.get();
    auto ctx = std::make_unique<KnotContext>(*shown, state.StopRequested);
    {
        const std::lock_guard lock(run_.tableMutex);
        ctx->state.record = state.Knots.Copy(index);
    }
    ctx->state.Settings = state.Settings;
    ctx->state.Certificates = state.Certificates;
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
    std::optional<LineNote> note;
    if (!stopped) {
        if (end == KnotEnd::notAKnot) {
            const KnotRecord& knot = ctx->state.record;
            note = LineNote{knot.lineNumber, false, NotAKnotReason(knot)};
        }
        KnotRecord& record = ctx->state.record;
        record.computed = true;
        if (state.JsonLines) record.jsonLine = KnotJsonLine(record, state.Settings);
        run_.journal.Append(index, record);
        {
            const std::lock_guard lock(run_.tableMutex);
            state.Knots(index) = std::move(record);
            state.Knots.Park(index);
        }
        run_.host.KnotFinished(index);
    }
    const std::lock_guard lock(mutex_);
    if (note) notAKnot_.push_back({index, std::move(*note)});
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

// While Pause holds (and no Stop came), the front end acts and the worker waits.
void KnotQueue::WaitWhilePaused() {
    const RunState& state = run_.state;
    while (state.PauseRequested && !state.StopRequested) {
        run_.host.ProcessEvents();
        std::this_thread::sleep_for(kPauseTick);
    }
}

// The polling point between two knots of a worker: the front end acts, Pause holds the worker.
void KnotQueue::BetweenKnots() {
    run_.host.ProcessEvents();
    WaitWhilePaused();
}

// A knot's polling point: the front end acts, Pause holds the knot, Skip reaches the knot's
// long searches once per press.
void KnotQueue::Poll(KnotContext& k, uint64_t& skipSeen) {
    RunState& state = run_.state;
    run_.host.ProcessEvents();
    if (state.SkipRequested.exchange(false)) ++skipEpoch_;
    WaitWhilePaused();
    const uint64_t epoch = skipEpoch_.load();
    if (epoch != skipSeen) {
        skipSeen = epoch;
        k.state.SkipRequested = true;
    }
}

// The first knot in list order that is not finished, 0 when all are. The knots it passes
// show what they drew, in list order, and the knot it stops at draws live from now on.
// Caller holds mutex_.
int KnotQueue::FirstUnfinished() {
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
void KnotQueue::GoLive(int index) {
    KnotRelay* relay = relays_[static_cast<std::size_t>(index)].get();
    if (relay == nullptr || index == liveIndex_) return;
    liveIndex_ = index;
    const RunState& state = run_.state;
    std::string name;
    {
        const std::lock_guard lock(run_.tableMutex);
        name = state.Knots.Copy(index).name;
    }
    run_.host.KnotStarted(index, state.KnotCount(), name);
    relay->GoLive();
}

// The run's own thread: pause, skip, progress, line notes and the results files, until every
// worker has finished.
void KnotQueue::Coordinate(int workers) {
    RunState& state = run_.state;
    auto lastWrite = Clock::now();
    Clock::duration writeGap = kWriteInterval;
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
            run_.display.Draw(kRunStatePlace, "Calculation paused.", StatusKind::Final);
            lock.lock();
            pauseShown = true;
        } else if (!pausing && pauseShown) {
            run_.display.Draw(kRunStatePlace, std::string(48, ' '), StatusKind::Blank);
            pauseShown = false;
        }
        run_.host.RunProgress(done_, static_cast<int>(pending_.size()), running_);
        if (fresh_ && !pausing && Clock::now() - lastWrite >= writeGap) {
            fresh_ = false;
            const auto started = Clock::now();
            lock.unlock();
            run_.WriteResultsFiles();
            lock.lock();
            lastWrite = Clock::now();
            writeGap =
                std::max<Clock::duration>(kWriteInterval, kWriteShare * (lastWrite - started));
        }
    }
    ReportNotes();
}

// Knots found not to be knots, reported in list order as the run passes them. Caller holds
// mutex_.
void KnotQueue::ReportNotes() {
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

}  // namespace corvane
