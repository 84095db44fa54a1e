#include "FactoryValues.h"

#include <charconv>

namespace tonvara {

namespace {

// The lists are constants of the program, so a malformed field is a programming error.
void applyList(ModeTable &table, int row, std::string_view list)
{
    int slot = 0;
    while (!list.empty() && slot < table.slotCount()) {
        const auto comma = list.find(',');
        const std::string_view field = list.substr(0, comma);
        unsigned value = 0;
        const auto result = std::from_chars(field.data(), field.data() + field.size(), value);
        assert(result.ec == std::errc() && value <= 255);
        (void)result;
        table.cellAt(row, slot++).value = static_cast<std::uint8_t>(value);
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    }
    assert(slot == table.slotCount());
}

} // namespace

void applyFactoryTables(ParameterStore &store)
{
    for (int row = 0; row < 6; ++row)
        applyList(store.table(TableId::Music), row, kFactoryMusic);
    for (int row = 0; row < 6; ++row)
        applyList(store.table(TableId::Mic), row, kFactoryMic);
    store.cellAt(TableId::Mic, 0, 0).value = 7;
    store.cellAt(TableId::Mic, 1, 0).value = 7;
    store.cellAt(TableId::Mic, 1, 8).value = 3;
    for (int row = 0; row < 2; ++row)
        applyList(store.table(TableId::Ktv), row, kFactoryKtv[static_cast<std::size_t>(row)]);
    for (int row = 0; row < 2; ++row)
        applyList(store.table(TableId::Eff), row, kFactoryEff[static_cast<std::size_t>(row)]);
}

ParameterStore factoryStore()
{
    ParameterStore store;
    store.loadAddresses();
    applyFactoryTables(store);
    store.inputSelect = kFactoryInputSelect;
    store.exciter = false;
    store.mute = false;
    store.lock = false;
    for (int k = 0; k < kVolSetCount; ++k) {
        const FactoryVolSet &f = kFactoryVolSets[static_cast<std::size_t>(k)];
        store.volSet[static_cast<std::size_t>(k)] = {f.startLevel, f.minLevel, f.maxLevel,
                                                     f.startMode};
    }
    return store;
}

} // namespace tonvara
