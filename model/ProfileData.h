// A typed snapshot of what a profile file holds: every value of the four mode tables, the
// switches and the minimum, maximum and start mode of the three VOL(SET) groups. The profile
// code turns files into this and back; the main window applies it to its controls; two of them
// are compared setting by setting. Plain value type; any thread.
#pragma once

#include "ParameterStore.h"
#include "SettingsCatalog.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstdint>

namespace tonvara {

// Table sizes by table id.
constexpr int rowCount(TableId table)
{
    return shapeOf(table).rowCount;
}
constexpr int slotCount(TableId table)
{
    return shapeOf(table).slotCount;
}

struct ProfileVolGroup
{
    std::uint8_t minLevel = 0;  // 0-80, never above maxLevel
    std::uint8_t maxLevel = 80; // 0-80
    std::uint8_t startMode = 0; // 0-5 for groups 0 and 1, 0-7 for group 2
    bool operator==(const ProfileVolGroup &) const = default;
};

class ProfileData
{
  public:
    std::uint8_t value(TableId table, int row, int slot) const
    {
        return m_values[std::size_t(table)][index(table, row, slot)];
    }
    void setValue(TableId table, int row, int slot, std::uint8_t value)
    {
        m_values[std::size_t(table)][index(table, row, slot)] = value;
    }

    // Any of the catalog's settings; switches read 0 or 1.
    int valueOf(const SettingId &setting) const;
    void setValueOf(const SettingId &setting, int value);

    // 0 AUTO, 1 BGM, 2 AUX, or kNoInput when no INPUT option is on.
    std::uint8_t inputSelect = 0;
    bool exciter = false;
    bool mute = false;
    bool lock = false;
    std::array<ProfileVolGroup, kVolSetCount> vol{};

    bool operator==(const ProfileData &) const = default;

  private:
    static std::size_t index(TableId table, int row, int slot)
    {
        assert(row >= 0 && row < rowCount(table) && slot >= 0 && slot < slotCount(table));
        // Clamped so that a release build never reaches outside the table.
        const int r = std::clamp(row, 0, rowCount(table) - 1);
        const int s = std::clamp(slot, 0, slotCount(table) - 1);
        return std::size_t(r * kMaxSlots + s);
    }

    std::array<std::array<std::uint8_t, kMaxRows * kMaxSlots>, 4> m_values{};
};

// What a save records: the store's table values, switches and VOL(SET) numbers. Not recorded:
// addresses, current modes, keyIndex and the start levels.
ProfileData profileFromStore(const ParameterStore &store);

// Puts a profile into a store the way an import ends: table values, switches and VOL(SET)
// numbers are replaced; the current modes, keyIndex and addresses are kept; a start level
// above its group's new maximum comes down to it. Nothing else changes.
void applyProfileToStore(const ProfileData &profile, ParameterStore &store);

} // namespace tonvara
