#include "StartupCheck.h"

namespace tonvara {

namespace {
constexpr float kMinWidthPixels = 930.0f;
constexpr float kMinHeightPixels = 560.0f;
} // namespace

DisplayVerdict checkDisplay(const ScreenMetrics &metrics)
{
    if (metrics.twipsPerPixelX != 15)
        return DisplayVerdict::WrongDpi;
    const float width = static_cast<float>(metrics.widthTwips) / metrics.twipsPerPixelX;
    if (width < kMinWidthPixels)
        return DisplayVerdict::TooSmall;
    if (metrics.twipsPerPixelY <= 0)
        return DisplayVerdict::WrongDpi;
    const float height = static_cast<float>(metrics.heightTwips) / metrics.twipsPerPixelY;
    if (height < kMinHeightPixels)
        return DisplayVerdict::TooSmall;
    return DisplayVerdict::Ok;
}

QString displayRefusalText(DisplayVerdict verdict)
{
    switch (verdict) {
    case DisplayVerdict::Ok:
        return {};
    case DisplayVerdict::WrongDpi:
        return QStringLiteral("Keep your computer current DPI change 96DPI, in order to avoid the "
                              "software displays an exception, click OK to exit this application.");
    case DisplayVerdict::TooSmall:
        return QStringLiteral("Your computer monitor resolution is too low, at least 930 * 560 to "
                              "the normal display of the program interface, click OK to exit.");
    }
    return {};
}

bool passesDisplayChecks(WindowServices &services)
{
    const DisplayVerdict verdict = checkDisplay(services.screenMetrics());
    if (verdict == DisplayVerdict::Ok)
        return true;
    services.messageBox(displayRefusalText(verdict), MessageIcon::Warning, MessageButtons::Ok);
    return false;
}

} // namespace tonvara
