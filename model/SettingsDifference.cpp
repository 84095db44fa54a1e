#include "SettingsDifference.h"

#include <algorithm>

namespace tonvara {

namespace {

// Narrowest widths of the key, title and first-value columns; a longer entry widens its
// column for every line, so the columns stay lined up.
constexpr std::size_t kKeyWidth = 11;
constexpr std::size_t kTitleWidth = 17;
constexpr std::size_t kFirstWidth = 15;

std::string labelled(std::string_view name, const std::string &text)
{
    return std::string(name) + ' ' + text;
}

void padTo(std::string &line, std::size_t width)
{
    line.append(width > line.size() ? width - line.size() : 1, ' ');
}

} // namespace

std::vector<SettingDifference> settingDifferences(const ProfileData &first,
                                                  const ProfileData &second)
{
    std::vector<SettingDifference> differences;
    for (const SettingId &setting : allSettings()) {
        const int a = first.valueOf(setting);
        const int b = second.valueOf(setting);
        if (a == b)
            continue;
        differences.push_back({setting, a, b, settingKey(setting), settingTitle(setting),
                               settingReadout(setting, a), settingReadout(setting, b)});
    }
    return differences;
}

std::vector<std::string> differenceLines(std::span<const SettingDifference> differences,
                                         std::string_view firstName, std::string_view secondName)
{
    std::size_t keyWidth = kKeyWidth;
    std::size_t titleWidth = kTitleWidth;
    std::size_t firstWidth = kFirstWidth;
    for (const SettingDifference &d : differences) {
        keyWidth = std::max(keyWidth, d.key.size() + 1);
        titleWidth = std::max(titleWidth, d.title.size() + 1);
        firstWidth = std::max(firstWidth, labelled(firstName, d.firstText).size() + 1);
    }
    std::vector<std::string> lines;
    lines.reserve(differences.size());
    for (const SettingDifference &d : differences) {
        std::string line = d.key;
        padTo(line, keyWidth);
        line += d.title;
        padTo(line, keyWidth + titleWidth);
        line += labelled(firstName, d.firstText);
        padTo(line, keyWidth + titleWidth + firstWidth);
        line += labelled(secondName, d.secondText);
        lines.push_back(std::move(line));
    }
    return lines;
}

} // namespace tonvara
