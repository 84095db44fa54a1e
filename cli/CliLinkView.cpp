#include "CliLinkView.h"

#include <algorithm>

namespace tonvara::cli {

namespace {

std::uint8_t u8(int value)
{
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

} // namespace

VolSet &CliLinkView::group(int k)
{
    return m_store.volSet[static_cast<std::size_t>(std::clamp(k, 0, kVolSetCount - 1))];
}

const VolSet &CliLinkView::group(int k) const
{
    return m_store.volSet[static_cast<std::size_t>(std::clamp(k, 0, kVolSetCount - 1))];
}

void CliLinkView::setStartLevel(int k, int level)
{
    group(k).startLevel = u8(level);
}

int CliLinkView::startLevel(int k) const
{
    return group(k).startLevel;
}

int CliLinkView::maxEntryNumber(int k) const
{
    return group(k).maxLevel;
}

void CliLinkView::selectInput(int index)
{
    m_store.inputSelect = u8(index);
}

int CliLinkView::spinValue(int index) const
{
    const VolSet &v = group(index / 3);
    switch (index % 3) {
    case 0:
        return v.minLevel;
    case 1:
        return v.maxLevel;
    default:
        return v.startMode;
    }
}

void CliLinkView::applyVolSetGroup(int k, int minLevel, int maxLevel, int startMode)
{
    VolSet &v = group(k);
    v.minLevel = u8(minLevel);
    v.maxLevel = u8(maxLevel);
    v.startMode = u8(startMode);
}

} // namespace tonvara::cli
