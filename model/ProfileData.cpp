#include "ProfileData.h"

#include <algorithm>

namespace tonvara {

int ProfileData::valueOf(const SettingId &setting) const
{
    switch (setting.kind) {
    case SettingKind::Cell:
        return value(setting.table, setting.row, setting.slot);
    case SettingKind::VolSet: {
        const ProfileVolGroup &group = vol[std::min<std::size_t>(setting.group, vol.size() - 1)];
        switch (setting.field) {
        case VolField::Min:
            return group.minLevel;
        case VolField::Max:
            return group.maxLevel;
        case VolField::Mode:
            return group.startMode;
        }
        return 0;
    }
    case SettingKind::InputSelect:
        return inputSelect;
    case SettingKind::Exciter:
        return exciter ? 1 : 0;
    case SettingKind::Mute:
        return mute ? 1 : 0;
    case SettingKind::Lock:
        return lock ? 1 : 0;
    }
    return 0;
}

void ProfileData::setValueOf(const SettingId &setting, int value)
{
    const auto byte = static_cast<std::uint8_t>(std::clamp(value, 0, 255));
    switch (setting.kind) {
    case SettingKind::Cell:
        setValue(setting.table, setting.row, setting.slot, byte);
        return;
    case SettingKind::VolSet: {
        ProfileVolGroup &group = vol[std::min<std::size_t>(setting.group, vol.size() - 1)];
        switch (setting.field) {
        case VolField::Min:
            group.minLevel = byte;
            return;
        case VolField::Max:
            group.maxLevel = byte;
            return;
        case VolField::Mode:
            group.startMode = byte;
            return;
        }
        return;
    }
    case SettingKind::InputSelect:
        inputSelect = byte;
        return;
    case SettingKind::Exciter:
        exciter = value != 0;
        return;
    case SettingKind::Mute:
        mute = value != 0;
        return;
    case SettingKind::Lock:
        lock = value != 0;
        return;
    }
}

ProfileData profileFromStore(const ParameterStore &store)
{
    ProfileData profile;
    for (TableId table : kAllTables) {
        for (int row = 0; row < rowCount(table); ++row)
            for (int slot = 0; slot < slotCount(table); ++slot)
                profile.setValue(table, row, slot, store.cellAt(table, row, slot).value);
    }
    profile.inputSelect = store.inputSelect;
    profile.exciter = store.exciter;
    profile.mute = store.mute;
    profile.lock = store.lock;
    for (std::size_t k = 0; k < profile.vol.size(); ++k) {
        const VolSet &v = store.volSet[k];
        profile.vol[k] = {v.minLevel, v.maxLevel, v.startMode};
    }
    return profile;
}

void applyProfileToStore(const ProfileData &profile, ParameterStore &store)
{
    for (TableId table : kAllTables) {
        for (int row = 0; row < rowCount(table); ++row)
            for (int slot = 0; slot < slotCount(table); ++slot)
                store.cellAt(table, row, slot).value = profile.value(table, row, slot);
    }
    store.inputSelect = profile.inputSelect;
    store.exciter = profile.exciter;
    store.mute = profile.mute;
    store.lock = profile.lock;
    for (std::size_t k = 0; k < profile.vol.size(); ++k) {
        VolSet &v = store.volSet[k];
        v.minLevel = profile.vol[k].minLevel;
        v.maxLevel = profile.vol[k].maxLevel;
        v.startMode = profile.vol[k].startMode;
        v.startLevel = std::min(v.startLevel, v.maxLevel);
    }
}

} // namespace tonvara
