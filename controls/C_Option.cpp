#include "C_Option.h"

#include "ControlAccessibility.h"
#include "ControlLooks.h"
#include "ControlMath.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <array>

namespace tonvara {

namespace {

const QColor kOptionBackground(127, 127, 127);
const QColor kKeyBackground(63, 63, 61);
const QColor kCaptionSelected(255, 255, 0);
const QColor kCaptionUnselected(64, 64, 62);
constexpr QSize kIndicatorSize(16, 17);

const std::array<const char *, C_OptionEx::kKeyCount> kLegends = {
    "\u266d1", "\u266d2", "\u266d3", "\u266d4", "\u266d5", "\u266e", "#1",   "#2",   "#3",
    "#4",      "#5",      "AUTO",    "AUX",     "BGM",     "Mute",   "Lock", "Reset"};

// A click is a press and a release of the primary button over the control.
bool completesClick(const QWidget &widget, const QMouseEvent &event, bool pressed)
{
    return pressed && event.button() == Qt::LeftButton &&
           widget.rect().contains(event.position().toPoint());
}

// Both controls: store the selection, redraw, and tell assistive tools when it changed.
void storeSelection(QWidget &control, bool &stored, bool selected)
{
    const bool changed = selected != stored;
    stored = selected;
    control.update();
    if (changed)
        announceChecked(&control);
}

} // namespace

C_Option::C_Option(QWidget *parent) : QWidget(parent)
{
    prepareKeyboardUse(*this);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::PointingHandCursor);
    // The width is the host's but never below 500 twips; the height is always 260 twips.
    setMinimumWidth(kMinWidth);
    setFixedHeight(kHeight);
    resize(kMinWidth, kHeight);
}

QSize C_Option::sizeHint() const
{
    return {twipsToPixels(280 + 1455), kHeight};
}

void C_Option::setCaption(const QString &caption)
{
    m_caption = caption;
    update();
}

void C_Option::setValue(bool selected)
{
    storeSelection(*this, m_value, selected);
}

void C_Option::click()
{
    if (isEnabled())
        emit Click();
}

void C_Option::keyPressEvent(QKeyEvent *event)
{
    if (takePressKey(*event))
        click();
}

void C_Option::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), kOptionBackground);
    drawIndicator(p, QRect(QPoint(0, 0), kIndicatorSize), m_value);
    p.setFont(arialFont(10.5));
    p.setPen(m_value ? kCaptionSelected : kCaptionUnselected);
    p.drawText(QRect(twipsToPixels(280), 0, twipsToPixels(1455), twipsToPixels(255)),
               Qt::AlignLeft | Qt::AlignTop, m_caption);
    if (hasFocus())
        drawFocusMark(p, rect());
}

void C_Option::resizeEvent(QResizeEvent *)
{
    update();
}

void C_Option::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
}

void C_Option::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    const bool click = completesClick(*this, *event, m_pressed);
    if (event->button() == Qt::LeftButton)
        m_pressed = false;
    if (click)
        emit Click();
}

C_OptionEx::C_OptionEx(QWidget *parent) : QWidget(parent)
{
    prepareKeyboardUse(*this);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::PointingHandCursor);
    setFixedSize(faceSize(m_buttonIndex));
}

QSize C_OptionEx::faceSize(int buttonIndex)
{
    if (buttonIndex >= 11 && buttonIndex <= 13)
        return {44, 22};
    if (buttonIndex >= 14 && buttonIndex <= 16)
        return {42, 24};
    return {36, 22};
}

QString C_OptionEx::legend(int buttonIndex)
{
    if (buttonIndex < 0 || buttonIndex >= kKeyCount)
        return {};
    return QString::fromUtf8(kLegends[static_cast<std::size_t>(buttonIndex)]);
}

QSize C_OptionEx::sizeHint() const
{
    return faceSize(m_buttonIndex);
}

void C_OptionEx::setButtonIndex(int index)
{
    if (index < 0 || index >= kKeyCount)
        return; // there is no face for it
    m_buttonIndex = index;
    setFixedSize(faceSize(index));
    update();
}

void C_OptionEx::setValue(bool selected)
{
    storeSelection(*this, m_value, selected);
}

void C_OptionEx::click()
{
    if (isEnabled())
        emit Click();
}

void C_OptionEx::keyPressEvent(QKeyEvent *event)
{
    if (takePressKey(*event))
        click();
}

void C_OptionEx::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), kKeyBackground);
    drawKeyFace(p, QRect(QPoint(0, 0), faceSize(m_buttonIndex)), legend(m_buttonIndex), m_value);
    if (hasFocus())
        drawFocusMark(p, rect());
}

void C_OptionEx::resizeEvent(QResizeEvent *)
{
    update();
}

void C_OptionEx::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
}

void C_OptionEx::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    const bool click = completesClick(*this, *event, m_pressed);
    if (event->button() == Qt::LeftButton)
        m_pressed = false;
    if (click)
        emit Click();
}

} // namespace tonvara
