// Where every control of the main window sits and what it shows: the slider rows of the three
// mode panels with their titles, ranges, read-out rules, scale labels and target addresses,
// and the fixed positions of the other controls. Geometry in twips (15 twips = 1 pixel).
#pragma once

#include "ParameterStore.h"

#include <QRect>
#include <QString>

#include <array>
#include <span>

namespace tonvara {

constexpr int twips(int value) { return value / 15; }
inline QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(left / 15, top / 15, width / 15, height / 15);
}

struct SliderSpec
{
    const char *title;
    int widthTwips;
    int maxValue;
    int valueTipType;
    const char *text1;
    const char *text2;
    const char *text3;
    int tag; // target address
};

inline constexpr int kSliderHeightTwips = 1665;

// C_ScrollBar7: MUSIC MODE, slot = index (slots 16 and 17 are the two toggles).
inline constexpr std::array<SliderSpec, 16> kMusicSliders = {{
    {"57Hz", 1095, 20, 6, "+10", "0", "-10", 0},
    {"134Hz", 1095, 20, 6, "+10", "0", "-10", 1},
    {"400Hz", 1095, 20, 6, "+10", "0", "-10", 2},
    {"1KHz", 1095, 20, 6, "+10", "0", "-10", 3},
    {"2.5KHz", 1095, 20, 6, "+10", "0", "-10", 4},
    {"6.3KHz", 1095, 20, 6, "+10", "0", "-10", 5},
    {"16KHz", 1245, 20, 6, "+10", "0", "-10", 6},
    {"OUT LIMIT", 1455, 6, 9, "2V", "1.2V", "OFF", 29},
    {"C MUC VOL", 1215, 80, 0, "80", "", "0", 17},
    {"C MIC VOL", 1215, 80, 0, "80", "", "0", 18},
    {"C BASS", 1455, 20, 6, "10", "0", "-10", 24},
    {"C MID", 1455, 20, 6, "10", "0", "-10", 23},
    {"C TREBLE", 1455, 20, 6, "10", "0", "-10", 22},
    {"SUB FREQ", 1215, 21, 8, "230Hz", "", "20Hz", 27},
    {"SUB MicOn Vol", 1335, 80, 0, "80", "", "0", 25},
    {"SUB VOL", 1215, 80, 0, "80", "", "0", 26},
}};
inline constexpr int kEffInCTag = 21;
inline constexpr int kSubInvertTag = 28;

// C_ScrollBar1: MIC MODE.
inline constexpr std::array<SliderSpec, 9> kMicSliders = {{
    {"57Hz", 1095, 20, 6, "+10", "0", "-10", 0},
    {"134Hz", 1095, 20, 6, "+10", "0", "-10", 1},
    {"400Hz", 1095, 20, 6, "+10", "0", "-10", 2},
    {"1KHz", 1095, 20, 6, "+10", "0", "-10", 3},
    {"2.5KHz", 1095, 20, 6, "+10", "0", "-10", 4},
    {"6.3KHz", 1095, 20, 6, "+10", "0", "-10", 5},
    {"10KHz", 1095, 20, 6, "+10", "0", "-10", 6},
    {"MIC H_Curve", 1245, 3, 5, "3dB", "", "0dB", 8},
    {"MIC LowCut", 1485, 13, 8, "150Hz", "", "20Hz", 7},
}};

// C_ScrollBar3: EFF MODE, KTV view.
inline constexpr std::array<SliderSpec, 8> kKtvSliders = {{
    {"ECHO-A REP", 1335, 15, 0, "15", "", "0", 82},
    {"ECHO-A DLY", 1335, 15, 1, "196ms", "", "12ms", 80},
    {"Echo-A Vol", 1335, 80, 0, "80", "", "0", 98},
    {"Echo-B Vol", 1335, 80, 0, "80", "", "0", 99},
    {"Echo-B H_Cut", 1335, 100, 0, "100", "", "0", 10},
    {"Echo-B L&R", 1335, 127, 0, "127", "", "0", 85},
    {"ECHO-B REP", 1335, 100, 0, "100", "", "0", 83},
    {"ECHO-B DLY", 1095, 127, 4, "381ms", "", "0ms", 81},
}};

// C_ScrollBar2: EFF MODE, EFF view.
inline constexpr std::array<SliderSpec, 10> kEffSliders = {{
    {"ECHO-A REP", 1155, 15, 0, "15", "", "0", 82},
    {"ECHO-A DLY", 1155, 15, 1, "196", "", "12", 80},
    {"ECHO VOL", 1155, 80, 0, "80", "", "0", 98},
    {"REV VOL", 1155, 80, 0, "80", "", "0", 199},
    {"REV 1 Time", 1155, 60, 2, "6s", "", "0s", 130},
    {"REV 1 Time", 1155, 60, 2, "6s", "", "0s", 131},
    {"REV 3 Time", 1155, 60, 2, "6s", "", "0s", 132},
    {"REV DLY", 1155, 40, 3, "40ms", "", "0ms", 181},
    {"REV H_CUT1", 1155, 100, 0, "100", "", "0", 110},
    {"REV H_CUT 2", 1155, 100, 0, "100", "", "0", 111},
}};

// Column titles of the title strips Picture1 .. Picture5.
struct TitleStripSpec
{
    int leftTwips;
    int topTwips;
    int widthPixels;
    int heightPixels;
    std::span<const char *const> titles;
};

inline constexpr const char *kStrip1[] = {"57Hz",   "134Hz",  "400Hz", "1KHz",
                                          "2.5KHz", "6.3KHz", "16KHz", "Out Limit"};
inline constexpr const char *kStrip2[] = {"C Music Vol", "C Mic Vol", "C Bass",        "C Mid",
                                          "C Treble",    "SUB Freq",  "SUB MinOn Vol", "SUB Vol"};
inline constexpr const char *kStrip3[] = {"57Hz",   "134Hz", "400Hz",       "1KHz",      "2.5KHz",
                                          "6.3KHz", "10KHz", "MIC H_Curve", "MIC LowCut"};
inline constexpr const char *kStrip4[] = {"Echo-A Rep",   "Echo-A Dly", "Echo-A Vol", "Echo-B Vol",
                                          "Echo-B H_Cut", "Echo-B L&R", "Echo-B Rep", "Echo-B Dly"};
inline constexpr const char *kStrip5[] = {"Echo Rep",   "Echo Dly",   "Echo Vol",   "Rev Vol",
                                          "REV 1 Time", "REV 2 Time", "REV 3 Time", "REV Dly",
                                          "REV H_Cut1", "REV H_Cut2"};

inline const std::array<TitleStripSpec, 5> kTitleStrips = {{
    {810, 1280, 619, 15, kStrip1},
    {1540, 1260, 595, 16, kStrip2},
    {860, 3640, 644, 13, kStrip3},
    {550, 6080, 656, 14, kStrip4},
    {600, 6040, 660, 16, kStrip5},
}};

} // namespace tonvara
