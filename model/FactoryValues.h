// The factory values the editor starts from and Reset returns to. Shared with the target
// simulator, which starts from the same factory state. (Addresses and ranges of the slots are
// in the settings catalog.)
#pragma once

#include "ParameterStore.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace tonvara {

// The comma-separated factory lists, one value per slot in slot order.
inline constexpr std::string_view kFactoryMusic = "10,10,10,10,10,10,10,1,80,80,10,10,10,21,30,30,0,0";
inline constexpr std::string_view kFactoryMic = "10,10,10,10,10,10,10,0,6";
inline constexpr std::array<std::string_view, 2> kFactoryKtv = {"6,14,40,68,90,63,75,63",
                                                                "8,14,40,68,80,63,80,66"};
inline constexpr std::array<std::string_view, 2> kFactoryEff = {"8,14,40,68,50,45,45,20,88,90",
                                                                "8,14,50,68,50,45,55,20,80,80"};

struct FactoryVolSet
{
    std::uint8_t minLevel;
    std::uint8_t maxLevel;
    std::uint8_t startMode;
    std::uint8_t startLevel;
};
inline constexpr std::array<FactoryVolSet, kVolSetCount> kFactoryVolSets = {
    FactoryVolSet{20, 80, 0, 20}, FactoryVolSet{30, 80, 0, 30}, FactoryVolSet{36, 80, 0, 36}};
inline constexpr std::uint8_t kFactoryInputSelect = 1; // BGM

// Fills every row of the four tables with the factory lists, then the three MIC exceptions.
// Addresses, modes, switches and VOL(SET) are left alone.
void applyFactoryTables(ParameterStore &store);

// A whole store at factory state: addresses, tables, switches and VOL(SET) groups, all modes 0.
ParameterStore factoryStore();

} // namespace tonvara
