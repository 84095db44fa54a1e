// Bulk Read and Upload on virtual time: the link joined to a simulated target over the
// in-memory line, a recording view, and once the real main-window pages.
#include "FactoryValues.h"
#include "ParameterStore.h"

#include "BulkTransfer.h"
#include "C_FlagBar.h"
#include "C_Option.h"
#include "C_ScrollBar.h"
#include "InMemoryLine.h"
#include "LinkView.h"
#include "MainPages.h"
#include "TargetCore.h"
#include "TargetLink.h"
#include "VirtualWindowServices.h"
#include "VolSetPanel.h"

#include <QWidget>
#include <QtTest>

#include <map>
#include <memory>
#include <optional>
#include <vector>

using namespace tonvara;

Q_DECLARE_METATYPE(std::vector<std::uint8_t>)

namespace {

using Bytes = std::vector<std::uint8_t>;
const QString kDevice = QStringLiteral("/dev/ttyT0");
const QString kTimeoutText =
    QStringLiteral("Target communication and connection timeout, disconnected.");
const QString kReadErrorText = QStringLiteral("An error occurred while reading data from target.");
const QString kNotConnectedText = QStringLiteral("Is not connected to the target.");

// The tables as the target knows them: group, rows, mode of row 0, addresses slot by slot.
struct TableRule
{
    std::uint8_t group;
    int rows;
    std::uint8_t modeBase;
    std::vector<std::uint8_t> addresses;
};
const std::vector<TableRule> kTableRules = {
    {0, 6, 0, {0, 1, 2, 3, 4, 5, 6, 29, 17, 18, 24, 23, 22, 27, 25, 26, 21, 28}},
    {1, 6, 0, {0, 1, 2, 3, 4, 5, 6, 8, 7}},
    {2, 2, 0, {82, 80, 98, 99, 10, 85, 83, 81}},
    {2, 2, 20, {82, 80, 98, 199, 130, 131, 132, 181, 110, 111}},
};
const std::vector<TableId> kTableOrder = {TableId::Music, TableId::Mic, TableId::Ktv, TableId::Eff};

// A distinct value per cell, within the smallest slider range (0 to 3) plus a seed.
std::uint8_t cellPattern(std::size_t table, int row, int slot, int seed)
{
    return static_cast<std::uint8_t>(
        (table * 5 + static_cast<std::size_t>(row * 3 + slot) + static_cast<std::size_t>(seed)) %
        4);
}

// What a read keeps of the pattern: the music toggles read any answer but 0 as on, kept as 1.
std::uint8_t readPattern(std::size_t table, int row, int slot, int seed)
{
    const std::uint8_t answer = cellPattern(table, row, slot, seed);
    if (kTableOrder[table] == TableId::Music && slot >= 16)
        return answer != 0 ? 1 : 0;
    return answer;
}

struct RecordingView : LinkView
{
    const TargetLink *link = nullptr;
    const ParameterStore *store = nullptr;
    std::vector<bool> enabledCalls;
    std::map<int, int> progressAt; // frames sent -> bar value
    int mute = -1, lock = -1, exciter = -1, input = -1;
    int applyCalls = 0; // anything a Read applies
    bool storeFilledBeforeShow = false;
    std::array<int, 9> spins{10, 60, 1, 11, 61, 2, 12, 62, 3};
    std::map<int, VolSet> applied;
    ParameterStore storeAtShow;

