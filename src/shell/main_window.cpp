#include "shell/main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QThread>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <chrono>
#include <exception>
#include <filesystem>
#include <thread>

#include "knot/progress.h"
#include "shell/help_windows.h"
#include "shell/results_window.h"
#include "shell/status_image.h"
#include "shell/window_host.h"

namespace corvane {

namespace {

// The calculation keeps large fixed-size values on the stack (about 1 MB in the determinant of a
// polynomial matrix with its transforms), far more than a thread's default stack.
constexpr uint kWorkerStackSize = 64u * 1024u * 1024u;

// How often the progress bar looks at the run's counts: the run itself only counts.
constexpr int kProgressLookMs = 250;

// The check boxes that choose the options and columns, by name: the window remembers them.
constexpr const char* kRememberedBoxes[] = {
    "computeallbox",  "checks1",      "checku3",      "alexanderbox",   "h1l2box",
    "determinantbox", "genh1box",     "nakanishibox", "lambdapqbox",    "algebraicunknottingbox",
    "mahlercheckbox", "signaturebox", "ltbox",        "repmatrixclick", "jsonlinesbox"};

// After a run, Start only requests Stop for this long, so that a second click on "Stop
// calculation" cannot start a new run.
constexpr int kStartGuardMs = 200;

const QStringList kEffortItems{
    QStringLiteral("with low effort"), QStringLiteral("with medium effort"),
    QStringLiteral("with large effort"), QStringLiteral("with very large effort")};

// The file-type filters: caption and mask. "*.*" means every file, also those without a dot.
struct FileFilter {
    const char* caption;
    const char* mask;
};
constexpr FileFilter kFileFilters[] = {{"text files (*.txt)", "*.txt"}, {"all files (*.*)", "*"}};

// The window's controls have the sizes of a small-font layout: a caption that is too wide for
// its button gets a smaller font, so that the whole caption stays readable.
void FitCaption(QPushButton* button, const QString& caption) {
    constexpr int kMargin = 8;
    constexpr qreal kSmallestPointSize = 6.0;
    QFont font = button->font();
    while (font.pointSizeF() > kSmallestPointSize &&
           QFontMetrics(font).horizontalAdvance(caption) > button->width() - kMargin) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
    }
    button->setFont(font);
}

QPushButton* Button(const char* name, const char* caption, const QRect& geometry, QWidget* parent) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    FitCaption(button, button->text());
    return button;
}

QGroupBox* GroupBox(const char* name, const QString& caption, const QRect& geometry,
                    QWidget* parent) {
    auto* group = new QGroupBox(caption, parent);
    group->setObjectName(QString::fromLatin1(name));
    group->setGeometry(geometry);
    return group;
}

// The whole run on the worker thread. An error that escapes the calculation ends the run; its
// message is handed to the window instead of ending the program.
WorkerResult RunGuarded(RunState& state, RunHost& host, const std::filesystem::path& file) {
    WorkerResult result;
    try {
        result.outcome = RunCalculation(state, host, file);
    } catch (const std::exception& error) {
        result.uncaughtError = error.what();
    } catch (...) {
        result.uncaughtError = "unknown error";
    }
    return result;
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Corvane"));
    setFixedSize(1072, 770);
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    BuildFileChooser();
    BuildRunButtons();
    BuildOptions();
    BuildColumns();
    BuildStatusPanel();
    BuildProgress();
    setAcceptDrops(true);

    host_ = new WindowHost(*image2_, state_.PauseRequested, this);
    connect(host_, &WindowHost::knotStarted, this, &MainWindow::knotStarted, Qt::QueuedConnection);
    results_ = new ResultsWindow(state_, this);
    connect(host_, &WindowHost::knotFinished, &results_->Model(), &ResultsModel::AddKnot,
            Qt::QueuedConnection);
    connect(this, &MainWindow::knotStarted, results_, &ResultsWindow::FollowKnot);
    startGuard_ = new QTimer(this);
    startGuard_->setSingleShot(true);
    startGuard_->setInterval(kStartGuardMs);

    // The secondary windows, in the order the program creates them.
    Form2 = new PagedHelpWindow(this);
    Form3 = new EmptyWindow(this);
    auto* about = new AboutWindow(this);
    auto* help = new HelpWindow(this);
    Form4 = about;
    Form9 = help;
    // Closing a secondary window returns to the main window, which activates it.
    for (SecondaryWindow* window :
         {static_cast<SecondaryWindow*>(about), static_cast<SecondaryWindow*>(help)}) {
        connect(window, &SecondaryWindow::closed, this, [this] {
            if (!isVisible()) return;
            raise();
            activateWindow();
        });
    }
    RestoreChoices();
    FormActivate();
}

