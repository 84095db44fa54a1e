#include "LiveSettings.h"

#include "ProfileData.h"
#include "SettingRef.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

#include <cmath>
#include <optional>

namespace tonvara::cli {

namespace {

struct NamedKey
{
    const char *name;
    LiveKind kind;
    int group;
    int maximum;
};

// The live settings that are not a profile key of their own, or whose range differs from it
// (INPUTSELECT: a user always picks one of three options).
constexpr NamedKey kNamedKeys[] = {
    {"MUTE", LiveKind::Mute, 0, 1},
    {"KEY", LiveKind::Key, 0, 10},
    {"INPUTSELECT", LiveKind::Input, 0, 2},
    {"EX", LiveKind::Exciter, 0, 1},
    {"START0", LiveKind::StartLevel, 0, kLevelMax},
    {"START1", LiveKind::StartLevel, 1, kLevelMax},
    {"START2", LiveKind::StartLevel, 2, kLevelMax},
    {"MUSICMODE", LiveKind::Mode, 0, 5},
    {"MICMODE", LiveKind::Mode, 1, 5},
    {"EFFMODE", LiveKind::Mode, 2, 3},
};

// The keys of the top-level object in the order the text gives them (QJsonObject sorts them).
// The text is known to be one well-formed JSON object.
std::optional<QStringList> keysInOrder(const QByteArray &text)
{
    QStringList keys;
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    bool expectKey = false;
    qsizetype keyStart = -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"') {
                inString = false;
                if (keyStart >= 0) {
                    const QByteArray literal = '[' + text.mid(keyStart, i - keyStart + 1) + ']';
                    const QJsonArray decoded = QJsonDocument::fromJson(literal).array();
                    if (decoded.size() != 1)
                        return std::nullopt;
                    keys.append(decoded.first().toString());
                    keyStart = -1;
                }
            }
            continue;
        }
        switch (c) {
        case '"':
            inString = true;
            if (depth == 1 && expectKey) {
                keyStart = i;
                expectKey = false;
            }
            break;
        case '{':
        case '[':
            ++depth;
            expectKey = depth == 1 && c == '{';
            break;
        case '}':
        case ']':
            --depth;
            break;
        case ',':
            expectKey = depth == 1;
            break;
        default:
            break;
        }
    }
    return keys;
}

QString quoted(const QString &key)
{
    // Keys come from the request: keep the message one printable line of bounded size.
    QString shown = key.left(40);
    for (QChar &ch : shown)
        if (!ch.isPrint())
            ch = QLatin1Char('?');
    if (key.size() > 40)
        shown += QStringLiteral("...");
    return QLatin1Char('"') + shown + QLatin1Char('"');
}

QString rangeText(int maximum)
{
    return QStringLiteral("a whole number from 0 to %1").arg(maximum);
}

} // namespace

