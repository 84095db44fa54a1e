#include "ValueTipText.h"

#include <array>

namespace tonvara {

namespace {

constexpr std::array<const char *, 16> kDelayTexts = {
    "12ms",  "24ms",  "36ms",  "49ms",  "61ms",  "73ms",  "86ms",  "98ms",
    "110ms", "122ms", "135ms", "147ms", "159ms", "172ms", "184ms", "196ms"};
constexpr std::array<const char *, 7> kLimitTexts = {"OFF",  "0.775V", "1V", "1.2V",
                                                     "1.5V", "1.75V",  "2V"};

template <std::size_t N> QString tableText(const std::array<const char *, N> &table, int v)
{
    // A host that pairs a table type with a larger range gets the plain number, not a crash.
    if (v < 0 || v >= static_cast<int>(N))
        return QString::number(v);
    return QString::fromLatin1(table[static_cast<std::size_t>(v)]);
}

QString tenths(int v)
{
    const int magnitude = v < 0 ? -v : v;
    return QStringLiteral("%1%2.%3")
        .arg(v < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / 10)
        .arg(magnitude % 10);
}

} // namespace

std::optional<QString> valueTipText(int type, int v)
{
    switch (type) {
    case 0:
        return QString::number(v);
    case 1:
        return tableText(kDelayTexts, v);
    case 2:
        return tenths(v) + QStringLiteral("s");
    case 3:
        return QString::number(v) + QStringLiteral("ms");
    case 4:
        return QString::number(3 * v) + QStringLiteral("ms");
    case 5:
        return QString::number(v) + QStringLiteral("dB");
    case 6:
        if (v == 10)
            return QStringLiteral("0dB");
        return (v > 10 ? QStringLiteral("+") : QString()) + QString::number(v - 10) +
               QStringLiteral("dB");
    case 8:
        return QString::number(10 * v + 20) + QStringLiteral("Hz");
    case 9:
        return tableText(kLimitTexts, v);
    default:
        return std::nullopt;
    }
}

} // namespace tonvara
