#include "shell/window_host.h"

#include <string>
#include <utility>

namespace corvane {

namespace {

// The rows of a search status, as the progress display draws them.
constexpr int kStatusRowSpacing = 16;
// The counts' place at the foot of the status area, and their width in characters.
constexpr int kProgressX = 7;
constexpr int kProgressY = 216;
constexpr std::size_t kProgressChars = 48;

}  // namespace

void WindowHost::ResetForRun() {
    const std::lock_guard lock(mutex_);
    activityRows_.clear();
    progress_.clear();
    knotsDone_ = 0;
    knotsToCompute_ = 0;
}

void WindowHost::KnotFinished(int index) {
    ++knotsDone_;
    emit knotFinished(index);
}

void WindowHost::DrawText(int x, int y, std::string_view text, StatusKind kind) {
    {
        const std::lock_guard lock(mutex_);
        image_.Enqueue(x, y, text);
        if (kind == StatusKind::Heading) {
            activityRows_.clear();
            if (!progress_.empty()) image_.Enqueue(kProgressX, kProgressY, progress_);
        }
        if (kind == StatusKind::Activity) {
            activityRows_.insert({x, y});
        } else if (activityRows_.erase({x, y}) > 0 && kind == StatusKind::Result) {
            EndActivityBelow(x, y);
        }
    }
    if (kind == StatusKind::Heading && pauseAtHeading_.exchange(false)) pauseRequested_ = true;
}

void WindowHost::EndActivityBelow(int x, int y) {
    if (activityRows_.erase({x, y + kStatusRowSpacing}) == 0) return;
    image_.Enqueue(x, y + kStatusRowSpacing, std::string(StatusImage::kWidth, ' '));
}

void WindowHost::KnotStarted(int index, int count, std::string_view name) {
    // Every knot draws one heading, on its live path or among the texts it shows when it goes
    // live right after this call.
    if (index == pauseAtKnot_) pauseAtHeading_ = true;
    emit knotStarted(index, count,
                     QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
}

void WindowHost::RunProgress(int done, int total, int running) {
    knotsToCompute_ = total;
    std::string text = std::to_string(done) + " of " + std::to_string(total) + " knots done, " +
                       std::to_string(running) + " running";
    text.resize(kProgressChars, ' ');
    const std::lock_guard lock(mutex_);
    if (text == progress_) return;
    progress_ = std::move(text);
    image_.Enqueue(kProgressX, kProgressY, progress_);
}

}  // namespace corvane
