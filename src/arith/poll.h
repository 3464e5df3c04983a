// The polling point of long calculations. Deep inside the exact arithmetic (every pivot step
// of a diagonalization) the calculation gives its front end a chance to act on Stop, Pause and
// Skip. The run installs its poller for the thread it computes on; without one, polling does
// nothing, so the arithmetic can be used on its own.
#pragma once

namespace corvane {

class Poller {
  public:
    virtual ~Poller() = default;
    // Lets the front end act; may block while the run is paused.
    virtual void CheckPause() = 0;
};

// Initial-exec, as ArithTrouble: read at every polling point.
inline thread_local Poller* ActivePoller __attribute__((tls_model("initial-exec"))) = nullptr;

inline void CheckPause() {
    if (ActivePoller != nullptr) ActivePoller->CheckPause();
}

// Installs a poller for the lifetime of the scope and restores the previous one.
class ScopedPoller {
  public:
    explicit ScopedPoller(Poller* poller) : previous_(ActivePoller) { ActivePoller = poller; }
    ~ScopedPoller() { ActivePoller = previous_; }
    ScopedPoller(const ScopedPoller&) = delete;
    ScopedPoller& operator=(const ScopedPoller&) = delete;

  private:
    Poller* previous_;
};

}  // namespace corvane
