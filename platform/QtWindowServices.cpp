#include "QtWindowServices.h"

#include <QApplication>
#include <QCursor>
#include <QFileDialog>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <cmath>

namespace tonvara {

namespace {

// Wayland gives the pointer and the places of windows to the compositor alone.
bool onWayland()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace

MessageAnswer QtWindowServices::messageBox(const QString &text, MessageIcon icon,
                                           MessageButtons buttons)
{
    QMessageBox box(m_owner);
    box.setWindowTitle(QString::fromLatin1(kApplicationTitle));
    box.setText(text);
    switch (icon) {
    case MessageIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MessageIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageIcon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    if (buttons == MessageButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return MessageAnswer::Ok;
}

QString QtWindowServices::openFileDialog(const FileDialogRequest &request)
{
    return QFileDialog::getOpenFileName(m_owner, request.title, request.startFolder,
                                        request.filter);
}

QString QtWindowServices::saveFileDialog(const FileDialogRequest &request)
{
    QFileDialog::Options options;
    if (!request.promptOverwrite)
        options |= QFileDialog::DontConfirmOverwrite;
    return QFileDialog::getSaveFileName(m_owner, request.title, request.startFolder, request.filter,
                                        nullptr, options);
}

void QtWindowServices::beep()
{
    QApplication::beep();
}

ScreenMetrics QtWindowServices::screenMetrics() const
{
    ScreenMetrics metrics;
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return metrics;
    // Qt reports logical pixels; twips per pixel follow from the logical DPI (1440 / DPI).
    const double dpiX = screen->logicalDotsPerInchX();
    const double dpiY = screen->logicalDotsPerInchY();
    metrics.twipsPerPixelX = dpiX > 0 ? static_cast<int>(std::lround(1440.0 / dpiX)) : 15;
    metrics.twipsPerPixelY = dpiY > 0 ? static_cast<int>(std::lround(1440.0 / dpiY)) : 15;
    metrics.widthTwips = screen->size().width() * metrics.twipsPerPixelX;
    metrics.heightTwips = screen->size().height() * metrics.twipsPerPixelY;
    return metrics;
}

QPoint QtWindowServices::cursorPos() const
{
    return QCursor::pos();
}

bool QtWindowServices::canMovePointer() const
{
    // Qt's call would only print a warning there.
    return !onWayland();
}

bool QtWindowServices::setCursorPos(QPoint position)
{
    if (!canMovePointer())
        return false;
    QCursor::setPos(position);
    // An X server may ignore the move without an error (XWayland mostly does), and an edge of
    // the screen stops it: ask where the pointer went.
    return QCursor::pos() == position;
}

bool QtWindowServices::startSystemMove(QWidget &window)
{
    // The window manager's own move: the only one on Wayland, where a program may not place
    // its window, and the one that X11 window managers snap and constrain as their users
    // expect. Qt answers false where there is none (a bare X server, offscreen).
    QWindow *handle = window.window()->windowHandle();
    if (!handle || !handle->startSystemMove())
        return false;
    // A Wayland compositor keeps the release of the button that started the move, so Qt
    // would go on sending every pointer movement to the window pressed, and the controls
    // under the pointer would not light up until the next click. End that press once it has
    // been handled, where the pointer is: on the window's background, which the move keeps
    // under it. Under X11 Qt's own handling is left as it is.
    const Qt::MouseButtons held = QGuiApplication::mouseButtons();
    if (onWayland() && held != Qt::NoButton) {
        const QPointF global = QCursor::pos();
        const QPointF local = handle->mapFromGlobal(global);
        const auto button = Qt::MouseButton(int(held) & -int(held)); // the lowest held
        QCoreApplication::postEvent(handle, new QMouseEvent(QEvent::MouseButtonRelease, local,
                                                            local, global, button, held & ~button,
                                                            QGuiApplication::keyboardModifiers()));
    }
    return true;
}

} // namespace tonvara