    void setStatusCaption(const QString &) override {}
    void setStatusHint(const QString &) override {}
    void setMainWindowEnabled(bool enabled) override { enabledCalls.push_back(enabled); }
    void setProgressValue(int percent) override { progressAt[link->framesSent()] = percent; }
    void showNaturalKey() override {}
    void setStartLevel(int, int) override {}
    int startLevel(int) const override { return 0; }
    int maxEntryNumber(int) const override { return 80; }
    void setMute(bool on) override { mute = on, ++applyCalls; }
    void setLock(bool on) override { lock = on, ++applyCalls; }
    void setExciter(bool on) override { exciter = on, ++applyCalls; }
    void clearInputs() override { input = -1, ++applyCalls; }
    void selectInput(int index) override { input = index, ++applyCalls; }
    void showCurrentModes() override
    {
        storeAtShow = *store;
        ++applyCalls;
    }
    bool muteOn() const override { return mute == 1; }
    bool lockOn() const override { return lock == 1; }
    bool exciterOn() const override { return exciter == 1; }
    int selectedInput() const override { return input < 0 ? kNoInput : input; }
    int spinValue(int index) const override { return spins[static_cast<std::size_t>(index)]; }
    void applyVolSetGroup(int k, int minLevel, int maxLevel, int startMode) override
    {
        applied[k] =
            VolSet{0, static_cast<std::uint8_t>(minLevel), static_cast<std::uint8_t>(maxLevel),
                   static_cast<std::uint8_t>(startMode)};
        ++applyCalls;
    }
};

// The link, a simulated target and the bulk operations; the view is a recording double or
// the real pages.
struct Rig
{
    explicit Rig(bool withPages = false)
    {
        store = factoryStore();
        if (withPages) {
            host.resize(932, 674);
            pages = std::make_unique<MainPages>(services, store, &host);
            pages->placeTitleStrips();
            pages->loadAddresses();
            pages->placeMicRow();
            pages->styleContainers();
            pages->fillModeLists();
            pages->loadDefaults();
        }
        auto owned = std::make_unique<InMemoryLine>(services);
        line = owned.get();
        line->table = {kDevice};
        line->attachTarget(kDevice, target);
        LinkView &view = pages ? static_cast<LinkView &>(*pages) : recorder;
        link = std::make_unique<TargetLink>(services, store, view, std::move(owned));
        if (pages)
            pages->setLink(link.get());
        recorder.link = link.get();
        recorder.store = &store;
        bulk = std::make_unique<BulkTransfer>(services, *link, store, view);
    }
    ~Rig()
    {
        if (pages)
            pages->setLink(nullptr);
    }

    bool connect()
    {
        link->start();
        const bool ok = services.runUntil([this] { return link->connected(); }, Millis{3000});
        // What the connection did is not the subject here.
        recorder = RecordingView{};
        recorder.link = link.get();
        recorder.store = &store;
        mark = line->writes.size();
        return ok;
    }
    void read()
    {
        link->setFramesTotal(BulkTransfer::kReadFrames);
        bulk->readAllFromTarget();
    }
    // The read of a comparison: the same frames, the answers into a copy.
    void readCopy()
    {
        link->setFramesTotal(BulkTransfer::kReadFrames);
        copy = bulk->readTargetSettings();
    }
    void upload()
    {
        link->setFramesTotal(BulkTransfer::kUploadFrames);
        bulk->uploadAllToTarget();
    }
    std::vector<Bytes> frames() const
    {
        std::vector<Bytes> result;
        for (std::size_t i = mark; i < line->writes.size(); ++i)
            if (line->writes[i].bytes.size() == 6)
                result.push_back(line->writes[i].bytes);
        return result;
    }
    // Every table cell, VOL(SET) number and switch of the target set to a pattern.
    void patternTarget(int seed)
    {
        for (std::size_t t = 0; t < kTableRules.size(); ++t) {
            const TableRule &rule = kTableRules[t];
            for (int row = 0; row < rule.rows; ++row)
                for (std::size_t slot = 0; slot < rule.addresses.size(); ++slot)
                    target.setSetting(rule.group, static_cast<std::uint8_t>(rule.modeBase + row),
                                      rule.addresses[slot],
                                      cellPattern(t, row, static_cast<int>(slot), seed));
        }
        for (std::uint8_t k = 0; k < 3; ++k) {
            target.setSetting(Group::MinLevel, 0, k, static_cast<std::uint8_t>(40 + k));
            target.setSetting(Group::MaxLevel, 0, k, static_cast<std::uint8_t>(70 + k));
            target.setSetting(Group::StartMode, 0, k, k == 2 ? 7 : 5);
        }
    }

