// The value laws of the vertical slider: its two layouts, the mapping between Value and the
// knob's pixel row, and the centre value a new range starts from. Pure; any thread.
#pragma once

#include <QRect>

namespace tonvara {

struct SliderLayout
{
    int height = 100;  // control height in pixels
    int text2Top = 58; // middle scale label
    int text3Top = 87; // bottom scale label
    int tickGap = 6;
    int travel = 58;       // pixels from Value = MaxValue to Value = 0
    int grooveBottom = 96; // end point of the groove line (not painted)
    QRect eraseArea;       // cleared to the background before each drawing
};

// Normal layout (tall = false) or the taller one with the longer travel.
const SliderLayout &sliderLayout(bool tall);

class SliderGeometry
{
  public:
    static constexpr int kTrackLeft = 35;
    static constexpr int kTrackTop = 28;
    static constexpr int kKnobTop = 36; // knobY at Value = MaxValue
    static constexpr int kTitleCentre = 51;
    static constexpr int kBandLeft = 33; // knob band and drag band, x inclusive
    static constexpr int kBandRight = 69;

    SliderGeometry(bool tall, int maxValue);

    // Travel / MaxValue, divided in double and held in single precision on purpose: the
    // knob rows of the tall layout depend on that rounding (3.45f is slightly above 3.45).
    float pixelsPerStep() const { return m_pixelsPerStep; }
    int knobY(int value) const;
    // Value under pointer row y, limited to 0..MaxValue.
    int valueAt(double y) const;
    // Row of tick i (0 is the bottom tick, 10 the top one).
    int tickY(int i) const;
    static bool isLongTick(int i) { return i == 0 || i == 5 || i == 10; }
    static bool inKnobBand(double x, double y, int knobY);
    static bool inDragBand(double x, double y, int clientHeight);

    const SliderLayout &layout() const { return m_layout; }
    int maxValue() const { return m_maxValue; }

  private:
    const SliderLayout &m_layout;
    int m_maxValue = 10;
    float m_pixelsPerStep = 5.8f;
};

// Value a slider takes when its range is set: MaxValue / 2, halves to even.
int sliderCentreValue(int maxValue);
// Left edge of a title of the given pixel width, centred on x 51.
int sliderTitleLeft(int titleWidthPx);

} // namespace tonvara
