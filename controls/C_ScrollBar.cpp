#include "C_ScrollBar.h"

#include "ControlAccessibility.h"
#include "ControlLooks.h"
#include "ControlMath.h"
#include "FocusReturn.h"
#include "QtWindowServices.h"
#include "ValueTipText.h"
#include "WindowServices.h"

#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <array>

namespace tonvara {

namespace {

const QColor kBackground(61, 63, 63);
const QColor kTickColor(31, 26, 23);
const QColor kKnobSide(31, 34, 27);
const QColor kBoxShadow(115, 115, 115);
const QColor kBoxLight(222, 222, 220);
const QColor kTitleColor(255, 255, 128);
const QColor kReadoutColor(224, 224, 224);
const QColor kScaleColor(192, 192, 192);

struct StripeColors
{
    QColor out;
    QColor in;
};

const std::array<StripeColors, 10> kStripes = {{
    {QColor(31, 34, 27), QColor(31, 34, 27)},
    {QColor(155, 157, 158), QColor(155, 157, 158)},
    {QColor(143, 145, 149), QColor(143, 145, 149)},
    {QColor(31, 34, 27), QColor(31, 34, 27)},
    {QColor(206, 154, 56), QColor(255, 255, 0)},
    {QColor(195, 147, 57), QColor(255, 255, 0)},
    {QColor(31, 34, 27), QColor(31, 34, 27)},
    {QColor(155, 157, 158), QColor(155, 157, 158)},
    {QColor(143, 145, 149), QColor(143, 145, 149)},
    {QColor(31, 34, 27), QColor(31, 34, 27)},
}};

constexpr int kReadoutLeft = 38;
constexpr int kReadoutTop = 15;
constexpr int kTitleTop = 1;
constexpr int kScaleWidth = 32;
constexpr int kScaleHeight = 12;
constexpr int kScaleTop1 = 28;
constexpr int kWidth = 70; // the drawing lies between x 0 and x 69
// Its top right corner meets the top left corner of the read-out box (x 34, y 14).
const QRect kMarkArea(25, 14, kDifferenceMarkSize, kDifferenceMarkSize);

} // namespace

C_ScrollBar::C_ScrollBar(QWidget *parent) : QWidget(parent)
{
    installControlAccessibility();
    setFocusPolicy(Qt::StrongFocus);
    // Disabling a focused widget moves Qt's focus away; the slider takes it back when it is
    // enabled again, so a held arrow key keeps stepping the slider the host disabled briefly.
    new FocusReturn(this);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedHeight(sliderLayout(false).height);
    resize(kWidth, sliderLayout(false).height);
    loadSettings(Settings{});
}

C_ScrollBar::~C_ScrollBar() = default;

void C_ScrollBar::loadSettings(const Settings &settings)
{
    setMaxValue(settings.maxValue);
    setTitle(settings.title);
    setValueTip(settings.valueTip);
    setText1(settings.text1);
    setText2(settings.text2);
    setText3(settings.text3);
    setEnabled(settings.enabled);
    setShowSize(settings.showSize);
    setTitleVisible(settings.titleVisible);
    setValueGlobal(settings.valueGlobal);
    setValueTipType(settings.valueTipType);
}

void C_ScrollBar::setValue(int value)
{
    takeValue(std::clamp(value, 0, m_maxValue));
    refreshReadout();
    update();
}

bool C_ScrollBar::setValueByUser(int value)
{
    const int next = std::clamp(value, 0, m_maxValue);
    if (!isEnabled() || next == m_value)
        return false;
    takeValue(next);
    refreshReadout();
    emit Scroll();
    update();
    return true;
}

int C_ScrollBar::pageStep() const
{
    return std::max(1, roundHalfEven(m_maxValue / 10.0));
}

void C_ScrollBar::setMaxValue(int maxValue)
{
    // A range below 1 has no step size; 1 is the smallest range that draws.
    m_maxValue = std::max(1, maxValue);
    takeValue(sliderCentreValue(m_maxValue));
    refreshReadout();
    update();
}

void C_ScrollBar::setMaxValuePreview(int maxValue)
{
    m_maxValue = std::max(1, maxValue);
    takeValue(std::min(m_value, m_maxValue));
    refreshReadout();
    update();
}

void C_ScrollBar::takeValue(int v)
{
    if (v != m_value)
        m_marked = false;
    m_value = v;
}

void C_ScrollBar::setMarked(bool marked)
{
    if (marked == m_marked)
        return;
    m_marked = marked;
    update();
    announceDescription(this);
}

void C_ScrollBar::setValueTip(const QString &text)
{
    m_valueTip = text;
    announceValue();
    update();
}

void C_ScrollBar::setValueTipType(int type)
{
    m_valueTipType = type;
    refreshReadout();
    update();
}

void C_ScrollBar::setTitle(const QString &title)
{
    m_title = title;
    rebuildStaticLayer();
}

void C_ScrollBar::setTitleVisible(bool visible)
{
    m_titleVisible = visible;
    rebuildStaticLayer();
}

void C_ScrollBar::setShowSize(bool tall)
{
    m_showSize = tall;
    // The height and the scale-label places follow the layout at once, so a tall slider is
    // never drawn into a control of the normal height.
    applyLayoutHeight();
    rebuildStaticLayer();
}

void C_ScrollBar::setText1(const QString &text)
{
    setText(0, text);
}

void C_ScrollBar::setText2(const QString &text)
{
    setText(1, text);
}

void C_ScrollBar::setText3(const QString &text)
{
    setText(2, text);
}

void C_ScrollBar::setText(int index, const QString &text)
{
    m_text[index] = text;
    rebuildStaticLayer();
}

int C_ScrollBar::knobY() const
{
    return geometry().knobY(m_value);
}

QSize C_ScrollBar::sizeHint() const
{
    return {kWidth, sliderLayout(m_showSize).height};
}

void C_ScrollBar::refreshReadout()
{
    if (const auto text = valueTipText(m_valueTipType, m_value))
        m_valueTip = QString::fromStdString(*text);
    announceValue();
}

void C_ScrollBar::announceValue()
{
    // Every route that moves the value or its text passes here: drags, keys, the host.
    if (m_value == m_announcedValue && m_valueTip == m_announcedTip)
        return;
    m_announcedValue = m_value;
    m_announcedTip = m_valueTip;
    tonvara::announceValue(this, m_value);
}

void C_ScrollBar::applyLayoutHeight()
{
    setFixedHeight(sliderLayout(m_showSize).height);
}

void C_ScrollBar::rebuildStaticLayer()
{
    // Built at the next paint: a slider's settings change several times while its window is
    // set up, and sliders of a hidden view need no layer at all.
    m_staticLayer = QImage();
    update();
}

void C_ScrollBar::buildStaticLayer()
{
    const SliderLayout &layout = sliderLayout(m_showSize);
    const SliderGeometry geo(m_showSize, m_maxValue);
    QImage image(std::max(width(), kWidth), std::max(height(), layout.height),
                 QImage::Format_RGB32);
    image.fill(kBackground);
    QPainter p(&image);

    for (int i = 0; i <= 10; ++i) {
        const int y = geo.tickY(i);
        if (SliderGeometry::isLongTick(i))
            drawPlainLine(p, 35, y, 68, y, 3, kTickColor);
        else
            drawPlainLine(p, 36, y, 67, y, 1, kTickColor);
    }
    drawPlainLine(p, 52, 33, 52, layout.grooveBottom, 3, kTickColor);

    drawPlainLine(p, 35, 14, 35, 27, 2, kBoxShadow);
    drawPlainLine(p, 34, 14, 68, 14, 2, kBoxShadow);
    drawPlainLine(p, 68, 14, 68, 27, 2, kBoxLight);
    drawPlainLine(p, 34, 27, 68, 27, 2, kBoxLight);

    p.setFont(arialFont(7.5));
    p.setPen(kScaleColor);
    const int tops[3] = {kScaleTop1, layout.text2Top, layout.text3Top};
    for (int i = 0; i < 3; ++i)
        p.drawText(QRect(0, tops[i], kScaleWidth, kScaleHeight), Qt::AlignRight | Qt::AlignTop,
                   m_text[i]);

    if (m_titleVisible) {
        const QFont font = arialFont(6.75);
        const int textWidth = QFontMetrics(font).horizontalAdvance(m_title);
        p.setFont(font);
        p.setPen(kTitleColor);
        p.drawText(QRect(sliderTitleLeft(textWidth), kTitleTop, textWidth + 2, 12),
                   Qt::AlignLeft | Qt::AlignTop, m_title);
    }
    p.end();
    m_staticLayer = image;
}

void C_ScrollBar::paintEvent(QPaintEvent *)
{
    if (m_staticLayer.isNull())
        buildStaticLayer(); // a cache of what the settings draw, not state of the control
    QPainter p(this);
    p.drawImage(0, 0, m_staticLayer);

    const int y = knobY();
    // Lit while the arrow keys act on it, also when the pointer could not follow it.
    const bool lit = takesKnobKeys();
    for (int row = 0; row < 10; ++row) {
        const int stripeY = y - 5 + row;
        const StripeColors &c = kStripes[static_cast<std::size_t>(row)];
        drawPlainLine(p, 35, stripeY, 68, stripeY, 1, lit ? c.in : c.out);
    }
    drawPlainLine(p, 34, y - 5, 34, y + 5, 1, kKnobSide);
    drawPlainLine(p, 68, y - 5, 68, y + 5, 1, kKnobSide);

    p.setFont(arialFont(7.5));
    p.setPen(kReadoutColor);
    p.drawText(QRect(kReadoutLeft, kReadoutTop, 40, 12), Qt::AlignLeft | Qt::AlignTop, m_valueTip);

    // Focus shows as a line between the read-out box and the scale, where no rule draws.
    if (hasFocus())
        drawPlainLine(p, 36, 29, 67, 29, 1, kFocusAmber);
    // Left of the read-out box, between the title and the top scale label: nothing else is
    // ever drawn there, and the title strips laid over the top of the main window's sliders
    // leave it in view.
    if (m_marked)
        drawDifferenceMark(p, kMarkArea);
}

void C_ScrollBar::resizeEvent(QResizeEvent *)
{
    rebuildStaticLayer();
}

void C_ScrollBar::enterIn()
{
    m_in = true;
    setCursor(Qt::PointingHandCursor);
    emit MouseIn();
    update();
}

void C_ScrollBar::leaveIn()
{
    m_in = false;
    m_keyHoldY.reset();
    unsetCursor();
    update();
}

void C_ScrollBar::trackPointer(QPointF pos)
{
    m_pointerPos = pos;
    const bool onKnob = SliderGeometry::inKnobBand(pos.x(), pos.y(), knobY());
    if (onKnob) {
        m_keyHoldY.reset();
        if (!m_in)
            enterIn();
        return;
    }
    // A pointer that has not left the band it rested in is still where the user left it on
    // the knob: the keys keep to the knob, but a press there starts no drag, for the knob
    // never jumps to the pointer.
    if (m_keyHoldY && SliderGeometry::inKnobBand(pos.x(), pos.y(), *m_keyHoldY)) {
        m_in = false;
        return;
    }
    if (takesKnobKeys())
        leaveIn();
}

void C_ScrollBar::mouseMoveEvent(QMouseEvent *event)
{
    if (!isEnabled())
        return;
    const QPointF pos = event->position();
    trackPointer(pos);

    if (!SliderGeometry::inDragBand(pos.x(), pos.y(), height()))
        m_dragActive = false;
    if (!m_dragActive)
        return;
    takeValue(geometry().valueAt(pos.y()));
    refreshReadout();
    update();
    if (m_value != m_lastReported) {
        emit Scroll();
        m_lastReported = m_value;
    }
}

void C_ScrollBar::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    // The knob never jumps to the pointer: only a press on it starts a drag. Qt keeps
    // delivering the moves to this widget until the button is released.
    if (isEnabled() && m_in) {
        m_dragActive = true;
        m_lastReported = m_value;
    }
}

