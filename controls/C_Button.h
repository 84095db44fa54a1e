// Push button with normal, hover and pressed faces and a caption. Click is raised when a
// press on it is released (also outside it, with any button); the pressed look stays while
// the host handles Click. Space or Enter on the focused button (reached with Tab) clicks it.
// Owned by its host window; user-interface thread only.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

namespace tonvara {

class C_Button : public QWidget
{
    Q_OBJECT
  public:
    enum State : int
    {
        Normal = 0,
        Hover = 1,
        Pressed = 2
    };

    explicit C_Button(QWidget *parent = nullptr);

    // 0: large face 63 x 26 px, 12 pt caption; 1: small face 43 x 23 px, 8 pt caption.
    // Other values are ignored.
    int buttonIndex() const { return m_buttonIndex; }
    void setButtonIndex(int index);
    QString caption() const { return m_caption; }
    void setCaption(const QString &caption);
    // 0 normal, 1 hover, 2 pressed; any other value shows no face and leaves the caption as
    // it was. Writing the current value does nothing.
    int state() const { return m_state; }
    void setState(int state);
    // A click as from the keyboard: the pressed face while the host handles Click, then the
    // face of where the pointer is. Nothing while the control is disabled.
    void click();

    bool isPressedFlag() const { return m_pressed; }
    bool isInside() const { return m_inside; }
    // What is on screen now (may lag State while the host handles Click).
    int shownState() const { return m_shownState; }
    QColor captionColor() const { return m_captionColor; }
    int captionTop() const { return m_captionTop; }

    QSize sizeHint() const override;
    static QSize faceSize(int buttonIndex);

  signals:
    void Click();
    void MouseEnter();
    void MouseLeave();

  protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

  private:
    void redraw();
    void layOut();

    int m_buttonIndex = 0;
    QString m_caption = QStringLiteral("按钮");
    int m_state = Normal;
    int m_shownState = Normal;
    QColor m_captionColor{223, 225, 227};
    int m_captionTop = 5;
    bool m_pressed = false;
    bool m_inside = false;
};

} // namespace tonvara
