// Two-position rocker switch, 56 x 23 px: a press on the left half turns it off, on the right
// half on, exactly on the middle leaves it; every press raises Click after the face changed.
// Value writes never raise Click. Space or Enter on the focused toggle flips it as a press on
// the other half does. Owned by its host window; user-interface thread only.
#pragma once

#include <QWidget>

namespace tonvara {

class C_FlagBar : public QWidget
{
    Q_OBJECT
  public:
    static constexpr int kWidth = 56;
    static constexpr int kHeight = 23;
    static constexpr int kMidpointTwips = 420;

    explicit C_FlagBar(QWidget *parent = nullptr);

    // Switch state, negated while ValueInvert is set.
    bool value() const { return m_on != m_valueInvert; }
    void setValue(bool value);
    bool valueInvert() const { return m_valueInvert; }
    void setValueInvert(bool invert); // the face stays; Value flips
    // Face pair; only 0 exists, other values are ignored.
    int buttonStyle() const { return m_buttonStyle; }
    void setButtonStyle(int style);
    // True while the on face is shown.
    bool isOn() const { return m_on; }
    // As a press on the half that is not lit: the face flips, then Click. Nothing happens
    // while the control is disabled.
    void toggle();
    // A red tick over the top right corner of the face: the host marks a toggle whose value
    // differs from compared values. A change of the switch state removes it.
    bool isMarked() const { return m_marked; }
    void setMarked(bool marked);

    QSize sizeHint() const override;

  signals:
    void Click();

  protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

  private:
    void setOn(bool on);

    bool m_on = false;
    bool m_marked = false;
    bool m_valueInvert = false;
    int m_buttonStyle = 0;
};

} // namespace tonvara
