#include "knot/progress.h"

#include <array>
#include <cstdio>

#include "knot/padding.h"

namespace corvane {

std::chrono::steady_clock::duration TimeLeftEstimate(std::chrono::steady_clock::duration elapsed,
                                                     int done, int total) {
    if (done <= 0 || total <= done) return {};
    return elapsed / done * (total - done);
}

std::string ClockText(std::chrono::steady_clock::duration d) {
    const long total =
        static_cast<long>(std::chrono::duration_cast<std::chrono::seconds>(d).count());
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60,
                  total % 60);
    return buffer;
}

namespace {

// The animation's four styles, 100 calls each.
char SpinMark(int64_t counter) {
    static constexpr std::string_view kBrackets = "[(<|>)])>|<(";
    static constexpr std::string_view kBar = "/-\\|";
    static constexpr std::string_view kStars = "O*x+";
    switch ((counter / 100) % 4) {
        case 0:
            return kBrackets[counter % 12];
        case 1:
            return kBar[counter % 4];
        case 2:
            return kStars[counter % 4];
        default:
            return '>';
    }
}

// Splits a long status text after the first blank at or beyond character 45.
void SplitStatus(std::string& first, std::string& second) {
    if (first.size() <= 45) return;
    const size_t blank = first.find(' ', 44);
    const size_t p = blank == std::string::npos ? 44 : blank + 1;
    second = first.substr(p);
    first.resize(p);
}

}  // namespace

void ProgressDisplay::ResetForRun() {
    blankLine_ = std::string(1500, ' ');
    SpinCounter = 0;
}

void ProgressDisplay::ClearStatusArea() {
    host_.ClearStatusArea(blankLine_);
}

void ProgressDisplay::DrawMatrix(const IntMatrix& m, int n, int x, int y) {
    const int lineHeight = n <= 4 ? 16 : 12;
    for (int i = 1; i <= n; ++i) {
        std::string row;
        for (int j = 1; j <= n; ++j) row += " " + PadRight(std::to_string(m(i, j)), 3);
        host_.DrawText(x, y + (i - 1) * lineHeight, row, StatusKind::Matrix);
    }
}

void ProgressDisplay::ShowStatus(bool clear) {
    if (StatusText.empty()) return;
    std::string first = StatusText + "  ";
    ++SpinCounter;
    if ((SpinCounter / 100) % 4 == 3) first += std::string(SpinCounter % 10, ' ');
    first += SpinMark(SpinCounter);
    std::string second;
    if (clear) {
        first.clear();
    } else {
        SplitStatus(first, second);
    }
    const StatusKind kind = clear ? StatusKind::Blank : StatusKind::Activity;
    host_.DrawText(200, StatusLineY, first + blankLine_, kind);
    host_.DrawText(200, StatusLineY + 16, second + blankLine_, clear ? StatusKind::Blank : kind);
}

void ProgressDisplay::ResultLine(std::string_view text) {
    host_.DrawText(200, StatusLineY, text, StatusKind::Result);
    StatusLineY += 16;
}

}  // namespace corvane
