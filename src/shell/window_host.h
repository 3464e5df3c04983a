// The window as the calculation's front end: texts go to the status image, knot starts are
// passed on as a signal and may pause the run. The calculation calls it on the worker thread;
// both paths reach the window's thread through its event queue.
#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "knot/run_host.h"
#include "shell/status_image.h"

namespace corvane {

class WindowHost : public QObject, public RunHost {
    Q_OBJECT

  public:
    // pauseRequested is the run state's Pause flag, which PauseAtKnot sets.
    WindowHost(StatusImage& image, std::atomic<bool>& pauseRequested, QObject* parent)
        : QObject(parent), image_(image), pauseRequested_(pauseRequested) {}

    // Runs pause as soon as knot `index` (1..count) shows itself: when its heading "Knot NAME
    // with Seifert matrix:" reaches the status area after the knot has started. The flag is set
    // on the run's thread as the heading is drawn, so the knot stops at its first polling point
    // after its matrix, however fast it is computed; a press of Pause goes on from there.
    // 0 pauses at no knot.
    void PauseAtKnot(int index) { pauseAtKnot_ = index; }

    // Before a run: no counts and no search status on show yet.
    void ResetForRun();

    // Draws the text on the status image. A search's animated status takes two rows, 16 pixels
    // apart; a result drawn over its first row ends the search, and its second row goes with it,
    // so that no half of the status stays behind as a line of its own. A knot clears the whole
    // status area before its heading, so the counts are drawn again after the heading.
    void DrawText(int x, int y, std::string_view text, StatusKind kind) override;
    void KnotStarted(int index, int count, std::string_view name) override;
    // "12 of 300 knots done, 2 running" at the foot of the status area, when the counts change.
    void RunProgress(int done, int total, int running) override;
    // Passed on as knotFinished, and counted for KnotsDone.
    void KnotFinished(int index) override;

    // The run's progress as the window's progress bar reads it, at its own pace: the knots
    // finished in this run and the knots the run computes (0 until the run has counted them).
    int KnotsDone() const { return knotsDone_; }
    int KnotsToCompute() const { return knotsToCompute_; }

  signals:
    // Emitted on the worker thread; receivers on the window's thread get it queued.
    void knotStarted(int index, int count, const QString& name);
    // Knot `index` has finished and its record holds its results. Emitted on the worker thread.
    void knotFinished(int index);

  private:
    // Erases the second row of a search status whose first row (x, y) a result replaces.
    // Caller holds mutex_.
    void EndActivityBelow(int x, int y);

    StatusImage& image_;
    std::atomic<bool>& pauseRequested_;
    std::atomic<int> pauseAtKnot_ = 0;
    std::atomic<bool> pauseAtHeading_ = false;  // the knot to pause at has started
    // The knots' threads draw texts and the run's own thread the counts.
    std::mutex mutex_;
    std::set<std::pair<int, int>> activityRows_;  // places whose last text is a search status
    std::string progress_;                        // the counts on show, empty before the first
    std::atomic<int> knotsDone_ = 0;
    std::atomic<int> knotsToCompute_ = 0;
};

}  // namespace corvane
