// The main window's background picture (934 x 682): brushed panel, the panel frames and the
// eleven captions. Drawn once by our own code at start-up; no image files.
#pragma once

#include <QImage>

namespace tonvara {

inline constexpr int kBackgroundWidth = 934;
inline constexpr int kBackgroundHeight = 682;

QImage renderBackground();

} // namespace tonvara
