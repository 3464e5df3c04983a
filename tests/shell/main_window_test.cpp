// The window driven through its widgets on the offscreen platform: layout and defaults, the
// file chooser, whole runs from Start to "Done!", Stop, Pause, Quit and errors during runs, the
// help and about windows, and the status image's drawing and erasing.
#include "shell/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "arith/random.h"
#include "knot/knot_record.h"
#include "knot/run_state.h"
#include "output/results_table.h"
#include "shell/results_window.h"
#include "shell/signature_plot.h"
#include "shell/status_image.h"
#include "shell/window_host.h"

using corvane::MainWindow;

namespace {

constexpr int kRunTimeoutMs = 120000;
constexpr int kLongListKnots = 400;

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

bool WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Copies of a random ten-dimensional Seifert matrix whose Nakanishi search at very large effort
// (SlowSettings) takes about half a second, polling all along, so that a run over the list lasts
// long enough to act on it through the buttons. (The Levine-Tristram signatures, which once made
// a knot slow at 8096 values, now cost a few milliseconds.)
QByteArray LongKnotList(int count) {
    const QByteArray matrix =
        "[[2,2,-2,-2,0,-1,1,0,2,-2],[1,-1,0,1,-2,1,1,0,0,1],[-2,0,0,1,0,1,0,-1,0,-1],"
        "[-2,1,0,-1,-1,-1,2,0,-1,0],[0,-2,0,-1,0,0,1,-1,0,0],[-1,1,1,-1,-1,0,0,-2,2,-2],"
        "[1,1,0,2,1,0,-1,1,1,-2],[0,0,-1,0,-1,-2,0,0,0,-1],[2,0,0,-1,0,2,1,0,0,0],"
        "[-2,1,-1,0,0,-2,-2,-1,-1,0]]";
    QByteArray list;
    for (int i = 1; i <= count; ++i) list += "k" + QByteArray::number(i) + "\t" + matrix + "\n";
    return list;
}

// The knot lines of a results file for knots named k1, k2, ...: rows of computed knots (a "|"
// after the padded name) and knot-list lines of the others, in file order.
// Knots run side by side, so a few knots after the first unfinished one may be finished rows.
struct KnotLines {
    int rows = 0;
    int listLines = 0;
    int leadingRows = 0;        // rows before the first knot-list line
    int rowsAfterListLine = 0;  // computed rows after a knot-list line
};

KnotLines CountKnotLines(const QByteArray& results) {
    KnotLines count;
    for (const QByteArray& line : results.split('\n')) {
        if (!line.startsWith('k')) continue;
        const bool row = line.size() > 10 && line[10] == '|';
        if (row && count.listLines > 0) ++count.rowsAfterListLine;
        if (row && count.listLines == 0) ++count.leadingRows;
        (row ? count.rows : count.listLines) += 1;
    }
    return count;
}

// A double click as the mouse makes it: the views act on a double click only on the item that
// the preceding press chose.
void DoubleClick(QAbstractItemView* view, const QModelIndex& index) {
    const QPoint at = view->visualRect(index).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void windowHasItsCaptionSizeAndControls();
    void listsAndBoxesStartWithTheirDefaults();
    void lateltChoiceGivesEightThousandNinetySixValues();
    void jsonLinesBoxWritesTheJsonLinesFile();
    void fileChooserYieldsFolderAndBareName();
    void startRunsTheListToDone();
    void startRightAfterARunStartsNothing();
    void stopMidRunKeepsFinishedRowsAndTheRestAsListLines();
    void pauseWritesResultsAndWaitsForPauseAgain();
    void pauseAtKnotHoldsEachKnotWithWholeStatusLines();
    void quitDuringARunStopsWritesAndCloses();
    void quitWhilePausedCloses();
    void unreadableListReturnsToIdleWithTheMessage();
    void readingErrorReturnsToIdleWithTheMessage();
    void skippedLinesAndLinksAreSummedUpAtTheEnd();
    void helpOpensWithoutBlockingAndClosingItResetsTheLists();
    void aboutOpensWithoutBlockingAndClosingItResetsTheLists();
    void helpWindowTextAndBraidExample();
    void pagedHelpShowsOnePageAtATime();
    void spareWindowExistsAndStaysHidden();
    void randomizeDrawsANewRunSeedAndShowsIt();
    void pauseTogglesAndSkipSetsTheirRequests();
    void helpDuringARunLeavesTheRunGoing();
    void statusTextsAreErasedByBlanks();
    void statusTextsBeyondThePictureAreCut();
    void resultOverASearchStatusErasesItsSecondRow();
    void progressBarAdvancesToTheWholeList();
    void progressBarShowsPausedAndRowsAppearAsKnotsFinish();
    void resultsWindowRowsAreTheResultsFileRows();
    void signaturePlotStepsAtTheRootsOfTheSelectedKnot();
    void knotDetailsShowCertificatesAndMatrixAndCopy();
    void droppedListBecomesTheChosenFile();
    void choicesAreRememberedBetweenStarts();
    void resultsTableOfALongListIsSortedAndFiltered();

  private:
    template <typename T>
    T* Find(const char* name) const {
        T* widget = window_->findChild<T*>(QString::fromLatin1(name));
        if (widget == nullptr) qWarning("no widget %s", name);
        return widget;
    }
    void Click(const char* button) const {
        QTest::mouseClick(Find<QPushButton>(button), Qt::LeftButton);
    }
    bool StatusShows(const QString& text) const {
        return window_->Status().VisibleTexts().contains(text);
    }
    QString CopyToTemp(const QString& source, const QString& name) const;
    // Runs the bundled knot list to its end with the Results window open.
    void RunExamples();
    corvane::ResultsWindow& Results() const { return window_->Results(); }
    // The view row of the knot named `name`, -1 if none.
    int ViewRow(const QString& name) const {
        const QAbstractItemModel* view = Results().View().model();
        for (int row = 0; row < view->rowCount(); ++row)
            if (view->index(row, 0).data().toString() == name) return row;
        return -1;
    }
    QString WriteLongList() const;
    // The settings under which each knot of the long list takes some time.
    void SlowSettings() const {
        Find<QComboBox>("levinetristramnumberbox")->setCurrentIndex(3);
        Find<QComboBox>("nakanishieffortbox")->setCurrentIndex(3);
    }

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<MainWindow> window_;
    int lastKnotStarted_ = 0;
    // The knots the window computes side by side.
    int Jobs() const { return Find<QSpinBox>("threadsbox")->value(); }
    // After a Stop or at a Pause: every knot before the one the run waited on is a row, that knot
    // is not, and at most the other workers' knots after it are rows.
    void ExpectRowsUpTo(const KnotLines& lines, int waitedOn) const {
        QCOMPARE(lines.rows + lines.listLines, kLongListKnots);
        QCOMPARE(lines.leadingRows, waitedOn - 1);
        QVERIFY2(lines.rowsAfterListLine < Jobs(),
                 qPrintable(QStringLiteral("%1 rows after the first list line, %2 threads")
                                .arg(lines.rowsAfterListLine)
                                .arg(Jobs())));
    }
};

void MainWindowTest::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    // The window remembers its choices in the settings of the test program, not of Corvane;
    // each test starts without any.
    QSettings().clear();
    window_ = std::make_unique<MainWindow>();
    lastKnotStarted_ = 0;
    connect(window_.get(), &MainWindow::knotStarted, this,
            [this](int index) { lastKnotStarted_ = index; });
    window_->show();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
}

