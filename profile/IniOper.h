// Single-entry profile access: read or write one key of the file named by iniFileName. Thin
// wrappers over IniDocument and the profile file I/O; the commands set both module texts
// before their first access. User-interface thread only (module state).
#pragma once

#include <QString>

namespace tonvara {

// Full path of the profile file the two operations use.
extern QString iniFileName;
// Section used when a caller passes an empty section name.
extern QString iniSection;

// The value of key (surrounding blanks removed); defaultValue when the file, the section or
// the key is missing or the file cannot be read. A key present with no value gives "".
QString readIniValue(const QString &key, const QString &section, const QString &defaultValue);

// Sets key to value, creating the file and the section when missing and keeping everything
// else in the file. Returns false, leaving the file as it was, when it cannot be written.
bool writeIniValue(const QString &key, const QString &value, const QString &section);
bool writeIniValue(const QString &key, int value, const QString &section);

} // namespace tonvara
