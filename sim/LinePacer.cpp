#include "LinePacer.h"

#include <algorithm>

namespace tonvara::sim {

LinePacer::Time LinePacer::received(Time readTime)
{
    m_receiveIdle = std::max(readTime, m_receiveIdle) + kByteTime;
    return m_receiveIdle;
}

std::vector<LinePacer::Time> LinePacer::answer(Time ready, std::size_t count)
{
    std::vector<Time> arrivals;
    arrivals.reserve(count);
    Time end = std::max(ready + m_extraDelay, m_sendIdle);
    for (std::size_t i = 0; i < count; ++i) {
        end += kByteTime;
        arrivals.push_back(heldByAdapter(end));
    }
    // The line itself is free again when the last byte is off it, held or not.
    if (count > 0)
        m_sendIdle = end;
    return arrivals;
}

LinePacer::Time LinePacer::heldByAdapter(Time arrived) const
{
    if (m_latencyTimer <= Duration::zero())
        return arrived;
    const Duration since = arrived.time_since_epoch();
    const auto periods = (since.count() + m_latencyTimer.count() - 1) / m_latencyTimer.count();
    return Time(Duration(periods * m_latencyTimer.count()));
}

} // namespace tonvara::sim