void MainWindowTest::cleanup() {
    window_.reset();
    dir_.reset();
}

QString MainWindowTest::CopyToTemp(const QString& source, const QString& name) const {
    const QString target = dir_->filePath(name);
    if (!QFile::copy(source, target)) qWarning("cannot copy %s", qPrintable(source));
    return target;
}

QString MainWindowTest::WriteLongList() const {
    const QString path = dir_->filePath(QStringLiteral("long.txt"));
    if (!WriteAll(path, LongKnotList(kLongListKnots))) qWarning("cannot write the long list");
    return path;
}

void MainWindowTest::windowHasItsCaptionSizeAndControls() {
    QCOMPARE(window_->objectName(), QStringLiteral("Form1"));
    QCOMPARE(window_->windowTitle(), QStringLiteral("Corvane"));
    QCOMPARE(window_->size(), QSize(1072, 770));

    struct Expected {
        const char* name;
        QRect geometry;
        const char* caption;
    };
    const Expected buttons[] = {
        {"Button1", QRect(448, 32, 89, 65), "Start calculation"},
        {"randombutton", QRect(448, 120, 89, 25), "Randomize"},
        {"pausebutton", QRect(448, 168, 89, 25), "Pause calculation"},
        {"Button2", QRect(448, 216, 89, 25), "Skip calculation"},
        {"help_isotopy", QRect(448, 264, 89, 49), "Help"},
        {"about", QRect(448, 336, 89, 33), "About"},
        {"ButtonEnde", QRect(448, 392, 89, 73), "Quit"},
    };
    for (const Expected& e : buttons) {
        const QPushButton* button = Find<QPushButton>(e.name);
        QVERIFY2(button != nullptr, e.name);
        QCOMPARE(button->geometry(), e.geometry);
        QCOMPARE(button->text(), QString::fromUtf8(e.caption));
    }
    const Expected groups[] = {
        {"GroupBox1", QRect(16, 24, 409, 705), "Choose a file"},
        {"GroupBox3", QRect(552, 264, 473, 201), "Output file contains the following information:"},
    };
    for (const Expected& e : groups) {
        const QGroupBox* group = Find<QGroupBox>(e.name);
        QVERIFY2(group != nullptr, e.name);
        QCOMPARE(group->geometry(), e.geometry);
        QCOMPARE(group->title(), QString::fromUtf8(e.caption));
    }
    QCOMPARE(Find<QGroupBox>("GroupBox2")->geometry(), QRect(552, 24, 473, 217));

    // The file chooser's controls lie in GroupBox1, at positions within it.
    const Expected chooser[] = {
        {"DriveComboBox1", QRect(32, 48, 185, 19), ""},
        {"DirectoryListBox1", QRect(32, 88, 185, 561), ""},
        {"FileListBox1", QRect(240, 48, 161, 561), ""},
        {"FilterComboBox1", QRect(240, 632, 161, 21), ""},
        {"Edit1", QRect(16, 656, 369, 21), ""},
    };
    for (const Expected& e : chooser) {
        const QWidget* widget = Find<QWidget>(e.name);
        QVERIFY2(widget != nullptr, e.name);
        QCOMPARE(widget->parentWidget(), Find<QWidget>("GroupBox1"));
        QCOMPARE(widget->geometry(), e.geometry);
    }
    QVERIFY(Find<QTreeView>("DirectoryListBox1") != nullptr);
    QVERIFY(Find<QListView>("FileListBox1") != nullptr);
    QVERIFY(Find<QLineEdit>("Edit1")->isReadOnly());
    QVERIFY(Find<QLineEdit>("Edit1")->text().isEmpty());

    const QWidget* panel = Find<QWidget>("Panel1");
    QCOMPARE(panel->geometry(), QRect(448, 488, 577, 249));
    const QLabel* image = Find<QLabel>("image2");
    QCOMPARE(image->parentWidget(), panel);
    QCOMPARE(image->geometry(), QRect(8, 8, 553, 233));
    QCOMPARE(window_->Status().Picture().size(), QSize(553, 233));
}

void MainWindowTest::listsAndBoxesStartWithTheirDefaults() {
    struct Expected {
        const char* name;
        QStringList items;
        int current;
    };
    const QStringList efforts{"with low effort", "with medium effort", "with large effort",
                              "with very large effort"};
    const Expected lists[] = {
        {"unknottingnumberupperbox", efforts, 0},
        {"nakanishieffortbox", efforts, 1},
        {"levinetristramnumberbox",
         {"for 16 values", "for 128 values", "for 1024 values", "for 8192 values"},
         0},
        {"mahlerbox", {"using 128 values", "using 16384 values", "using 2097152 values"}, 1},
        {"FilterComboBox1", {"text files (*.txt)", "all files (*.*)"}, 0},
    };
    for (const Expected& e : lists) {
        const QComboBox* box = Find<QComboBox>(e.name);
        QVERIFY2(box != nullptr, e.name);
        QVERIFY(!box->isEditable());
        QStringList items;
        for (int i = 0; i < box->count(); ++i) items.append(box->itemText(i));
        QCOMPARE(items, e.items);
        QCOMPARE(box->currentIndex(), e.current);
    }
    const std::pair<const char*, const char*> labels[] = {
        {"unknottingnumberupperboxlabel",
         "Determine upper bounds on the algebraic unknotting number"},
        {"nakanishieffortboxlabel", "Determine Nakanishi index"},
        {"levinetristramnumberboxlabel", "Calculate Levine-Tristram signatures for "},
        {"mahlerboxlabel", "Computer Mahler measure of Alexander polynomial"},
    };
    for (const auto& [name, text] : labels) QCOMPARE(Find<QLabel>(name)->text(), QString(text));

    struct Box {
        const char* name;
        const char* caption;
        bool checked;
    };
    const Box boxes[] = {
        {"computeallbox", "Compute all invariants", false},
        {"checks1", "Compute mu(K)", false},
        {"checku3", "Check u=3 obstruction", false},
        {"alexanderbox", "Alexander polynomial", true},
        {"h1l2box", "Homology of 2-fold branched cover", false},
        {"determinantbox", "Determinant", false},
        {"genh1box", "Generator of Alexander module", false},
        {"nakanishibox", "Nakanishi index", true},
        {"lambdapqbox", "Description of Blanchfield pairing if Nakanishi index = 1", false},
        {"algebraicunknottingbox", "Algebraic unknotting number", true},
        {"mahlercheckbox", "Mahler measure of the Alexander polynomial", false},
        {"signaturebox", "Signature", true},
        {"ltbox", "Levine-Tristram signatures", false},
        {"repmatrixclick", "Minimal presentation matrix for Alexander module", false},
    };
    for (const Box& e : boxes) {
        const QCheckBox* box = Find<QCheckBox>(e.name);
        QVERIFY2(box != nullptr, e.name);
        QCOMPARE(box->text(), QString::fromUtf8(e.caption));
        QCOMPARE(box->isChecked(), e.checked);
    }
    QCOMPARE(Find<QGroupBox>("GroupBox2")->findChildren<QCheckBox*>().size(), 3);
    QCOMPARE(Find<QGroupBox>("GroupBox3")->findChildren<QCheckBox*>().size(), 11);
}

