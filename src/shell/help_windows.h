// The secondary windows: the help window opened by the Help button, the about window opened by
// About, a paged help window and an empty window that no control opens. They hold fixed texts and
// never block the main window.
#pragma once

#include <QWidget>

class QPlainTextEdit;

namespace corvane {

// A secondary top-level window that tells its owner when it is closed or hidden, so that the
// main window can take the focus back.
class SecondaryWindow : public QWidget {
    Q_OBJECT

  public:
    SecondaryWindow(const QString& objectName, QWidget* owner);

  signals:
    void closed();

  protected:
    void hideEvent(QHideEvent* event) override;
};

// `Form9`: the help text and "Quit help".
class HelpWindow : public SecondaryWindow {
    Q_OBJECT

  public:
    explicit HelpWindow(QWidget* owner);
};

// `Form4`: the credit and "Back to the main menu".
class AboutWindow : public SecondaryWindow {
    Q_OBJECT

  public:
    explicit AboutWindow(QWidget* owner);
};

// `Form2`: five pages on top of each other, one shown at a time, chosen by the buttons on top.
class PagedHelpWindow : public SecondaryWindow {
    Q_OBJECT

  public:
    explicit PagedHelpWindow(QWidget* owner);

  private:
    void ShowPage(QPlainTextEdit* page);

    QList<QPlainTextEdit*> pages_;
};

// `Form3`: an empty window, never shown.
class EmptyWindow : public SecondaryWindow {
    Q_OBJECT

  public:
    explicit EmptyWindow(QWidget* owner);
};

// The text of the help window.
QString HelpText();

}  // namespace corvane
