// The one description of every setting the editor keeps: for each slot of each mode table its
// target address, its title as the window shows it, its maximum and its read-out rule; and the
// 211 settings a profile holds (table cells, VOL(SET) minimum, maximum and start mode, the
// switches) in the profile's key order, each with its key, title and read-out. The store's
// addresses, the pages, the profile format and every text that names a setting read it.
// Constant data and pure functions; any thread.
#pragma once

#include "ParameterStore.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tonvara {

// The read-out "rules" of the two toggles of the music table: on/off, not a slider's text.
// An inverted toggle (its control's ValueInvert set) shows its on face at value 0.
inline constexpr int kToggleReadout = -1;
inline constexpr int kInvertedToggleReadout = -2;

// One slot of a mode table, the same in every row of the table.
struct SlotSpec
{
    const char *title;    // as the title strip (or, for a toggle, its label) shows it
    std::uint8_t address; // target address: the Tag of the slot's control
    std::uint8_t maximum; // top of the slider's range; 1 for a toggle
    int valueTipType;     // the slider's ValueTipType; one of the toggle rules for a toggle
    bool isToggle() const { return isInvertedToggle() || valueTipType == kToggleReadout; }
    bool isInvertedToggle() const { return valueTipType == kInvertedToggleReadout; }
};

std::span<const SlotSpec> slotSpecs(TableId table);
const SlotSpec &slotSpec(TableId table, int slot);

enum class SettingKind : std::uint8_t
{
    Cell,
    VolSet,
    InputSelect,
    Exciter,
    Mute,
    Lock
};
// The digit after the dot of a "VOL" key.
enum class VolField : std::uint8_t
{
    Min = 0,
    Max = 1,
    Mode = 2
};

// One setting: a table cell (table, row, slot), a VOL(SET) field (group 0 MUSIC, 1 MIC,
// 2 EFF) or one of the switches.
struct SettingId
{
    SettingKind kind = SettingKind::Cell;
    TableId table = TableId::Music;
    std::uint8_t row = 0;
    std::uint8_t slot = 0;
    std::uint8_t group = 0;
    VolField field = VolField::Min;

    static constexpr SettingId cell(TableId table, int row, int slot)
    {
        SettingId s;
        s.table = table;
        s.row = static_cast<std::uint8_t>(row);
        s.slot = static_cast<std::uint8_t>(slot);
        return s;
    }
    static constexpr SettingId vol(int group, VolField field)
    {
        SettingId s;
        s.kind = SettingKind::VolSet;
        s.group = static_cast<std::uint8_t>(group);
        s.field = field;
        return s;
    }
    static constexpr SettingId of(SettingKind kind)
    {
        SettingId s;
        s.kind = kind;
        return s;
    }
    bool operator==(const SettingId &) const = default;
};

// What a profile holds, besides the model key.
inline constexpr int kSettingCount = 211;
// Every setting, in the order a profile writes its keys.
std::span<const SettingId> allSettings();

// The profile key: "Music1.3" (row, not mode number: "Eff1.9" is EFF2), "VOL2.1", "INPUTSELECT".
std::string settingKey(const SettingId &setting);
// The setting whose key this is, matched without regard to case as profile keys are.
std::optional<SettingId> settingOfKey(std::string_view key);
// The setting in words, as the window names it: "MUSIC2 1KHz", "EFF VOL(SET) Max", "Mute".
std::string settingTitle(const SettingId &setting);
// The largest value the window can give the setting (INPUTSELECT: 3, no INPUT option on).
int settingMaximum(const SettingId &setting);
// The value as the window shows it: a slider's read-out, a start mode's "KTV3", "on"/"off"
// as the switch's face shows it (an inverted toggle is "on" at 0), the INPUT option's name.
// A value the window could not show (a profile may hold any byte in a cell) still gets a
// text, never an error.
std::string settingReadout(const SettingId &setting, int value);

// The table's key prefix: "Music", "Mic", "Ktv", "Eff".
std::string_view tableKeyPrefix(TableId table);
// The mode a table row holds, as the mode lists name it: "MUSIC1" .. "MIC6", "KTV2", "EFF1".
std::string modeName(TableId table, int row);
// "MUSIC VOL(SET)", "MIC VOL(SET)", "EFF VOL(SET)".
std::string_view volGroupName(int group);
// The start-mode entry's text: "MUS"/"MIC" and startMode + 1 for groups 0 and 1; for group 2
// "KTV" and startMode + 1 up to 3, then "EFF" and startMode - 3.
std::string startModeText(int group, int startMode);

} // namespace tonvara
