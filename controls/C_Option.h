// Option controls that show a selected or unselected look and report clicks; neither changes
// its own selection, the host writes Value. C_Option: round indicator with a caption.
// C_OptionEx: one of seventeen image keys (flat/natural/sharp keys, AUTO, AUX, BGM, Mute,
// Lock, Reset) chosen by ButtonIndex. Both are reached with Tab (never by a click) and Space or
// Enter clicks the focused one. Owned by the host window; user-interface thread only.
#pragma once

#include <QString>
#include <QWidget>

namespace tonvara {

class C_Option : public QWidget
{
    Q_OBJECT
  public:
    static constexpr int kMinWidth = 33; // 500 twips
    static constexpr int kHeight = 17;   // 260 twips

    explicit C_Option(QWidget *parent = nullptr);

    QString caption() const { return m_caption; }
    void setCaption(const QString &caption);
    bool value() const { return m_value; }
    void setValue(bool selected);
    // Raises Click as a completed click does; nothing while the control is disabled.
    void click();

    QSize sizeHint() const override;

  signals:
    void Click();

  protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

  private:
    QString m_caption = QStringLiteral("Label1");
    bool m_value = false;
    bool m_pressed = false;
};

class C_OptionEx : public QWidget
{
    Q_OBJECT
  public:
    static constexpr int kKeyCount = 17;

    explicit C_OptionEx(QWidget *parent = nullptr);

    // 0..16; other values are ignored.
    int buttonIndex() const { return m_buttonIndex; }
    void setButtonIndex(int index);
    bool value() const { return m_value; }
    void setValue(bool selected);
    // Raises Click as a completed click does; nothing while the control is disabled.
    void click();

    static QSize faceSize(int buttonIndex);
    static QString legend(int buttonIndex);

    QSize sizeHint() const override;

  signals:
    void Click();

  protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

  private:
    int m_buttonIndex = 0;
    bool m_value = false;
    bool m_pressed = false;
};

} // namespace tonvara