void MainWindowTest::lateltChoiceGivesEightThousandNinetySixValues() {
    // The run's settings are taken at Start; the preamble names the number of values.
    const QString list =
        CopyToTemp(QStringLiteral(CORVANE_EXAMPLES_DIR "/knots.txt"), QStringLiteral("knots.txt"));
    Find<QComboBox>("levinetristramnumberbox")->setCurrentIndex(3);
    window_->ChooseFile(list);
    QSignalSpy finished(window_.get(), &MainWindow::runFinished);
    Click("Button1");
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, kRunTimeoutMs);
    QCOMPARE(window_->State().Settings.ltValueCount, 8096);
    QCOMPARE(window_->State().Settings.mahlerValueCount, 16384);
    QCOMPARE(window_->State().Settings.nakanishiEffort, 1);
    QCOMPARE(window_->State().Settings.unknottingEffort, 0);
}

void MainWindowTest::jsonLinesBoxWritesTheJsonLinesFile() {
    // Below the columns, clear of the status panel; off by default.
    auto* box = Find<QCheckBox>("jsonlinesbox");
    QVERIFY(box != nullptr);
    QCOMPARE(box->text(), QStringLiteral("Also write JSON Lines"));
    QVERIFY(!box->isChecked());
    QVERIFY(box->geometry().top() >= Find<QGroupBox>("GroupBox3")->geometry().bottom());
    QVERIFY(box->geometry().bottom() < Find<QWidget>("Panel1")->geometry().top());
    const QString list =
        CopyToTemp(QStringLiteral(CORVANE_EXAMPLES_DIR "/knots.txt"), QStringLiteral("knots.txt"));
    box->setChecked(true);
    window_->ChooseFile(list);
    QSignalSpy finished(window_.get(), &MainWindow::runFinished);
    Click("Button1");
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, kRunTimeoutMs);
    QVERIFY(window_->State().JsonLines);
    QVERIFY(QFile::exists(dir_->filePath(QStringLiteral("knots_output.jsonl"))));
}

void MainWindowTest::fileChooserYieldsFolderAndBareName() {
    QVERIFY(WriteAll(dir_->filePath(QStringLiteral("chosen.txt")), "3_1\t[[-1,0],[-1,-1]]\n"));
    QVERIFY(WriteAll(dir_->filePath(QStringLiteral("other.dat")), "x\n"));
    auto* tree = Find<QTreeView>("DirectoryListBox1");
    auto* folders = qobject_cast<QFileSystemModel*>(tree->model());
    QVERIFY(folders != nullptr);
    const QModelIndex folder = folders->index(dir_->path());
    QVERIFY(folder.isValid());
    tree->scrollTo(folder);
    QTRY_VERIFY(tree->visualRect(folder).isValid());
    DoubleClick(tree, folder);

    auto* files = Find<QListView>("FileListBox1");
    auto* fileModel = qobject_cast<QFileSystemModel*>(files->model());
    QVERIFY(fileModel != nullptr);
    QTRY_COMPARE(fileModel->filePath(files->rootIndex()), dir_->path());
    // Only the text file passes the first filter; the other is left out, not greyed.
    const auto shown = [&] {
        QStringList names;
        for (int row = 0; row < fileModel->rowCount(files->rootIndex()); ++row)
            names.append(fileModel->fileName(fileModel->index(row, 0, files->rootIndex())));
        names.sort();
        return names;
    };
    QTRY_COMPARE(shown(), QStringList{QStringLiteral("chosen.txt")});
    Find<QComboBox>("FilterComboBox1")->setCurrentIndex(1);
    QTRY_COMPARE(shown(), (QStringList{QStringLiteral("chosen.txt"), QStringLiteral("other.dat")}));

    const QModelIndex chosen = fileModel->index(dir_->filePath(QStringLiteral("chosen.txt")));
    QTRY_VERIFY(files->visualRect(chosen).isValid());
    DoubleClick(files, chosen);
    QCOMPARE(Find<QLineEdit>("Edit1")->text(), QStringLiteral("chosen.txt"));
    QCOMPARE(window_->InputFileName(), QStringLiteral("chosen.txt"));
    QCOMPARE(window_->InputDirectory(), dir_->path() + QLatin1Char('/'));
}

void MainWindowTest::startRunsTheListToDone() {
    const QString list = CopyToTemp(QStringLiteral(CORVANE_TEST_DATA_DIR "/rolfsen-8-matrices.txt"),
                                    QStringLiteral("rolfsen.txt"));
    window_->ChooseFile(list);
    QSignalSpy finished(window_.get(), &MainWindow::runFinished);
    Click("Button1");
    QCOMPARE(Find<QPushButton>("Button1")->text(), QStringLiteral("Stop calculation"));
    QTRY_VERIFY_WITH_TIMEOUT(StatusShows(QStringLiteral("Done!")), kRunTimeoutMs);
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(Find<QPushButton>("Button1")->text(), QStringLiteral("Start calculation"));
    QVERIFY(!window_->State().Running);
    QVERIFY(window_->findChild<QMessageBox*>(QStringLiteral("runErrorBox")) == nullptr);
    QCOMPARE(lastKnotStarted_, 35);

    const QByteArray results = ReadAll(dir_->filePath(QStringLiteral("rolfsen_output.txt")));
    QVERIFY(results.contains("\r\nName      | Algebraic unknotting number"));
    QVERIFY(results.contains("\r\n3_1       | "));
    QVERIFY(results.contains("| 1-t+t^2 "));
    QVERIFY(results.contains("| -1+3t-t^2 "));
    int rows = 0;
    for (const QByteArray& line : results.split('\n'))
        if (line.size() > 10 && line[10] == '|' && !line.startsWith("Name")) ++rows;
    QCOMPARE(rows, 35);

    // The window runs the same calculation as the command line: with the default options and
    // the generator at its start, both write the same file byte for byte.
    QVERIFY(QDir(dir_->path()).mkdir(QStringLiteral("cli")));
    const QString cliList = CopyToTemp(list, QStringLiteral("cli/rolfsen.txt"));
    QProcess cli;
    cli.start(QStringLiteral(CORVANE_CLI_PATH), {QStringLiteral("--quiet"), cliList});
    QVERIFY(cli.waitForFinished(kRunTimeoutMs));
    QCOMPARE(cli.exitCode(), 0);
    QCOMPARE(results, ReadAll(dir_->filePath(QStringLiteral("cli/rolfsen_output.txt"))));
}

