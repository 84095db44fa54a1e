#include "TrafficLog.h"

namespace tonvara {

void TrafficLog::append(const QString &entry)
{
    if (!m_enabled)
        return;
    m_text += QStringLiteral("\r\n");
    m_text += entry;
}

void TrafficLog::appendSent(const std::uint8_t *bytes, std::size_t count)
{
    if (m_enabled)
        append(QStringLiteral("Send: ") + hexBytes(bytes, count));
}

void TrafficLog::appendReceived(std::uint8_t byte)
{
    if (m_enabled)
        append(QStringLiteral("Recv: ") + hexBytes(&byte, 1));
}

QString TrafficLog::hexBytes(const std::uint8_t *bytes, std::size_t count)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    QString text;
    text.reserve(static_cast<qsizetype>(count * 3));
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0)
            text += QLatin1Char(',');
        text += QLatin1Char(kDigits[bytes[i] >> 4]);
        text += QLatin1Char(kDigits[bytes[i] & 0x0F]);
    }
    return text;
}

} // namespace tonvara
