// The profile file format: one "Main" section with the model key "Type" and 212 value keys,
// and the checked conversion of a whole file into ProfileData. A profile is read and checked
// in full before anything is returned, so a caller never applies half of a broken file.
// Pure functions; any thread.
#pragma once

#include "IniDocument.h"
#include "ProfileData.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace tonvara {

inline constexpr QByteArrayView kProfileSection = "Main";
inline constexpr QByteArrayView kModelKey = "Type";
inline constexpr QByteArrayView kModelName = "ORB-350TZ";
inline constexpr QByteArrayView kMissingModel = "NULL";
inline constexpr QByteArrayView kProfileExtension = ".Lumaroch";

// The key of a table cell: "Music0.0" ... "Eff1.9" (the row, not the mode number).
QByteArray cellKey(TableId table, int row, int slot);
// The 211 value keys in the order a profile is written ("Type" not included).
QList<QByteArray> profileValueKeys();

// Text conversions of values read from a profile. Blanks around the number are allowed; a
// fraction rounds to the nearest integer, halves to even; the range is checked after rounding.
std::optional<std::uint8_t> byteFromText(QByteArrayView text); // 0-255
std::optional<int> integerFromText(QByteArrayView text);       // -32768-32767
std::optional<bool> onOffFromText(QByteArrayView text);        // any number, "True", "False"

// Writes "Type" and the 212 keys into the "Main" section: existing keys keep their lines, the
// rest of the document is left alone; a new document gets them in table order.
void writeProfile(const ProfileData &profile, IniDocument &doc);

enum class ProfileStatus
{
    Ok,
    ModelMismatch,
    DataError
};

struct ProfileCheck
{
    ProfileStatus status = ProfileStatus::DataError;
    ProfileData data;     // meaningful only when status is Ok
    QByteArray failedKey; // the first key that failed, for DataError
    QString unreadable;   // DataError of a file that could not be read: why
    // Value keys the file does not hold, in the profile's key order. Import takes each at its
    // default (0, a maximum 80) and says nothing; the command line warns about them.
    QList<QByteArray> missingKeys;
};

// Reads and checks a whole profile: "Type" must be exactly "ORB-350TZ", every value must
// convert and fit what it sets; missing keys take their defaults.
ProfileCheck readProfile(const IniDocument &doc);

} // namespace tonvara
