// The editor's copy of every sound setting of the target: four mode tables of address/value
// cells, the current modes, the three VOL(SET) groups and the switches. Owned by the main
// window; plain data, copyable (bulk read and import build a copy and swap it in).
// User-interface thread only; no locking.
#pragma once

#include <array>
#include <cassert>
#include <cstdint>

namespace tonvara {

struct ParamCell
{
    std::uint8_t address = 0;
    std::uint8_t value = 0;
    bool operator==(const ParamCell &) const = default;
};

enum class TableId { Music = 0, Mic = 1, Ktv = 2, Eff = 3 };
inline constexpr std::array<TableId, 4> kAllTables = {TableId::Music, TableId::Mic, TableId::Ktv,
                                                      TableId::Eff};

// Field names avoid "slots", which Qt's object headers define as a macro.
struct TableShape
{
    int rowCount;
    int slotCount;
    std::uint8_t group;     // group code on the link
    std::uint8_t modeBase;  // mode number sent for row r is modeBase + r
};

constexpr TableShape shapeOf(TableId table)
{
    switch (table) {
    case TableId::Music:
        return {6, 18, 0, 0};
    case TableId::Mic:
        return {6, 9, 1, 0};
    case TableId::Ktv:
        return {2, 8, 2, 0};
    case TableId::Eff:
        return {2, 10, 2, 20};
    }
    return {0, 0, 0, 0};
}

inline constexpr int kMaxRows = 6;
inline constexpr int kMaxSlots = 18;

class ModeTable
{
public:
    explicit ModeTable(TableId id = TableId::Music) : m_id(id) {}

    TableId id() const { return m_id; }
    // Not rows()/slots(): "slots" is a macro wherever Qt's object headers are included.
    int rowCount() const { return shapeOf(m_id).rowCount; }
    int slotCount() const { return shapeOf(m_id).slotCount; }

    ParamCell &cellAt(int row, int slot)
    {
        assert(row >= 0 && row < rowCount() && slot >= 0 && slot < slotCount());
        return m_cells[index(row, slot)];
    }
    const ParamCell &cellAt(int row, int slot) const
    {
        assert(row >= 0 && row < rowCount() && slot >= 0 && slot < slotCount());
        return m_cells[index(row, slot)];
    }
    bool operator==(const ModeTable &) const = default;

private:
    static std::size_t index(int row, int slot)
    {
        // Clamped so that a release build never reads outside the array.
        const int r = row < 0 ? 0 : (row >= kMaxRows ? kMaxRows - 1 : row);
        const int s = slot < 0 ? 0 : (slot >= kMaxSlots ? kMaxSlots - 1 : slot);
        return static_cast<std::size_t>(r * kMaxSlots + s);
    }

    TableId m_id;
    std::array<ParamCell, kMaxRows * kMaxSlots> m_cells{};
};

// One VOL(SET) group: 0 MUSIC, 1 MIC, 2 EFF.
struct VolSet
{
    std::uint8_t startLevel = 0; // 0-80
    std::uint8_t minLevel = 0;   // 0-80
    std::uint8_t maxLevel = 80;  // 0-80
    std::uint8_t startMode = 0;  // 0-5 for groups 0 and 1, 0-7 for group 2
    bool operator==(const VolSet &) const = default;
};

inline constexpr int kVolSetCount = 3;
inline constexpr std::uint8_t kLevelMax = 80;
constexpr std::uint8_t startModeMax(int group) { return group == 2 ? 7 : 5; }

// inputSelect values: 0 AUTO, 1 BGM, 2 AUX; kNoInput when no INPUT option is on.
inline constexpr std::uint8_t kNoInput = 3;
inline constexpr std::uint8_t kNaturalKey = 5;

// Receives the values of the current rows (showCurrentModes). Implemented by the main window;
// putting a value on a control must not raise the control's events.
class ModesView
{
public:
    virtual ~ModesView() = default;
    virtual void showSlotValue(TableId table, int slot, std::uint8_t value) = 0;
};

class ParameterStore
{
public:
    ParameterStore();

    ModeTable &table(TableId id) { return m_tables[static_cast<std::size_t>(id)]; }
    const ModeTable &table(TableId id) const { return m_tables[static_cast<std::size_t>(id)]; }
    ParamCell &cellAt(TableId id, int row, int slot) { return table(id).cellAt(row, slot); }
    const ParamCell &cellAt(TableId id, int row, int slot) const
    {
        return table(id).cellAt(row, slot);
    }

    // Sets every row's address of each slot from the settings catalog (the Tags of the
    // slots' controls).
    void loadAddresses();

    static int rowOfMode(TableId id, int modeNumber);
    static int modeNumberOfRow(TableId id, int row) { return shapeOf(id).modeBase + row; }

    // The row that the current mode selects in the table, or -1 when the table is not the
    // one the EFF MODE list shows (KTV table while an EFF mode is current, and vice versa).
    int currentRow(TableId id) const;
    // Mode number sent with frames of this table for the current mode.
    int currentModeNumber(TableId id) const;

    // Writes value into the slot of the current row, or of every row when allModes is set.
    // Without allModes a write to the EFF table happens only while an EFF mode is current.
    void storeValue(TableId id, int slot, std::uint8_t value, bool allModes);

    // Puts the current rows on the controls, in the order music, mic, then EFF or KTV.
    void showCurrentModes(ModesView &view) const;

    bool operator==(const ParameterStore &) const = default;

    // Current modes: musicMode 0-5, micMode 0-5, effMode 0, 1, 20 or 21.
    std::uint8_t musicMode = 0;
    std::uint8_t micMode = 0;
    std::uint8_t effMode = 0;

    std::array<VolSet, kVolSetCount> volSet{};

    std::uint8_t inputSelect = 0;
    bool exciter = false;
    bool mute = false;
    bool lock = false;
    std::uint8_t keyIndex = kNaturalKey;

private:
    std::array<ModeTable, 4> m_tables;
};

} // namespace tonvara
