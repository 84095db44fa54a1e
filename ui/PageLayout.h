// Where every control of the main window sits and how it looks: the slider rows of the three
// mode panels with their widths and scale labels, and the title strips. What each slider sets
// (address, range, read-out rule, title) is the settings catalog's. Geometry in twips
// (15 twips = 1 pixel).
#pragma once

#include "ControlMath.h"
#include "ParameterStore.h"
#include "SettingsCatalog.h"

#include <QPoint>
#include <QRect>
#include <QString>

#include <array>

namespace tonvara {

// Every place and size of the window goes through twipsToPixels (nearest pixel, halves to
// even), so a control sits where its twips say, not up to a pixel to the left or above.
inline QPoint twipsPoint(int left, int top)
{
    return QPoint(twipsToPixels(left), twipsToPixels(top));
}
inline QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twipsPoint(left, top), QSize(twipsToPixels(width), twipsToPixels(height)));
}

// The look of one slider of a slot row; the slot's catalog entry gives the rest.
struct SliderSpec
{
    const char *controlTitle; // the slider's own Title: stored, not shown (the strips show titles)
    int widthTwips;
    const char *text1;
    const char *text2;
    const char *text3;
};

inline constexpr int kSliderHeightTwips = 1665;

// C_ScrollBar7: MUSIC MODE, slot = index (slots 16 and 17 are the two toggles).
inline constexpr std::array<SliderSpec, 16> kMusicSliders = {{
    {"57Hz", 1095, "+10", "0", "-10"},
    {"134Hz", 1095, "+10", "0", "-10"},
    {"400Hz", 1095, "+10", "0", "-10"},
    {"1KHz", 1095, "+10", "0", "-10"},
    {"2.5KHz", 1095, "+10", "0", "-10"},
    {"6.3KHz", 1095, "+10", "0", "-10"},
    {"16KHz", 1245, "+10", "0", "-10"},
    {"OUT LIMIT", 1455, "2V", "1.2V", "OFF"},
    {"C MUC VOL", 1215, "80", "", "0"},
    {"C MIC VOL", 1215, "80", "", "0"},
    {"C BASS", 1455, "10", "0", "-10"},
    {"C MID", 1455, "10", "0", "-10"},
    {"C TREBLE", 1455, "10", "0", "-10"},
    {"SUB FREQ", 1215, "230Hz", "", "20Hz"},
    {"SUB MicOn Vol", 1335, "80", "", "0"},
    {"SUB VOL", 1215, "80", "", "0"},
}};
inline constexpr int kEffInCSlot = 16;
inline constexpr int kSubInvertSlot = 17;

// C_ScrollBar1: MIC MODE.
inline constexpr std::array<SliderSpec, 9> kMicSliders = {{
    {"57Hz", 1095, "+10", "0", "-10"},
    {"134Hz", 1095, "+10", "0", "-10"},
    {"400Hz", 1095, "+10", "0", "-10"},
    {"1KHz", 1095, "+10", "0", "-10"},
    {"2.5KHz", 1095, "+10", "0", "-10"},
    {"6.3KHz", 1095, "+10", "0", "-10"},
    {"10KHz", 1095, "+10", "0", "-10"},
    {"MIC H_Curve", 1245, "3dB", "", "0dB"},
    {"MIC LowCut", 1485, "150Hz", "", "20Hz"},
}};

// C_ScrollBar3: EFF MODE, KTV view.
inline constexpr std::array<SliderSpec, 8> kKtvSliders = {{
    {"ECHO-A REP", 1335, "15", "", "0"},
    {"ECHO-A DLY", 1335, "196ms", "", "12ms"},
    {"Echo-A Vol", 1335, "80", "", "0"},
    {"Echo-B Vol", 1335, "80", "", "0"},
    {"Echo-B H_Cut", 1335, "100", "", "0"},
    {"Echo-B L&R", 1335, "127", "", "0"},
    {"ECHO-B REP", 1335, "100", "", "0"},
    {"ECHO-B DLY", 1095, "381ms", "", "0ms"},
}};

// C_ScrollBar2: EFF MODE, EFF view.
inline constexpr std::array<SliderSpec, 10> kEffSliders = {{
    {"ECHO-A REP", 1155, "15", "", "0"},
    {"ECHO-A DLY", 1155, "196", "", "12"},
    {"ECHO VOL", 1155, "80", "", "0"},
    {"REV VOL", 1155, "80", "", "0"},
    {"REV 1 Time", 1155, "6s", "", "0s"},
    {"REV 1 Time", 1155, "6s", "", "0s"},
    {"REV 3 Time", 1155, "6s", "", "0s"},
    {"REV DLY", 1155, "40ms", "", "0ms"},
    {"REV H_CUT1", 1155, "100", "", "0"},
    {"REV H_CUT 2", 1155, "100", "", "0"},
}};

// The title strips Picture1 .. Picture5: each titles a run of slots of one table, in slot
// order, with the catalog's titles.
struct TitleStripSpec
{
    int leftTwips;
    int topTwips;
    int widthPixels;
    int heightPixels;
    TableId table;
    int firstSlot;
    int slotCount;
};

inline constexpr std::array<TitleStripSpec, 5> kTitleStrips = {{
    {810, 1280, 619, 15, TableId::Music, 0, 8},
    {1540, 1260, 595, 16, TableId::Music, 8, 8},
    {860, 3640, 644, 13, TableId::Mic, 0, 9},
    {550, 6080, 656, 14, TableId::Ktv, 0, 8},
    {600, 6040, 660, 16, TableId::Eff, 0, 10},
}};

} // namespace tonvara
