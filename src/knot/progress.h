// The progress display of a run: the knot and its matrix, one line per result, and an animated
// status line while a long search runs, drawn at fixed pixel positions through the run host.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "arith/int_matrix.h"
#include "knot/run_host.h"

namespace corvane {

// A fixed place of the status area: x and y in pixels of the status image.
struct StatusPlace {
    int x;
    int y;
};

// "Knot ... with Seifert matrix:", and the error that ends a run before its first knot.
inline constexpr StatusPlace kKnotHeadingPlace{7, 7};
// The top left corner of the knot's minimal Seifert matrix.
inline constexpr StatusPlace kMatrixPlace{7, 23};
// "Alexander polynomial = ...", below the matrix.
inline constexpr StatusPlace kAlexanderPlace{7, 200};
// The run's state: "Calculation paused.", "Stopped calculation.", "Done!".
inline constexpr StatusPlace kRunStatePlace{350, 200};
// A failed write of a results file, or the line at which reading stopped.
inline constexpr StatusPlace kRunErrorPlace{7, 216};

// The time a run still needs when `done` of `total` knots took `elapsed`, the knots to come taken
// to need as long on average: elapsed / done · (total - done). Zero before the first knot is done
// and once all are.
std::chrono::steady_clock::duration TimeLeftEstimate(std::chrono::steady_clock::duration elapsed,
                                                     int done, int total);

// A duration as "h:mm:ss" (whole seconds, rounded down): 0:02:48, 12:00:05.
std::string ClockText(std::chrono::steady_clock::duration d);

class ProgressDisplay {
  public:
    explicit ProgressDisplay(RunHost& host) : host_(host) {}

    // Run start: BlankLine is rebuilt (1500 blanks) and the animation starts again.
    void ResetForRun();

    // Draws BlankLine 100 times, at x = 7 and y = 7, 15, ..., 799.
    void ClearStatusArea();

    // Row i of the n × n matrix at (x, y + (i-1)·h), h = 16 for n <= 4 and 12 beyond; each entry
    // is a blank followed by the number padded with blanks to 3 characters.
    void DrawMatrix(const IntMatrix& m, int n, int x, int y);

    // Draws StatusText with an animation mark in two lines at (200, StatusLineY) and 16 below;
    // with clear both lines are erased. StatusLineY does not change.
    void ShowStatus(bool clear);

    // A result line at (200, StatusLineY), then StatusLineY += 16.
    void ResultLine(std::string_view text);

    // Draws text at (x, y).
    void Draw(int x, int y, std::string_view text, StatusKind kind) {
        host_.DrawText(x, y, text, kind);
    }
    void Draw(StatusPlace place, std::string_view text, StatusKind kind) {
        host_.DrawText(place.x, place.y, text, kind);
    }

    const std::string& BlankLine() const { return blankLine_; }

    int32_t StatusLineY = 7;
    std::string StatusText;
    int64_t SpinCounter = 0;

  private:
    RunHost& host_;
    std::string blankLine_ = std::string(1500, ' ');
};

}  // namespace corvane