    VirtualWindowServices services;
    ParameterStore store;
    QWidget host;
    std::unique_ptr<MainPages> pages;
    RecordingView recorder;
    sim::TargetCore target;
    InMemoryLine *line = nullptr;
    std::unique_ptr<TargetLink> link;
    std::unique_ptr<BulkTransfer> bulk;
    std::size_t mark = 0;
    std::optional<ProfileData> copy;
};

Bytes frame(std::uint8_t command, std::uint8_t group, std::uint8_t mode, std::uint8_t address,
            std::uint8_t value)
{
    return {0xCD, command, group, mode, address, value};
}

// The Read: every cell table by table and row by row, the switches, then min, max and mode
// of each VOL(SET) group.
std::vector<Bytes> expectedRead()
{
    std::vector<Bytes> frames;
    for (const TableRule &rule : kTableRules)
        for (int row = 0; row < rule.rows; ++row)
            for (std::uint8_t address : rule.addresses)
                frames.push_back(frame(0x01, rule.group,
                                       static_cast<std::uint8_t>(rule.modeBase + row), address, 0));
    for (std::uint8_t group : {7, 8, 10, 12})
        frames.push_back(frame(0x01, group, 0, 0, 0));
    for (std::uint8_t k = 0; k < 3; ++k)
        for (std::uint8_t group : {4, 5, 3})
            frames.push_back(frame(0x01, group, 0, k, 0));
    return frames;
}

// The Upload: every cell with its value, VOL(SET) groups before the switches, then the end.
std::vector<Bytes> expectedUpload(int seed, const std::array<int, 9> &spins, int mute, int lock,
                                  int exciter, int input)
{
    std::vector<Bytes> frames;
    for (std::size_t t = 0; t < kTableRules.size(); ++t) {
        const TableRule &rule = kTableRules[t];
        for (int row = 0; row < rule.rows; ++row)
            for (std::size_t slot = 0; slot < rule.addresses.size(); ++slot)
                frames.push_back(
                    frame(0x00, rule.group, static_cast<std::uint8_t>(rule.modeBase + row),
                          rule.addresses[slot], cellPattern(t, row, static_cast<int>(slot), seed)));
    }
    for (std::uint8_t k = 0; k < 3; ++k) {
        frames.push_back(frame(0x00, 4, 0, k, static_cast<std::uint8_t>(spins[3 * k])));
        frames.push_back(frame(0x00, 5, 0, k, static_cast<std::uint8_t>(spins[3 * k + 1])));
        frames.push_back(frame(0x00, 3, 0, k, static_cast<std::uint8_t>(spins[3 * k + 2])));
    }
    frames.push_back(frame(0x00, 7, 0, 0, static_cast<std::uint8_t>(mute)));
    frames.push_back(frame(0x00, 8, 0, 0, static_cast<std::uint8_t>(lock)));
    frames.push_back(frame(0x00, 10, 0, 0, static_cast<std::uint8_t>(exciter)));
    frames.push_back(frame(0x00, 12, 0, 0, static_cast<std::uint8_t>(input)));
    frames.push_back(frame(0xEF, 0, 0, 0, 0));
    return frames;
}

} // namespace

class TestBulk : public QObject
{
    Q_OBJECT

  private slots:
    void readTakesEverySetting();
    void readIntoACopyLeavesTheEditor();
    void uploadSendsEverySetting_data();
    void uploadSendsEverySetting();
    void progress_data();
    void progress();
    void switchAnswers_data();
    void switchAnswers();
    void interruptedRead_data();
    void interruptedRead();
    void interruptedUpload();
    void notConnected_data();
    void notConnected();
    void mutePause_data();
    void mutePause();
    void readOnTheRealWindow_data();
    void readOnTheRealWindow();
};