MainWindow::~MainWindow() {
    if (worker_ == nullptr) return;
    state_.StopRequested = true;
    worker_->wait();
}

void MainWindow::BuildFileChooser() {
    QGroupBox* group =
        GroupBox("GroupBox1", QStringLiteral("Choose a file"), QRect(16, 24, 409, 705), this);

    DriveComboBox1 = new QComboBox(group);
    DriveComboBox1->setObjectName(QStringLiteral("DriveComboBox1"));
    DriveComboBox1->setGeometry(32, 48, 185, 19);
    for (const QFileInfo& drive : QDir::drives()) DriveComboBox1->addItem(drive.absolutePath());

    folderModel_ = new QFileSystemModel(this);
    folderModel_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    folderModel_->setRootPath(QString());
    DirectoryListBox1 = new QTreeView(group);
    DirectoryListBox1->setObjectName(QStringLiteral("DirectoryListBox1"));
    DirectoryListBox1->setGeometry(32, 88, 185, 561);
    DirectoryListBox1->setModel(folderModel_);
    DirectoryListBox1->setHeaderHidden(true);
    for (int column = 1; column < folderModel_->columnCount(); ++column)
        DirectoryListBox1->hideColumn(column);

    fileModel_ = new QFileSystemModel(this);
    fileModel_->setFilter(QDir::Files);
    fileModel_->setNameFilterDisables(false);
    FileListBox1 = new QListView(group);
    FileListBox1->setObjectName(QStringLiteral("FileListBox1"));
    FileListBox1->setGeometry(240, 48, 161, 561);
    FileListBox1->setModel(fileModel_);

    FilterComboBox1 = new QComboBox(group);
    FilterComboBox1->setObjectName(QStringLiteral("FilterComboBox1"));
    FilterComboBox1->setGeometry(240, 632, 161, 21);
    for (const FileFilter& filter : kFileFilters)
        FilterComboBox1->addItem(QString::fromUtf8(filter.caption),
                                 QString::fromLatin1(filter.mask));

    Edit1 = new QLineEdit(group);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(16, 656, 369, 21);
    Edit1->setReadOnly(true);

    // Start in the working folder.
    const QString start = QDir::currentPath();
    DirectoryListBox1->setRootIndex(folderModel_->index(DriveComboBox1->currentText()));
    const QModelIndex startFolder = folderModel_->index(start);
    DirectoryListBox1->setCurrentIndex(startFolder);
    DirectoryListBox1->scrollTo(startFolder);
    FilterComboBox1Change();
    DirectoryListBox1DblClick(startFolder);

    connect(DriveComboBox1, &QComboBox::currentIndexChanged, this,
            &MainWindow::DriveComboBox1Change);
    connect(DirectoryListBox1, &QTreeView::doubleClicked, this,
            &MainWindow::DirectoryListBox1DblClick);
    connect(FilterComboBox1, &QComboBox::currentIndexChanged, this,
            &MainWindow::FilterComboBox1Change);
    connect(FileListBox1, &QListView::doubleClicked, this, &MainWindow::FileListBox1DblClick);

    QPushButton* open = Button("openbutton", "Open…", QRect(16, 682, 89, 23), group);
    connect(open, &QPushButton::clicked, this, &MainWindow::OpenFile);
}

