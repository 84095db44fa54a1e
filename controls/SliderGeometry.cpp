#include "SliderGeometry.h"

#include "ControlMath.h"

#include <algorithm>

namespace tonvara {

const SliderLayout &sliderLayout(bool tall)
{
    static const SliderLayout normal{100, 58, 87, 6, 58, 96, QRect(QPoint(34, 30), QPoint(69, 99))};
    // 1660 twips is 110 2/3 pixels; the nearest whole pixel keeps row 110 of the erase area.
    static const SliderLayout tallLayout{
        111, 63, 97, 7, 69, 107, QRect(QPoint(34, 30), QPoint(69, 110))};
    return tall ? tallLayout : normal;
}

SliderGeometry::SliderGeometry(bool tall, int maxValue)
    : m_layout(sliderLayout(tall)), m_maxValue(std::max(1, maxValue)),
      m_pixelsPerStep(static_cast<float>(static_cast<double>(m_layout.travel) / m_maxValue))
{
}

int SliderGeometry::knobY(int value) const
{
    return roundHalfEven(static_cast<double>(m_pixelsPerStep) * (m_maxValue - value) + kKnobTop);
}

int SliderGeometry::valueAt(double y) const
{
    const int v = roundHalfEven(m_maxValue - (y - kKnobTop) / static_cast<double>(m_pixelsPerStep));
    return std::clamp(v, 0, m_maxValue);
}

int SliderGeometry::tickY(int i) const
{
    return kTrackTop + (11 - i) * m_layout.tickGap;
}

bool SliderGeometry::inKnobBand(double x, double y, int knobY)
{
    return x >= kBandLeft && x <= kBandRight && y >= knobY - 6 && y <= knobY + 6;
}

bool SliderGeometry::inDragBand(double x, double y, int clientHeight)
{
    return x >= kBandLeft && x <= kBandRight && y >= 0 && y <= clientHeight;
}

int sliderCentreValue(int maxValue)
{
    return roundHalfEven(maxValue / 2.0);
}

int sliderTitleLeft(int titleWidthPx)
{
    return SliderGeometry::kTitleCentre - titleWidthPx / 2;
}

} // namespace tonvara