void TestBulk::readTakesEverySetting()
{
    Rig rig;
    QVERIFY(rig.connect());
    rig.patternTarget(1);
    rig.read();

    const std::vector<Bytes> frames = rig.frames();
    QCOMPARE(frames.size(), std::size_t{211});
    QVERIFY(frames == expectedRead());
    QVERIFY(rig.services.messages.isEmpty());
    QCOMPARE(rig.recorder.enabledCalls, (std::vector<bool>{false, true}));
    QVERIFY(!rig.link->progressActive());

    // The tables were in the store before they were shown.
    for (std::size_t t = 0; t < kTableOrder.size(); ++t) {
        const TableRule &rule = kTableRules[t];
        for (int row = 0; row < rule.rows; ++row)
            for (int slot = 0; slot < static_cast<int>(rule.addresses.size()); ++slot) {
                const std::uint8_t want = readPattern(t, row, slot, 1);
                QCOMPARE(rig.store.cellAt(kTableOrder[t], row, slot).value, want);
                QCOMPARE(rig.recorder.storeAtShow.cellAt(kTableOrder[t], row, slot).value, want);
            }
    }
    for (int k = 0; k < 3; ++k) {
        QVERIFY(rig.recorder.applied.contains(k));
        const VolSet &v = rig.recorder.applied[k];
        QCOMPARE(int(v.minLevel), 40 + k);
        QCOMPARE(int(v.maxLevel), 70 + k);
        QCOMPARE(int(v.startMode), k == 2 ? 7 : 5);
    }
}

void TestBulk::readIntoACopyLeavesTheEditor()
{
    Rig rig;
    QVERIFY(rig.connect());
    rig.patternTarget(1);
    rig.target.setSetting(Group::Mute, 0, 0, 1);
    rig.target.setSetting(Group::Exciter, 0, 0, 4);
    rig.target.setSetting(Group::InputSelect, 0, 0, 2);
    const ParameterStore before = rig.store;
    rig.readCopy();

    QVERIFY(rig.frames() == expectedRead());
    QVERIFY(rig.services.messages.isEmpty());
    QCOMPARE(rig.recorder.enabledCalls, (std::vector<bool>{false, true}));
    QCOMPARE(rig.recorder.progressAt.rbegin()->second, 100);
    QVERIFY(!rig.link->progressActive());
    // The editor is as it was: nothing stored, nothing shown.
    QVERIFY(rig.store == before);
    QCOMPARE(rig.recorder.applyCalls, 0);

    QVERIFY(rig.copy.has_value());
    const ProfileData &copy = *rig.copy;
    for (std::size_t t = 0; t < kTableOrder.size(); ++t)
        for (int row = 0; row < kTableRules[t].rows; ++row)
            for (int slot = 0; slot < int(kTableRules[t].addresses.size()); ++slot)
                QCOMPARE(copy.value(kTableOrder[t], row, slot), readPattern(t, row, slot, 1));
    QVERIFY(copy.mute);
    QVERIFY(!copy.lock);
    QVERIFY(copy.exciter);
    QCOMPARE(int(copy.inputSelect), 2);
    for (int k = 0; k < 3; ++k) {
        const ProfileVolGroup &v = copy.vol[std::size_t(k)];
        QCOMPARE(int(v.minLevel), 40 + k);
        QCOMPARE(int(v.maxLevel), 70 + k);
        QCOMPARE(int(v.startMode), k == 2 ? 7 : 5);
    }
}

void TestBulk::uploadSendsEverySetting_data()
{
    QTest::addColumn<int>("lock");
    QTest::addColumn<int>("exciter");
    QTest::addColumn<int>("input");
    QTest::addColumn<int>("wireInput");

    QTest::newRow("BGM selected, lock on") << 1 << 0 << 1 << 1;
    QTest::newRow("no input selected sends 3") << 0 << 1 << -1 << 3;
}

