// The program-wide traffic log: every frame and keep-alive sent and every byte received, one
// entry per line, recorded only while the log window is open. Owned by TargetLink, shown by
// CommIndicator (ui/). User-interface thread only.
#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

namespace tonvara {

class TrafficLog
{
  public:
    static constexpr const char *kHint =
        "Double-click the empty display can be stretched or wide...";

    const QString &text() const { return m_text; }
    bool enabled() const { return m_enabled; }
    void setEnabled(bool enabled) { m_enabled = enabled; }

    // Puts the hint line in place of everything (main window load).
    void loadHint() { m_text = QString::fromLatin1(kHint); }
    void clear() { m_text.clear(); }
    void setText(const QString &text) { m_text = text; }

    // Each entry is a CR LF then its text, so the log never ends with a line break.
    void append(const QString &entry);
    void appendSent(const std::uint8_t *bytes, std::size_t count);
    void appendReceived(std::uint8_t byte);

    // "CD,02,02,14,B5,19": two upper-case hex digits per byte.
    static QString hexBytes(const std::uint8_t *bytes, std::size_t count);

  private:
    QString m_text;
    bool m_enabled = false;
};

} // namespace tonvara
