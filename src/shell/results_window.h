// The "Results" window: the results table of the run's list as a sortable, filterable table over
// the knot table itself (the same records the results files are written from), rows appearing as
// knots finish; the signature function of the selected knot; a double click shows a knot's full
// results, its certificates and its minimal Seifert matrix.
#pragma once

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <string>
#include <unordered_map>
#include <vector>

#include "knot/run_settings.h"
#include "knot/run_state.h"

class QLineEdit;
class QTableView;
class QTimer;

namespace corvane {

class SignaturePanel;

// The knots of a run as the rows of the results table: one row per knot shown, the columns of
// the run's options, each cell the text the results file holds between its column bars. Rows
// are read from the knot table only when the view asks for them, and their lines are kept
// (parked knots need not be read back again); while a run is under way a read waits for no lock:
// a row that cannot be read at once shows "…" and is read again shortly after.
class ResultsModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    explicit ResultsModel(const RunState& state, QObject* parent = nullptr);

    // A new run: no rows, the columns of `settings`.
    void StartRun(const RunSettings& settings);
    // Knot `index` has finished: it becomes a row (once).
    void AddKnot(int index);
    // The run has ended: every knot of the list is a row, in list order (none after an error in
    // reading the list, whose results file holds only the error).
    void EndRun();

    // The knot (1..count) of row `row`.
    int KnotAt(int row) const { return rows_.at(static_cast<std::size_t>(row)); }
    // The cells of row `row` as the results file holds them; empty when the knot table is busy.
    QStringList Cells(int row) const;
    const RunSettings& Settings() const { return settings_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  private:
    // The line of knot `knot` in the results file, read under the table's lock; false when the
    // lock is held elsewhere.
    bool Line(int knot, std::string& line) const;
    void RetryBusyRows();

    const RunState& state_;
    RunSettings settings_;
    QStringList headings_;
    std::vector<int> rows_;
    std::vector<bool> shown_;  // by knot: whether it is a row
    bool running_ = false;
    // The lines read so far, by knot; dropped when they grow past kCachedLines.
    mutable std::unordered_map<int, std::string> lines_;
    mutable bool busy_ = false;
    QTimer* retry_ = nullptr;
};

// Sorts numbers as numbers and everything else as text; filters on every column.
class ResultsProxy : public QSortFilterProxyModel {
    Q_OBJECT

  public:
    explicit ResultsProxy(QObject* parent = nullptr);

  protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
};

class ResultsWindow : public QWidget {
    Q_OBJECT

  public:
    ResultsWindow(const RunState& state, QWidget* parent = nullptr);

    ResultsModel& Model() const { return *model_; }
    ResultsProxy& Proxy() const { return *proxy_; }
    QTableView& View() const { return *view_; }
    SignaturePanel& Signature() const { return *signature_; }

    // The full results of knot `knot` (1..count) as text: every column of its row, its bounds
    // and their certificates as its JSON Lines object, and its minimal Seifert matrix.
    QString Details(int knot) const;
    // Opens the window that shows Details of the knot of view row `row`, with a copy button.
    QWidget* ShowDetails(int row);

    // Knot `index` is the one the main window shows: while no row is selected, the picture is
    // its signature function (of its matrix as read, which is S-equivalent to the minimal one).
    void FollowKnot(int index);

  private:
    void RowSelected();
    // Pictures the signature function of knot `knot` (1..count).
    void PlotKnot(int knot);

    const RunState& state_;
    ResultsModel* model_ = nullptr;
    ResultsProxy* proxy_ = nullptr;
    QLineEdit* filter_ = nullptr;
    QTableView* view_ = nullptr;
    SignaturePanel* signature_ = nullptr;
    int followed_ = 0;  // the knot the main window shows, 0 for none
};

}  // namespace corvane