void MainWindow::BuildRunButtons() {
    Button1 = Button("Button1", "Start calculation", QRect(448, 32, 89, 65), this);
    QPushButton* randomize = Button("randombutton", "Randomize", QRect(448, 120, 89, 25), this);
    QPushButton* pause = Button("pausebutton", "Pause calculation", QRect(448, 168, 89, 25), this);
    QPushButton* skip = Button("Button2", "Skip calculation", QRect(448, 216, 89, 25), this);
    QPushButton* help = Button("help_isotopy", "Help", QRect(448, 264, 89, 49), this);
    QPushButton* about = Button("about", "About", QRect(448, 336, 89, 33), this);
    QPushButton* quit = Button("ButtonEnde", "Quit", QRect(448, 392, 89, 73), this);
    connect(Button1, &QPushButton::clicked, this, &MainWindow::Button1Click);
    connect(randomize, &QPushButton::clicked, this, &MainWindow::randombuttonClick);
    connect(pause, &QPushButton::clicked, this, &MainWindow::pausebuttonClick);
    connect(skip, &QPushButton::clicked, this, &MainWindow::Button2Click);
    connect(help, &QPushButton::clicked, this, &MainWindow::help_isotopyClick);
    connect(about, &QPushButton::clicked, this, &MainWindow::aboutClick);
    connect(quit, &QPushButton::clicked, this, &MainWindow::ButtonEndeClick);
}

QComboBox* MainWindow::ChoiceBox(const char* name, const char* label, const QStringList& items,
                                 int row, QWidget* parent) {
    const int y = 24 + 28 * row;
    auto* caption = new QLabel(QString::fromUtf8(label), parent);
    caption->setObjectName(QString::fromLatin1(name) + QStringLiteral("label"));
    caption->setGeometry(12, y - 3, 312, 28);
    caption->setWordWrap(true);
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(326, y, 140, 22);
    box->addItems(items);
    box->setEditable(false);
    return box;
}