void TestBulk::uploadSendsEverySetting()
{
    QFETCH(int, lock);
    QFETCH(int, exciter);
    QFETCH(int, input);
    QFETCH(int, wireInput);

    Rig rig;
    QVERIFY(rig.connect());
    for (std::size_t t = 0; t < kTableOrder.size(); ++t)
        for (int row = 0; row < kTableRules[t].rows; ++row)
            for (int slot = 0; slot < static_cast<int>(kTableRules[t].addresses.size()); ++slot)
                rig.store.cellAt(kTableOrder[t], row, slot).value = cellPattern(t, row, slot, 2);
    rig.recorder.mute = 1;
    rig.recorder.lock = lock;
    rig.recorder.exciter = exciter;
    rig.recorder.input = input;
    const ParameterStore before = rig.store;
    rig.upload();

    QVERIFY(rig.frames() == expectedUpload(2, rig.recorder.spins, 1, lock, exciter, wireInput));
    QVERIFY(rig.target.uploadEnded());
    QVERIFY(rig.store == before);
    QVERIFY(rig.services.messages.isEmpty());
    QCOMPARE(rig.recorder.enabledCalls, (std::vector<bool>{false, true}));
    QCOMPARE(rig.recorder.applyCalls, 0);
}

void TestBulk::progress_data()
{
    QTest::addColumn<bool>("upload");
    QTest::addColumn<QList<int>>("expected"); // frame, value pairs

    QTest::newRow("Read of 211") << false << QList<int>{5, 2, 10, 4, 210, 99, 211, 100};
    QTest::newRow("Upload of 212") << true << QList<int>{5, 2, 10, 4, 210, 99, 212, 100};
}

void TestBulk::progress()
{
    QFETCH(bool, upload);
    QFETCH(QList<int>, expected);

    Rig rig;
    QVERIFY(rig.connect());
    rig.recorder.mute = 1;
    upload ? rig.upload() : rig.read();

    const std::map<int, int> &bar = rig.recorder.progressAt;
    for (qsizetype i = 0; i < expected.size(); i += 2) {
        QVERIFY2(bar.contains(expected[i]), qPrintable(QString::number(expected[i])));
        QCOMPARE(bar.at(expected[i]), expected[i + 1]);
    }
    // Only every fifth frame and the last move the bar.
    const int total = upload ? 212 : 211;
    for (const auto &[framesSent, value] : bar)
        QVERIFY2(framesSent % 5 == 0 || framesSent == total,
                 qPrintable(QString::number(framesSent)));
    QVERIFY(!rig.link->progressActive());
}

void TestBulk::switchAnswers_data()
{
    QTest::addColumn<int>("group");
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("shown"); // -1: no input option selected

    QTest::newRow("input 5 selects none") << 12 << 5 << -1;
    QTest::newRow("input 3 selects none") << 12 << 3 << -1;
    QTest::newRow("input 2 selects AUX") << 12 << 2 << 2;
    QTest::newRow("mute 0 clears") << 7 << 0 << 0;
    QTest::newRow("mute 1 selects") << 7 << 1 << 1;
    QTest::newRow("lock 0 clears") << 8 << 0 << 0;
    QTest::newRow("exciter 9 is on") << 10 << 9 << 1;
}

void TestBulk::switchAnswers()
{
    QFETCH(int, group);
    QFETCH(int, answer);
    QFETCH(int, shown);

    Rig rig;
    QVERIFY(rig.connect());
    // The opposite of what the answer should bring, so a change shows.
    rig.store.mute = rig.store.lock = rig.store.exciter = (shown != 1);
    rig.target.setSetting(static_cast<std::uint8_t>(group), 0, 0,
                          static_cast<std::uint8_t>(answer));
    rig.read();

    QVERIFY(rig.services.messages.isEmpty());
    const RecordingView &v = rig.recorder;
    switch (group) {
    case 7:
        QCOMPARE(v.mute, shown);
        QCOMPARE(int(rig.store.mute), shown);
        break;
    case 8:
        QCOMPARE(v.lock, shown);
        QCOMPARE(int(rig.store.lock), shown);
        break;
    case 10:
        QCOMPARE(v.exciter, shown);
        QCOMPARE(int(rig.store.exciter), shown);
        break;
    default:
        QCOMPARE(v.input, shown);
        QCOMPARE(int(rig.store.inputSelect), shown < 0 ? int(kNoInput) : shown);
        break;
    }
}

