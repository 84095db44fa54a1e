#include "ProgressLine.h"

#include <cstdio>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tonvara::cli {

namespace {

constexpr int kFallbackWidth = 80;

int terminalWidth()
{
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return kFallbackWidth;
}

} // namespace

ProgressLine::ProgressLine(bool enabled) : m_enabled(enabled) {}

ProgressLine::~ProgressLine()
{
    clear();
}

bool ProgressLine::stderrIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

void ProgressLine::show(const QString &full, const QString &summary)
{
    if (!m_enabled)
        return;
    // One column spare: a line that fills the terminal would wrap the cursor.
    const int width = terminalWidth() - 1;
    QString text = full.size() <= width ? full : summary;
    if (text.size() > width)
        text.truncate(width);
    // Carriage return, the text, then erase to the end of the line.
    std::fprintf(stderr, "\r%s\033[K", qPrintable(text));
    std::fflush(stderr);
    m_shown = true;
}

void ProgressLine::clear()
{
    if (!m_shown)
        return;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    m_shown = false;
}

} // namespace tonvara::cli