QCheckBox* MainWindow::CheckBox(const char* name, const char* caption, bool checked,
                                const QRect& geometry, QWidget* parent) {
    auto* box = new QCheckBox(QString::fromUtf8(caption), parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(geometry);
    box->setChecked(checked);
    return box;
}

void MainWindow::BuildOptions() {
    QGroupBox* group = GroupBox("GroupBox2", QStringLiteral("Calculation options"),
                                QRect(552, 24, 473, 217), this);
    unknottingnumberupperbox = ChoiceBox(
        "unknottingnumberupperbox", "Determine upper bounds on the algebraic unknotting number",
        kEffortItems, 0, group);
    nakanishieffortbox =
        ChoiceBox("nakanishieffortbox", "Determine Nakanishi index", kEffortItems, 1, group);
    levinetristramnumberbox =
        ChoiceBox("levinetristramnumberbox", "Calculate Levine-Tristram signatures for ",
                  {QStringLiteral("for 16 values"), QStringLiteral("for 128 values"),
                   QStringLiteral("for 1024 values"), QStringLiteral("for 8192 values")},
                  2, group);
    mahlerbox = ChoiceBox("mahlerbox", "Computer Mahler measure of Alexander polynomial",
                          {QStringLiteral("using 128 values"), QStringLiteral("using 16384 values"),
                           QStringLiteral("using 2097152 values")},
                          3, group);
    computeallbox =
        CheckBox("computeallbox", "Compute all invariants", false, QRect(12, 140, 440, 20), group);
    checks1 = CheckBox("checks1", "Compute mu(K)", false, QRect(12, 164, 440, 20), group);
    checku3 = CheckBox("checku3", "Check u=3 obstruction", false, QRect(12, 188, 440, 20), group);

    // Knots are computed side by side on this many threads; the results do not depend on it.
    auto* label = new QLabel(QStringLiteral("Threads:"), this);
    label->setObjectName(QStringLiteral("threadslabel"));
    label->setGeometry(556, 243, 60, 19);
    threadsbox = new QSpinBox(this);
    threadsbox->setObjectName(QStringLiteral("threadsbox"));
    threadsbox->setGeometry(616, 243, 60, 19);
    const int cores = static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
    threadsbox->setRange(1, std::max(64, cores));
    threadsbox->setValue(cores);
}

void MainWindow::BuildColumns() {
    QGroupBox* group =
        GroupBox("GroupBox3", QStringLiteral("Output file contains the following information:"),
                 QRect(552, 264, 473, 201), this);
    int row = 0;
    const auto add = [&](const char* name, const char* caption, bool checked) {
        return CheckBox(name, caption, checked, QRect(12, 20 + 16 * row++, 450, 17), group);
    };
    alexanderbox = add("alexanderbox", "Alexander polynomial", true);
    h1l2box = add("h1l2box", "Homology of 2-fold branched cover", false);
    determinantbox = add("determinantbox", "Determinant", false);
    genh1box = add("genh1box", "Generator of Alexander module", false);
    nakanishibox = add("nakanishibox", "Nakanishi index", true);
    lambdapqbox =
        add("lambdapqbox", "Description of Blanchfield pairing if Nakanishi index = 1", false);
    algebraicunknottingbox = add("algebraicunknottingbox", "Algebraic unknotting number", true);
    mahlercheckbox = add("mahlercheckbox", "Mahler measure of the Alexander polynomial", false);
    signaturebox = add("signaturebox", "Signature", true);
    ltbox = add("ltbox", "Levine-Tristram signatures", false);
    repmatrixclick =
        add("repmatrixclick", "Minimal presentation matrix for Alexander module", false);
    // Not a column: a second form of the same results, so it sits just below the columns.
    jsonlinesbox =
        CheckBox("jsonlinesbox", "Also write JSON Lines", false, QRect(564, 467, 450, 19), this);
}

void MainWindow::BuildStatusPanel() {
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setGeometry(448, 488, 577, 249);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    image2_ = new StatusImage(panel);
    image2_->setObjectName(QStringLiteral("image2"));
    image2_->move(8, 8);
}

// Below the status panel: "Results" and the progress bar of the run.
void MainWindow::BuildProgress() {
    QPushButton* results = Button("resultsbutton", "Results", QRect(448, 741, 89, 25), this);
    connect(results, &QPushButton::clicked, this, &MainWindow::ShowResults);
    runProgress_ = new QProgressBar(this);
    runProgress_->setObjectName(QStringLiteral("runProgress"));
    runProgress_->setGeometry(552, 743, 473, 21);
    runProgress_->setRange(0, 1);
    runProgress_->setValue(0);
    runProgress_->setFormat(QString());
    progressTimer_ = new QTimer(this);
    progressTimer_->setInterval(kProgressLookMs);
    connect(progressTimer_, &QTimer::timeout, this, &MainWindow::UpdateProgress);
}

void MainWindow::UpdateProgress() {
    const int total = host_->KnotsToCompute();
    const int done = std::min(host_->KnotsDone(), total);
    const bool running = worker_ != nullptr;
    if (running && total == 0) {
        runProgress_->setRange(0, 1);
        runProgress_->setValue(0);
        runProgress_->setFormat(QStringLiteral("Reading the list"));
        return;
    }
    // A run with nothing left to compute is complete.
    runProgress_->setRange(0, std::max(total, 1));
    runProgress_->setValue(total == 0 ? 1 : done);
    if (running && state_.PauseRequested) {
        runProgress_->setFormat(QStringLiteral("Paused"));
        return;
    }
    QString text = QStringLiteral("%1 of %2 knots done").arg(done).arg(total);
    if (running && done > 0 && done < total) {
        const auto elapsed = std::chrono::milliseconds(runClock_.elapsed());
        text += QStringLiteral(", about %1 to go")
                    .arg(QString::fromStdString(ClockText(TimeLeftEstimate(elapsed, done, total))));
    }
    runProgress_->setFormat(text);
}

void MainWindow::ShowResults() {
    results_->show();
    results_->raise();
    results_->activateWindow();
}

void MainWindow::OpenFile() {
    const QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("Open a knot list"), inputDirectory_,
                                     QStringLiteral("text files (*.txt);;all files (*)"));
    if (!path.isEmpty()) ChooseFile(path);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* data = event->mimeData();
    if (data->hasUrls() && !data->urls().isEmpty() && data->urls().front().isLocalFile())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QMimeData* data = event->mimeData();
    if (!data->hasUrls() || data->urls().isEmpty() || !data->urls().front().isLocalFile()) return;
    const QString path = data->urls().front().toLocalFile();
    if (!QFileInfo(path).isFile()) return;
    ChooseFile(path);
    // The file list shows the folder of the dropped list.
    DirectoryListBox1DblClick(folderModel_->index(QFileInfo(path).absolutePath()));
    event->acceptProposedAction();
}

