// The settings in which two profiles differ, by profile key in the order a profile is written,
// each value as the profile file writes it. Used by diff and by upload --verify. Pure; any
// thread.
#pragma once

#include "ProfileData.h"

#include <QByteArray>
#include <QList>

namespace tonvara::cli {

struct SettingDifference
{
    QByteArray key;
    QByteArray a;
    QByteArray b;
    bool operator==(const SettingDifference &) const = default;
};

QList<SettingDifference> profileDifferences(const ProfileData &a, const ProfileData &b);

} // namespace tonvara::cli