ParsedChanges parseLiveChanges(const QByteArray &body)
{
    ParsedChanges parsed;
    if (body.size() > kMaxBodyBytes) {
        parsed.error = QStringLiteral("the body is larger than 64 KiB");
        return parsed;
    }
    QJsonParseError jsonError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &jsonError);
    if (jsonError.error != QJsonParseError::NoError) {
        parsed.error = QStringLiteral("the body is not JSON: %1 at byte %2")
                           .arg(jsonError.errorString())
                           .arg(jsonError.offset);
        return parsed;
    }
    if (!document.isObject()) {
        parsed.error = QStringLiteral("the body must be a JSON object of settings, such as "
                                      "{\"MUTE\": 1}");
        return parsed;
    }
    const QJsonObject object = document.object();
    const std::optional<QStringList> keys = keysInOrder(body);
    if (!keys) {
        parsed.error = QStringLiteral("the body's keys cannot be read");
        return parsed;
    }
    if (keys->isEmpty()) {
        parsed.error = QStringLiteral("the body names no setting");
        return parsed;
    }
    QStringList seen;
    for (const QString &given : *keys) {
        LiveChange change;
        int maximum = 0;
        bool found = false;
        for (const NamedKey &named : kNamedKeys) {
            if (given.compare(QLatin1String(named.name), Qt::CaseInsensitive) == 0) {
                change.key = QLatin1String(named.name);
                change.kind = named.kind;
                change.group = named.group;
                maximum = named.maximum;
                found = true;
                break;
            }
        }
        if (!found) {
            const std::optional<SettingId> setting = settingOfKey(given.toStdString());
            if (!setting) {
                parsed.error = QStringLiteral("%1 is not a setting").arg(quoted(given));
                return parsed;
            }
            const QString canonical = QString::fromStdString(settingKey(*setting));
            if (setting->kind != SettingKind::Cell) {
                // LOCK and the VOL(SET) numbers are not sent live: only an Upload carries them.
                parsed.error = QStringLiteral("%1 reaches a target only with an Upload: use "
                                              "tonvara-cli venue apply")
                                   .arg(quoted(canonical));
                return parsed;
            }
            change.key = canonical;
            change.kind = LiveKind::Cell;
            change.cell = *setting;
            maximum = settingMaximum(*setting);
        }
        if (seen.contains(change.key)) {
            parsed.error = QStringLiteral("%1 is given twice").arg(quoted(change.key));
            return parsed;
        }
        seen.append(change.key);
        const QJsonValue value = object.value(given);
        const double number = value.toDouble(-1.0);
        if (!value.isDouble() || number != std::floor(number) || number < 0 || number > maximum) {
            parsed.error =
                QStringLiteral("%1 must be %2").arg(quoted(change.key), rangeText(maximum));
            return parsed;
        }
        change.value = static_cast<int>(number);
        parsed.changes.append(change);
    }
    return parsed;
}

QJsonObject settingsJson(const ParameterStore &store)
{
    QJsonObject settings;
    settings.insert(QStringLiteral("MUTE"), store.mute ? 1 : 0);
    settings.insert(QStringLiteral("KEY"), store.keyIndex);
    settings.insert(QStringLiteral("INPUTSELECT"), store.inputSelect);
    settings.insert(QStringLiteral("EX"), store.exciter ? 1 : 0);
    for (int k = 0; k < kVolSetCount; ++k)
        settings.insert(QStringLiteral("START%1").arg(k),
                        store.volSet[static_cast<std::size_t>(k)].startLevel);
    settings.insert(QStringLiteral("MUSICMODE"), listItemOfMode(0, store.musicMode));
    settings.insert(QStringLiteral("MICMODE"), listItemOfMode(1, store.micMode));
    settings.insert(QStringLiteral("EFFMODE"), listItemOfMode(2, store.effMode));
    const ProfileData profile = profileFromStore(store);
    for (const SettingId &setting : allSettings())
        settings.insert(QString::fromStdString(settingKey(setting)), profile.valueOf(setting));
    return settings;
}

void applyChange(ParameterStore &store, const LiveChange &change)
{
    const auto u8 = [](int value) { return static_cast<std::uint8_t>(value); };
    switch (change.kind) {
    case LiveKind::Mute:
        store.mute = change.value != 0;
        return;
    case LiveKind::Key:
        store.keyIndex = u8(change.value);
        return;
    case LiveKind::Input:
        store.inputSelect = u8(change.value);
        return;
    case LiveKind::Exciter:
        store.exciter = change.value != 0;
        return;
    case LiveKind::StartLevel:
        store.volSet[static_cast<std::size_t>(change.group)].startLevel = u8(change.value);
        return;
    case LiveKind::Mode: {
        const std::uint8_t mode = u8(modeOfListItem(change.group, change.value));
        (change.group == 0   ? store.musicMode
         : change.group == 1 ? store.micMode
                             : store.effMode) = mode;
        return;
    }
    case LiveKind::Cell:
        store.cellAt(change.cell.table, change.cell.row, change.cell.slot).value = u8(change.value);
        return;
    }
}

} // namespace tonvara::cli
