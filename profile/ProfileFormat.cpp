#include "ProfileFormat.h"

#include <cmath>

namespace tonvara {

namespace {

constexpr std::array<const char *, 4> kTablePrefixes = {"Music", "Mic", "Ktv", "Eff"};
constexpr int kIntegerMin = -32768;
constexpr int kIntegerMax = 32767;
constexpr int kNoInputIndex = kNoInput; // what the save writes when no INPUT option is on

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

QByteArray volKey(int group, int field)
{
    return "VOL" + QByteArray::number(group) + '.' + QByteArray::number(field);
}

} // namespace

QByteArray cellKey(TableId table, int row, int slot)
{
    return kTablePrefixes[std::size_t(table)] + QByteArray::number(row) + '.' +
           QByteArray::number(slot);
}

QList<QByteArray> profileValueKeys()
{
    QList<QByteArray> keys;
    for (TableId table : kAllTables) {
        for (int row = 0; row < rowCount(table); ++row)
            for (int slot = 0; slot < slotCount(table); ++slot)
                keys.append(cellKey(table, row, slot));
    }
    keys << "INPUTSELECT"
         << "EX"
         << "MUTE"
         << "LOCK";
    for (int k = 0; k < kVolSetCount; ++k)
        for (int field = 0; field < 3; ++field)
            keys.append(volKey(k, field));
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
    const auto put = [&](QByteArrayView key, int value) {
        doc.setValue(kProfileSection, key, QByteArray::number(value));
    };
    doc.setValue(kProfileSection, kModelKey, kModelName);
    for (TableId table : kAllTables) {
        for (int row = 0; row < rowCount(table); ++row)
            for (int slot = 0; slot < slotCount(table); ++slot)
                put(cellKey(table, row, slot), profile.value(table, row, slot));
    }
    put("INPUTSELECT", profile.inputSelect);
    put("EX", profile.exciter ? 1 : 0);
    put("MUTE", profile.mute ? 1 : 0);
    put("LOCK", profile.lock ? 1 : 0);
    for (int k = 0; k < kVolSetCount; ++k) {
        const ProfileVolGroup &v = profile.vol[std::size_t(k)];
        put(volKey(k, 0), v.minLevel);
        put(volKey(k, 1), v.maxLevel);
        put(volKey(k, 2), v.startMode);
    }
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
    for (TableId table : kAllTables) {
        for (int row = 0; row < rowCount(table); ++row)
            for (int slot = 0; slot < slotCount(table); ++slot)
                data.setValue(
                    table, row, slot,
                    reader.take<std::uint8_t>(cellKey(table, row, slot), "0", byteFromText));
    }
    data.inputSelect = std::uint8_t(reader.integerWithin("INPUTSELECT", "0", 0, kNoInputIndex));
    data.exciter = reader.take<bool>("EX", "0", onOffFromText);
    data.mute = reader.take<bool>("MUTE", "0", onOffFromText);
    data.lock = reader.take<bool>("LOCK", "0", onOffFromText);
    for (int k = 0; k < kVolSetCount; ++k) {
        ProfileVolGroup &v = data.vol[std::size_t(k)];
        v.minLevel = reader.byteWithin(volKey(k, 0), "0", kLevelMax);
        v.maxLevel = reader.byteWithin(volKey(k, 1), "80", kLevelMax);
        // The window keeps minimum <= maximum; a pair it could never have saved is not guessed at.
        if (!reader.failed() && v.minLevel > v.maxLevel)
            reader.fail(volKey(k, 0));
        v.startMode = std::uint8_t(reader.integerWithin(volKey(k, 2), "0", 0, startModeMax(k)));
    }

    if (reader.failed()) {
        check.status = ProfileStatus::DataError;
        check.failedKey = reader.failedKey();
        check.data = ProfileData();
        return check;
    }
    check.status = ProfileStatus::Ok;
    return check;
}

} // namespace tonvara
