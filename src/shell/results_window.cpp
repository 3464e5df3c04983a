#include "shell/results_window.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <mutex>

#include "output/results_table.h"
#include "output/text_results.h"
#include "shell/signature_plot.h"

namespace corvane {

namespace {

// Lines kept in memory: enough for the whole table of a long list (a line is a few hundred
// bytes), so that sorting and filtering read each knot once.
constexpr std::size_t kCachedLines = 1u << 17;
// Columns are fitted to their texts as the first kFittedRows rows arrive and when the run ends
// (looking at no more than that many rows), never wider than kWidestColumn.
constexpr int kFittedRows = 200;
constexpr int kWidestColumn = 420;
// How soon rows that met a busy knot table are read again.
constexpr int kRetryMs = 150;

const QString kBusyCell = QStringLiteral("…");

QString FromStd(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QStringList ToStringList(const std::vector<std::string>& texts) {
    QStringList list;
    list.reserve(static_cast<qsizetype>(texts.size()));
    for (const std::string& text : texts) list.append(FromStd(text));
    return list;
}

}  // namespace

ResultsModel::ResultsModel(const RunState& state, QObject* parent)
    : QAbstractTableModel(parent), state_(state) {
    headings_ = ToStringList(TableHeadings(settings_));
    retry_ = new QTimer(this);
    retry_->setSingleShot(true);
    retry_->setInterval(kRetryMs);
    connect(retry_, &QTimer::timeout, this, &ResultsModel::RetryBusyRows);
}

void ResultsModel::StartRun(const RunSettings& settings) {
    beginResetModel();
    settings_ = settings;
    headings_ = ToStringList(TableHeadings(settings_));
    rows_.clear();
    shown_.clear();
    lines_.clear();
    running_ = true;
    endResetModel();
}

void ResultsModel::AddKnot(int index) {
    if (index < 1) return;
    if (shown_.size() <= static_cast<std::size_t>(index)) shown_.resize(index + 1, false);
    if (shown_[index]) return;
    shown_[index] = true;
    const int row = static_cast<int>(rows_.size());
    beginInsertRows({}, row, row);
    rows_.push_back(index);
    endInsertRows();
}

// The lines read during the run stay: a finished knot's line is final.
void ResultsModel::EndRun() {
    beginResetModel();
    running_ = false;
    rows_.clear();
    const int count = state_.InputError ? 0 : state_.KnotCount();
    for (int i = 1; i <= count; ++i) rows_.push_back(i);
    shown_.assign(static_cast<std::size_t>(count) + 1, true);
    endResetModel();
}

bool ResultsModel::Line(int knot, std::string& line) const {
    if (const auto cached = lines_.find(knot); cached != lines_.end()) {
        line = cached->second;
        return true;
    }
    // During a run the workers store finished knots and the writers read the table under this
    // lock; the window never waits for it.
    std::unique_lock lock(state_.KnotsMutex, std::defer_lock);
    if (running_ && !lock.try_lock()) return false;
    KnotRecord buffer;
    line = KnotTableLine(state_.Knots.Get(knot, buffer), settings_);
    if (lines_.size() >= kCachedLines) lines_.clear();
    lines_.emplace(knot, line);
    return true;
}

QStringList ResultsModel::Cells(int row) const {
    std::string line;
    if (!Line(KnotAt(row), line)) return {};
    QStringList cells = ToStringList(TableCells(line));
    // Cells beyond the headings (results without a column of their own, such as an error) join
    // the last column, as they follow it in the file.
    const qsizetype columns = headings_.size();
    if (cells.size() > columns) {
        const QStringList rest = cells.mid(columns - 1);
        cells = cells.mid(0, columns - 1);
        cells.append(rest.join(QStringLiteral(" | ")));
    }
    return cells;
}

void ResultsModel::RetryBusyRows() {
    if (!busy_ || rows_.empty()) return;
    busy_ = false;
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::DisplayRole});
}

int ResultsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ResultsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(headings_.size());
}

QVariant ResultsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) return {};
    const QStringList cells = Cells(index.row());
    if (cells.isEmpty()) {
        busy_ = true;
        if (!retry_->isActive()) retry_->start();
        return kBusyCell;
    }
    return index.column() < cells.size() ? cells[index.column()] : QString();
}

QVariant ResultsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return KnotAt(section);
    return section < headings_.size() ? headings_[section] : QVariant();
}

ResultsProxy::ResultsProxy(QObject* parent) : QSortFilterProxyModel(parent) {
    setFilterKeyColumn(-1);
    setFilterCaseSensitivity(Qt::CaseInsensitive);
    setDynamicSortFilter(true);
}

