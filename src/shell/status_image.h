// The status image of the main window: a 553 × 233 picture on which the calculation draws its
// progress texts at pixel positions in a monospaced font. A text paints its background cell, so
// that drawing blanks over a text erases it; the picture keeps what is drawn.
#pragma once

#include <QImage>
#include <QLabel>
#include <QRegion>
#include <QStringList>
#include <mutex>
#include <string_view>
#include <vector>

namespace corvane {

class StatusImage : public QLabel {
    Q_OBJECT

  public:
    static constexpr int kWidth = 553;
    static constexpr int kHeight = 233;

    explicit StatusImage(QWidget* parent);

    // Queues text for drawing with its top-left corner at pixel (x, y). Safe to call from any
    // thread; the drawing itself happens on the window's thread, in the order of the calls.
    void Enqueue(int x, int y, std::string_view text);

    // Erases the whole picture.
    void Clear();

    // The texts of which some part is still visible, in the order they were drawn, without
    // trailing blanks; texts of blanks only are left out.
    QStringList VisibleTexts() const;

    // The visible texts (as VisibleTexts gives them) of which some character other than a blank
    // is hidden: it lies beyond the picture's edge, or a later text covers it. Texts drawn at
    // their places are whole lines exactly when there are none.
    QStringList CutTexts() const;

    const QImage& Picture() const { return picture_; }
    int CharWidth() const { return charWidth_; }
    int LineHeight() const { return lineHeight_; }

  private:
    struct PendingText {
        int x = 0;
        int y = 0;
        QString text;
        bool cutAtEdge = false;  // a character other than a blank lies beyond the picture
    };
    struct DrawnText {
        QString text;
        QRegion visible;
        QRect ink;  // the cells from its first to its last character other than a blank
        bool cutAtEdge = false;
    };

    void Flush();
    void Paint(const PendingText& item);
    void RecordDrawn(const PendingText& item, const QRect& cell);

    QImage picture_;
    QFont font_;
    int charWidth_ = 0;
    int lineHeight_ = 0;
    int ascent_ = 0;

    std::mutex pendingMutex_;
    std::vector<PendingText> pending_;  // guarded by pendingMutex_
    std::vector<DrawnText> drawn_;      // window thread only
};

}  // namespace corvane
