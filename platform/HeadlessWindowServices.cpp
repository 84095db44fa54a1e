#include "HeadlessWindowServices.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <cstdio>

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
    static const QElapsedTimer clock = [] {
        QElapsedTimer c;
        c.start();
        return c;
    }();
    return clock;
}

} // namespace

HeadlessWindowServices::HeadlessWindowServices()
    : m_sink(
          [](const QString &text, MessageIcon) { std::fprintf(stderr, "%s\n", qPrintable(text)); })
{
    monotonicClock();
}

std::unique_ptr<ServiceTimer> HeadlessWindowServices::createTimer(Millis interval, QObject *parent)
{
    return std::make_unique<QtServiceTimer>(interval, parent);
}

void HeadlessWindowServices::processPendingEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void HeadlessWindowServices::waitForEvents()
{
    // Sleeps in the event dispatcher until a timer, the serial line or input wakes it.
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void HeadlessWindowServices::pause(Millis duration)
{
    QThread::msleep(static_cast<unsigned long>(duration.count()));
}

Millis HeadlessWindowServices::now() const
{
    return Millis(monotonicClock().elapsed());
}

MessageAnswer HeadlessWindowServices::messageBox(const QString &text, MessageIcon icon,
                                                 MessageButtons buttons)
{
    if (m_sink)
        m_sink(text, icon);
    // Nobody can answer a question here: take the choice that changes nothing.
    return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
}

QString HeadlessWindowServices::openFileDialog(const FileDialogRequest &)
{
    return {};
}

QString HeadlessWindowServices::saveFileDialog(const FileDialogRequest &)
{
    return {};
}

void HeadlessWindowServices::beep() {}

ScreenMetrics HeadlessWindowServices::screenMetrics() const
{
    return {};
}

QPoint HeadlessWindowServices::cursorPos() const
{
    return {};
}

// Without a display there is no pointer to move and no window to move.
bool HeadlessWindowServices::canMovePointer() const
{
    return false;
}

bool HeadlessWindowServices::setCursorPos(QPoint)
{
    return false;
}

bool HeadlessWindowServices::startSystemMove(QWidget &)
{
    return false;
}

} // namespace tonvara
