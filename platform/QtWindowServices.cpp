#include "QtWindowServices.h"

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
#include <QScreen>
#include <QThread>
#include <QTimer>

#include <cmath>

namespace tonvara {

namespace {

class QtServiceTimer : public ServiceTimer
{
public:
    QtServiceTimer(Millis interval, QObject *parent) : ServiceTimer(parent), m_timer(this)
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(interval);
        connect(&m_timer, &QTimer::timeout, this, &ServiceTimer::tick);
    }

    void setInterval(Millis interval) override
    {
        if (m_timer.isActive())
            m_timer.start(interval); // a running timer restarts with the new interval
        else
            m_timer.setInterval(interval);
    }
    Millis interval() const override { return m_timer.intervalAsDuration(); }
    void setEnabled(bool enabled) override
    {
        if (enabled)
            m_timer.start();
        else
            m_timer.stop();
    }
    bool isEnabled() const override { return m_timer.isActive(); }

private:
    QTimer m_timer;
};

const QElapsedTimer &monotonicClock()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer c;
        c.start();
        return c;
    }();
    return clock;
}

} // namespace

QtWindowServices::QtWindowServices()
{
    monotonicClock();
}

std::unique_ptr<ServiceTimer> QtWindowServices::createTimer(Millis interval, QObject *parent)
{
    return std::make_unique<QtServiceTimer>(interval, parent);
}

void QtWindowServices::processPendingEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtWindowServices::waitForEvents()
{
    // Sleeps in the event dispatcher until a timer, the serial line or input wakes it.
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void QtWindowServices::pause(Millis duration)
{
    QThread::msleep(static_cast<unsigned long>(duration.count()));
}

Millis QtWindowServices::now() const
{
    return Millis(monotonicClock().elapsed());
}

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
    return QFileDialog::getSaveFileName(m_owner, request.title, request.startFolder,
                                        request.filter, nullptr, options);
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

void QtWindowServices::setCursorPos(QPoint position)
{
    QCursor::setPos(position);
}

} // namespace tonvara
