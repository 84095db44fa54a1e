#include "ParameterStore.h"

#include "SettingsCatalog.h"

namespace tonvara {

ParameterStore::ParameterStore()
    : m_tables{ModeTable(TableId::Music), ModeTable(TableId::Mic), ModeTable(TableId::Ktv),
               ModeTable(TableId::Eff)}
{
}

void ParameterStore::loadAddresses()
{
    for (TableId id : kAllTables) {
        ModeTable &t = table(id);
        for (int slot = 0; slot < t.slotCount(); ++slot) {
            const std::uint8_t address = slotSpec(id, slot).address;
            for (int row = 0; row < t.rowCount(); ++row)
                t.cellAt(row, slot).address = address;
        }
    }
}

int ParameterStore::rowOfMode(TableId id, int modeNumber)
{
    return id == TableId::Eff ? modeNumber - 20 : modeNumber;
}

int ParameterStore::currentRow(TableId id) const
{
    switch (id) {
    case TableId::Music:
        return musicMode;
    case TableId::Mic:
        return micMode;
    case TableId::Ktv:
        return effMode < 20 ? effMode : -1;
    case TableId::Eff:
        return effMode >= 20 ? rowOfMode(id, effMode) : -1;
    }
    return -1;
}

int ParameterStore::currentModeNumber(TableId id) const
{
    switch (id) {
    case TableId::Music:
        return musicMode;
    case TableId::Mic:
        return micMode;
    case TableId::Ktv:
    case TableId::Eff:
        return effMode;
    }
    return 0;
}

void ParameterStore::storeValue(TableId id, int slot, std::uint8_t value, bool allModes)
{
    ModeTable &t = table(id);
    if (allModes) {
        for (int row = 0; row < t.rowCount(); ++row)
            t.cellAt(row, slot).value = value;
        return;
    }
    const int row = currentRow(id);
    if (row < 0 || row >= t.rowCount())
        return;
    t.cellAt(row, slot).value = value;
}

void ParameterStore::showCurrentModes(ModesView &view) const
{
    const auto showRow = [&](TableId id, int row, int slotCount) {
        for (int slot = 0; slot < slotCount; ++slot)
            view.showSlotValue(id, slot, cellAt(id, row, slot).value);
    };
    showRow(TableId::Music, musicMode, 18);
    showRow(TableId::Mic, micMode, 9);
    if (effMode >= 20)
        showRow(TableId::Eff, rowOfMode(TableId::Eff, effMode), 10);
    else
        showRow(TableId::Ktv, effMode, 8);
}

} // namespace tonvara
