// corvane-screenshot: opens the main window, runs a knot list through its buttons and saves a
// picture of the window while the run is paused in the middle of a knot. Used by
// scripts/screenshot.sh to picture the window for the README.
#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>

#include "shell/main_window.h"
#include "shell/status_image.h"

namespace {

void Click(corvane::MainWindow& window, const char* button) {
    window.findChild<QPushButton*>(QString::fromLatin1(button))->click();
}

void Choose(corvane::MainWindow& window, const char* box, int item) {
    window.findChild<QComboBox*>(QString::fromLatin1(box))->setCurrentIndex(item);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: corvane-screenshot KNOTLIST KNOT PICTURE.png\n");
        return 2;
    }
    const QString knotList = QString::fromLocal8Bit(argv[1]);
    const int pauseAtKnot = QString::fromLatin1(argv[2]).toInt();
    const QString picture = QString::fromLocal8Bit(argv[3]);

    corvane::MainWindow window;
    window.show();
    window.raise();
    window.activateWindow();
    int exitCode = 1;
    bool captured = false;

    // The options are set after the window has settled, since activating it resets its lists.
    QTimer::singleShot(500, &window, [&] {
        Choose(window, "levinetristramnumberbox", 3);
        Choose(window, "unknottingnumberupperbox", 3);
        Choose(window, "nakanishieffortbox", 3);
        window.ChooseFile(knotList);
        Click(window, "Button1");
    });
    QObject::connect(&window, &corvane::MainWindow::knotStarted, &window, [&](int index) {
        if (index == pauseAtKnot) Click(window, "pausebutton");
    });
    auto* poll = new QTimer(&window);
    QObject::connect(poll, &QTimer::timeout, &window, [&] {
        if (captured ||
            !window.Status().VisibleTexts().contains(QStringLiteral("Calculation paused."))) {
            return;
        }
        captured = true;
        // One more moment for the last texts to reach the screen.
        QTimer::singleShot(200, &window, [&] {
            exitCode = window.grab().save(picture) ? 0 : 1;
            Click(window, "pausebutton");
        });
    });
    poll->start(20);
    QObject::connect(&window, &corvane::MainWindow::runFinished, &window, [&] {
        if (!captured) std::fprintf(stderr, "the run ended before it could be paused\n");
        window.close();
    });
    QObject::connect(&window, &corvane::MainWindow::closed, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    QApplication::exec();
    return exitCode;
}
