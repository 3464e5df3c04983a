// The work queue of a run: the knots of the list (of the run's shard) are handed out in list
// order to worker threads, each computing one knot at a time in a context of its own; the run's
// own thread looks after pause, skip, progress, line notes and the periodic writes.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "driver/run_context.h"
#include "knot/knot_context.h"

namespace corvane {

class KnotRelay;

class KnotQueue {
  public:
    // The knots of run.state that are neither taken over nor outside the run's shard, for
    // min(max(jobs, 1), kMaxJobs) workers.
    KnotQueue(RunContext& run, int jobs);
    ~KnotQueue();
    KnotQueue(const KnotQueue&) = delete;
    KnotQueue& operator=(const KnotQueue&) = delete;

    // Computes every knot, storing each finished record in the table; false when a Stop ended
    // the run first. An exception of a worker (not of a knot's computation, which becomes an
    // error field) is rethrown here once every worker has ended.
    bool Run();

  private:
    void Work();
    void ComputeAt(int index);
    void WaitWhilePaused();
    void BetweenKnots();
    void Poll(KnotContext& k, uint64_t& skipSeen);
    int FirstUnfinished();
    void GoLive(int index);
    void Coordinate(int workers);
    void ReportNotes();

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

}  // namespace corvane
