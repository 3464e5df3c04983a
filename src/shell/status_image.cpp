#include "shell/status_image.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QPixmap>
#include <algorithm>

namespace corvane {

namespace {

const QColor kBackground(Qt::white);
const QColor kForeground(Qt::black);

// A monospaced font small enough that rows drawn 12 pixels apart do not overlap.
QFont StatusFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(10);
    return font;
}

}  // namespace

StatusImage::StatusImage(QWidget* parent)
    : QLabel(parent), picture_(kWidth, kHeight, QImage::Format_RGB32), font_(StatusFont()) {
    const QFontMetrics metrics(font_);
    charWidth_ = std::max(1, metrics.horizontalAdvance(QLatin1Char('0')));
    lineHeight_ = metrics.height();
    ascent_ = metrics.ascent();
    setFixedSize(kWidth, kHeight);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Clear();
}

void StatusImage::Enqueue(int x, int y, std::string_view text) {
    // Only the part of the text that falls on the picture is kept: the calculation erases with
    // lines of 1500 blanks, of which some 90 characters are visible.
    if (x >= kWidth || y >= kHeight || y + lineHeight_ <= 0 || text.empty()) return;
    const qsizetype visibleChars = (kWidth - x + charWidth_ - 1) / charWidth_;
    const std::string_view shown = text.substr(0, static_cast<size_t>(visibleChars));
    const size_t lastInk = text.find_last_not_of(' ');
    const bool cutAtEdge = lastInk != std::string_view::npos &&
                           (x < 0 || y < 0 || y + lineHeight_ > kHeight ||
                            x + static_cast<int>(lastInk + 1) * charWidth_ > kWidth);
    PendingText item{x, y, QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size())),
                     cutAtEdge};

    bool wake = false;
    {
        const std::lock_guard lock(pendingMutex_);
        // A queued text that a later text at the same place covers completely need not be
        // drawn; this keeps the queue short when a long search redraws its status line
        // faster than the window repaints.
        std::erase_if(pending_, [&item](const PendingText& earlier) {
            return earlier.x == item.x && earlier.y == item.y &&
                   earlier.text.size() <= item.text.size();
        });
        wake = pending_.empty();
        pending_.push_back(std::move(item));
    }
    if (wake) QMetaObject::invokeMethod(this, &StatusImage::Flush, Qt::QueuedConnection);
}

void StatusImage::Clear() {
    picture_.fill(kBackground);
    drawn_.clear();
    setPixmap(QPixmap::fromImage(picture_));
    setAccessibleDescription(QString());
}

QStringList StatusImage::VisibleTexts() const {
    QStringList texts;
    for (const DrawnText& drawn : drawn_) texts.append(drawn.text);
    return texts;
}

QStringList StatusImage::CutTexts() const {
    QStringList texts;
    for (const DrawnText& drawn : drawn_) {
        if (drawn.cutAtEdge || !(QRegion(drawn.ink) - drawn.visible).isEmpty())
            texts.append(drawn.text);
    }
    return texts;
}

void StatusImage::Flush() {
    std::vector<PendingText> items;
    {
        const std::lock_guard lock(pendingMutex_);
        items.swap(pending_);
    }
    if (items.empty()) return;
    for (const PendingText& item : items) Paint(item);
    setPixmap(QPixmap::fromImage(picture_));
    setAccessibleDescription(VisibleTexts().join(QLatin1Char('\n')));
}

void StatusImage::Paint(const PendingText& item) {
    const QRect cell(item.x, item.y, static_cast<int>(item.text.size()) * charWidth_, lineHeight_);
    QPainter painter(&picture_);
    painter.setFont(font_);
    painter.fillRect(cell, kBackground);
    painter.setPen(kForeground);
    painter.drawText(item.x, item.y + ascent_, item.text);
    RecordDrawn(item, cell);
}

void StatusImage::RecordDrawn(const PendingText& item, const QRect& cell) {
    for (DrawnText& drawn : drawn_) drawn.visible -= cell;
    std::erase_if(drawn_, [](const DrawnText& drawn) { return drawn.visible.isEmpty(); });
    QString text = item.text;
    while (!text.isEmpty() && text.back() == QLatin1Char(' ')) text.chop(1);
    const QRegion visible = QRegion(cell) & QRegion(picture_.rect());
    if (text.trimmed().isEmpty() || visible.isEmpty()) return;
    qsizetype firstInk = 0;
    while (text[firstInk] == QLatin1Char(' ')) ++firstInk;
    const QRect ink(item.x + static_cast<int>(firstInk) * charWidth_, item.y,
                    static_cast<int>(text.size() - firstInk) * charWidth_, lineHeight_);
    drawn_.push_back({text, visible, ink & picture_.rect(), item.cutAtEdge});
}

}  // namespace corvane
