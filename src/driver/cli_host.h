// The command line as a run host: status lines on stderr, a progress line on a terminal, and
// Ctrl-C as Stop. Workers and the run's own thread call it at the same time; one lock keeps the
// lines whole. The Python module shows the same progress line through its own output.
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "knot/run_host.h"

namespace corvane {

class CliHost : public RunHost {
  public:
    // Where the host's text goes: stderr unless the front end gives its own. The text holds
    // whole lines ended by "\n", and the progress line drawn over itself with "\r\033[K".
    using Output = std::function<void(std::string_view)>;

    // quiet: no status lines and no progress line; progress: a terminal shows the progress line.
    // inputName: the knot list as the user named it, for the warnings about its lines.
    CliHost(bool quiet, bool progress, std::string inputName = {}, Output output = {});

    void DrawText(int x, int y, std::string_view text, StatusKind kind) override;
    void KnotStarted(int index, int count, std::string_view name) override;
    void RunProgress(int done, int total, int running) override;
    // "knots.txt:12: skipped: rows of unequal length" on stderr, also when quiet.
    void LineNoted(int line, std::string_view text) override;

    // Erases the progress line before the final report.
    void EndProgress();

  private:
    void PrintLine(std::string_view text);
    void DrawProgress();

    const bool quiet_;
    const bool progress_;
    const std::string inputName_;
    const Output output_;
    const std::chrono::steady_clock::time_point start_;
    std::mutex mutex_;
    int index_ = 0;
    int count_ = 0;
    int done_ = 0;
    int total_ = 0;
    int running_ = 0;
    std::chrono::steady_clock::time_point lastDrawn_{};
    std::string name_;
    std::string activity_;
    bool progressShown_ = false;
};

}  // namespace corvane
