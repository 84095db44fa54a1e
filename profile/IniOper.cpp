#include "IniOper.h"

#include "ProfileFile.h"

namespace tonvara {

QString iniFileName;
QString iniSection;

namespace {

QByteArray sectionOrDefault(const QString &section)
{
    return (section.isEmpty() ? iniSection : section).toUtf8();
}

} // namespace

QString readIniValue(const QString &key, const QString &section, const QString &defaultValue)
{
    const FileBytes file = readSmallFile(iniFileName);
    if (!file.ok)
        return defaultValue;
    const std::optional<QByteArray> value =
        IniDocument::parse(file.bytes).value(sectionOrDefault(section), key.toUtf8());
    return value ? QString::fromUtf8(*value) : defaultValue;
}

bool writeIniValue(const QString &key, const QString &value, const QString &section)
{
    ExistingDocument existing = readExistingDocument(iniFileName);
    if (!existing.ok)
        return false;
    existing.doc.setValue(sectionOrDefault(section), key.toUtf8(), value.toUtf8());
    return writeDocumentFile(iniFileName, existing.doc).ok;
}

bool writeIniValue(const QString &key, int value, const QString &section)
{
    return writeIniValue(key, QString::number(value), section);
}

} // namespace tonvara
