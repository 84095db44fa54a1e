// A small INI reader/writer that keeps a file as it was: every line, comment and unknown
// section survives a load/modify/save cycle, and a changed key keeps its line. Section and key
// names match without regard to ASCII case; the first of duplicate keys wins. Plain value type,
// no I/O; any thread, no shared state.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>
#include <vector>

namespace tonvara {

class IniDocument
{
  public:
    // Profiles are a few kilobytes; anything past this is not read.
    static constexpr qsizetype kMaxBytes = 1024 * 1024;

    // Never fails: lines that are neither a section, an entry nor a comment are kept as they
    // are. Lines end in LF or CR LF; a leading UTF-8 byte-order mark is kept for writing.
    static IniDocument parse(QByteArrayView bytes);

    // The value of key in section with surrounding blanks removed; nullopt when the section or
    // the key is missing. A key present with an empty value gives an empty array.
    std::optional<QByteArray> value(QByteArrayView section, QByteArrayView key) const;
    bool hasSection(QByteArrayView section) const;

    // Replaces the value of an existing key on its own line; a missing key goes after the last
    // entry of its section, a missing section at the end. CR, LF and NUL in the value become
    // blanks so that a value can never split into lines.
    void setValue(QByteArrayView section, QByteArrayView key, QByteArrayView value);

    // Every line followed by CR LF.
    QByteArray serialize() const;
    qsizetype lineCount() const { return qsizetype(m_lines.size()); }

    enum class LineKind
    {
        Other, // blank, comment, or neither a section nor an entry
        Section,
        Entry
    };
    struct Line
    {
        QByteArray text;
        LineKind kind = LineKind::Other;
        QByteArray name;  // section name or key, trimmed
        QByteArray value; // entries only, trimmed
    };
    // The lines as read, in order (line n of the file is lines()[n - 1]), for a reader that
    // checks a file whole and names the line of each fault.
    const std::vector<Line> &lines() const { return m_lines; }

  private:
    static Line parseLine(QByteArray text);
    // Index of the first entry of key in a section of that name, or -1.
    qsizetype findEntry(QByteArrayView section, QByteArrayView key) const;

    std::vector<Line> m_lines;
    bool m_byteOrderMark = false;
};

// ASCII case-insensitive equality, as INI names are compared.
bool sameIniName(QByteArrayView a, QByteArrayView b);

} // namespace tonvara
