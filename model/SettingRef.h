// Names one stored setting a user can change: a cell of a mode table (in a given mode), a
// VOL(SET) group, a switch or the mode of one of the three mode lists; with the title a user
// knows it by ("MUSIC2 1KHz", "MIC VOL(SET) Max", "Mute"). Plain data, any thread.
#pragma once

#include "ParameterStore.h"

#include <string>

namespace tonvara {

enum class EditKind
{
    Cell,       // table, row, index = slot
    StartLevel, // index = VOL(SET) group
    VolGroup,   // index = VOL(SET) group, entry = 0 Min, 1 Max, 2 Mode (the one edited)
    Mute,
    Lock,
    Exciter,
    Input,
    Mode // index = 0 MUSIC list, 1 MIC list, 2 EFF list; the value is the list's item index
};

struct SettingRef
{
    EditKind kind = EditKind::Cell;
    TableId table = TableId::Music;
    int row = 0;
    int index = 0;
    int entry = 0;

    static SettingRef cell(TableId table, int row, int slot)
    {
        return {EditKind::Cell, table, row, slot, 0};
    }
    static SettingRef startLevel(int group) { return {EditKind::StartLevel, {}, 0, group, 0}; }
    static SettingRef volGroup(int group, int entry)
    {
        return {EditKind::VolGroup, {}, 0, group, entry};
    }
    static SettingRef modeList(int list) { return {EditKind::Mode, {}, 0, list, 0}; }
    static SettingRef of(EditKind kind) { return {kind, {}, 0, 0, 0}; }

    bool operator==(const SettingRef &) const = default;
};

// "MUSIC2 1KHz", "EFF1 REV Dly", "MUSIC VOL(SET) Start", "MIC MODE", "EXCITER" ...
std::string editTitle(const SettingRef &setting);

// Mode list item index <-> the mode number the store holds (the EFF list's items 2 and 3 are
// the mode numbers 20 and 21).
int modeOfListItem(int list, int item);
int listItemOfMode(int list, int modeNumber);
// The list that chooses the rows of a table (the KTV and EFF tables share the EFF list).
int listOfTable(TableId table);

// The value the store holds for a setting (VolGroup: not a single number, 0).
int storedValue(const ParameterStore &store, const SettingRef &setting);

// Two stores hold the same settings: tables, modes, VOL(SET) groups and switches. The KEY row
// is no setting and is not compared.
bool sameSettings(const ParameterStore &a, const ParameterStore &b);

} // namespace tonvara
