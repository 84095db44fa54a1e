#include "MainFrm_Big.h"

#include "BackgroundArt.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>

namespace tonvara {

MainFrm_Big::MainFrm_Big(WindowServices &services, QWidget *parent)
    : QWidget(parent), m_services(services), m_background(renderBackground()),
      m_timer1(services.createTimer(kKeyReturnInterval, this))
{
    setObjectName(QStringLiteral("MainFrm_Big"));
    setWindowTitle(QString::fromLatin1(kApplicationTitle));
    setFixedSize(kClientWidth, kClientHeight);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true); // background movements reset the command buttons' hover look
    connect(m_timer1.get(), &ServiceTimer::tick, this, &MainFrm_Big::onTimer1);
    // The window's keys work wherever the focus is in it, also when a control takes the key.
    qApp->installEventFilter(this);
}

MainFrm_Big::~MainFrm_Big() = default;

void MainFrm_Big::load()
{
    call(m_parts.placeTitleStrips);
    call(m_parts.loadAddresses);
    call(m_parts.placeMicRow);
    call(m_parts.styleContainers);
    call(m_parts.fillModeLists);
    call(m_parts.loadDefaults);
    call(m_parts.initTrafficLog);
    call(m_parts.enableConnectionTimer);
}

void MainFrm_Big::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.drawImage(0, 0, m_background);
}

void MainFrm_Big::closeEvent(QCloseEvent *event)
{
    if (m_unloaded) {
        event->accept();
        return;
    }
    if (!m_unloadConfirmed) {
        const MessageAnswer answer =
            m_services.messageBox(QStringLiteral("You sure you want to exit the application ?"),
                                  MessageIcon::None, MessageButtons::YesNo);
        if (answer != MessageAnswer::Yes) {
            event->ignore();
            return;
        }
        m_unloadConfirmed = true;
    }
    // A send may be waiting for the target inside a handler further up this stack: end that
    // wait and unload once the stack has unwound, so no handler runs on a closed window.
    if (m_parts.isWaitingForTarget && m_parts.isWaitingForTarget()) {
        call(m_parts.abandonWait);
        event->ignore();
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        return;
    }
    m_unloaded = true;
    m_timer1->setEnabled(false);
    call(m_parts.unload);
    event->accept();
    emit unloaded();
}

void MainFrm_Big::keyPressEvent(QKeyEvent *event)
{
    // Reached only when no control of the window has the focus; the filter has seen it.
    QWidget::keyPressEvent(event);
}

bool MainFrm_Big::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(watched);
    // A key event travels up from the focus widget; act once, on its first receiver.
    QWidget *first = QApplication::focusWidget() ? QApplication::focusWidget() : this;
    if (widget != first || widget->window() != this)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->text() == QLatin1String("w"))
        call(m_parts.openTrafficLog);
    // Taken from the control: an entry box would otherwise undo its own typing.
    return windowKey(*key, widget);
}

bool MainFrm_Big::windowKey(const QKeyEvent &event, QWidget *focus)
{
    const Qt::KeyboardModifiers modifiers =
        event.modifiers() &
        (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const int key = event.key();
    if (modifiers == Qt::ControlModifier && key == Qt::Key_Z) {
        call(m_parts.undo);
        return true;
    }
    if ((modifiers == Qt::ControlModifier && key == Qt::Key_Y) ||
        (modifiers == (Qt::ControlModifier | Qt::ShiftModifier) && key == Qt::Key_Z)) {
        call(m_parts.redo);
        return true;
    }
    if (modifiers == Qt::ControlModifier && key == Qt::Key_D) {
        call(m_parts.compareWithTarget);
        return true;
    }
    if (modifiers == (Qt::ControlModifier | Qt::ShiftModifier) && key == Qt::Key_D) {
        call(m_parts.compareWithProfile);
        return true;
    }
    if ((modifiers == Qt::NoModifier && key == Qt::Key_Menu) ||
        (modifiers == Qt::ShiftModifier && key == Qt::Key_F10)) {
        // At the centre of the focused control, or of the window when none has the focus.
        QWidget *anchor = focus ? focus : this;
        openContextMenu(anchor->mapToGlobal(QPoint(anchor->width() / 2, anchor->height() / 2)));
        return true;
    }
    return false;
}

void MainFrm_Big::contextMenuEvent(QContextMenuEvent *event)
{
    // Reached from the background and from every control that has no menu of its own.
    openContextMenu(event->globalPos());
    event->accept();
}

void MainFrm_Big::openContextMenu(QPoint globalPos)
{
    // The right button's press began a background drag; the menu takes its release.
    m_dragging = false;
    // A disabled window (a transfer runs) takes no input: its keys open no menu either.
    if (m_parts.contextMenu && isEnabled())
        m_parts.contextMenu(globalPos);
}

void MainFrm_Big::mousePressEvent(QMouseEvent *event)
{
    m_dragOrigin = m_services.cursorPos();
    m_dragging = true;
    // Where the window system moves the window itself, it does the whole drag (on Wayland it
    // alone may place a window) and no move of ours may fight it. The right button's press
    // opens the menu instead, and a maximised window stays where it is.
    if (event->button() != Qt::RightButton && !isMaximized() && m_services.startSystemMove(*this))
        m_dragging = false;
}

void MainFrm_Big::mouseMoveEvent(QMouseEvent *)
{
    if (isMaximized())
        return;
    const QPoint cursor = m_services.cursorPos();
    if (m_dragging) {
        move(pos() + (cursor - m_dragOrigin));
        m_dragOrigin = cursor;
    }
    call(m_parts.resetCommandButtons);
}

void MainFrm_Big::mouseReleaseEvent(QMouseEvent *)
{
    m_dragging = false;
}

void MainFrm_Big::onTimer1()
{
    m_timer1->setEnabled(false);
    call(m_parts.showNaturalKey);
}

} // namespace tonvara
