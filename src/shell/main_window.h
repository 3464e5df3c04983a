// The main window `Form1`: the file chooser, the calculation options, the run controls and the
// status image. Start runs the core's RunCalculation on a worker thread; the buttons only set the
// run state's request flags, which the calculation reads at its polling points.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QWidget>
#include <memory>
#include <string>

#include "driver/run_calculation.h"
#include "knot/run_state.h"

class QCheckBox;
class QComboBox;
class QSpinBox;
class QFileSystemModel;
class QLineEdit;
class QListView;
class QProgressBar;
class QPushButton;
class QThread;
class QTimer;
class QTreeView;

namespace corvane {

class ResultsWindow;
class StatusImage;
class WindowHost;

// How a run on the worker thread ended: the run's own outcome, or the message of an error that
// escaped it.
struct WorkerResult {
    RunOutcome outcome;
    std::string uncaughtError;
};

class MainWindow : public QWidget {
    Q_OBJECT

  public:
    explicit MainWindow(QWidget* parent = nullptr);
    // Stops a run still under way and waits for it: the worker uses this window's run state.
    ~MainWindow() override;

    // What a double click on a file of the file list does: the path is split at its last
    // separator into InputDirectory (with the separator) and InputFileName, which Edit1 shows.
    void ChooseFile(const QString& path);

    const QString& InputDirectory() const { return inputDirectory_; }
    const QString& InputFileName() const { return inputFileName_; }

    // The runs pause as soon as knot `index` (1..count) shows itself in the status area, as a
    // press of Pause would then; 0 (the default) pauses at no knot. See WindowHost::PauseAtKnot.
    void PauseAtKnot(int index);

    // A run is under way, or ended less than 200 ms ago (Start then only requests Stop).
    bool IsRunning() const;
    const RunState& State() const { return state_; }
    StatusImage& Status() const { return *image2_; }
    ResultsWindow& Results() const { return *results_; }

    // The check boxes, the number of threads and the JSON Lines choice as the last run (or the
    // last closing of the window) left them, kept in the user's settings; the four lists keep
    // their defaults, which every activation of the window restores.
    void SaveChoices() const;
    void RestoreChoices();

  signals:
    // A knot of the run begins (index 1..count).
    void knotStarted(int index, int count, const QString& name);
    // The run has ended and the window is idle again.
    void runFinished();
    // The window has closed; the program ends.
    void closed();

  protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // A knot list dropped onto the window becomes the chosen file.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void BuildFileChooser();
    void BuildRunButtons();
    void BuildOptions();
    void BuildColumns();
    void BuildStatusPanel();
    void BuildProgress();
    // The bar shows the knots done of those to compute and the time left, or "Paused".
    void UpdateProgress();
    void ShowResults();
    void OpenFile();
    QCheckBox* CheckBox(const char* name, const char* caption, bool checked, const QRect& geometry,
                        QWidget* parent);
    QComboBox* ChoiceBox(const char* name, const char* label, const QStringList& items, int row,
                         QWidget* parent);
    RunSettings SettingsFromControls() const;
    // The run seed that Randomize drew, as a status line, so that a run can be repeated.
    void ShowSeed(uint64_t seed);
    void StartRun();
    void ReportProblems(const WorkerResult& result);

    // Event handlers, named after the control and the event.
    void FormActivate();
    void DriveComboBox1Change();
    void DirectoryListBox1DblClick(const QModelIndex& index);
    void FilterComboBox1Change();
    void FileListBox1DblClick(const QModelIndex& index);
    void Button1Click();
    void randombuttonClick();
    void pausebuttonClick();
    void Button2Click();
    void help_isotopyClick();
    void aboutClick();
    void ButtonEndeClick();
    void RunThreadFinished();

    // One run state for the program's life: the random generator keeps its state across runs.
    RunState state_;
    QString inputDirectory_;
    QString inputFileName_;

    QFileSystemModel* folderModel_ = nullptr;
    QFileSystemModel* fileModel_ = nullptr;
    QComboBox* DriveComboBox1 = nullptr;
    QTreeView* DirectoryListBox1 = nullptr;
    QListView* FileListBox1 = nullptr;
    QComboBox* FilterComboBox1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* Button1 = nullptr;
    QComboBox* unknottingnumberupperbox = nullptr;
    QComboBox* nakanishieffortbox = nullptr;
    QComboBox* levinetristramnumberbox = nullptr;
    QComboBox* mahlerbox = nullptr;
    QCheckBox* computeallbox = nullptr;
    QCheckBox* checks1 = nullptr;
    QCheckBox* checku3 = nullptr;
    QSpinBox* threadsbox = nullptr;  // knots computed side by side
    QCheckBox* alexanderbox = nullptr;
    QCheckBox* h1l2box = nullptr;
    QCheckBox* determinantbox = nullptr;
    QCheckBox* genh1box = nullptr;
    QCheckBox* nakanishibox = nullptr;
    QCheckBox* lambdapqbox = nullptr;
    QCheckBox* algebraicunknottingbox = nullptr;
    QCheckBox* mahlercheckbox = nullptr;
    QCheckBox* signaturebox = nullptr;
    QCheckBox* ltbox = nullptr;
    QCheckBox* repmatrixclick = nullptr;
    QCheckBox* jsonlinesbox = nullptr;  // also write NAME_output.jsonl
    StatusImage* image2_ = nullptr;
    WindowHost* host_ = nullptr;
    QWidget* Form2 = nullptr;
    QWidget* Form3 = nullptr;
    QWidget* Form4 = nullptr;
    QWidget* Form9 = nullptr;
    ResultsWindow* results_ = nullptr;
    QProgressBar* runProgress_ = nullptr;
    QTimer* progressTimer_ = nullptr;
    QElapsedTimer runClock_;

    QThread* worker_ = nullptr;  // the run's thread while it runs
    WorkerResult result_;        // written by the worker, read after it has finished
    QTimer* startGuard_ = nullptr;
    bool quitPending_ = false;
    bool randomizePending_ = false;
};

}  // namespace corvane