void MainWindow::SaveChoices() const {
    QSettings settings;
    for (const char* name : kRememberedBoxes) {
        const auto* box = findChild<QCheckBox*>(QString::fromLatin1(name));
        settings.setValue(QStringLiteral("choices/") + QString::fromLatin1(name), box->isChecked());
    }
    settings.setValue(QStringLiteral("choices/threadsbox"), threadsbox->value());
}

void MainWindow::RestoreChoices() {
    const QSettings settings;
    for (const char* name : kRememberedBoxes) {
        auto* box = findChild<QCheckBox*>(QString::fromLatin1(name));
        const QString key = QStringLiteral("choices/") + QString::fromLatin1(name);
        if (settings.contains(key)) box->setChecked(settings.value(key).toBool());
    }
    if (settings.contains(QStringLiteral("choices/threadsbox")))
        threadsbox->setValue(settings.value(QStringLiteral("choices/threadsbox")).toInt());
}

RunSettings MainWindow::SettingsFromControls() const {
    RunSettings s;
    s.ltValueCount = LevineTristramValueCount(levinetristramnumberbox->currentIndex());
    s.mahlerValueCount = MahlerValueCount(mahlerbox->currentIndex());
    s.nakanishiEffort = nakanishieffortbox->currentIndex();
    s.unknottingEffort = unknottingnumberupperbox->currentIndex();
    s.algebraicUnknotting = algebraicunknottingbox->isChecked();
    s.alexander = alexanderbox->isChecked();
    s.mahler = mahlercheckbox->isChecked();
    s.signature = signaturebox->isChecked();
    s.determinant = determinantbox->isChecked();
    s.h1l2 = h1l2box->isChecked();
    s.blanchfield = lambdapqbox->isChecked();
    s.generator = genh1box->isChecked();
    s.levineTristram = ltbox->isChecked();
    s.presentationMatrix = repmatrixclick->isChecked();
    s.nakanishi = nakanishibox->isChecked();
    s.computeMu = checks1->isChecked();
    s.checkU3 = checku3->isChecked();
    s.computeAll = computeallbox->isChecked();
    return s;
}

void MainWindow::ChooseFile(const QString& path) {
    const int cut = static_cast<int>(path.lastIndexOf(QLatin1Char('/')));
    inputDirectory_ = path.left(cut + 1);
    inputFileName_ = path.mid(cut + 1);
    Edit1->setText(inputFileName_);
}

void MainWindow::PauseAtKnot(int index) {
    host_->PauseAtKnot(index);
}

bool MainWindow::IsRunning() const {
    return worker_ != nullptr || startGuard_->isActive();
}

void MainWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (worker_ != nullptr) {
        // The run stops at its next polling point and writes the finished knots; the window
        // closes when the worker reports the end of the run.
        quitPending_ = true;
        state_.StopRequested = true;
        event->ignore();
        return;
    }
    for (QWidget* window : {Form2, Form3, Form4, Form9, static_cast<QWidget*>(results_)})
        window->close();
    SaveChoices();
    event->accept();
    emit closed();
}

void MainWindow::FormActivate() {
    unknottingnumberupperbox->setCurrentIndex(0);
    levinetristramnumberbox->setCurrentIndex(0);
    nakanishieffortbox->setCurrentIndex(1);
    mahlerbox->setCurrentIndex(1);
}

void MainWindow::DriveComboBox1Change() {
    DirectoryListBox1->setRootIndex(folderModel_->index(DriveComboBox1->currentText()));
}

void MainWindow::DirectoryListBox1DblClick(const QModelIndex& index) {
    const QString folder = folderModel_->filePath(index);
    if (folder.isEmpty()) return;
    FileListBox1->setRootIndex(fileModel_->setRootPath(folder));
}

void MainWindow::FilterComboBox1Change() {
    fileModel_->setNameFilters({FilterComboBox1->currentData().toString()});
}

void MainWindow::FileListBox1DblClick(const QModelIndex& index) {
    const QString path = fileModel_->filePath(index);
    if (!path.isEmpty()) ChooseFile(path);
}

void MainWindow::Button1Click() {
    if (IsRunning()) {
        state_.StopRequested = true;
        return;
    }
    if (inputFileName_.isEmpty()) return;
    StartRun();
}