void MainWindowTest::startRightAfterARunStartsNothing() {
    const QString list =
        CopyToTemp(QStringLiteral(CORVANE_EXAMPLES_DIR "/knots.txt"), QStringLiteral("knots.txt"));
    window_->ChooseFile(list);
    QSignalSpy finished(window_.get(), &MainWindow::runFinished);
    QSignalSpy started(window_.get(), &MainWindow::knotStarted);
    Click("Button1");
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, kRunTimeoutMs);
    const int knots = static_cast<int>(started.count());
    QCOMPARE(knots, 7);
    // A second click on "Stop calculation" that arrives just after the run must not start
    // another run.
    Click("Button1");
    QCOMPARE(Find<QPushButton>("Button1")->text(), QStringLiteral("Start calculation"));
    QTRY_VERIFY(!window_->IsRunning());
    QCOMPARE(started.count(), knots);
    // Afterwards Start runs again.
    Click("Button1");
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, kRunTimeoutMs);
    QCOMPARE(started.count(), 2 * knots);
}

void MainWindowTest::stopMidRunKeepsFinishedRowsAndTheRestAsListLines() {
    const QString list = WriteLongList();
    SlowSettings();
    window_->ChooseFile(list);
    QSignalSpy finished(window_.get(), &MainWindow::runFinished);
    Click("Button1");
    QTRY_VERIFY_WITH_TIMEOUT(lastKnotStarted_ >= 3, kRunTimeoutMs);
    Click("Button1");  // "Stop calculation"
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, kRunTimeoutMs);
    QVERIFY(StatusShows(QStringLiteral("Stopped calculation.")));
    QCOMPARE(Find<QPushButton>("Button1")->text(), QStringLiteral("Start calculation"));
    QVERIFY2(lastKnotStarted_ < kLongListKnots, "the run was not stopped");

    // The knots at hand when Stop arrived are written as their knot-list lines.
    const KnotLines lines =
        CountKnotLines(ReadAll(dir_->filePath(QStringLiteral("long_output.txt"))));
    ExpectRowsUpTo(lines, lastKnotStarted_);
    QVERIFY(lines.rows >= 2);
}

void MainWindowTest::pauseWritesResultsAndWaitsForPauseAgain() {
    const QString list = WriteLongList();
    const QString results = dir_->filePath(QStringLiteral("long_output.txt"));
    SlowSettings();
    window_->ChooseFile(list);
    QSignalSpy finished(window_.get(), &MainWindow::runFinished);
    bool pauseClicked = false;
    connect(window_.get(), &MainWindow::knotStarted, this, [&](int index) {
        if (index != 1 || pauseClicked) return;
        pauseClicked = true;
        Click("pausebutton");
    });
    Click("Button1");
    QTRY_VERIFY_WITH_TIMEOUT(StatusShows(QStringLiteral("Calculation paused.")), kRunTimeoutMs);
    // The notices the run sent before it paused may still be on their way.
    QTest::qWait(100);
    const int pausedAt = lastKnotStarted_;

    // The pause wrote the results so far: the finished knots as rows, the knots in progress
    // (the one the run waits on among them) as knot-list lines.
    ExpectRowsUpTo(CountKnotLines(ReadAll(results)), pausedAt);

    // Nothing moves while paused.
    QTest::qWait(300);
    QCOMPARE(lastKnotStarted_, pausedAt);
    QVERIFY(StatusShows(QStringLiteral("Calculation paused.")));
    QVERIFY(window_->IsRunning());
    QCOMPARE(finished.count(), 0);

    Click("pausebutton");
    QTRY_VERIFY_WITH_TIMEOUT(lastKnotStarted_ > pausedAt + 1, kRunTimeoutMs);
    QVERIFY(!StatusShows(QStringLiteral("Calculation paused.")));
    Click("Button1");
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, kRunTimeoutMs);
    QVERIFY(StatusShows(QStringLiteral("Stopped calculation.")));
}

// However fast the knots are, a run set to pause at a knot holds as that knot shows itself; the
// counts of knots stay on show below it, and every status line on show then is whole: none runs
// past the picture or under another text.
void MainWindowTest::pauseAtKnotHoldsEachKnotWithWholeStatusLines() {
    const QString list =
        CopyToTemp(QStringLiteral(CORVANE_EXAMPLES_DIR "/knots.txt"), QStringLiteral("knots.txt"));
    QStringList names;
    for (const QByteArray& line : ReadAll(list).split('\n'))
        if (line.contains('\t') && !line.startsWith('%')) names.append(line.split('\t').front());
    QCOMPARE(names.size(), 7);
    SlowSettings();
    window_->ChooseFile(list);
    Find<QSpinBox>("threadsbox")->setValue(1);  // the knot on show is the one being computed
    for (int k = 1; k <= names.size(); ++k) {
        window_->PauseAtKnot(k);
        QTRY_VERIFY(!window_->IsRunning());
        Click("Button1");
        const QString paused = QStringLiteral("Calculation paused.");
        QTRY_VERIFY_WITH_TIMEOUT(StatusShows(paused) || !window_->IsRunning(), kRunTimeoutMs);
        QVERIFY(StatusShows(paused));
        QCOMPARE(lastKnotStarted_, k);
        QVERIFY(StatusShows(QStringLiteral("Knot %1 with Seifert matrix:").arg(names[k - 1])));
        QTRY_COMPARE(
            window_->Status().VisibleTexts().filter(QStringLiteral(" knots done, ")).size(), 1);
        QCOMPARE(window_->Status().CutTexts(), QStringList{});
        Click("Button1");
    }
}

void MainWindowTest::quitDuringARunStopsWritesAndCloses() {
    const QString list = WriteLongList();
    SlowSettings();
    window_->ChooseFile(list);
    QSignalSpy closed(window_.get(), &MainWindow::closed);
    Click("Button1");
    QTRY_VERIFY_WITH_TIMEOUT(lastKnotStarted_ >= 3, kRunTimeoutMs);
    Click("ButtonEnde");
    QTRY_COMPARE_WITH_TIMEOUT(closed.count(), 1, kRunTimeoutMs);
    QVERIFY(!window_->isVisible());
    QVERIFY(!window_->IsRunning());

    const KnotLines lines =
        CountKnotLines(ReadAll(dir_->filePath(QStringLiteral("long_output.txt"))));
    ExpectRowsUpTo(lines, lastKnotStarted_);
    QVERIFY(lines.listLines > 0);
}

