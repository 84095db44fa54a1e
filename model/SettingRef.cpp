#include "SettingRef.h"

#include <array>
#include <span>

namespace tonvara {

namespace {

// Slot titles as the window's column strips and labels show them.
constexpr std::array<const char *, 18> kMusicTitles = {
    "57Hz",     "134Hz",     "400Hz",         "1KHz",      "2.5KHz",   "6.3KHz",
    "16KHz",    "Out Limit", "C Music Vol",   "C Mic Vol", "C Bass",   "C Mid",
    "C Treble", "SUB Freq",  "SUB MinOn Vol", "SUB Vol",   "EFF In C", "SUB Invert"};
constexpr std::array<const char *, 9> kMicTitles = {
    "57Hz", "134Hz", "400Hz", "1KHz", "2.5KHz", "6.3KHz", "10KHz", "MIC H_Curve", "MIC LowCut"};
constexpr std::array<const char *, 8> kKtvTitles = {"Echo-A Rep", "Echo-A Dly",   "Echo-A Vol",
                                                    "Echo-B Vol", "Echo-B H_Cut", "Echo-B L&R",
                                                    "Echo-B Rep", "Echo-B Dly"};
constexpr std::array<const char *, 10> kEffTitles = {
    "Echo Rep",   "Echo Dly",   "Echo Vol", "Rev Vol",    "REV 1 Time",
    "REV 2 Time", "REV 3 Time", "REV Dly",  "REV H_Cut1", "REV H_Cut2"};
constexpr std::array<const char *, 3> kGroupNames = {"MUSIC", "MIC", "EFF"};
constexpr std::array<const char *, 3> kEntryNames = {"Min", "Max", "Mode"};

std::span<const char *const> slotTitles(TableId table)
{
    switch (table) {
    case TableId::Music:
        return kMusicTitles;
    case TableId::Mic:
        return kMicTitles;
    case TableId::Ktv:
        return kKtvTitles;
    case TableId::Eff:
        return kEffTitles;
    }
    return {};
}

const char *rowPrefix(TableId table)
{
    switch (table) {
    case TableId::Music:
        return "MUSIC";
    case TableId::Mic:
        return "MIC";
    case TableId::Ktv:
        return "KTV";
    case TableId::Eff:
        return "EFF";
    }
    return "";
}

const char *pick(std::span<const char *const> names, int index)
{
    return index >= 0 && static_cast<std::size_t>(index) < names.size()
               ? names[static_cast<std::size_t>(index)]
               : "?";
}

} // namespace

std::string settingTitle(const SettingRef &setting)
{
    switch (setting.kind) {
    case SettingKind::Cell:
        return rowPrefix(setting.table) + std::to_string(setting.row + 1) + " " +
               pick(slotTitles(setting.table), setting.index);
    case SettingKind::StartLevel:
        return std::string(pick(kGroupNames, setting.index)) + " VOL(SET) Start";
    case SettingKind::VolGroup:
        return std::string(pick(kGroupNames, setting.index)) + " VOL(SET) " +
               pick(kEntryNames, setting.entry);
    case SettingKind::Mute:
        return "Mute";
    case SettingKind::Lock:
        return "Lock";
    case SettingKind::Exciter:
        return "EXCITER";
    case SettingKind::Input:
        return "INPUT";
    case SettingKind::Mode:
        return std::string(pick(kGroupNames, setting.index)) + " MODE";
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
    case SettingKind::Cell:
        return store.cellAt(setting.table, setting.row, setting.index).value;
    case SettingKind::StartLevel:
        return store.volSet[static_cast<std::size_t>(setting.index)].startLevel;
    case SettingKind::VolGroup:
        return 0;
    case SettingKind::Mute:
        return store.mute ? 1 : 0;
    case SettingKind::Lock:
        return store.lock ? 1 : 0;
    case SettingKind::Exciter:
        return store.exciter ? 1 : 0;
    case SettingKind::Input:
        return store.inputSelect;
    case SettingKind::Mode: {
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
