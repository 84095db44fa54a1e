#include "ProfileFormat.h"

#include <cmath>

namespace tonvara {

namespace {

constexpr int kIntegerMin = -32768;
constexpr int kIntegerMax = 32767;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArrayView trimBlanks(QByteArrayView text)
{
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A plain decimal: optional sign, digits, optional fraction. Rounded halves to even.
std::optional<double> roundedNumber(QByteArrayView text)
{
    text = trimBlanks(text);
    qsizetype i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    qsizetype digits = 0;
    while (i < text.size() && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0 || i != text.size())
        return std::nullopt;
    bool ok = false;
    const double number = text.toByteArray().toDouble(&ok);
    if (!ok || !std::isfinite(number))
        return std::nullopt;
    return std::nearbyint(number); // the default rounding mode rounds halves to even
}

std::optional<int> inRange(std::optional<double> number, int low, int high)
{
    if (!number || *number < low || *number > high)
        return std::nullopt;
    return int(*number);
}

// Reads the value of one key with its default, converts it and records the first failure.
class Reader
{
  public:
    explicit Reader(const IniDocument &doc) : m_doc(doc) {}

    QByteArray text(QByteArrayView key, QByteArrayView fallback) const
    {
        return m_doc.value(kProfileSection, key).value_or(fallback.toByteArray());
    }

    template <typename T>
    T take(QByteArrayView key, QByteArrayView fallback, std::optional<T> (*convert)(QByteArrayView))
    {
        if (failed())
            return T{};
        const std::optional<T> result = convert(text(key, fallback));
        if (!result) {
            m_failedKey = key.toByteArray();
            return T{};
        }
        return *result;
    }

    int integerWithin(QByteArrayView key, QByteArrayView fallback, int low, int high)
    {
        const int value = take<int>(key, fallback, integerFromText);
        if (!failed() && (value < low || value > high))
            m_failedKey = key.toByteArray();
        return value;
    }

    std::uint8_t byteWithin(QByteArrayView key, QByteArrayView fallback, int high)
    {
        const std::uint8_t value = take<std::uint8_t>(key, fallback, byteFromText);
        if (!failed() && value > high)
            m_failedKey = key.toByteArray();
        return value;
    }

    void fail(QByteArrayView key)
    {
        if (!failed())
            m_failedKey = key.toByteArray();
    }
    bool failed() const { return !m_failedKey.isEmpty(); }
    QByteArray failedKey() const { return m_failedKey; }

  private:
    const IniDocument &m_doc;
    QByteArray m_failedKey;
};

QByteArray keyOf(const SettingId &setting)
{
    return QByteArray::fromStdString(settingKey(setting));
}

} // namespace

QByteArray cellKey(TableId table, int row, int slot)
{
    return keyOf(SettingId::cell(table, row, slot));
}

QList<QByteArray> profileValueKeys()
{
    QList<QByteArray> keys;
    for (const SettingId &setting : allSettings())
        keys.append(keyOf(setting));
    return keys;
}

std::optional<std::uint8_t> byteFromText(QByteArrayView text)
{
    const std::optional<int> value = inRange(roundedNumber(text), 0, 255);
    if (!value)
        return std::nullopt;
    return std::uint8_t(*value);
}

std::optional<int> integerFromText(QByteArrayView text)
{
    return inRange(roundedNumber(text), kIntegerMin, kIntegerMax);
}

std::optional<bool> onOffFromText(QByteArrayView text)
{
    const QByteArrayView word = trimBlanks(text);
    if (sameIniName(word, "True"))
        return true;
    if (sameIniName(word, "False"))
        return false;
    if (!roundedNumber(word))
        return std::nullopt;
    // Compared before rounding: 0.4 is a number other than zero, so it is on.
    return word.toByteArray().toDouble() != 0.0;
}

void writeProfile(const ProfileData &profile, IniDocument &doc)
{
    doc.setValue(kProfileSection, kModelKey, kModelName);
    for (const SettingId &setting : allSettings())
        doc.setValue(kProfileSection, keyOf(setting), QByteArray::number(profile.valueOf(setting)));
}

ProfileCheck readProfile(const IniDocument &doc)
{
    ProfileCheck check;
    Reader reader(doc);
    if (reader.text(kModelKey, kMissingModel) != kModelName) {
        check.status = ProfileStatus::ModelMismatch;
        return check;
    }

    ProfileData &data = check.data;
    for (const SettingId &setting : allSettings()) {
        const QByteArray key = keyOf(setting);
        if (!doc.value(kProfileSection, key))
            check.missingKeys.append(key);
        int value = 0;
        switch (setting.kind) {
        case SettingKind::Cell:
            value = reader.take<std::uint8_t>(key, "0", byteFromText);
            break;
        case SettingKind::InputSelect:
            value = reader.integerWithin(key, "0", 0, settingMaximum(setting));
            break;
        case SettingKind::Exciter:
        case SettingKind::Mute:
        case SettingKind::Lock:
            value = reader.take<bool>(key, "0", onOffFromText) ? 1 : 0;
            break;
        case SettingKind::VolSet:
            if (setting.field == VolField::Mode) {
                value = reader.integerWithin(key, "0", 0, settingMaximum(setting));
                break;
            }
            value = reader.byteWithin(key, setting.field == VolField::Max ? "80" : "0",
                                      settingMaximum(setting));
            break;
        }
        data.setValueOf(setting, value);
        // The window keeps minimum <= maximum; a pair it could never have saved is not guessed
        // at (and the minimum is the key named).
        if (setting.kind == SettingKind::VolSet && setting.field == VolField::Max &&
            !reader.failed() && data.vol[setting.group].minLevel > data.vol[setting.group].maxLevel)
            reader.fail(keyOf(SettingId::vol(setting.group, VolField::Min)));
    }

    if (reader.failed()) {
        check.status = ProfileStatus::DataError;
        check.failedKey = reader.failedKey();
        check.data = ProfileData();
        check.missingKeys.clear();
        return check;
    }
    check.status = ProfileStatus::Ok;
    return check;
}

} // namespace tonvara
