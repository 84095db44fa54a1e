#include "ProfileDiff.h"

#include "IniDocument.h"
#include "ProfileFormat.h"

namespace tonvara::cli {

QList<SettingDifference> profileDifferences(const ProfileData &a, const ProfileData &b)
{
    // Written by the Save code itself, so each value reads exactly as it would in a file.
    IniDocument docA;
    IniDocument docB;
    writeProfile(a, docA);
    writeProfile(b, docB);
    QList<SettingDifference> differences;
    for (const QByteArray &key : profileValueKeys()) {
        const QByteArray valueA = docA.value(kProfileSection, key).value_or(QByteArray());
        const QByteArray valueB = docB.value(kProfileSection, key).value_or(QByteArray());
        if (valueA != valueB)
            differences.append({key, valueA, valueB});
    }
    return differences;
}

} // namespace tonvara::cli