void C_ScrollBar::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    m_dragActive = false;
}

bool C_ScrollBar::event(QEvent *event)
{
    // QWidget drops the mouse events of a disabled widget, and the host disables the slider
    // while each value's frame waits for its answer: a release in that window must still end
    // the drag, or the hovering pointer would go on moving the knob.
    if (event->type() == QEvent::MouseButtonRelease && !isEnabled())
        m_dragActive = false;
    return QWidget::event(event);
}

void C_ScrollBar::leaveEvent(QEvent *)
{
    // The pointer is outside the control and so outside the knob band.
    if (takesKnobKeys())
        leaveIn();
}

void C_ScrollBar::keyPressEvent(QKeyEvent *event)
{
    if (!isEnabled()) {
        event->accept(); // swallowed
        return;
    }
    if (!takesKnobKeys()) {
        keyboardStep(event);
        return;
    }
    const int key = event->key();
    if (key != Qt::Key_Up && key != Qt::Key_Down) {
        event->ignore(); // passed on
        return;
    }
    event->accept();
    const int knobBefore = knobY();
    if (!setValueByUser(m_value + (key == Qt::Key_Up ? 1 : -1)))
        return; // at either end nothing changes
    followKnobWithPointer(knobBefore);
}

void C_ScrollBar::followKnobWithPointer(int knobBefore)
{
    // Keep the pointer on the knob so the slider stays In for the next key.
    WindowServices &services = windowServices();
    const int screenY = mapToGlobal(QPoint(0, 0)).y() + knobY();
    if (services.canMovePointer() &&
        services.setCursorPos(QPoint(services.cursorPos().x(), screenY))) {
        m_keyHoldY.reset();
        return;
    }
    // The window system keeps the pointer where it was (Wayland, mostly XWayland too): the
    // knob moved out from under it, yet the user did not move it away. The keys keep to the
    // knob while the pointer stays in the band it was in before the first such step; the
    // pointer is on the knob only if the step left it within the knob's band.
    if (!m_keyHoldY)
        m_keyHoldY = knobBefore;
    trackPointer(m_pointerPos);
}

