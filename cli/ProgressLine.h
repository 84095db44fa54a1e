// Progress on standard error while ports are worked, one line redrawn in place, and only when
// standard error is a terminal: a script that captures it gets the result lines alone.
// Main thread only.
#pragma once

#include <QString>

namespace tonvara::cli {

class ProgressLine
{
  public:
    // Draws only when enabled (standard error is a terminal).
    explicit ProgressLine(bool enabled);
    ~ProgressLine();

    static bool stderrIsTerminal();

    // Replaces the line. Too wide for the terminal, it shows the summary instead.
    void show(const QString &full, const QString &summary);
    // Removes the line, so that a result line can be printed in its place.
    void clear();

  private:
    bool m_enabled = false;
    bool m_shown = false;
};

} // namespace tonvara::cli
