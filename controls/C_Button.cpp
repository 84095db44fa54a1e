#include "C_Button.h"

#include "ControlAccessibility.h"
#include "ControlLooks.h"
#include "ControlMath.h"

#include <QEnterEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace tonvara {

namespace {

const QColor kBackground(63, 63, 61);
const QColor kCaptionNormal(223, 225, 227);
const QColor kCaptionPressed(192, 192, 255);

QFont captionFont(int buttonIndex)
{
    return arialFont(buttonIndex == 0 ? 12.0 : 8.0);
}

} // namespace

C_Button::C_Button(QWidget *parent) : QWidget(parent)
{
    prepareKeyboardUse(*this);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    layOut();
    redraw();
}

QSize C_Button::faceSize(int buttonIndex)
{
    return buttonIndex == 1 ? QSize(43, 23) : QSize(63, 26);
}

QSize C_Button::sizeHint() const
{
    return faceSize(m_buttonIndex);
}

void C_Button::setButtonIndex(int index)
{
    if (index != 0 && index != 1)
        return; // only two face sets exist
    m_buttonIndex = index;
    layOut();
    redraw();
}

void C_Button::setCaption(const QString &caption)
{
    m_caption = caption;
    layOut();
}

void C_Button::setState(int state)
{
    if (state == m_state)
        return;
    m_state = state;
    redraw();
}

void C_Button::layOut()
{
    // The host cannot stretch the button: its size is that of its face set.
    setFixedSize(faceSize(m_buttonIndex));
    update();
}

void C_Button::redraw()
{
    m_shownState = m_state;
    switch (m_state) {
    case Normal:
        m_captionColor = kCaptionNormal;
        m_captionTop = twipsToPixels(80);
        break;
    case Hover:
        m_captionColor = kCaptionNormal;
        m_captionTop = twipsToPixels(70);
        break;
    case Pressed:
        m_captionColor = kCaptionPressed;
        m_captionTop = twipsToPixels(90);
        break;
    default:
        break; // no face; the caption stays as it was
    }
    update();
}

void C_Button::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRect face(QPoint(0, 0), faceSize(m_buttonIndex));
    p.fillRect(rect(), kBackground);
    switch (m_shownState) {
    case Normal:
        drawButtonFace(p, face, ButtonLook::Normal);
        break;
    case Hover:
        drawButtonFace(p, face, ButtonLook::Hover);
        break;
    case Pressed:
        drawButtonFace(p, face, ButtonLook::Pressed);
        break;
    default:
        break;
    }
    const QFont font = captionFont(m_buttonIndex);
    const QFontMetrics metrics(font);
    const int captionWidth = metrics.horizontalAdvance(m_caption);
    const int left = width() / 2 - captionWidth / 2;
    p.setFont(font);
    p.setPen(m_captionColor);
    p.drawText(QRect(left, m_captionTop, captionWidth + 2, metrics.height()),
               Qt::AlignLeft | Qt::AlignTop, m_caption);
    if (hasFocus())
        drawFocusMark(p, rect());
}

void C_Button::resizeEvent(QResizeEvent *)
{
    update();
}

void C_Button::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    m_pressed = true;
    m_state = Pressed;
    redraw();
}

void C_Button::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    m_state = m_pressed ? Pressed : Hover;
    redraw();
}

void C_Button::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    m_pressed = false;
    m_state = Hover;
    // The pressed face stays on screen while the host handles Click; the redraw follows.
    emit Click();
    redraw();
}

void C_Button::click()
{
    if (!isEnabled())
        return;
    m_state = Pressed;
    redraw();
    m_state = m_inside ? Hover : Normal;
    emit Click();
    redraw();
}

void C_Button::keyPressEvent(QKeyEvent *event)
{
    if (takePressKey(*event))
        click();
}

void C_Button::enterEvent(QEnterEvent *event)
{
    if (!m_inside) {
        m_inside = true;
        m_state = Hover;
        redraw();
        emit MouseEnter();
    }
    QWidget::enterEvent(event);
}

void C_Button::leaveEvent(QEvent *event)
{
    m_inside = false;
    m_state = Normal;
    redraw();
    emit MouseLeave();
    QWidget::leaveEvent(event);
}

} // namespace tonvara
