#include "SettingRef.h"

#include "SettingsCatalog.h"

#include <array>

namespace tonvara {

namespace {

constexpr std::array<const char *, 3> kGroupNames = {"MUSIC", "MIC", "EFF"};

const char *groupName(int index)
{
    return index >= 0 && index < int(kGroupNames.size()) ? kGroupNames[std::size_t(index)] : "?";
}

} // namespace

// Settings a profile holds are named as the catalog names them; the start levels and the mode
// lists are not in a profile and are named here.
std::string editTitle(const SettingRef &setting)
{
    switch (setting.kind) {
    case EditKind::Cell:
        return settingTitle(SettingId::cell(setting.table, setting.row, setting.index));
    case EditKind::StartLevel:
        return std::string(volGroupName(setting.index)) + " Start";
    case EditKind::VolGroup:
        return settingTitle(SettingId::vol(setting.index, static_cast<VolField>(setting.entry)));
    case EditKind::Mute:
        return settingTitle(SettingId::of(SettingKind::Mute));
    case EditKind::Lock:
        return settingTitle(SettingId::of(SettingKind::Lock));
    case EditKind::Exciter:
        return settingTitle(SettingId::of(SettingKind::Exciter));
    case EditKind::Input:
        return settingTitle(SettingId::of(SettingKind::InputSelect));
    case EditKind::Mode:
        return std::string(groupName(setting.index)) + " MODE";
    }
    return {};
}

int modeOfListItem(int list, int item)
{
    return list == 2 && item >= 2 ? item + 18 : item;
}

int listItemOfMode(int list, int modeNumber)
{
    return list == 2 && modeNumber >= 20 ? modeNumber - 18 : modeNumber;
}

int listOfTable(TableId table)
{
    switch (table) {
    case TableId::Music:
        return 0;
    case TableId::Mic:
        return 1;
    case TableId::Ktv:
    case TableId::Eff:
        return 2;
    }
    return 0;
}

int storedValue(const ParameterStore &store, const SettingRef &setting)
{
    switch (setting.kind) {
    case EditKind::Cell:
        return store.cellAt(setting.table, setting.row, setting.index).value;
    case EditKind::StartLevel:
        return store.volSet[static_cast<std::size_t>(setting.index)].startLevel;
    case EditKind::VolGroup:
        return 0;
    case EditKind::Mute:
        return store.mute ? 1 : 0;
    case EditKind::Lock:
        return store.lock ? 1 : 0;
    case EditKind::Exciter:
        return store.exciter ? 1 : 0;
    case EditKind::Input:
        return store.inputSelect;
    case EditKind::Mode: {
        const int mode = setting.index == 0   ? store.musicMode
                         : setting.index == 1 ? store.micMode
                                              : store.effMode;
        return listItemOfMode(setting.index, mode);
    }
    }
    return 0;
}

bool sameSettings(const ParameterStore &a, const ParameterStore &b)
{
    for (TableId id : kAllTables)
        if (!(a.table(id) == b.table(id)))
            return false;
    return a.musicMode == b.musicMode && a.micMode == b.micMode && a.effMode == b.effMode &&
           a.volSet == b.volSet && a.inputSelect == b.inputSelect && a.exciter == b.exciter &&
           a.mute == b.mute && a.lock == b.lock;
}

} // namespace tonvara
