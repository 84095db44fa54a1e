// The difference between two sets of settings (the editor and the target, the editor and a
// profile, two profiles): the settings whose values differ, in the profile's key order, each
// with its key, its title and both values as the window shows them; and the plain-text lines
// that the compare window and the command line print. Pure functions; any thread.
#pragma once

#include "ProfileData.h"
#include "SettingsCatalog.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tonvara {

struct SettingDifference
{
    SettingId setting;
    int firstValue = 0;
    int secondValue = 0;
    std::string key;        // "Music1.3"
    std::string title;      // "MUSIC2 1KHz"
    std::string firstText;  // "0dB"
    std::string secondText; // "-8dB"
    bool operator==(const SettingDifference &) const = default;
};

// Every setting whose value in first differs from its value in second, in key order.
std::vector<SettingDifference> settingDifferences(const ProfileData &first,
                                                  const ProfileData &second);

inline constexpr std::string_view kNoDifferences = "No differences.";

// One line per difference, the columns lined up over the whole list, for example
//   Music1.3   MUSIC2 1KHz      editor 0dB     target -8dB
// with firstName "editor" and secondName "target". No trailing blanks, no line ends.
std::vector<std::string> differenceLines(std::span<const SettingDifference> differences,
                                         std::string_view firstName, std::string_view secondName);

} // namespace tonvara
