#include "driver/cli_host.h"

#include <cstdio>
#include <utility>

#include "knot/progress.h"

namespace corvane {

namespace {

std::string Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

void WriteToStderr(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

}  // namespace

CliHost::CliHost(bool quiet, bool progress, std::string inputName, Output output)
    : quiet_(quiet),
      progress_(progress && !quiet),
      inputName_(std::move(inputName)),
      output_(output ? std::move(output) : Output(WriteToStderr)),
      start_(std::chrono::steady_clock::now()) {}

void CliHost::LineNoted(int line, std::string_view text) {
    const std::lock_guard lock(mutex_);
    PrintLine(inputName_ + ":" + std::to_string(line) + ": " + std::string(text));
}

void CliHost::DrawText(int /*x*/, int /*y*/, std::string_view text, StatusKind kind) {
    const std::lock_guard lock(mutex_);
    switch (kind) {
        case StatusKind::Blank:
        case StatusKind::Matrix:
            return;
        case StatusKind::Activity:
            activity_ = Trimmed(text);
            if (progress_) DrawProgress();
            return;
        case StatusKind::Heading:
            if (!quiet_) PrintLine(Trimmed(text));
            return;
        case StatusKind::Result:
            if (!quiet_) PrintLine("  " + Trimmed(text));
            return;
        case StatusKind::Final:
            if (const std::string line = Trimmed(text); !line.empty()) PrintLine(line);
            return;
    }
}

void CliHost::KnotStarted(int index, int count, std::string_view name) {
    const std::lock_guard lock(mutex_);
    index_ = index;
    count_ = count;
    name_ = name;
    activity_.clear();
    if (progress_) DrawProgress();
}

void CliHost::RunProgress(int done, int total, int running) {
    const std::lock_guard lock(mutex_);
    const bool changed = done != done_ || total != total_ || running != running_;
    done_ = done;
    total_ = total;
    running_ = running;
    // The elapsed time moves on too: redraw at least once a second.
    const auto now = std::chrono::steady_clock::now();
    if (progress_ && (changed || now - lastDrawn_ >= std::chrono::seconds(1))) DrawProgress();
}

void CliHost::EndProgress() {
    if (!progressShown_) return;
    output_("\r\033[K");
    progressShown_ = false;
}

void CliHost::PrintLine(std::string_view text) {
    EndProgress();
    output_(std::string(text) + "\n");
    if (progress_ && index_ > 0) DrawProgress();
}

// "12/300 done, 2 running  waiting on 4_1  elapsed 0:00:07  about 0:02:48 to go  <activity>"
void CliHost::DrawProgress() {
    const auto now = std::chrono::steady_clock::now();
    lastDrawn_ = now;
    const auto elapsed = now - start_;
    std::string line = std::to_string(done_) + "/" + std::to_string(total_) + " done, " +
                       std::to_string(running_) + " running";
    if (!name_.empty()) line += "  waiting on " + name_;
    line += "  elapsed " + ClockText(elapsed);
    if (done_ > 0 && total_ > done_) {
        line += "  about " + ClockText(TimeLeftEstimate(elapsed, done_, total_)) + " to go";
    }
    if (!activity_.empty()) line += "  " + activity_;
    if (line.size() > 150) line.resize(150);
    output_("\r\033[K" + line);
    progressShown_ = true;
}

}  // namespace corvane