void TestBulk::interruptedRead_data()
{
    QTest::addColumn<bool>("intoCopy");   // the read of a comparison, not the Read
    QTest::addColumn<int>("silentAfter"); // frames of the Read answered, -1: all
    QTest::addColumn<Bytes>("answers");   // group, mode, address, value the target holds instead
    QTest::addColumn<int>("framesSent");
    QTest::addColumn<int>("bar");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("icon");

    const int warning = int(MessageIcon::Warning);
    const int critical = int(MessageIcon::Critical);
    for (const bool intoCopy : {false, true}) {
        const char *read = intoCopy ? "comparison" : "Read";
        QTest::addRow("%s: 100th frame unanswered", read)
            << intoCopy << 99 << Bytes{} << 100 << 47 << kTimeoutText << warning;
        QTest::addRow("%s: last frame unanswered", read)
            << intoCopy << 210 << Bytes{} << 211 << 100 << kTimeoutText << warning;
        // An answer the control or spin bar cannot hold ends the read where it arrives.
        QTest::addRow("%s: MUSIC2 1KHz 200 above its slider", read)
            << intoCopy << -1 << Bytes{0, 1, 3, 200} << 22 << 9 << kReadErrorText << critical;
        QTest::addRow("%s: EFF2 REV DLY 41 above its slider", read)
            << intoCopy << -1 << Bytes{2, 21, 181, 41} << 196 << 92 << kReadErrorText << critical;
        QTest::addRow("%s: MIC min 81 above the spin bar", read)
            << intoCopy << -1 << Bytes{4, 0, 1, 81} << 206 << 97 << kReadErrorText << critical;
        QTest::addRow("%s: EFF max 81 above the spin bar", read)
            << intoCopy << -1 << Bytes{5, 0, 2, 81} << 210 << 99 << kReadErrorText << critical;
        QTest::addRow("%s: MUSIC min 71 above max 70", read)
            << intoCopy << -1 << Bytes{4, 0, 0, 71} << 204 << 94 << kReadErrorText << critical;
        QTest::addRow("%s: MUSIC start mode 6 is above the spin bar", read)
            << intoCopy << -1 << Bytes{3, 0, 0, 6} << 205 << 97 << kReadErrorText << critical;
        QTest::addRow("%s: EFF start mode 8 is above the spin bar", read)
            << intoCopy << -1 << Bytes{3, 0, 2, 8} << 211 << 100 << kReadErrorText << critical;
    }
}

void TestBulk::interruptedRead()
{
    QFETCH(bool, intoCopy);
    QFETCH(int, silentAfter);
    QFETCH(Bytes, answers);
    QFETCH(int, framesSent);
    QFETCH(int, bar);
    QFETCH(QString, message);
    QFETCH(int, icon);

    Rig rig;
    QVERIFY(rig.connect());
    rig.patternTarget(3);
    if (!answers.empty())
        rig.target.setSetting(answers[0], answers[1], answers[2], answers[3]);
    if (silentAfter >= 0)
        rig.target.options().silentAfter = rig.target.framesReceivedCount() + silentAfter;
    const ParameterStore before = rig.store;
    intoCopy ? rig.readCopy() : rig.read();

    QVERIFY(!rig.copy.has_value());
    QCOMPARE(int(rig.frames().size()), framesSent);
    QCOMPARE(rig.recorder.progressAt.rbegin()->second, bar);
    QCOMPARE(rig.services.messageTexts(), QStringList{message});
    QCOMPARE(int(rig.services.messages.first().icon), icon);
    // Nothing of the partial answers reaches the editor.
    QVERIFY(rig.store == before);
    QCOMPARE(rig.recorder.applyCalls, 0);
    QCOMPARE(rig.recorder.enabledCalls, (std::vector<bool>{false, true}));
    QVERIFY(!rig.link->progressActive());
}