bool ResultsProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    const QString a = left.data().toString();
    const QString b = right.data().toString();
    bool aNumber = false;
    bool bNumber = false;
    const double x = a.toDouble(&aNumber);
    const double y = b.toDouble(&bNumber);
    if (aNumber && bNumber) return x < y;
    if (aNumber != bNumber) return aNumber;  // numbers before texts
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
}

ResultsWindow::ResultsWindow(const RunState& state, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state) {
    setObjectName(QStringLiteral("resultsWindow"));
    setWindowTitle(QStringLiteral("Results"));
    model_ = new ResultsModel(state, this);
    proxy_ = new ResultsProxy(this);
    proxy_->setSourceModel(model_);

    filter_ = new QLineEdit(this);
    filter_->setObjectName(QStringLiteral("resultsFilter"));
    filter_->setPlaceholderText(QStringLiteral("Filter: rows that contain this text"));
    filter_->setClearButtonEnabled(true);
    connect(filter_, &QLineEdit::textChanged, proxy_, &QSortFilterProxyModel::setFilterFixedString);

    view_ = new QTableView(this);
    view_->setObjectName(QStringLiteral("resultsTable"));
    view_->setModel(proxy_);
    view_->setSortingEnabled(true);
    view_->sortByColumn(-1, Qt::AscendingOrder);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setWordWrap(false);
    view_->horizontalHeader()->setStretchLastSection(true);
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
    connect(view_, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { ShowDetails(index.row()); });
    connect(view_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &ResultsWindow::RowSelected);

    view_->horizontalHeader()->setResizeContentsPrecision(kFittedRows);
    const auto fitColumns = [this] {
        view_->resizeColumnsToContents();
        for (int c = 0; c < model_->columnCount(); ++c)
            view_->setColumnWidth(c, std::min(view_->columnWidth(c), kWidestColumn));
    };
    connect(model_, &QAbstractItemModel::rowsInserted, this, [this, fitColumns] {
        if (model_->rowCount() <= kFittedRows) fitColumns();
    });
    connect(model_, &QAbstractItemModel::modelReset, this, fitColumns);

    signature_ = new SignaturePanel(this);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(view_);
    splitter->addWidget(signature_);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(filter_);
    layout->addWidget(splitter, 1);
    resize(900, 640);
}

void ResultsWindow::FollowKnot(int index) {
    followed_ = index;
    if (!view_->currentIndex().isValid()) PlotKnot(index);
}

void ResultsWindow::RowSelected() {
    const QModelIndex current = view_->currentIndex();
    if (current.isValid()) {
        PlotKnot(model_->KnotAt(proxy_->mapToSource(current).row()));
    } else if (followed_ > 0 && followed_ <= state_.KnotCount() && model_->rowCount() > 0) {
        PlotKnot(followed_);
    } else {
        signature_->Plot().Clear();
    }
}

void ResultsWindow::PlotKnot(int knot) {
    KnotRecord record;
    {
        std::unique_lock lock(state_.KnotsMutex, std::defer_lock);
        if (state_.Running && !lock.try_lock()) return;
        record = state_.Knots.Copy(knot);
    }
    IntMatrix v;
    int n = 0;
    if (!KnotMinimalMatrix(record, model_->Settings(), v, n)) {
        signature_->Plot().Clear();
        return;
    }
    signature_->Plot().ShowKnot(FromStd(record.name), v, n);
}

QString ResultsWindow::Details(int knot) const {
    KnotRecord record;
    {
        const std::lock_guard lock(state_.KnotsMutex);
        record = state_.Knots.Copy(knot);
    }
    return FromStd(KnotDetailsText(record, model_->Settings()));
}

QWidget* ResultsWindow::ShowDetails(int row) {
    if (row < 0 || row >= proxy_->rowCount()) return nullptr;
    const int knot = model_->KnotAt(proxy_->mapToSource(proxy_->index(row, 0)).row());
    auto* dialog = new QDialog(this);
    dialog->setObjectName(QStringLiteral("knotDetails"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    auto* text = new QPlainTextEdit(Details(knot), dialog);
    text->setObjectName(QStringLiteral("detailsText"));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setFont(QFont(QStringLiteral("Monospace")));
    auto* copy = new QPushButton(QStringLiteral("Copy"), dialog);
    copy->setObjectName(QStringLiteral("copyDetails"));
    connect(copy, &QPushButton::clicked, text,
            [text] { QApplication::clipboard()->setText(text->toPlainText()); });
    auto* close = new QPushButton(QStringLiteral("Close"), dialog);
    connect(close, &QPushButton::clicked, dialog, &QDialog::close);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(copy);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(text, 1);
    layout->addLayout(buttons);
    dialog->setWindowTitle(QStringLiteral("Results of ") + proxy_->index(row, 0).data().toString());
    dialog->resize(640, 560);
    dialog->show();
    return dialog;
}

}  // namespace corvane
