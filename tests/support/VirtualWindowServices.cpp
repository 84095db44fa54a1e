#include "VirtualWindowServices.h"

#include <QCoreApplication>
#include <QPointer>

#include <algorithm>

namespace tonvara {

class VirtualTimer : public ServiceTimer
{
public:
    VirtualTimer(VirtualWindowServices &services, Millis interval, QObject *parent)
        : ServiceTimer(parent), m_services(&services), m_interval(interval)
    {
        m_services->registerTimer(this);
    }
    ~VirtualTimer() override
    {
        if (m_services)
            m_services->unregisterTimer(this);
    }

    void setInterval(Millis interval) override
    {
        m_interval = interval;
        if (m_enabled)
            m_due = m_services->now() + m_interval;
    }
    Millis interval() const override { return m_interval; }
    void setEnabled(bool enabled) override
    {
        m_enabled = enabled;
        if (enabled)
            m_due = m_services->now() + m_interval;
    }
    bool isEnabled() const override { return m_enabled; }

    VirtualWindowServices *m_services;
    Millis m_interval;
    Millis m_due{0};
    bool m_enabled = false;
    bool m_delivering = false;
    std::uint64_t m_order = 0;
};

VirtualWindowServices::VirtualWindowServices() = default;

VirtualWindowServices::~VirtualWindowServices()
{
    for (VirtualTimer *timer : m_timers)
        timer->m_services = nullptr;
}

std::unique_ptr<ServiceTimer> VirtualWindowServices::createTimer(Millis interval, QObject *parent)
{
    return std::make_unique<VirtualTimer>(*this, interval, parent);
}

void VirtualWindowServices::registerTimer(VirtualTimer *timer)
{
    timer->m_order = m_order++;
    m_timers.push_back(timer);
}

void VirtualWindowServices::unregisterTimer(VirtualTimer *timer)
{
    std::erase(m_timers, timer);
}

bool VirtualWindowServices::nextDue(Millis &at) const
{
    bool found = false;
    for (const VirtualTimer *timer : m_timers) {
        if (!timer->m_enabled || timer->m_delivering)
            continue;
        if (!found || timer->m_due < at)
            at = timer->m_due;
        found = true;
    }
    for (const Scheduled &s : m_scheduled) {
        if (!found || s.at < at)
            at = s.at;
        found = true;
    }
    return found;
}

bool VirtualWindowServices::deliverOneDue()
{
    // Earliest due first; equal times in creation order, callbacks before timers.
    auto scheduled = std::min_element(m_scheduled.begin(), m_scheduled.end(),
                                      [](const Scheduled &a, const Scheduled &b) {
                                          return a.at != b.at ? a.at < b.at : a.order < b.order;
                                      });
    VirtualTimer *timer = nullptr;
    for (VirtualTimer *t : m_timers) {
        if (!t->m_enabled || t->m_delivering || t->m_due > m_now)
            continue;
        if (!timer || t->m_due < timer->m_due ||
            (t->m_due == timer->m_due && t->m_order < timer->m_order))
            timer = t;
    }
    const bool scheduledDue = scheduled != m_scheduled.end() && scheduled->at <= m_now;
    if (scheduledDue && (!timer || scheduled->at <= timer->m_due)) {
        auto action = std::move(scheduled->action);
        m_scheduled.erase(scheduled);
        action();
        return true;
    }
    if (!timer)
        return false;
    // The next tick comes one interval after this one; after a blocking pause, one interval
    // after now, as a real timer that missed its ticks would behave.
    timer->m_due += timer->m_interval;
    if (timer->m_due <= m_now)
        timer->m_due = m_now + timer->m_interval;
    timer->m_delivering = true;
    QPointer<ServiceTimer> guard(timer);
    emit timer->tick();
    if (guard)
        timer->m_delivering = false;
    return true;
}

void VirtualWindowServices::processPendingEvents()
{
    QCoreApplication::processEvents();
    while (deliverOneDue()) {
    }
}

void VirtualWindowServices::waitForEvents()
{
    QCoreApplication::processEvents();
    if (deliverOneDue()) {
        m_idleWaits = 0;
        return;
    }
    Millis at{};
    if (nextDue(at)) {
        m_idleWaits = 0;
        m_now = std::max(m_now, at);
        deliverOneDue();
        return;
    }
    // Nothing can ever end this wait: a fault in the code under test, not a slow machine.
    if (++m_idleWaits > 100000)
        qFatal("virtual wait with nothing scheduled");
}

void VirtualWindowServices::pause(Millis duration)
{
    pauses.append(duration);
    m_now += duration;
}

void VirtualWindowServices::advance(Millis duration)
{
    const Millis end = m_now + duration;
    for (;;) {
        QCoreApplication::processEvents();
        if (deliverOneDue())
            continue;
        Millis at{};
        if (!nextDue(at) || at > end)
            break;
        m_now = std::max(m_now, at);
    }
    m_now = std::max(m_now, end);
    QCoreApplication::processEvents();
}

bool VirtualWindowServices::runUntil(const std::function<bool()> &done, Millis limit)
{
    const Millis end = m_now + limit;
    while (!done()) {
        QCoreApplication::processEvents();
        if (deliverOneDue())
            continue;
        Millis at{};
        if (!nextDue(at) || at > end)
            break;
        m_now = std::max(m_now, at);
    }
    return done();
}

void VirtualWindowServices::scheduleAt(Millis at, std::function<void()> action)
{
    m_scheduled.push_back({std::max(at, m_now), m_order++, std::move(action)});
}

MessageAnswer VirtualWindowServices::messageBox(const QString &text, MessageIcon icon,
                                                MessageButtons buttons)
{
    messages.append({text, icon, buttons, m_now});
    if (onMessage)
        onMessage(messages.constLast());
    advance(messageOpenFor);
    if (!messageAnswers.empty()) {
        const MessageAnswer answer = messageAnswers.front();
        messageAnswers.pop_front();
        return answer;
    }
    return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
}

QString VirtualWindowServices::openFileDialog(const FileDialogRequest &request)
{
    dialogRequests.append(request);
    if (openDialogAnswers.empty())
        return {};
    QString answer = openDialogAnswers.front();
    openDialogAnswers.pop_front();
    return answer;
}

QString VirtualWindowServices::saveFileDialog(const FileDialogRequest &request)
{
    dialogRequests.append(request);
    if (saveDialogAnswers.empty())
        return {};
    QString answer = saveDialogAnswers.front();
    saveDialogAnswers.pop_front();
    return answer;
}

QStringList VirtualWindowServices::messageTexts() const
{
    QStringList texts;
    for (const RecordedMessage &m : messages)
        texts.append(m.text);
    return texts;
}

} // namespace tonvara