void MainWindowTest::quitWhilePausedCloses() {
    const QString list = WriteLongList();
    SlowSettings();
    window_->ChooseFile(list);
    QSignalSpy closed(window_.get(), &MainWindow::closed);
    Click("Button1");
    QTRY_VERIFY_WITH_TIMEOUT(lastKnotStarted_ >= 1, kRunTimeoutMs);
    Click("pausebutton");
    QTRY_VERIFY_WITH_TIMEOUT(StatusShows(QStringLiteral("Calculation paused.")), kRunTimeoutMs);
    window_->close();  // the title bar's close button behaves like Quit
    QTRY_COMPARE_WITH_TIMEOUT(closed.count(), 1, kRunTimeoutMs);
    QVERIFY(!window_->isVisible());
}

void MainWindowTest::unreadableListReturnsToIdleWithTheMessage() {
    window_->ChooseFile(dir_->filePath(QStringLiteral("missing.txt")));
    QSignalSpy finished(window_.get(), &MainWindow::runFinished);
    Click("Button1");
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, kRunTimeoutMs);
    QCOMPARE(Find<QPushButton>("Button1")->text(), QStringLiteral("Start calculation"));
    QVERIFY(!window_->State().Running);
    const auto* box = window_->findChild<QMessageBox*>(QStringLiteral("runErrorBox"));
    QVERIFY(box != nullptr);
    QVERIFY(box->isVisible());
    QVERIFY(!box->isModal());
    QVERIFY2(box->text().startsWith(QStringLiteral("Error! cannot open ")),
             qPrintable(box->text()));
    QVERIFY(box->text().contains(QStringLiteral("missing.txt")));
    const QStringList status = window_->Status().VisibleTexts();
    QCOMPARE(status.size(), 1);
    QVERIFY(status.front().startsWith(QStringLiteral("Error! cannot open ")));
}

void MainWindowTest::readingErrorReturnsToIdleWithTheMessage() {
    const QString list = dir_->filePath(QStringLiteral("bad.txt"));
    QVERIFY(WriteAll(list, "k1\t[[1,x],[3,4]]\n"));
    window_->ChooseFile(list);
    QSignalSpy finished(window_.get(), &MainWindow::runFinished);
    Click("Button1");
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, kRunTimeoutMs);
    QCOMPARE(Find<QPushButton>("Button1")->text(), QStringLiteral("Start calculation"));
    const auto* box = window_->findChild<QMessageBox*>(QStringLiteral("runErrorBox"));
    QVERIFY(box != nullptr);
    QCOMPARE(box->text(), QStringLiteral("Error! Line 1: entry \"x\" is not an integer. (line 1)"));
    QVERIFY(window_->Status().VisibleTexts().contains(
        QStringLiteral("Error! Line 1: entry \"x\" is not an integer.")));
}

void MainWindowTest::skippedLinesAndLinksAreSummedUpAtTheEnd() {
    const QString list = dir_->filePath(QStringLiteral("notes.txt"));
    QVERIFY(WriteAll(list, "3_1 {1,1,1}\nH {1,1}\nk [[1,2],[3\nk2 [[1]]\n{1,2}\n"));
    window_->ChooseFile(list);
    QSignalSpy finished(window_.get(), &MainWindow::runFinished);
    Click("Button1");
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, kRunTimeoutMs);
    QVERIFY(StatusShows(QStringLiteral("Done!")));
    QVERIFY(StatusShows(
        QStringLiteral("2 lines skipped, the first at line 3: rows of unequal length")));
    QVERIFY(StatusShows(QStringLiteral(
        "2 lines are not knots, the first at line 2: the braid closes to 2 components")));
    QVERIFY(window_->findChild<QMessageBox*>(QStringLiteral("runErrorBox")) == nullptr);
}

void MainWindowTest::helpOpensWithoutBlockingAndClosingItResetsTheLists() {
    Find<QComboBox>("unknottingnumberupperbox")->setCurrentIndex(3);
    Find<QComboBox>("levinetristramnumberbox")->setCurrentIndex(2);
    Find<QComboBox>("nakanishieffortbox")->setCurrentIndex(0);
    Find<QComboBox>("mahlerbox")->setCurrentIndex(2);
    Click("help_isotopy");
    auto* help = Find<QWidget>("Form9");
    QTRY_VERIFY(help->isVisible());
    QVERIFY(!help->isModal());
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    QVERIFY(window_->isEnabled());
    QTest::mouseClick(help->findChild<QPushButton*>(QStringLiteral("quithelp")), Qt::LeftButton);
    QTRY_VERIFY(!help->isVisible());
    QTRY_VERIFY(window_->isActiveWindow());
    QTRY_COMPARE(Find<QComboBox>("unknottingnumberupperbox")->currentIndex(), 0);
    QCOMPARE(Find<QComboBox>("levinetristramnumberbox")->currentIndex(), 0);
    QCOMPARE(Find<QComboBox>("nakanishieffortbox")->currentIndex(), 1);
    QCOMPARE(Find<QComboBox>("mahlerbox")->currentIndex(), 1);
}

void MainWindowTest::aboutOpensWithoutBlockingAndClosingItResetsTheLists() {
    Click("about");
    auto* about = Find<QWidget>("Form4");
    QTRY_VERIFY(about->isVisible());
    QVERIFY(!about->isModal());
    QCOMPARE(about->size(), QSize(574, 421));
    QVERIFY(about->windowTitle().isEmpty());
    const auto* memo = about->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
    QCOMPARE(memo->geometry(), QRect(64, 32, 433, 249));
    QVERIFY(memo->isReadOnly());
    QVERIFY(memo->toPlainText().contains(QStringLiteral("feedback")));
    // The main window stays usable while the about window is open.
    Find<QComboBox>("mahlerbox")->setCurrentIndex(0);
    auto* back = about->findChild<QPushButton*>(QStringLiteral("aboutmenu"));
    QCOMPARE(back->text(), QStringLiteral("Back to the main menu"));
    QCOMPARE(back->geometry(), QRect(216, 312, 161, 49));
    QTest::mouseClick(back, Qt::LeftButton);
    QTRY_VERIFY(!about->isVisible());
    QTRY_COMPARE(Find<QComboBox>("mahlerbox")->currentIndex(), 1);
}

