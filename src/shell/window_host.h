// The window as the calculation's front end: texts go to the status image, knot starts are
// passed on as a signal. The calculation calls it on the worker thread; both paths reach the
// window's thread through its event queue.
#pragma once

#include <QObject>
#include <QString>
#include <string_view>

#include "knot/run_host.h"
#include "shell/status_image.h"

namespace corvane {

class WindowHost : public QObject, public RunHost {
    Q_OBJECT

  public:
    WindowHost(StatusImage& image, QObject* parent) : QObject(parent), image_(image) {}

    void DrawText(int x, int y, std::string_view text, StatusKind kind) override;
    void KnotStarted(int index, int count, std::string_view name) override;
    // "12 of 300 knots done, 2 running" at the foot of the status area, when the counts change.
    void RunProgress(int done, int total, int running) override;

  signals:
    // Emitted on the worker thread; receivers on the window's thread get it queued.
    void knotStarted(int index, int count, const QString& name);

  private:
    StatusImage& image_;
    int done_ = -1;
    int running_ = -1;
};

}  // namespace corvane
