// The display checks made before the main window is created: the program's geometry needs
// a 96 DPI screen of at least 930 x 560 pixels.
#pragma once

#include "WindowServices.h"

#include <QString>

namespace tonvara {

enum class DisplayVerdict { Ok, WrongDpi, TooSmall };

// DPI first, then width, then height.
DisplayVerdict checkDisplay(const ScreenMetrics &metrics);
QString displayRefusalText(DisplayVerdict verdict);

// Shows the refusal (warning icon) when the display does not fit; true when start-up may go on.
bool passesDisplayChecks(WindowServices &services);

} // namespace tonvara
