#include "C_FlagBar.h"

#include "ControlAccessibility.h"
#include "ControlLooks.h"
#include "ControlMath.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace tonvara {

namespace {
const QColor kBackground(63, 63, 61);
}

C_FlagBar::C_FlagBar(QWidget *parent) : QWidget(parent)
{
    prepareKeyboardUse(*this);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::PointingHandCursor);
    setFixedSize(kWidth, kHeight);
}

QSize C_FlagBar::sizeHint() const
{
    return {kWidth, kHeight};
}

void C_FlagBar::setValue(bool value)
{
    setOn(value != m_valueInvert);
}

void C_FlagBar::setOn(bool on)
{
    const bool changed = on != m_on;
    m_on = on;
    // A change of the switch state also takes the difference mark off.
    if (changed)
        m_marked = false;
    update();
    if (changed)
        announceChecked(this);
}

void C_FlagBar::toggle()
{
    if (!isEnabled())
        return;
    setOn(!m_on);
    emit Click();
}

void C_FlagBar::setMarked(bool marked)
{
    if (marked == m_marked)
        return;
    m_marked = marked;
    update();
    announceDescription(this);
}

void C_FlagBar::setValueInvert(bool invert)
{
    m_valueInvert = invert;
    update();
}

void C_FlagBar::setButtonStyle(int style)
{
    if (style != 0)
        return; // only one face pair exists
    m_buttonStyle = style;
    setFixedSize(kWidth, kHeight);
    update();
}

void C_FlagBar::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), kBackground);
    drawRockerFace(p, QRect(0, 0, kWidth, kHeight), m_on);
    if (hasFocus())
        drawFocusMark(p, rect());
    if (m_marked)
        drawDifferenceMark(p, QRect(0, 0, kWidth, kHeight));
}

void C_FlagBar::resizeEvent(QResizeEvent *)
{
    update();
}

void C_FlagBar::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    // Compared in twips: a press exactly on the middle (420) leaves the switch as it was.
    const double xTwips = event->position().x() * kTwipsPerPixel;
    if (xTwips > kMidpointTwips)
        setOn(true);
    else if (xTwips < kMidpointTwips)
        setOn(false);
    else
        update();
    emit Click();
}

void C_FlagBar::keyPressEvent(QKeyEvent *event)
{
    if (takePressKey(*event))
        toggle();
}

} // namespace tonvara
