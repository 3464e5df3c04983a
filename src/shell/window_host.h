// The window as the calculation's front end: texts go to the status image, knot starts are
// passed on as a signal. The calculation calls it on the worker thread; both paths reach the
// window's thread through its event queue.
#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <string_view>

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

    void DrawText(int x, int y, std::string_view text, StatusKind kind) override;
    void KnotStarted(int index, int count, std::string_view name) override;
    // "12 of 300 knots done, 2 running" at the foot of the status area, when the counts change.
    void RunProgress(int done, int total, int running) override;

  signals:
    // Emitted on the worker thread; receivers on the window's thread get it queued.
    void knotStarted(int index, int count, const QString& name);

  private:
    StatusImage& image_;
    std::atomic<bool>& pauseRequested_;
    std::atomic<int> pauseAtKnot_ = 0;
    std::atomic<bool> pauseAtHeading_ = false;  // the knot to pause at has started
    int done_ = -1;
    int running_ = -1;
};

}  // namespace corvane
