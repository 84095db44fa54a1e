// Vertical slider with title, value read-out, tick scale, groove and striped knob. The user
// drags the knob or steps it with the arrow keys while the pointer rests on it; a slider that
// holds the keyboard focus also takes the arrow keys, Page Up/Down, Home and End without the
// pointer. Every user change raises Scroll, values set by the program never do. Owned by its
// host window; user-interface thread only. Enabled is QWidget::setEnabled; the drawing
// ignores it.
#pragma once

#include "SliderGeometry.h"

#include <QImage>
#include <QString>
#include <QWidget>

#include <optional>

namespace tonvara {

class WindowServices;

class C_ScrollBar : public QWidget
{
    Q_OBJECT
  public:
    // The design settings a host gives a slider when it lays out its window, applied in this
    // order by loadSettings(); each member's default is the one a missing entry takes.
    struct Settings
    {
        int maxValue = 10;
        QString title = QStringLiteral("None");
        QString valueTip = QStringLiteral("None");
        QString text1 = QStringLiteral("None");
        QString text2 = QStringLiteral("None");
        QString text3 = QStringLiteral("None");
        bool enabled = true;
        bool showSize = false;
        bool titleVisible = true;
        bool valueGlobal = false;
        int valueTipType = 0;
    };

    explicit C_ScrollBar(QWidget *parent = nullptr);
    ~C_ScrollBar() override;

    void loadSettings(const Settings &settings);

    int value() const { return m_value; }
    void setValue(int value);
    // A change as the user makes it (keyboard, assistive tools): limited to the range, then,
    // if the value moved and the slider is enabled, read-out refresh, Scroll and redraw.
    // Answers whether it moved.
    bool setValueByUser(int value);
    // Steps of Page Up/Down: a tenth of the range, the distance between two ticks.
    int pageStep() const;
    int maxValue() const { return m_maxValue; }
    void setMaxValue(int maxValue);        // re-centres Value
    void setMaxValuePreview(int maxValue); // keeps Value unless it is above the new range
    QString valueTip() const { return m_valueTip; }
    void setValueTip(const QString &text);
    int valueTipType() const { return m_valueTipType; }
    void setValueTipType(int type);
    bool valueGlobal() const { return m_valueGlobal; }
    void setValueGlobal(bool on) { m_valueGlobal = on; }
    QString title() const { return m_title; }
    void setTitle(const QString &title);
    bool titleVisible() const { return m_titleVisible; }
    void setTitleVisible(bool visible);
    bool showSize() const { return m_showSize; }
    void setShowSize(bool tall);
    QString text1() const { return m_text[0]; }
    QString text2() const { return m_text[1]; }
    QString text3() const { return m_text[2]; }
    void setText1(const QString &text);
    void setText2(const QString &text);
    void setText3(const QString &text);

    // A red tick left of the read-out box, outside the title, scale, groove, knob and read-out:
    // the host marks a slider whose value differs from compared values. Any change of Value
    // removes it.
    bool isMarked() const { return m_marked; }
    void setMarked(bool marked);

    // Interaction state, for the host and tests.
    bool isIn() const { return m_in; }
    bool isDragActive() const { return m_dragActive; }
    int knobY() const;
    SliderGeometry geometry() const { return SliderGeometry(m_showSize, m_maxValue); }

    // Whether the Up and Down keys act on the knob: the pointer is on it, or it rests where
    // the keys moved the knob away from it and the pointer could not follow (Wayland).
    bool takesKnobKeys() const { return m_in || m_keyHoldY.has_value(); }

    // Arrow-key steps move the screen pointer back onto the knob through these services
    // when given (tests use the virtual ones), else through the window system's own.
    void setWindowServices(WindowServices *services) { m_services = services; }

    QSize sizeHint() const override;

  signals:
    void Scroll();
    void MouseIn();

  protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void changeEvent(QEvent *event) override;

  private:
    void refreshReadout();
    // Value takes v (already within the range); a change removes the mark.
    void takeValue(int v);
    void setText(int index, const QString &text);
    void enterIn();
    void leaveIn();
    void trackPointer(QPointF pos);
    void followKnobWithPointer(int knobBefore);
    WindowServices &windowServices() const;
    void rebuildStaticLayer();
    void buildStaticLayer();
    void applyLayoutHeight();
    void announceValue();
    void keyboardStep(QKeyEvent *event);

    int m_value = 5;
    int m_maxValue = 10;
    int m_valueTipType = 0;
    QString m_valueTip = QStringLiteral("None");
    QString m_title = QStringLiteral("None");
    QString m_text[3] = {QStringLiteral("None"), QStringLiteral("None"), QStringLiteral("None")};
    bool m_titleVisible = true;
    bool m_showSize = false;
    bool m_valueGlobal = false;
    bool m_marked = false;

    bool m_in = false;
    bool m_dragActive = false;
    int m_lastReported = 5;
    int m_announcedValue = -1;
    QString m_announcedTip;

    // Centre of the knob band the pointer rests in after arrow keys moved the knob away and
    // the pointer could not follow; the keys keep to the knob until the pointer leaves it.
    std::optional<int> m_keyHoldY;
    QPointF m_pointerPos; // where the last pointer movement over the control was

    WindowServices *m_services = nullptr;
    QImage m_staticLayer; // background, scale, groove, value box and labels
};

} // namespace tonvara