void MainWindow::StartRun() {
    state_.Settings = SettingsFromControls();
    state_.Jobs = threadsbox->value();
    state_.JsonLines = jsonlinesbox->isChecked();
    SaveChoices();
    results_->Model().StartRun(state_.Settings);
    Button1->setText(QStringLiteral("Stop calculation"));
    FitCaption(Button1, QStringLiteral("Stop calculation"));
    state_.PauseRequested = false;
    state_.StopRequested = false;
    const std::filesystem::path file(
        QFile::encodeName(inputDirectory_ + inputFileName_).toStdString());
    result_ = WorkerResult{};
    host_->ResetForRun();
    worker_ = QThread::create([this, file] { result_ = RunGuarded(state_, *host_, file); });
    worker_->setParent(this);
    worker_->setStackSize(kWorkerStackSize);
    connect(worker_, &QThread::finished, this, &MainWindow::RunThreadFinished,
            Qt::QueuedConnection);
    worker_->start();
    runClock_.start();
    UpdateProgress();
    progressTimer_->start();
}

void MainWindow::RunThreadFinished() {
    worker_->wait();
    worker_->deleteLater();
    worker_ = nullptr;
    progressTimer_->stop();
    UpdateProgress();
    results_->Model().EndRun();
    Button1->setText(QStringLiteral("Start calculation"));
    if (randomizePending_) {
        randomizePending_ = false;
        ShowSeed(Randomize(state_));
    }
    ReportProblems(result_);
    if (quitPending_) {
        close();
        return;
    }
    startGuard_->start();
    emit runFinished();
}

void MainWindow::ReportProblems(const WorkerResult& result) {
    QString message;
    const RunOutcome& outcome = result.outcome;
    if (!result.uncaughtError.empty()) {
        message = QStringLiteral("Error! ") + QString::fromStdString(result.uncaughtError);
        image2_->Clear();
        host_->DrawText(7, 7, message.toStdString(), StatusKind::Final);
    } else if (outcome.end == RunEnd::InputError || outcome.end == RunEnd::CannotOpen) {
        message = QStringLiteral("Error! ") + QString::fromStdString(outcome.message);
        if (outcome.errorLine > 0) message += QStringLiteral(" (line %1)").arg(outcome.errorLine);
    } else if (outcome.end == RunEnd::ReadingStopped) {
        message = QStringLiteral("Reading stopped at line %1: %2")
                      .arg(outcome.errorLine)
                      .arg(QString::fromStdString(outcome.message));
    }
    // Lines that gave no invariants: a status line each at the bottom of the status area (above
    // the row of "Done!" for the second), or in the message of a reading error, which has the
    // bottom line.
    const std::vector<std::string> notes = LineNotesSummary(outcome.lineNotes);
    int y = 216;
    for (const std::string& line : notes) {
        if (outcome.end == RunEnd::ReadingStopped) {
            message += QLatin1Char('\n') + QString::fromStdString(line);
        } else if (result.uncaughtError.empty()) {
            host_->DrawText(7, y, line, StatusKind::Final);
            y -= 32;
        }
    }
    if (!outcome.writeFailure.empty()) {
        if (!message.isEmpty()) message += QLatin1Char('\n');
        message += QStringLiteral("Error! ") + QString::fromStdString(outcome.writeFailure);
    }
    if (message.isEmpty() || quitPending_) return;
    // A message box that does not block: the window stays usable while it is open.
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Corvane"), message,
                                QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("runErrorBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

void MainWindow::randombuttonClick() {
    // The generator belongs to the run while one is under way; its draws are made after it.
    if (worker_ != nullptr) {
        randomizePending_ = true;
        return;
    }
    ShowSeed(Randomize(state_));
}

void MainWindow::ShowSeed(uint64_t seed) {
    host_->DrawText(7, 216, "Random seed of the next runs: " + std::to_string(seed),
                    StatusKind::Final);
}

void MainWindow::pausebuttonClick() {
    state_.PauseRequested = !state_.PauseRequested.load();
}

void MainWindow::Button2Click() {
    state_.SkipRequested = true;
}

void MainWindow::help_isotopyClick() {
    Form9->show();
    Form9->raise();
    Form9->activateWindow();
}

void MainWindow::aboutClick() {
    Form4->show();
    Form4->raise();
    Form4->activateWindow();
}

void MainWindow::ButtonEndeClick() {
    state_.StopRequested = true;
    close();
}

}  // namespace corvane
