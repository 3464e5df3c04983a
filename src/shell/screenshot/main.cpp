// corvane-screenshot: opens the main window on the folder of a knot list, runs the list through
// the window's controls and saves a picture of the window while the run is paused at a given
// knot, and of the Results window at that moment with the signature function of one finished
// knot. Used by scripts/screenshot.sh to picture the window for the README.
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QImage>
#include <QListView>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>
#include <QTreeView>
#include <cstdio>
#include <cstdlib>

#include "shell/main_window.h"
#include "shell/results_window.h"
#include "shell/status_image.h"

namespace {

// How often the tool looks at the window, and how many looks in a row must find the status area
// unchanged before the picture is taken: texts that the run sent before it came to rest are then
// on the picture.
constexpr int kLookMs = 20;
constexpr int kSteadyLooks = 10;
// The results file that the pause writes usually shows in the file list within milliseconds;
// the picture is taken without it when the folder is not watched.
constexpr int kResultsFileLooks = 500;

template <typename T>
T& Find(corvane::MainWindow& window, const char* name) {
    T* widget = window.findChild<T*>(QString::fromLatin1(name));
    if (widget == nullptr) {
        std::fprintf(stderr, "the window has no %s\n", name);
        std::exit(1);
    }
    return *widget;
}

// The options of the picture. Activating the window resets the option lists to their defaults,
// so they are set again after every activation.
void SetOptions(corvane::MainWindow& window) {
    Find<QComboBox>(window, "levinetristramnumberbox").setCurrentIndex(3);
    Find<QComboBox>(window, "unknottingnumberupperbox").setCurrentIndex(3);
    Find<QComboBox>(window, "nakanishieffortbox").setCurrentIndex(3);
}

// Sets the options again whenever the window is activated.
class KeepOptions : public QObject {
  public:
    explicit KeepOptions(corvane::MainWindow& window) : QObject(&window), window_(window) {
        window.installEventFilter(this);
    }

    // The window resets its lists after the filter has seen the event: the options follow it.
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::ActivationChange)
            QTimer::singleShot(0, this, [this] { SetOptions(window_); });
        return false;
    }

  private:
    corvane::MainWindow& window_;
};

// Shows the list's folder as a user who opened it sees it: the folder tree starts at the folder
// that holds it, the folder is chosen and opened (as a double click does), and the list is
// chosen in the file list.
void OpenListFolder(corvane::MainWindow& window, const QFileInfo& list) {
    auto& tree = Find<QTreeView>(window, "DirectoryListBox1");
    auto* folders = qobject_cast<QFileSystemModel*>(tree.model());
    const QString folder = list.absolutePath();
    tree.setRootIndex(folders->index(QFileInfo(folder).absolutePath()));
    const QModelIndex folderIndex = folders->index(folder);
    tree.setCurrentIndex(folderIndex);
    emit tree.doubleClicked(folderIndex);

    auto& files = Find<QListView>(window, "FileListBox1");
    auto* fileModel = qobject_cast<QFileSystemModel*>(files.model());
    files.setCurrentIndex(fileModel->index(list.absoluteFilePath()));
    window.ChooseFile(list.absoluteFilePath());
}

bool FileListShows(corvane::MainWindow& window, const QString& name) {
    const auto& files = Find<QListView>(window, "FileListBox1");
    const QAbstractItemModel* model = files.model();
    for (int row = 0; row < model->rowCount(files.rootIndex()); ++row) {
        if (model->index(row, 0, files.rootIndex()).data().toString() == name) return true;
    }
    return false;
}

// Saves the picture of the window, unless a status line on it is cut (past the edge, or in part
// under another text): a picture for the README shows whole lines.
bool SavePicture(corvane::MainWindow& window, const QString& picture) {
    const QStringList cut = window.Status().CutTexts();
    if (!cut.isEmpty()) {
        std::fprintf(stderr, "status lines cut on the picture: %s\n",
                     qPrintable(cut.join(QStringLiteral(" | "))));
        return false;
    }
    return window.grab().save(picture);
}

// Saves the picture of the Results window with the row of knot `knot` selected, so that the
// picture holds its signature function.
bool SaveResultsPicture(corvane::MainWindow& window, const QString& knot, const QString& picture) {
    corvane::ResultsWindow& results = window.Results();
    results.resize(900, 640);
    results.show();
    QApplication::processEvents();
    const QAbstractItemModel* rows = results.View().model();
    for (int row = 0; row < rows->rowCount(); ++row) {
        if (rows->index(row, 0).data().toString() == knot) results.View().selectRow(row);
    }
    QApplication::processEvents();
    return results.grab().save(picture);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 4 && argc != 6) {
        std::fprintf(stderr,
                     "usage: corvane-screenshot KNOTLIST KNOT PICTURE.png [ROW RESULTS.png]\n");
        return 2;
    }
    const QFileInfo list(QString::fromLocal8Bit(argv[1]));
    const int pauseAtKnot = QString::fromLatin1(argv[2]).toInt();
    const QString picture = QString::fromLocal8Bit(argv[3]);
    const QString resultsFile = list.completeBaseName() + QStringLiteral("_output.txt");

    corvane::MainWindow window;
    new KeepOptions(window);
    window.show();
    window.raise();
    window.activateWindow();
    // The run itself requests the pause as knot pauseAtKnot shows itself, however fast it goes.
    window.PauseAtKnot(pauseAtKnot);
    int exitCode = 1;
    bool captured = false;

    QTimer::singleShot(0, &window, [&] {
        SetOptions(window);
        // One knot at a time: the knot on show is then the one being computed.
        Find<QSpinBox>(window, "threadsbox").setValue(1);
        OpenListFolder(window, list);
        Find<QPushButton>(window, "Button1").click();
    });

    // The picture is taken once the pause notice shows, the status area has come to rest and the
    // file list shows the results file that the pause wrote.
    QImage lastStatus;
    int steadyLooks = 0;
    int looksAtRest = 0;
    auto* look = new QTimer(&window);
    QObject::connect(look, &QTimer::timeout, &window, [&] {
        const corvane::StatusImage& status = window.Status();
        if (captured || !status.VisibleTexts().contains(QStringLiteral("Calculation paused."))) {
            return;
        }
        steadyLooks = status.Picture() == lastStatus ? steadyLooks + 1 : 0;
        lastStatus = status.Picture();
        if (steadyLooks < kSteadyLooks) return;
        if (!FileListShows(window, resultsFile) && ++looksAtRest < kResultsFileLooks) return;
        captured = true;
        exitCode = SavePicture(window, picture) ? 0 : 1;
        if (argc == 6 && !SaveResultsPicture(window, QString::fromLocal8Bit(argv[4]),
                                             QString::fromLocal8Bit(argv[5]))) {
            exitCode = 1;
        }
        Find<QPushButton>(window, "pausebutton").click();
    });
    look->start(kLookMs);

    QObject::connect(&window, &corvane::MainWindow::runFinished, &window, [&] {
        if (!captured) {
            std::fprintf(stderr, "the run ended before it could be paused; its status: %s\n",
                         qPrintable(window.Status().VisibleTexts().join(QStringLiteral(" | "))));
        }
        window.close();
    });
    QObject::connect(&window, &corvane::MainWindow::closed, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    QApplication::exec();
    return exitCode;
}