WindowServices &C_ScrollBar::windowServices() const
{
    if (m_services)
        return *m_services;
    static QtWindowServices platform; // a slider used on its own, outside the editor
    return platform;
}

void C_ScrollBar::keyboardStep(QKeyEvent *event)
{
    // Without the pointer on the knob only the focus holder moves, and the pointer stays
    // where it is; every other key is swallowed as before.
    event->accept();
    if (!hasFocus())
        return;
    switch (event->key()) {
    case Qt::Key_Up:
        setValueByUser(m_value + 1);
        break;
    case Qt::Key_Down:
        setValueByUser(m_value - 1);
        break;
    case Qt::Key_PageUp:
        setValueByUser(m_value + pageStep());
        break;
    case Qt::Key_PageDown:
        setValueByUser(m_value - pageStep());
        break;
    case Qt::Key_Home:
        setValueByUser(0);
        break;
    case Qt::Key_End:
        setValueByUser(m_maxValue);
        break;
    default:
        break;
    }
}

void C_ScrollBar::focusOutEvent(QFocusEvent *event)
{
    // A focus that left because the host disabled this slider for a moment is nothing the
    // user did: the state stays, and the focus comes back when the slider is enabled.
    if (isEnabled()) {
        m_dragActive = false;
        if (takesKnobKeys())
            leaveIn();
    }
    QWidget::focusOutEvent(event);
}

void C_ScrollBar::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange)
        update(); // the look does not change with Enabled
    QWidget::changeEvent(event);
}

} // namespace tonvara
