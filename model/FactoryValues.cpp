#include "FactoryValues.h"

#include <charconv>

namespace tonvara {

namespace {

constexpr std::array<std::uint8_t, 18> kMusicAddresses = {0,  1,  2,  3,  4,  5,  6,  29, 17,
                                                          18, 24, 23, 22, 27, 25, 26, 21, 28};
constexpr std::array<std::uint8_t, 9> kMicAddresses = {0, 1, 2, 3, 4, 5, 6, 8, 7};
constexpr std::array<std::uint8_t, 8> kKtvAddresses = {82, 80, 98, 99, 10, 85, 83, 81};
constexpr std::array<std::uint8_t, 10> kEffAddresses = {82, 80, 98, 199, 130,
                                                        131, 132, 181, 110, 111};

constexpr std::array<std::uint8_t, 18> kMusicMaximums = {20, 20, 20, 20, 20, 20, 20, 6, 80,
                                                         80, 20, 20, 20, 21, 80, 80, 1, 1};
constexpr std::array<std::uint8_t, 9> kMicMaximums = {20, 20, 20, 20, 20, 20, 20, 3, 13};
constexpr std::array<std::uint8_t, 8> kKtvMaximums = {15, 15, 80, 80, 100, 127, 100, 127};
constexpr std::array<std::uint8_t, 10> kEffMaximums = {15, 15, 80, 80, 60, 60, 60, 40, 100, 100};

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

std::span<const std::uint8_t> slotAddresses(TableId table)
{
    switch (table) {
    case TableId::Music:
        return kMusicAddresses;
    case TableId::Mic:
        return kMicAddresses;
    case TableId::Ktv:
        return kKtvAddresses;
    case TableId::Eff:
        return kEffAddresses;
    }
    return {};
}

std::span<const std::uint8_t> slotMaximums(TableId table)
{
    switch (table) {
    case TableId::Music:
        return kMusicMaximums;
    case TableId::Mic:
        return kMicMaximums;
    case TableId::Ktv:
        return kKtvMaximums;
    case TableId::Eff:
        return kEffMaximums;
    }
    return {};
}

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
