#include "IniDocument.h"

namespace tonvara {

namespace {

constexpr QByteArrayView kUtf8Bom = "\xEF\xBB\xBF";

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

} // namespace

bool sameIniName(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    }
    return true;
}

IniDocument::Line IniDocument::parseLine(QByteArray text)
{
    Line line;
    const QByteArray trimmed = text.trimmed();
    if (trimmed.startsWith('[')) {
        const qsizetype close = trimmed.indexOf(']');
        line.kind = LineKind::Section;
        line.name = trimmed.mid(1, close < 0 ? -1 : close - 1).trimmed();
    } else if (!trimmed.startsWith(';') && !trimmed.startsWith('#')) {
        const qsizetype equals = trimmed.indexOf('=');
        if (equals > 0) {
            line.name = trimmed.left(equals).trimmed();
            if (!line.name.isEmpty()) {
                line.kind = LineKind::Entry;
                line.value = trimmed.mid(equals + 1).trimmed();
            }
        }
    }
    line.text = std::move(text);
    return line;
}

IniDocument IniDocument::parse(QByteArrayView bytes)
{
    IniDocument doc;
    bytes = bytes.first(std::min(bytes.size(), kMaxBytes));
    if (bytes.startsWith(kUtf8Bom)) {
        doc.m_byteOrderMark = true;
        bytes = bytes.sliced(kUtf8Bom.size());
    }
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        const qsizetype next = end < 0 ? bytes.size() : end + 1;
        if (end < 0)
            end = bytes.size();
        qsizetype length = end - start;
        if (length > 0 && bytes[end - 1] == '\r')
            --length;
        doc.m_lines.push_back(parseLine(bytes.sliced(start, length).toByteArray()));
        start = next;
    }
    return doc;
}

qsizetype IniDocument::findEntry(QByteArrayView section, QByteArrayView key) const
{
    bool inSection = false;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const Line &line = m_lines[i];
        if (line.kind == LineKind::Section)
            inSection = sameIniName(line.name, section);
        else if (inSection && line.kind == LineKind::Entry && sameIniName(line.name, key))
            return qsizetype(i);
    }
    return -1;
}

std::optional<QByteArray> IniDocument::value(QByteArrayView section, QByteArrayView key) const
{
    const qsizetype index = findEntry(section, key);
    if (index < 0)
        return std::nullopt;
    return m_lines[std::size_t(index)].value;
}

bool IniDocument::hasSection(QByteArrayView section) const
{
    for (const Line &line : m_lines) {
        if (line.kind == LineKind::Section && sameIniName(line.name, section))
            return true;
    }
    return false;
}

void IniDocument::setValue(QByteArrayView section, QByteArrayView key, QByteArrayView value)
{
    QByteArray clean = value.toByteArray();
    clean.replace('\r', ' ').replace('\n', ' ').replace('\0', ' ');
    clean = clean.trimmed();

    const qsizetype existing = findEntry(section, key);
    if (existing >= 0) {
        Line &line = m_lines[std::size_t(existing)];
        // The key keeps its own spelling; only the value part is rewritten.
        line.text = line.name + '=' + clean;
        line.value = clean;
        return;
    }

    Line entry{key.toByteArray() + '=' + clean, LineKind::Entry, key.toByteArray(), clean};
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind != LineKind::Section || !sameIniName(m_lines[i].name, section))
            continue;
        // After the section's last entry, so comments that lead into the next section stay
        // with it.
        std::size_t insertAt = i + 1;
        for (std::size_t j = i + 1; j < m_lines.size(); ++j) {
            if (m_lines[j].kind == LineKind::Section)
                break;
            if (m_lines[j].kind == LineKind::Entry)
                insertAt = j + 1;
        }
        m_lines.insert(m_lines.begin() + std::ptrdiff_t(insertAt), std::move(entry));
        return;
    }

    const QByteArray name = section.toByteArray();
    m_lines.push_back(Line{'[' + name + ']', LineKind::Section, name, {}});
    m_lines.push_back(std::move(entry));
}

QByteArray IniDocument::serialize() const
{
    QByteArray out;
    if (m_byteOrderMark)
        out += kUtf8Bom;
    for (const Line &line : m_lines) {
        out += line.text;
        out += "\r\n";
    }
    return out;
}

} // namespace tonvara