void MainWindowTest::helpWindowTextAndBraidExample() {
    auto* help = Find<QWidget>("Form9");
    QCOMPARE(help->windowTitle(), QStringLiteral("Help"));
    QCOMPARE(help->size(), QSize(773, 770));
    const auto* memo = help->findChild<QPlainTextEdit*>(QStringLiteral("memo_overview"));
    QCOMPARE(memo->geometry(), QRect(32, 16, 697, 657));
    QVERIFY(memo->isReadOnly());
    const auto* quit = help->findChild<QPushButton*>(QStringLiteral("quithelp"));
    QCOMPARE(quit->text(), QStringLiteral("Quit help"));
    QCOMPARE(quit->geometry(), QRect(304, 696, 161, 33));

    const QString text = memo->toPlainText();
    for (const char* line : {"3_1\t[[ -1, 0], [ -1, -1]]", "4_1\t[[ 1, 0], [ -1, -1]]",
                             "5_1\t[[ -1, -1, 0, -1], [ 0, -1, 0, 0], [ -1, -1, -1, -1], "
                             "[ 0, -1, 0, -1]]",
                             "3_1         {1,1,1}", "4_1         {1,-2,1,-2}"}) {
        QVERIFY2(text.contains(QString::fromUtf8(line)), line);
    }
    // {1,2,1,2} closes to a trefoil, not to the figure-eight knot.
    QVERIFY(!text.contains(QStringLiteral("{1,2,1,2}")));
    // The points come in their order.
    qsizetype at = 0;
    for (const char* point : {"S-equivalence", "one knot per line", "_output.txt", "*",
                              "Alexander polynomial", "Lickorish", "u_a(K) = 3", "mathematics"}) {
        const qsizetype next = text.indexOf(QString::fromUtf8(point), at);
        QVERIFY2(next >= 0, point);
        at = next;
    }
}

void MainWindowTest::pagedHelpShowsOnePageAtATime() {
    auto* paged = Find<QWidget>("Form2");
    QCOMPARE(paged->windowTitle(), QStringLiteral("Form2"));
    QCOMPARE(paged->size(), QSize(831, 704));
    QVERIFY(!paged->isVisible());
    const std::pair<const char*, const char*> pages[] = {
        {"overview", "overviewtext"}, {"groups", "grouptext"}, {"Button1", "knotlisttext"},
        {"reps", "repstext"},         {"math", "mathtext"},
    };
    for (const auto& [button, page] : pages) {
        paged->findChild<QPushButton*>(QString::fromLatin1(button))->click();
        for (const auto& [other, box] : pages) {
            Q_UNUSED(other);
            const auto* text = paged->findChild<QPlainTextEdit*>(QString::fromLatin1(box));
            QCOMPARE(text->geometry(), QRect(56, 80, 713, 569));
            QCOMPARE(text->isHidden(), std::string_view(box) != page);
        }
    }
    QCOMPARE(paged->findChild<QPushButton*>(QStringLiteral("Button1"))->text(),
             QStringLiteral("Lists of knots"));
    paged->show();
    QTRY_VERIFY(paged->isVisible());
    paged->findChild<QPushButton*>(QStringLiteral("donehelp"))->click();
    QTRY_VERIFY(!paged->isVisible());
}

void MainWindowTest::spareWindowExistsAndStaysHidden() {
    auto* spare = Find<QWidget>("Form3");
    QVERIFY(spare != nullptr);
    QCOMPARE(spare->windowTitle(), QStringLiteral("Calculation of twisted Alexander polynomials"));
    QVERIFY(!spare->isVisible());
    QVERIFY(spare->findChildren<QWidget*>().isEmpty());
}

void MainWindowTest::randomizeDrawsANewRunSeedAndShowsIt() {
    QCOMPARE(window_->State().RunSeed, uint64_t{0});
    Click("randombutton");
    const uint64_t first = window_->State().RunSeed;
    QVERIFY(first < 1000000000u);
    // The seed is shown so that a run can be repeated with it.
    QTRY_VERIFY(StatusShows(QStringLiteral("Random seed of the next runs: %1").arg(first)));
    Click("randombutton");
    const uint64_t second = window_->State().RunSeed;
    QVERIFY(second < 1000000000u);
    QVERIFY(second != first);
    QTRY_VERIFY(StatusShows(QStringLiteral("Random seed of the next runs: %1").arg(second)));
}

void MainWindowTest::pauseTogglesAndSkipSetsTheirRequests() {
    QVERIFY(!window_->State().PauseRequested);
    Click("pausebutton");
    QVERIFY(window_->State().PauseRequested);
    QCOMPARE(Find<QPushButton>("pausebutton")->text(), QStringLiteral("Pause calculation"));
    Click("pausebutton");
    QVERIFY(!window_->State().PauseRequested);
    QVERIFY(!window_->State().SkipRequested);
    Click("Button2");
    QVERIFY(window_->State().SkipRequested);
}

void MainWindowTest::helpDuringARunLeavesTheRunGoing() {
    const QString list = WriteLongList();
    SlowSettings();
    window_->ChooseFile(list);
    QSignalSpy finished(window_.get(), &MainWindow::runFinished);
    Click("Button1");
    QTRY_VERIFY_WITH_TIMEOUT(lastKnotStarted_ >= 1, kRunTimeoutMs);
    Click("help_isotopy");
    auto* help = Find<QWidget>("Form9");
    QTRY_VERIFY(help->isVisible());
    const int openedAt = lastKnotStarted_;
    QTRY_VERIFY_WITH_TIMEOUT(lastKnotStarted_ >= openedAt + 2, kRunTimeoutMs);
    QTest::mouseClick(help->findChild<QPushButton*>(QStringLiteral("quithelp")), Qt::LeftButton);
    QTRY_VERIFY(!help->isVisible());
    QVERIFY(window_->IsRunning());
    Click("Button1");
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, kRunTimeoutMs);
}

void MainWindowTest::statusTextsAreErasedByBlanks() {
    corvane::StatusImage& image = window_->Status();
    const QRect cell(350, 200, 5 * image.CharWidth(), image.LineHeight());
    const auto inkIn = [&image](const QRect& rect) {
        int dark = 0;
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x)
                if (qGray(image.Picture().pixel(x, y)) < 128) ++dark;
        return dark;
    };
    image.Enqueue(350, 200, "Done!");
    QTRY_COMPARE(image.VisibleTexts(), QStringList{QStringLiteral("Done!")});
    QVERIFY(inkIn(cell) > 0);
    // Blanks drawn at the same place erase the text, pixels and all.
    image.Enqueue(350, 200, std::string(48, ' '));
    QTRY_VERIFY(image.VisibleTexts().isEmpty());
    QCOMPARE(inkIn(cell), 0);

    // A text partly covered stays visible; lines of blanks above and below erase it together.
    image.Enqueue(7, 100, "Knot 3_1 with Seifert matrix:");
    image.Enqueue(7, 96, std::string(1500, ' '));
    QTRY_COMPARE(image.VisibleTexts(),
                 QStringList{QStringLiteral("Knot 3_1 with Seifert matrix:")});
    image.Enqueue(7, 104, std::string(1500, ' '));
    QTRY_VERIFY(image.VisibleTexts().isEmpty());
    QCOMPARE(inkIn(QRect(7, 96, 546, 30)), 0);

    // A shorter text over a longer one leaves the rest of the longer one visible.
    image.Enqueue(200, 7, "Signature = -2");
    image.Enqueue(200, 7, "Det");
    QTRY_COMPARE(image.VisibleTexts(),
                 (QStringList{QStringLiteral("Signature = -2"), QStringLiteral("Det")}));
}

