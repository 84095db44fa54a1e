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
        arrivals.push_back(end);
    }
    if (count > 0)
        m_sendIdle = end;
    return arrivals;
}

} // namespace tonvara::sim
