// Fuzz target: arbitrary bytes as a profile file. Parsing never fails, the whole-file check
// gives one clear verdict, a profile taken in holds only values the window can show, and what
// was taken in survives being written out and read back (into a fresh file and in place).
#include "FuzzCheck.h"

#include "IniDocument.h"
#include "ProfileFormat.h"

#include <cstddef>
#include <cstdint>

using namespace tonvara;

namespace {

void checkShowable(const ProfileData &data)
{
    FUZZ_CHECK(data.inputSelect <= kNoInput);
    for (int k = 0; k < kVolSetCount; ++k) {
        const ProfileVolGroup &v = data.vol[std::size_t(k)];
        FUZZ_CHECK(v.maxLevel <= kLevelMax);
        FUZZ_CHECK(v.minLevel <= v.maxLevel);
        FUZZ_CHECK(v.startMode <= (k == 2 ? 7 : 5));
    }
}

ProfileCheck reread(const IniDocument &doc)
{
    return readProfile(IniDocument::parse(doc.serialize()));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    IniDocument doc = IniDocument::parse(bytes);
    const ProfileCheck check = readProfile(doc);
    FUZZ_CHECK(check.status == ProfileStatus::Ok || check.status == ProfileStatus::ModelMismatch ||
               check.status == ProfileStatus::DataError);
    if (check.status == ProfileStatus::DataError)
        FUZZ_CHECK(!check.failedKey.isEmpty());

    // The file as written back reads the same: saving untouched keeps every verdict.
    const ProfileCheck again = reread(doc);
    FUZZ_CHECK(again.status == check.status);
    if (check.status != ProfileStatus::Ok)
        return 0;
    FUZZ_CHECK(again.data == check.data);
    checkShowable(check.data);

    // Save into a new file, and over the file it came from: both read back as what was saved.
    IniDocument fresh;
    writeProfile(check.data, fresh);
    const ProfileCheck fromFresh = reread(fresh);
    FUZZ_CHECK(fromFresh.status == ProfileStatus::Ok);
    FUZZ_CHECK(fromFresh.data == check.data);

    ProfileData changed = check.data;
    changed.setValue(TableId::Mic, 2, 4, std::uint8_t(check.data.value(TableId::Mic, 2, 4) ^ 0x5A));
    changed.exciter = !changed.exciter;
    writeProfile(changed, doc);
    const ProfileCheck inPlace = reread(doc);
    FUZZ_CHECK(inPlace.status == ProfileStatus::Ok);
    FUZZ_CHECK(inPlace.data == changed);
    return 0;
}