void MainWindowTest::statusTextsBeyondThePictureAreCut() {
    corvane::StatusImage& image = window_->Status();
    image.Enqueue(7, 233, "below the picture");
    image.Enqueue(553, 7, "right of the picture");
    image.Enqueue(7, 7, std::string(1500, 'x'));
    QTRY_COMPARE(image.VisibleTexts().size(), 1);
    const int columns = (553 - 7 + image.CharWidth() - 1) / image.CharWidth();
    QCOMPARE(image.VisibleTexts().front(), QString(columns, QLatin1Char('x')));
}

// A result drawn over the first row of a search's two-row status takes the second row with it.
void MainWindowTest::resultOverASearchStatusErasesItsSecondRow() {
    std::atomic<bool> pause = false;
    corvane::WindowHost host(window_->Status(), pause, nullptr);
    host.DrawText(200, 71, "Trying to find upper bounds on the Nakanishi ",
                  corvane::StatusKind::Activity);
    host.DrawText(200, 87, "index.  <", corvane::StatusKind::Activity);
    QTRY_VERIFY(StatusShows(QStringLiteral("index.  <")));
    host.DrawText(200, 71, "Nakanishi index = 1" + std::string(300, ' '),
                  corvane::StatusKind::Result);
    QTRY_COMPARE(window_->Status().VisibleTexts(),
                 QStringList{QStringLiteral("Nakanishi index = 1")});
}

void MainWindowTest::RunExamples() {
    window_->ChooseFile(
        CopyToTemp(QStringLiteral(CORVANE_EXAMPLES_DIR "/knots.txt"), QStringLiteral("knots.txt")));
    Click("resultsbutton");
    QVERIFY(Results().isVisible());
    QSignalSpy finished(window_.get(), &MainWindow::runFinished);
    Click("Button1");
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, kRunTimeoutMs);
}

void MainWindowTest::progressBarAdvancesToTheWholeList() {
    const auto* bar = Find<QProgressBar>("runProgress");
    QCOMPARE(bar->geometry(), QRect(552, 743, 473, 21));
    QList<int> values;
    connect(bar, &QProgressBar::valueChanged, this, [&values](int v) { values.append(v); });
    RunExamples();
    // The examples hold seven knots; the bar never goes back and ends full.
    QCOMPARE(bar->maximum(), 7);
    QCOMPARE(bar->value(), 7);
    QVERIFY(std::is_sorted(values.begin(), values.end()));
    QCOMPARE(bar->text(), QStringLiteral("7 of 7 knots done"));
}

void MainWindowTest::progressBarShowsPausedAndRowsAppearAsKnotsFinish() {
    window_->ChooseFile(WriteLongList());
    SlowSettings();
    const auto* bar = Find<QProgressBar>("runProgress");
    QSignalSpy finished(window_.get(), &MainWindow::runFinished);
    Click("Button1");
    QTRY_VERIFY_WITH_TIMEOUT(bar->value() >= 2, kRunTimeoutMs);
    QVERIFY(bar->text().contains(QStringLiteral(" knots done, about ")));
    QCOMPARE(bar->maximum(), kLongListKnots);
    QTRY_VERIFY(Results().Model().rowCount() >= 2);
    Click("pausebutton");
    QTRY_COMPARE(bar->text(), QStringLiteral("Paused"));
    // With no row selected the picture follows the knot the window shows.
    const corvane::SignaturePlot& plot = Results().Signature().Plot();
    QTRY_COMPARE(plot.KnotName(), QStringLiteral("k%1").arg(lastKnotStarted_));
    QVERIFY(plot.Function().has_value());
    Click("Button1");
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, kRunTimeoutMs);
    // A stopped run: the bar keeps the knots done, the table every knot of the list.
    QVERIFY(bar->value() < kLongListKnots);
    QCOMPARE(bar->text(),
             QStringLiteral("%1 of %2 knots done").arg(bar->value()).arg(kLongListKnots));
    QCOMPARE(Results().Model().rowCount(), kLongListKnots);
}

void MainWindowTest::resultsWindowRowsAreTheResultsFileRows() {
    Find<QCheckBox>("determinantbox")->setChecked(true);
    RunExamples();
    QList<QByteArray> lines =
        ReadAll(dir_->filePath(QStringLiteral("knots_output.txt"))).split('\n');
    while (!lines.isEmpty() && !lines.front().startsWith("Name      |")) lines.removeFirst();
    QVERIFY(!lines.isEmpty());
    const QByteArray header = lines.takeFirst().trimmed();
    while (!lines.isEmpty() && lines.back().trimmed().isEmpty()) lines.removeLast();
    const auto cellsOf = [](const QByteArray& line) {
        return corvane::TableCells(line.trimmed().toStdString());
    };
    corvane::ResultsModel& model = Results().Model();
    const auto rowCells = [&model](int row) {
        QStringList cells;
        for (int c = 0; c < model.columnCount(); ++c)
            cells.append(model.index(row, c).data().toString());
        return corvane::TableCells(cells.join(QLatin1Char('|')).toStdString());
    };
    const auto expectRowsAreTheFileRows = [&] {
        QCOMPARE(model.rowCount(), lines.size());
        for (int row = 0; row < model.rowCount(); ++row)
            QCOMPARE(rowCells(row), cellsOf(lines[row]));
    };
    QStringList headings;
    for (int c = 0; c < model.columnCount(); ++c)
        headings.append(model.headerData(c, Qt::Horizontal).toString());
    QCOMPARE(corvane::TableCells(headings.join(QLatin1Char('|')).toStdString()), cellsOf(header));
    QCOMPARE(lines.size(), 7);
    expectRowsAreTheFileRows();

    // Sorting by the determinant Δ(-1) (as numbers: 3_1 3, 4_1 -5, 5_1 5, 5_2 7, 6_1 -9, 7_4 15,
    // 8_18 -45) and filtering change the view, not the model.
    QTableView& view = Results().View();
    const int det = static_cast<int>(headings.indexOf(QStringLiteral("det(K)")));
    QVERIFY(det > 0);
    view.sortByColumn(det, Qt::DescendingOrder);
    QStringList dets;
    for (int row = 0; row < view.model()->rowCount(); ++row)
        dets.append(view.model()->index(row, det).data().toString());
    QCOMPARE(dets.join(QLatin1Char(',')), QStringLiteral("15,7,5,3,-5,-9,-45"));
    Results().findChild<QLineEdit*>(QStringLiteral("resultsFilter"))->setText(QStringLiteral("5_"));
    QCOMPARE(view.model()->rowCount(), 2);
    expectRowsAreTheFileRows();
}

