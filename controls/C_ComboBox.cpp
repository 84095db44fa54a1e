#include "C_ComboBox.h"

#include "ControlAccessibility.h"
#include "ControlLooks.h"
#include "ControlMath.h"
#include "FocusReturn.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QWindow>

#include <algorithm>

namespace tonvara {

namespace {

const QColor kBackground(127, 127, 127);
const QColor kCaptionColor(192, 255, 255);
const QColor kRowText(16, 16, 16);
const QColor kHighlightText(24, 16, 0);
constexpr int kFaceWidth = 70;
constexpr int kNormalFaceHeight = 19;
constexpr int kCompactFaceHeight = 16;
constexpr int kEmptyListHeight = 86; // 1290 twips
constexpr double kItemHeight = 12.5; // list height per item, pixels
// Row pitch is the list font's size in points x 20 twips: 8.25 pt gives 165 twips, 11 px.
constexpr double kListFontPoints = 8.25;

QFont listFont()
{
    return arialFont(kListFontPoints);
}

// Row pitch of the list in twips: the font size in points times 20.
int rowPitchTwips()
{
    return roundHalfEven(kListFontPoints * 20.0);
}

} // namespace

// The list window: a top-level pop-up owned by the control, so it can reach beyond the main
// window and a press anywhere outside it closes it.
class ComboList : public QWidget
{
  public:
    explicit ComboList(C_ComboBox *owner)
        : QWidget(owner, Qt::Popup | Qt::FramelessWindowHint), m_owner(owner)
    {
        setMouseTracking(true);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

  protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.fillRect(rect(), kBackground);
        QFont font = listFont();
        font.setPixelSize(font.pixelSize() - 1); // the glyphs of the row font fit its pitch
        p.setFont(font);
        const int pitch = m_owner->rowPitch();
        for (int i = 0; i < m_owner->m_items.size(); ++i) {
            const QRect row(0, i * pitch, width(), pitch);
            if (i == m_owner->m_selected) {
                p.fillRect(row, kLitAmber);
                p.setPen(kHighlightText);
            } else {
                p.setPen(kRowText);
            }
            p.drawText(row.adjusted(3, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter,
                       m_owner->m_items.at(i));
        }
        // Sides and bottom only: the face above closes the list at the top.
        p.setPen(QColor(40, 40, 40));
        p.drawLine(0, 0, 0, height() - 1);
        p.drawLine(width() - 1, 0, width() - 1, height() - 1);
        p.drawLine(0, height() - 1, width() - 1, height() - 1);
    }

    void mouseMoveEvent(QMouseEvent *event) override
    {
        const QPointF pos = event->position();
        if (!rect().contains(pos.toPoint()))
            return;
        const int yTwips = roundHalfEven(pos.y() * kTwipsPerPixel);
        m_owner->hoverRow(yTwips / rowPitchTwips());
    }

    void mousePressEvent(QMouseEvent *event) override
    {
        event->accept();
        if (rect().contains(event->position().toPoint())) {
            m_owner->pick();
            return;
        }
        // A press outside closes the list and still acts on what was pressed, as when the
        // list closes on focus loss; a press on the control's own face only closes it (passed
        // on, it would open the list again). Whether the window system passes on a press that
        // closes a pop-up differs between platforms, so the list does it itself.
        const QPoint global = event->globalPosition().toPoint();
        setAttribute(Qt::WA_NoMouseReplay);
        m_owner->closeWithoutPick();
        if (!m_owner->rect().contains(m_owner->mapFromGlobal(global)))
            m_passedTo = passOn(*event);
    }

    void keyPressEvent(QKeyEvent *event) override
    {
        const int row = m_owner->m_selected;
        const int last = static_cast<int>(m_owner->m_items.size()) - 1;
        switch (event->key()) {
        case Qt::Key_Up:
            m_owner->hoverRow(std::max(row - 1, 0));
            break;
        case Qt::Key_Down:
            m_owner->hoverRow(std::min(row + 1, last));
            break;
        case Qt::Key_Home:
            m_owner->hoverRow(0);
            break;
        case Qt::Key_End:
            m_owner->hoverRow(last);
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            m_owner->pick();
            break;
        default:
            QWidget::keyPressEvent(event); // Escape closes the pop-up without a pick
            return;
        }
        event->accept();
    }

    void mouseReleaseEvent(QMouseEvent *event) override
    {
        // The release of the press that opened the list arrives here, not at the face; so
        // does the release of a press passed on when the pointer grab outlived the list.
        event->accept();
        if (m_passedTo) {
            passOn(*event, m_passedTo);
            m_passedTo.clear();
        }
        if (m_owner->m_pressed) {
            m_owner->m_pressed = false;
            m_owner->update();
        }
    }

    void showEvent(QShowEvent *event) override
    {
        m_passedTo.clear();
        QWidget::showEvent(event);
    }

    void hideEvent(QHideEvent *event) override
    {
        // Closed by Qt (Escape, another window activated): no pick, no event.
        if (m_owner->m_open) {
            m_owner->m_open = false;
            m_owner->update();
            m_owner->openChanged();
        }
        QWidget::hideEvent(event);
    }

  private:
    // Delivers a press (or its release) to the window under the pointer, as if the list had
    // not been there; returns that window.
    QWindow *passOn(const QMouseEvent &event, QWindow *window = nullptr)
    {
        if (!window) {
            QWidget *target = QApplication::widgetAt(event.globalPosition().toPoint());
            if (!target || target->window() == this)
                return nullptr;
            window = target->window()->windowHandle();
        }
        if (!window)
            return nullptr;
        const QPointF local = window->mapFromGlobal(event.globalPosition());
        // Sent at once, not posted: the release that follows may already be on its way and
        // must find the press delivered.
        QMouseEvent passed(event.type(), local, local, event.globalPosition(), event.button(),
                           event.buttons(), event.modifiers(), event.pointingDevice());
        QCoreApplication::sendEvent(window, &passed);
        return window;
    }

    C_ComboBox *m_owner;
    QPointer<QWindow> m_passedTo; // where the last press outside went
};

C_ComboBox::C_ComboBox(QWidget *parent) : QWidget(parent)
{
    installControlAccessibility();
    setFocusPolicy(Qt::StrongFocus);
    new FocusReturn(this); // a pick disables the host's window while it sends
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_list = new ComboList(this);
    m_list->resize(kFaceWidth, kEmptyListHeight);
    setFixedSize(faceSize());
}

C_ComboBox::~C_ComboBox() = default;

QWidget *C_ComboBox::listWindow() const
{
    return m_list;
}

QSize C_ComboBox::faceSize() const
{
    return {kFaceWidth, m_showSize ? kCompactFaceHeight : kNormalFaceHeight};
}

QSize C_ComboBox::sizeHint() const
{
    return faceSize();
}

QString C_ComboBox::itemText(int index) const
{
    if (index < 0 || index >= m_items.size())
        return {};
    return m_items.at(index);
}

int C_ComboBox::listHeight() const
{
    if (m_items.isEmpty())
        return kEmptyListHeight;
    return roundHalfEven(m_items.size() * kItemHeight);
}

int C_ComboBox::rowPitch() const
{
    return roundHalfEven(static_cast<double>(rowPitchTwips()) / kTwipsPerPixel);
}

void C_ComboBox::addItem(const QString &text)
{
    m_items.append(text);
    if (m_selected < 0)
        m_selected = 0; // the caption keeps its text until TopIndex is written
    m_list->resize(kFaceWidth, listHeight());
    if (m_open)
        redraw();
}

void C_ComboBox::setTopIndex(int index)
{
    const int count = static_cast<int>(m_items.size());
    if (index >= count)
        index = count - 1;
    m_selected = std::max(index, -1);
    setCaption(itemText(m_selected));
    m_list->update();
    update();
}

void C_ComboBox::setShowSize(bool compact)
{
    m_showSize = compact;
    setFixedSize(faceSize());
    redraw();
}

QRect C_ComboBox::listGeometry() const
{
    const QPoint topLeft = mapToGlobal(QPoint(0, 0));
    const QScreen *scr = screen();
    const QRect screenRect = scr ? scr->geometry() : QRect(0, 0, 1280, 800);
    const int height = listHeight();
    // In twips, as the layout rules are written: the list goes below when it fits on the
    // screen with one twip to spare, otherwise above.
    const int topTwips = (topLeft.y() - screenRect.top()) * kTwipsPerPixel;
    const int belowTwips = topTwips + faceSize().height() * kTwipsPerPixel + 1;
    const int heightTwips = height * kTwipsPerPixel;
    int yTwips = 0;
    if (heightTwips + belowTwips < screenRect.height() * kTwipsPerPixel)
        yTwips = belowTwips;
    else
        yTwips = topTwips - heightTwips - 1;
    return {topLeft.x(), screenRect.top() + twipsToPixels(yTwips), kFaceWidth, height};
}

void C_ComboBox::redraw()
{
    update();
    if (!m_open) {
        m_list->hide();
        return;
    }
    m_list->setGeometry(listGeometry());
    m_list->show();
    m_list->raise();
}

void C_ComboBox::hoverRow(int row)
{
    if (row >= 0 && row < m_items.size() && row != m_selected) {
        m_selected = row;
        m_list->update();
        announceListRow(this, row);
    }
}

void C_ComboBox::pick()
{
    m_open = false;
    setCaption(itemText(m_selected));
    redraw();
    openChanged();
    emit Click(m_selected);
}

void C_ComboBox::closeWithoutPick()
{
    m_open = false;
    redraw();
    openChanged();
}

void C_ComboBox::togglePopup()
{
    if (!isEnabled())
        return;
    m_open = !m_open;
    redraw();
    openChanged();
}

void C_ComboBox::pickItem(int index)
{
    if (!isEnabled() || index < 0 || index >= m_items.size())
        return;
    m_selected = index;
    pick();
}

void C_ComboBox::openChanged()
{
    announceExpanded(this);
    if (m_open && m_selected >= 0)
        announceListRow(this, m_selected);
}

void C_ComboBox::setCaption(const QString &caption)
{
    if (caption == m_caption)
        return;
    m_caption = caption;
    announceValue(this, caption);
}

void C_ComboBox::placeCaption()
{
    if (m_captionPlaced)
        return;
    m_captionPlaced = true;
    m_captionCompact = m_showSize;
}

void C_ComboBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), kBackground);
    drawComboFace(p, QRect(QPoint(0, 0), faceSize()), m_pressed);

    const bool compact = m_captionPlaced ? m_captionCompact : m_showSize;
    p.setFont(arialFont(compact ? 9.0 : 10.5, /*bold=*/true));
    p.setPen(kCaptionColor);
    const int left = twipsToPixels(40);
    const int top = twipsToPixels(compact ? 10 : 50);
    p.drawText(QRect(left, top, width() - left, height()), Qt::AlignLeft | Qt::AlignTop, m_caption);
    if (hasFocus() && !m_open)
        drawFocusMark(p, rect());
}

void C_ComboBox::resizeEvent(QResizeEvent *)
{
    update();
}

void C_ComboBox::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    m_pressed = true;
    m_open = !m_open;
    redraw();
    openChanged();
}

void C_ComboBox::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    m_pressed = false;
    update();
}

void C_ComboBox::keyPressEvent(QKeyEvent *event)
{
    // The list opens with the highlight on the shown item; the pop-up takes the keys from
    // there on (the pick itself is the only thing that sends).
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_F4:
        if (!event->isAutoRepeat() && !m_open)
            togglePopup();
        event->accept();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void C_ComboBox::focusOutEvent(QFocusEvent *event)
{
    // Opening the pop-up moves the focus to it; that is not a focus loss of the control.
    if (m_open && event->reason() != Qt::PopupFocusReason)
        closeWithoutPick();
    update();
    QWidget::focusOutEvent(event);
}

void C_ComboBox::showEvent(QShowEvent *event)
{
    placeCaption();
    QWidget::showEvent(event);
}

void C_ComboBox::hideEvent(QHideEvent *event)
{
    // A list must not float on after its control went away (page switch, window hidden).
    if (m_open)
        closeWithoutPick();
    QWidget::hideEvent(event);
}

} // namespace tonvara
