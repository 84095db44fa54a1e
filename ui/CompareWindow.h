// The window of a comparison: one line per setting that differs (key, the setting in words,
// both values as the window shows them), or "No differences."; the lines can be selected and
// copied as plain text (Ctrl+A, Ctrl+C); Esc closes it. Its buttons only ask: whoever opened
// the window takes the values or uploads. A tool window of the main window, deleted when it
// closes; user-interface thread only.
#pragma once

#include <QStringList>
#include <QWidget>

class QPlainTextEdit;
class QPushButton;

namespace tonvara {

class CompareWindow : public QWidget
{
    Q_OBJECT
  public:
    // takeCaption names the take button ("Take target values"); uploadCaption, when not empty,
    // adds a button for the Upload.
    CompareWindow(const QString &title, const QStringList &lines, const QString &takeCaption,
                  const QString &uploadCaption, QWidget *owner);

    // Places the window to the right of the main window, or as far right on its screen as it
    // goes, so that it covers as little as possible of the panels whose controls carry marks.
    void placeBeside(const QWidget &mainWindow);

    // The text as it stands in the window: the lines, or "No differences.", one per line.
    QString text() const;
    QPlainTextEdit *textView() const { return m_text; }
    QPushButton *takeButton() const { return m_take; }
    QPushButton *uploadButton() const { return m_upload; }

  signals:
    void takeRequested();
    void uploadRequested();
    // The window is closing (Esc, its close button, or a take or an upload that ends it).
    void closing();

  protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

  private:
    QPlainTextEdit *m_text = nullptr;
    QPushButton *m_take = nullptr;
    QPushButton *m_upload = nullptr;
};

} // namespace tonvara
