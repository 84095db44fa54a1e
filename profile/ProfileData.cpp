#include "ProfileData.h"

#include <algorithm>

namespace tonvara {

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