void TestBulk::interruptedUpload()
{
    Rig rig;
    QVERIFY(rig.connect());
    rig.recorder.mute = 1;
    rig.target.options().silentAfter = rig.target.framesReceivedCount() + 149;
    rig.upload();

    const std::vector<Bytes> frames = rig.frames();
    QCOMPARE(frames.size(), std::size_t{150});
    QVERIFY(frames.back() != frame(0xEF, 0, 0, 0, 0));
    QVERIFY(!rig.target.uploadEnded());
    QCOMPARE(rig.services.messageTexts(), QStringList{kTimeoutText});
    QCOMPARE(rig.recorder.enabledCalls, (std::vector<bool>{false, true}));
    QVERIFY(!rig.link->progressActive());
    // Nothing of the upload follows later either (the scan probes again meanwhile).
    rig.services.advance(Millis{10000});
    std::size_t uploadFrames = 0;
    for (const Bytes &f : rig.frames())
        uploadFrames += f[1] == 0x00 || f[1] == 0xEF;
    QCOMPARE(uploadFrames, std::size_t{150});
}

void TestBulk::notConnected_data()
{
    QTest::addColumn<int>("operation"); // 0 Read, 1 Upload, 2 the read of a comparison
    QTest::newRow("Read") << 0;
    QTest::newRow("Upload") << 1;
    QTest::newRow("comparison") << 2;
}

void TestBulk::notConnected()
{
    QFETCH(int, operation);

    Rig rig;
    rig.line->table.clear(); // nothing to connect to
    const ParameterStore before = rig.store;
    operation == 0 ? rig.read() : (operation == 1 ? rig.upload() : rig.readCopy());

    QCOMPARE(rig.services.messageTexts(), QStringList{kNotConnectedText});
    QCOMPARE(rig.services.messages.first().icon, MessageIcon::Warning);
    QVERIFY(rig.line->writes.empty());
    QVERIFY(rig.recorder.progressAt.empty());
    QVERIFY(rig.recorder.enabledCalls.empty());
    QVERIFY(rig.store == before);
    QVERIFY(!rig.copy.has_value());
    QVERIFY(!rig.link->progressActive());
}

void TestBulk::mutePause_data()
{
    QTest::addColumn<int>("mute");
    QTest::addColumn<bool>("paused");
    QTest::newRow("mute off waits 1.5 s") << 0 << true;
    QTest::newRow("mute on does not wait") << 1 << false;
}

void TestBulk::mutePause()
{
    QFETCH(int, mute);
    QFETCH(bool, paused);

    Rig rig;
    QVERIFY(rig.connect());
    rig.recorder.mute = mute;
    rig.services.pauses.clear();
    rig.upload();

    QCOMPARE(rig.services.pauses, paused ? QList<Millis>{Millis{1500}} : QList<Millis>{});
    // The mute frame is the 208th; the next one goes out once it is acknowledged.
    std::vector<Millis> at;
    for (std::size_t i = rig.mark; i < rig.line->writes.size(); ++i)
        if (rig.line->writes[i].bytes.size() == 6)
            at.push_back(rig.line->writes[i].at);
    QCOMPARE(at.size(), std::size_t{212});
    QCOMPARE(rig.frames()[207], frame(0x00, 7, 0, 0, static_cast<std::uint8_t>(mute)));
    const Millis gap = at[208] - at[207];
    QVERIFY2(paused ? gap >= Millis{1500} : gap < Millis{100},
             qPrintable(QString::number(gap.count())));
}

// One screen state of everything a Read may change, besides the bar and the status label.
struct Screen
{
    std::vector<int> values;
    QStringList entries;
    bool operator==(const Screen &) const = default;
};

static Screen screenOf(const MainPages &pages)
{
    Screen s;
    for (int i = 0; i < 16; ++i)
        s.values.push_back(pages.musicSlider(i)->value());
    for (int i = 0; i < 9; ++i)
        s.values.push_back(pages.micSlider(i)->value());
    for (int i = 0; i < 8; ++i)
        s.values.push_back(pages.ktvSlider(i)->value());
    for (int i = 0; i < 10; ++i)
        s.values.push_back(pages.effSlider(i)->value());
    for (int n = 1; n <= 3; ++n)
        s.values.push_back(pages.flagBar(n)->value());
    for (int k = 0; k < 3; ++k) {
        s.values.push_back(pages.inputButton(k)->value());
        s.values.push_back(pages.switchButton(k)->value());
        s.values.push_back(pages.startLevel(k));
    }
    for (int i = 0; i < 9; ++i) {
        s.values.push_back(pages.spinValue(i));
        s.entries.append(pages.volSet().entry(i)->text());
    }
    return s;
}

