#include "SettingsCatalog.h"

#include "ValueTipText.h"

#include <algorithm>
#include <array>

namespace tonvara {

namespace {

constexpr int kToggle = kToggleReadout;
constexpr int kInvertedToggle = kInvertedToggleReadout;

// Titles as the title strips show them (not the sliders' own, hidden Title texts).
constexpr std::array<SlotSpec, 18> kMusicSlots = {{
    {"57Hz", 0, 20, 6},
    {"134Hz", 1, 20, 6},
    {"400Hz", 2, 20, 6},
    {"1KHz", 3, 20, 6},
    {"2.5KHz", 4, 20, 6},
    {"6.3KHz", 5, 20, 6},
    {"16KHz", 6, 20, 6},
    {"Out Limit", 29, 6, 9},
    {"C Music Vol", 17, 80, 0},
    {"C Mic Vol", 18, 80, 0},
    {"C Bass", 24, 20, 6},
    {"C Mid", 23, 20, 6},
    {"C Treble", 22, 20, 6},
    {"SUB Freq", 27, 21, 8},
    {"SUB MinOn Vol", 25, 80, 0},
    {"SUB Vol", 26, 80, 0},
    {"EFF In C", 21, 1, kInvertedToggle},
    {"SUB Invert", 28, 1, kToggle},
}};

// Slots 7 and 8 carry addresses 8 and 7, in that order.
constexpr std::array<SlotSpec, 9> kMicSlots = {{
    {"57Hz", 0, 20, 6},
    {"134Hz", 1, 20, 6},
    {"400Hz", 2, 20, 6},
    {"1KHz", 3, 20, 6},
    {"2.5KHz", 4, 20, 6},
    {"6.3KHz", 5, 20, 6},
    {"10KHz", 6, 20, 6},
    {"MIC H_Curve", 8, 3, 5},
    {"MIC LowCut", 7, 13, 8},
}};

constexpr std::array<SlotSpec, 8> kKtvSlots = {{
    {"Echo-A Rep", 82, 15, 0},
    {"Echo-A Dly", 80, 15, 1},
    {"Echo-A Vol", 98, 80, 0},
    {"Echo-B Vol", 99, 80, 0},
    {"Echo-B H_Cut", 10, 100, 0},
    {"Echo-B L&R", 85, 127, 0},
    {"Echo-B Rep", 83, 100, 0},
    {"Echo-B Dly", 81, 127, 4},
}};

// Addresses 82, 80 and 98 are also KTV slots: separate cells, told apart by the mode number.
constexpr std::array<SlotSpec, 10> kEffSlots = {{
    {"Echo Rep", 82, 15, 0},
    {"Echo Dly", 80, 15, 1},
    {"Echo Vol", 98, 80, 0},
    {"Rev Vol", 199, 80, 0},
    {"REV 1 Time", 130, 60, 2},
    {"REV 2 Time", 131, 60, 2},
    {"REV 3 Time", 132, 60, 2},
    {"REV Dly", 181, 40, 3},
    {"REV H_Cut1", 110, 100, 0},
    {"REV H_Cut2", 111, 100, 0},
}};

static_assert(kMusicSlots.size() == std::size_t(shapeOf(TableId::Music).slotCount));
static_assert(kMicSlots.size() == std::size_t(shapeOf(TableId::Mic).slotCount));
static_assert(kKtvSlots.size() == std::size_t(shapeOf(TableId::Ktv).slotCount));
static_assert(kEffSlots.size() == std::size_t(shapeOf(TableId::Eff).slotCount));

constexpr std::array<std::string_view, 4> kKeyPrefixes = {"Music", "Mic", "Ktv", "Eff"};
constexpr std::array<std::string_view, 4> kModePrefixes = {"MUSIC", "MIC", "KTV", "EFF"};
constexpr std::array<std::string_view, kVolSetCount> kVolGroupNames = {
    "MUSIC VOL(SET)", "MIC VOL(SET)", "EFF VOL(SET)"};
constexpr std::array<std::string_view, 3> kVolFieldTitles = {"Min", "Max", "Mode"};
// The INPUT options by inputSelect; kNoInput (none on) is worded separately.
constexpr std::array<std::string_view, 3> kInputNames = {"AUTO", "BGM", "AUX"};

constexpr std::array<SettingId, kSettingCount> buildAllSettings()
{
    std::array<SettingId, kSettingCount> settings{};
    std::size_t n = 0;
    for (TableId table : kAllTables)
        for (int row = 0; row < shapeOf(table).rowCount; ++row)
            for (int slot = 0; slot < shapeOf(table).slotCount; ++slot)
                settings[n++] = SettingId::cell(table, row, slot);
    for (SettingKind kind :
         {SettingKind::InputSelect, SettingKind::Exciter, SettingKind::Mute, SettingKind::Lock})
        settings[n++] = SettingId::of(kind);
    for (int k = 0; k < kVolSetCount; ++k)
        for (VolField field : {VolField::Min, VolField::Max, VolField::Mode})
            settings[n++] = SettingId::vol(k, field);
    return settings;
}

constexpr std::array<SettingId, kSettingCount> kAllSettings = buildAllSettings();

// The face a switch shows: an inverted one is on at 0.
std::string onOffText(int value, bool inverted = false)
{
    if (value == 0 || value == 1)
        return (value == 1) != inverted ? "on" : "off";
    return std::to_string(value); // a byte the toggles never store: say what it is
}

std::string inputText(int value)
{
    if (value >= 0 && value < static_cast<int>(kInputNames.size()))
        return std::string(kInputNames[static_cast<std::size_t>(value)]);
    if (value == kNoInput)
        return "none";
    return std::to_string(value);
}

char lowered(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameKey(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowered(a[i]) != lowered(b[i]))
            return false;
    return true;
}

} // namespace

std::span<const SlotSpec> slotSpecs(TableId table)
{
    switch (table) {
    case TableId::Music:
        return kMusicSlots;
    case TableId::Mic:
        return kMicSlots;
    case TableId::Ktv:
        return kKtvSlots;
    case TableId::Eff:
        return kEffSlots;
    }
    return {};
}

const SlotSpec &slotSpec(TableId table, int slot)
{
    const std::span<const SlotSpec> slotDefs = slotSpecs(table);
    assert(slot >= 0 && static_cast<std::size_t>(slot) < slotDefs.size());
    // Clamped so that a release build never reads outside the table.
    const std::size_t last = slotDefs.size() - 1;
    const std::size_t s = slot < 0 ? 0 : std::min(static_cast<std::size_t>(slot), last);
    return slotDefs[s];
}

std::span<const SettingId> allSettings()
{
    return kAllSettings;
}

std::string_view tableKeyPrefix(TableId table)
{
    return kKeyPrefixes[static_cast<std::size_t>(table)];
}

std::string modeName(TableId table, int row)
{
    return std::string(kModePrefixes[static_cast<std::size_t>(table)]) + std::to_string(row + 1);
}

std::string_view volGroupName(int group)
{
    return group >= 0 && group < kVolSetCount ? kVolGroupNames[static_cast<std::size_t>(group)]
                                              : std::string_view();
}

std::string startModeText(int group, int startMode)
{
    if (group == 0)
        return "MUS" + std::to_string(startMode + 1);
    if (group == 1)
        return "MIC" + std::to_string(startMode + 1);
    if (startMode <= 3)
        return "KTV" + std::to_string(startMode + 1);
    return "EFF" + std::to_string(startMode - 3);
}

std::string settingKey(const SettingId &setting)
{
    switch (setting.kind) {
    case SettingKind::Cell:
        return std::string(tableKeyPrefix(setting.table)) + std::to_string(setting.row) + '.' +
               std::to_string(setting.slot);
    case SettingKind::VolSet:
        return "VOL" + std::to_string(setting.group) + '.' +
               std::to_string(static_cast<int>(setting.field));
    case SettingKind::InputSelect:
        return "INPUTSELECT";
    case SettingKind::Exciter:
        return "EX";
    case SettingKind::Mute:
        return "MUTE";
    case SettingKind::Lock:
        return "LOCK";
    }
    return {};
}

std::optional<SettingId> settingOfKey(std::string_view key)
{
    for (const SettingId &setting : kAllSettings)
        if (sameKey(settingKey(setting), key))
            return setting;
    return std::nullopt;
}

std::string settingTitle(const SettingId &setting)
{
    switch (setting.kind) {
    case SettingKind::Cell:
        return modeName(setting.table, setting.row) + ' ' +
               slotSpec(setting.table, setting.slot).title;
    case SettingKind::VolSet:
        return std::string(volGroupName(setting.group)) + ' ' +
               std::string(kVolFieldTitles[static_cast<std::size_t>(setting.field)]);
    case SettingKind::InputSelect:
        return "INPUT";
    case SettingKind::Exciter:
        return "EXCITER";
    case SettingKind::Mute:
        return "Mute";
    case SettingKind::Lock:
        return "Lock";
    }
    return {};
}

int settingMaximum(const SettingId &setting)
{
    switch (setting.kind) {
    case SettingKind::Cell:
        return slotSpec(setting.table, setting.slot).maximum;
    case SettingKind::VolSet:
        return setting.field == VolField::Mode ? startModeMax(setting.group) : kLevelMax;
    case SettingKind::InputSelect:
        return kNoInput;
    case SettingKind::Exciter:
    case SettingKind::Mute:
    case SettingKind::Lock:
        return 1;
    }
    return 0;
}

std::string settingReadout(const SettingId &setting, int value)
{
    switch (setting.kind) {
    case SettingKind::Cell: {
        const SlotSpec &slotDef = slotSpec(setting.table, setting.slot);
        if (slotDef.isToggle())
            return onOffText(value, slotDef.isInvertedToggle());
        return valueTipText(slotDef.valueTipType, value).value_or(std::to_string(value));
    }
    case SettingKind::VolSet:
        if (setting.field == VolField::Mode)
            return startModeText(setting.group, value);
        return std::to_string(value);
    case SettingKind::InputSelect:
        return inputText(value);
    case SettingKind::Exciter:
    case SettingKind::Mute:
    case SettingKind::Lock:
        return onOffText(value);
    }
    return std::to_string(value);
}

} // namespace tonvara
