// corvane: the desktop window. It creates the main window (which creates the help, about and
// spare windows) and runs the event loop until the main window closes.
#include <QApplication>

#include "shell/main_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Corvane"));
    QApplication::setApplicationName(QStringLiteral("Corvane"));
    corvane::MainWindow window;
    QObject::connect(&window, &corvane::MainWindow::closed, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    window.show();
    return QApplication::exec();
}