void TestBulk::readOnTheRealWindow_data()
{
    QTest::addColumn<int>("silentAfter"); // -1: every frame answered
    QTest::newRow("complete read shows the target") << -1;
    QTest::newRow("100th frame unanswered leaves the screen") << 99;
}

void TestBulk::readOnTheRealWindow()
{
    QFETCH(int, silentAfter);

    Rig rig(/*withPages=*/true);
    QVERIFY(rig.connect());
    MainPages &pages = *rig.pages;
    // Levels below the target's: a minimum taken before its maximum would stop at 30.
    for (int k = 0; k < 3; ++k)
        pages.applyVolSetGroup(k, 10, 30, 0);
    rig.patternTarget(4);
    rig.target.setSetting(Group::Mute, 0, 0, 1);
    rig.target.setSetting(Group::Lock, 0, 0, 1);
    rig.target.setSetting(Group::Exciter, 0, 0, 1);
    rig.target.setSetting(Group::InputSelect, 0, 0, 2);
    if (silentAfter >= 0)
        rig.target.options().silentAfter = rig.target.framesReceivedCount() + silentAfter;
    // A pending (uncommitted) Min: the Read overwrites it; an unfinished one leaves it as typed.
    VolEntry *pendingMin = pages.volSet().entry(0);
    pendingMin->selectAll();
    QTest::keyClicks(pendingMin, "79");
    QCOMPARE(pendingMin->text(), QStringLiteral("79"));
    const ParameterStore storeBefore = rig.store;
    const Screen screenBefore = screenOf(pages);
    rig.read();

    QVERIFY(pages.host()->isEnabled());
    if (silentAfter >= 0) {
        QCOMPARE(rig.services.messageTexts(), QStringList{kTimeoutText});
        QVERIFY(rig.store == storeBefore);
        QVERIFY(screenOf(pages) == screenBefore);
        return;
    }
    QVERIFY(rig.services.messages.isEmpty());
    for (int i = 0; i < 16; ++i)
        QCOMPARE(pages.musicSlider(i)->value(), int(cellPattern(0, 0, i, 4)));
    QCOMPARE(pages.flagBar(2)->value(), cellPattern(0, 0, 16, 4) != 0);
    QCOMPARE(pages.flagBar(3)->value(), cellPattern(0, 0, 17, 4) != 0);
    for (int i = 0; i < 9; ++i)
        QCOMPARE(pages.micSlider(i)->value(), int(cellPattern(1, 0, i, 4)));
    for (int i = 0; i < 8; ++i)
        QCOMPARE(pages.ktvSlider(i)->value(), int(cellPattern(2, 0, i, 4)));
    QVERIFY(pages.muteOn() && pages.lockOn() && pages.exciterOn());
    QCOMPARE(pages.selectedInput(), 2);
    for (int k = 0; k < 3; ++k) {
        QCOMPARE(pages.spinValue(3 * k), 40 + k);
        QCOMPARE(pages.spinValue(3 * k + 1), 70 + k);
        QCOMPARE(pages.spinValue(3 * k + 2), k == 2 ? 7 : 5);
        const VolSet &v = rig.store.volSet[static_cast<std::size_t>(k)];
        QCOMPARE(int(v.minLevel), 40 + k);
        QCOMPARE(int(v.maxLevel), 70 + k);
        QCOMPARE(pages.volSet().entry(3 * k)->text(), QString::number(40 + k));
    }
    QVERIFY(pendingMin->styleSheet().contains(QStringLiteral("color: #000000")));
    QCOMPARE(pages.volSet().entry(8)->text(), QStringLiteral("EFF4"));
}

QTEST_MAIN(TestBulk)
#include "tst_bulk.moc"