void MainWindowTest::signaturePlotStepsAtTheRootsOfTheSelectedKnot() {
    RunExamples();
    struct Expected {
        const char* knot;
        std::vector<long double> jumps;
        std::vector<int32_t> steps;
        int32_t bound;
    };
    // 3_1 = T(2,3) and 5_1 = T(2,5): Δ = Φ_6 and Φ_10, σ(-1) = -2 and -4; 4_1 has no root on the
    // circle (Δ = -t^2 + 3t - 1 has real roots).
    const Expected cases[] = {
        {"3_1", {1.0L / 6, 5.0L / 6}, {0, -2, 0}, 1},
        {"5_1", {0.1L, 0.3L, 0.7L, 0.9L}, {0, -2, -4, -2, 0}, 2},
        {"4_1", {}, {0}, 0},
    };
    const corvane::SignaturePlot& plot = Results().Signature().Plot();
    for (const Expected& e : cases) {
        const int row = ViewRow(QString::fromLatin1(e.knot));
        QVERIFY2(row >= 0, e.knot);
        Results().View().selectRow(row);
        QCOMPARE(plot.KnotName(), QString::fromLatin1(e.knot));
        QVERIFY(plot.Function().has_value());
        const corvane::SignatureFunction& f = *plot.Function();
        QCOMPARE(f.jumps.size(), e.jumps.size());
        for (std::size_t k = 0; k < e.jumps.size(); ++k)
            QVERIFY(std::fabs(static_cast<double>(f.jumps[k] - e.jumps[k])) < 1e-12);
        QCOMPARE(f.stepValues, e.steps);
        QCOMPARE(f.bound, e.bound);
    }
    // The picture is saved as PNG (twice the plot's size) and as SVG.
    Results().View().selectRow(ViewRow(QStringLiteral("5_1")));
    const QString png = dir_->filePath(QStringLiteral("5_1.png"));
    const QString svg = dir_->filePath(QStringLiteral("5_1.svg"));
    QVERIFY(plot.SavePng(png));
    QVERIFY(plot.SaveSvg(svg));
    QCOMPARE(QImage(png).size(), plot.size() * 2);
    const QByteArray picture = ReadAll(svg);
    QVERIFY(picture.contains("<svg"));
    QVERIFY(picture.contains("u_a &gt;= 2 (from the signature function)"));
}

void MainWindowTest::knotDetailsShowCertificatesAndMatrixAndCopy() {
    RunExamples();
    auto* details = Results().ShowDetails(ViewRow(QStringLiteral("3_1")));
    QVERIFY(details != nullptr);
    const QString text =
        details->findChild<QPlainTextEdit*>(QStringLiteral("detailsText"))->toPlainText();
    QVERIFY(text.startsWith(QStringLiteral("Knot 3_1 (line 3 of the list)")));
    QVERIFY(text.contains(QStringLiteral("\"unknotting\": {")));
    QVERIFY(text.contains(QStringLiteral("\"certificate\"")));
    // The minimal matrix of 3_1 as the results file gives it, one row a line.
    QVERIFY(text.contains(QStringLiteral("Minimal Seifert matrix:\n  -1   0\n  -1  -1\n")));
    QTest::mouseClick(details->findChild<QPushButton*>(QStringLiteral("copyDetails")),
                      Qt::LeftButton);
    QCOMPARE(QApplication::clipboard()->text(), text);
    details->close();
}

void MainWindowTest::droppedListBecomesTheChosenFile() {
    const QString list = CopyToTemp(QStringLiteral(CORVANE_EXAMPLES_DIR "/knots.txt"),
                                    QStringLiteral("dropped.txt"));
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(list)});
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window_.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window_.get(), &drop);
    QCOMPARE(window_->InputFileName(), QStringLiteral("dropped.txt"));
    QCOMPARE(window_->InputDirectory(), QDir(dir_->path()).canonicalPath() + QLatin1Char('/'));
    QCOMPARE(Find<QLineEdit>("Edit1")->text(), QStringLiteral("dropped.txt"));
    // A folder is not a list.
    QMimeData folder;
    folder.setUrls({QUrl::fromLocalFile(dir_->path())});
    QDropEvent dropFolder(QPointF(100, 100), Qt::CopyAction, &folder, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(window_.get(), &dropFolder);
    QCOMPARE(window_->InputFileName(), QStringLiteral("dropped.txt"));
}

void MainWindowTest::choicesAreRememberedBetweenStarts() {
    QVERIFY(Find<QPushButton>("openbutton") != nullptr);
    // Each box the other way round from its default.
    const std::pair<const char*, bool> flipped[] = {{"determinantbox", true},
                                                    {"signaturebox", false},
                                                    {"checks1", true},
                                                    {"jsonlinesbox", true}};
    for (const auto& [name, ticked] : flipped) Find<QCheckBox>(name)->setChecked(ticked);
    Find<QSpinBox>("threadsbox")->setValue(3);
    window_->SaveChoices();
    window_ = std::make_unique<MainWindow>();
    for (const auto& [name, ticked] : flipped)
        QVERIFY2(Find<QCheckBox>(name)->isChecked() == ticked, name);
    QCOMPARE(Find<QSpinBox>("threadsbox")->value(), 3);
    // The four lists keep their defaults.
    QCOMPARE(Find<QComboBox>("nakanishieffortbox")->currentIndex(), 1);
}

// A table of 100,000 knots, nearly all parked on disk, shown, sorted and filtered as a whole.
void MainWindowTest::resultsTableOfALongListIsSortedAndFiltered() {
    constexpr int kKnots = 100000;
    corvane::RunState state;
    state.Settings.algebraicUnknotting = false;
    state.Settings.nakanishi = false;
    state.Settings.determinant = true;
    for (int i = 1; i <= kKnots; ++i) {
        corvane::KnotRecord& knot = state.Knots.Append();
        knot.name = "k" + std::to_string(i);
        knot.computed = true;
        corvane::ApplyInitialResultLayout(knot);
        // Determinant i mod 1000 and signature -2 (i mod 3).
        knot.textFields(2) = "dt" + std::to_string(i % 1000);
        knot.textFields(5) = "si" + std::to_string(-2 * (i % 3));
    }
    state.Knots.Park(kKnots);
    QVERIFY(state.Knots.ParkedCount() > kKnots / 2);
    corvane::ResultsWindow results(state);
    results.Model().StartRun(state.Settings);
    results.Model().EndRun();
    QCOMPARE(results.Model().rowCount(), kKnots);
    const QAbstractItemModel& view = *results.View().model();
    QCOMPARE(view.index(41, 0).data().toString(), QStringLiteral("k42"));
    // det(K) sorted downwards: 999 first (knots 999, 1999, ..., 99999 in list order).
    results.View().sortByColumn(2, Qt::DescendingOrder);
    QCOMPARE(view.index(0, 2).data().toString(), QStringLiteral("999"));
    QCOMPARE(view.index(0, 0).data().toString(), QStringLiteral("k999"));
    QCOMPARE(view.index(kKnots - 1, 2).data().toString(), QStringLiteral("0"));
    // The rows that contain "k4777": k4777 and k47770..k47779.
    results.findChild<QLineEdit*>(QStringLiteral("resultsFilter"))
        ->setText(QStringLiteral("k4777"));
    QCOMPARE(view.rowCount(), 11);
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
