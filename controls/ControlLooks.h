// The drawing of the control library: the fonts, the plain line of the pixel rules, and one
// free function per look (button face, drop-down face, rocker, indicator, key, focus mark),
// shared by every control that uses it. Pure drawing; user-interface thread (QPainter on
// images may run anywhere).
#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class QPainter;

namespace tonvara {

// Arial is matched by Liberation Sans, SimSun by WenQuanYi Micro Hei; both fall back to any
// sans-serif face. Sizes are fixed in pixels for 96 DPI so images do not depend on the device.
QFont arialFont(double points, bool bold = false);
QFont simSunFont(double points, bool bold = false);

// Axis-aligned line as the pixel rules define it: the start point is painted, the end point
// is not; a width of w covers w rows (columns) around the line, the extra one above (left).
void drawPlainLine(QPainter &painter, int x1, int y1, int x2, int y2, int width,
                   const QColor &color);

// Looks of the faces.
enum class ButtonLook
{
    Normal,
    Hover,
    Pressed
};
void drawButtonFace(QPainter &painter, const QRect &rect, ButtonLook look);
void drawComboFace(QPainter &painter, const QRect &rect, bool pressed);
void drawRockerFace(QPainter &painter, const QRect &rect, bool on);
void drawIndicator(QPainter &painter, const QRect &rect, bool lit);
void drawKeyFace(QPainter &painter, const QRect &rect, const QString &legend, bool lit);
// A thin amber mark along the given rectangle's edge that shows the keyboard focus.
void drawFocusMark(QPainter &painter, const QRect &rect);
// The red corner tick of a control whose value differs from compared values: a right-angled
// triangle in the top right corner of rect, kDifferenceMarkSize pixels along each edge (fewer
// when rect is smaller), drawn pixel by pixel so its pixels do not depend on antialiasing.
void drawDifferenceMark(QPainter &painter, const QRect &rect);
inline constexpr int kDifferenceMarkSize = 7;

// Shared colours.
inline const QColor kPanelGrey{52, 54, 55};
inline const QColor kLitAmber{255, 196, 40};
inline const QColor kFocusAmber{255, 176, 0};
inline const QColor kDifferenceRed{232, 32, 32};

} // namespace tonvara
