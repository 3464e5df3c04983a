#include "shell/window_host.h"

#include <string>

namespace corvane {

void WindowHost::DrawText(int x, int y, std::string_view text, StatusKind kind) {
    image_.Enqueue(x, y, text);
    if (kind == StatusKind::Heading && pauseAtHeading_.exchange(false)) pauseRequested_ = true;
}

void WindowHost::KnotStarted(int index, int count, std::string_view name) {
    // Every knot draws one heading, on its live path or among the texts it shows when it goes
    // live right after this call.
    if (index == pauseAtKnot_) pauseAtHeading_ = true;
    emit knotStarted(index, count,
                     QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
}

void WindowHost::RunProgress(int done, int total, int running) {
    // Called by the run's own thread only.
    if (done == done_ && running == running_) return;
    done_ = done;
    running_ = running;
    std::string text = std::to_string(done) + " of " + std::to_string(total) + " knots done, " +
                       std::to_string(running) + " running";
    text.resize(48, ' ');
    image_.Enqueue(7, 216, text);
}

}  // namespace corvane
