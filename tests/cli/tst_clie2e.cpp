// tonvara-cli end to end, in real time: the program against several simulator programs on
// pseudo-terminals at once. Each simulator traces the frames it receives, so the tests see
// exactly what went out on every line.
#include "CliRun.h"
#include "FactoryValues.h"
#include "ProfileData.h"
#include "ProfileFile.h"
#include "Ser2netProcess.h"
#include "SettingsCatalog.h"
#include "SimProcess.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

using namespace tonvara;

namespace {

// The frames a traced simulator received, as "CD,01,00,00,00,00".
QStringList framesReceived(const SimProcess &sim)
{
    QStringList frames;
    for (const QString &line : sim.trace()) {
        if (line.startsWith("rx ") && line.size() == 3 + 17)
            frames.append(line.mid(3));
    }
    return frames;
}

QString frame(int command, int group, int mode, int address, int value)
{
    QStringList bytes{"CD"};
    for (int b : {command, group, mode, address, value})
        bytes.append(QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper());
    return bytes.join(',');
}

const QString kIdentify = frame(0xE2, 0, 0, 0, 0x6E);

// The table cells in the order of the Read and the Upload, with the target's addresses.
struct Cell
{
    TableId table;
    int row;
    int slot;
    int group;
    int mode;
    int address;
};
std::vector<Cell> cellsInLineOrder()
{
    std::vector<Cell> cells;
    for (TableId table : {TableId::Music, TableId::Mic, TableId::Ktv, TableId::Eff}) {
        const TableShape shape = shapeOf(table);
        for (int row = 0; row < shape.rowCount; ++row)
            for (int slot = 0; slot < shape.slotCount; ++slot)
                cells.push_back({table, row, slot, shape.group, shape.modeBase + row,
                                 slotSpec(table, slot).address});
    }
    return cells;
}

QStringList readFrames()
{
    QStringList frames;
    for (const Cell &c : cellsInLineOrder())
        frames.append(frame(0x01, c.group, c.mode, c.address, 0));
    for (int group : {7, 8, 10, 12})
        frames.append(frame(0x01, group, 0, 0, 0));
    for (int k = 0; k < 3; ++k)
        for (int group : {4, 5, 3})
            frames.append(frame(0x01, group, 0, k, 0));
    return frames;
}

QStringList uploadFrames(const ProfileData &p)
{
    QStringList frames;
    for (const Cell &c : cellsInLineOrder())
        frames.append(frame(0x00, c.group, c.mode, c.address, p.value(c.table, c.row, c.slot)));
    for (int k = 0; k < 3; ++k) {
        const ProfileVolGroup &v = p.vol[std::size_t(k)];
        frames << frame(0x00, 4, 0, k, v.minLevel) << frame(0x00, 5, 0, k, v.maxLevel)
               << frame(0x00, 3, 0, k, v.startMode);
    }
    frames << frame(0x00, 7, 0, 0, p.mute) << frame(0x00, 8, 0, 0, p.lock)
           << frame(0x00, 10, 0, 0, p.exciter) << frame(0x00, 12, 0, 0, p.inputSelect);
    frames << frame(0xEF, 0, 0, 0, 0);
    return frames;
}

// A profile unlike the factory one in every table cell, within each slot's range.
ProfileData patternProfile(bool muteOn)
{
    ProfileData p;
    int n = 0;
    for (const Cell &c : cellsInLineOrder()) {
        const int max = slotSpec(c.table, c.slot).maximum;
        p.setValue(c.table, c.row, c.slot, std::uint8_t((n++ * 7 + 3) % (max + 1)));
    }
    p.inputSelect = 2;
    p.exciter = true;
    p.mute = muteOn;
    p.lock = true;
    p.vol = {ProfileVolGroup{5, 60, 4}, ProfileVolGroup{12, 70, 1}, ProfileVolGroup{0, 33, 7}};
    return p;
}

QString writeProfileFile(const QTemporaryDir &dir, const QString &name, const ProfileData &p)
{
    const QString path = dir.filePath(name);
    const SaveResult saved = saveProfileFile(path, p);
    return saved.ok ? path : QString();
}

} // namespace

class TestCliE2e : public QObject
{
    Q_OBJECT
  private slots:
    void readTakesEveryFrameInOrderAndSavesLikeSave();
    void readOfAnAnswerOutOfRangeSavesNothing();
    void uploadsAndVerifiesThreeTargetsAtOnce();
    void silentPortBesideAGoodOne();
    void targetFallingSilentNamesTheFrame();
    void lineVanishingMidUploadLeavesTheOtherPortDone();
    void verifyFindsWhatTheTargetDidNotTake();
    void cutProfileUploadsWithAWarning();
    void badFileSendsNothing_data();
    void badFileSendsNothing();
    void portsTellsWhatAnswers();
    void networkPortBesideASerialOne();
    void usageErrors_data();
    void usageErrors();
    void helpOfEveryCommand_data();
    void helpOfEveryCommand();

  private:
    QTemporaryDir m_dir;
};

void TestCliE2e::readTakesEveryFrameInOrderAndSavesLikeSave()
{
    SimProcess sim;
    QVERIFY2(sim.start({"--trace"}), qPrintable(sim.errorString()));
    // The target's own settings, unlike the factory ones in every kind of setting.
    ProfileData expected = profileFromStore(factoryStore());
    const std::vector<Cell> cells = cellsInLineOrder();
    const Cell music = cells[2 * 18 + 4]; // MUSIC3, slot 4
    const Cell eff = cells.back();        // EFF2, last slot
    QVERIFY(sim.setSetting(music.group, music.mode, music.address, 3));
    expected.setValue(music.table, music.row, music.slot, 3);
    QVERIFY(sim.setSetting(eff.group, eff.mode, eff.address, 55));
    expected.setValue(eff.table, eff.row, eff.slot, 55);
    QVERIFY(sim.setSetting(7, 0, 0, 1));
    expected.mute = true;
    QVERIFY(sim.setSetting(12, 0, 0, 2));
    expected.inputSelect = 2;
    QVERIFY(sim.setSetting(5, 0, 1, 64));
    expected.vol[1].maxLevel = 64;
    QVERIFY(sim.setSetting(3, 0, 2, 6));
    expected.vol[2].startMode = 6;

    // The extension is added as Save adds it.
    const CliRun run = runCli({"read", "--port", sim.device(), "--output", m_dir.filePath("room")});
    QCOMPARE(run.exitCode, 0);
    const QString path = m_dir.filePath("room.Lumaroch");
    QCOMPARE(run.out.size(), 1);
    QVERIFY2(run.out[0].startsWith(sim.device() + ": read in ") &&
                 run.out[0].endsWith(" s, saved to " + path),
             qPrintable(run.out[0]));
    // Standard error is no terminal here: no progress, nothing at all.
    QCOMPARE(run.err, QString());

    // Identify, then the Read's 211 frames in the Read's order, and nothing else.
    QCOMPARE(framesReceived(sim), QStringList{kIdentify} + readFrames());

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.startsWith("[Main]\r\nType=ORB-350TZ\r\nMusic0.0=10\r\n"));
    QVERIFY(bytes.contains("\r\nMusic2.4=3\r\n"));
    QVERIFY(bytes.contains("\r\nMUTE=1\r\nLOCK=0\r\nVOL0.0=20\r\n"));
    QCOMPARE(bytes.count("\r\n"), 213);
    // Byte for byte what Save writes for the target's settings.
    const QString saved = writeProfileFile(m_dir, "saved.Lumaroch", expected);
    QFile savedFile(saved);
    QVERIFY(savedFile.open(QIODevice::ReadOnly));
    QCOMPARE(bytes, savedFile.readAll());
    QVERIFY(sim.stop());
}

void TestCliE2e::readOfAnAnswerOutOfRangeSavesNothing()
{
    SimProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    // MUSIC's start mode 9: the editor's spin bar holds 0 to 5.
    QVERIFY(sim.setSetting(3, 0, 0, 9));
    const QString path = m_dir.filePath("out-of-range.Lumaroch");
    const CliRun run = runCli({"read", "--port", sim.device(), "--output", path});
    QCOMPARE(run.exitCode, 1);
    // 198 table frames, 4 switches, then minimum, maximum and start mode of group 0.
    QCOMPARE(run.out,
             QStringList{sim.device() +
                         ": failed: an answer a profile cannot hold, at frame 205 of 211"});
    QVERIFY(!QFileInfo::exists(path));
    QVERIFY(sim.stop());
}

void TestCliE2e::uploadsAndVerifiesThreeTargetsAtOnce()
{
    std::vector<std::unique_ptr<SimProcess>> sims;
    for (int i = 0; i < 3; ++i) {
        sims.push_back(std::make_unique<SimProcess>());
        QVERIFY2(sims.back()->start({"--trace"}), qPrintable(sims.back()->errorString()));
    }
    // Mute off: the Upload's pause before the mute frame's answer is part of it.
    const ProfileData profile = patternProfile(/*muteOn=*/false);
    const QString path = writeProfileFile(m_dir, "venue.Lumaroch", profile);
    QVERIFY(!path.isEmpty());

    // One by its COM number, two by path.
    const CliRun run = runCli({"upload", "--verify", "--port", sims[0]->device(), "--port", "COM2",
                               "--port", sims[2]->device(), path},
                              {"/dev/null", sims[1]->device()});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QString());
    const QStringList names{sims[0]->device(), "COM2", sims[2]->device()};
    QCOMPARE(run.out.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QVERIFY2(run.out[i].startsWith(names[i] + ": uploaded and verified in ") &&
                     run.out[i].endsWith(" s"),
                 qPrintable(run.out[i]));
        // Identify, the Upload's 212 frames, then the 211 of the read-back.
        QCOMPARE(framesReceived(*sims[std::size_t(i)]),
                 QStringList{kIdentify} + uploadFrames(profile) + readFrames());
        QVERIFY(sims[std::size_t(i)]->uploadEnded());
        QCOMPARE(sims[std::size_t(i)]->setting(4, 0, 2), std::optional<int>(0));
        QCOMPARE(sims[std::size_t(i)]->setting(2, 21, slotSpec(TableId::Eff, 9).address),
                 std::optional<int>(profile.value(TableId::Eff, 1, 9)));
    }
    for (auto &sim : sims)
        QVERIFY(sim->stop());
}

void TestCliE2e::silentPortBesideAGoodOne()
{
    SimProcess good;
    SimProcess silent;
    QVERIFY2(good.start({"--trace"}), qPrintable(good.errorString()));
    QVERIFY2(silent.start({"--trace", "--silent-after", "0"}), qPrintable(silent.errorString()));
    const ProfileData profile = patternProfile(/*muteOn=*/true);
    const QString path = writeProfileFile(m_dir, "mute-on.Lumaroch", profile);

    const CliRun run =
        runCli({"upload", "--json", "--port", silent.device(), "--port", good.device(), path});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out.size(), 2);
    const QJsonObject first = QJsonDocument::fromJson(run.out[0].toUtf8()).object();
    const QJsonObject second = QJsonDocument::fromJson(run.out[1].toUtf8()).object();
    QCOMPARE(first.value("port").toString(), silent.device());
    QCOMPARE(first.value("ok").toBool(true), false);
    QCOMPARE(first.value("uploaded").toBool(true), false);
    QCOMPARE(first.value("error").toString(), QStringLiteral("no answer to Identify"));
    QCOMPARE(second.value("port").toString(), good.device());
    QCOMPARE(second.value("ok").toBool(), true);
    QCOMPARE(second.value("uploaded").toBool(), true);
    QVERIFY(!second.contains("verified"));
    QVERIFY(second.value("seconds").toDouble() > 0.0);

    QCOMPARE(framesReceived(silent), QStringList{kIdentify});
    QCOMPARE(framesReceived(good), QStringList{kIdentify} + uploadFrames(profile));
    QVERIFY(good.stop());
    QVERIFY(silent.stop());
}

void TestCliE2e::targetFallingSilentNamesTheFrame()
{
    // Answers Identify and the first 19 upload frames, then nothing.
    SimProcess sim;
    QVERIFY2(sim.start({"--trace", "--silent-after", "20"}), qPrintable(sim.errorString()));
    const QString path =
        writeProfileFile(m_dir, "falls-silent.Lumaroch", patternProfile(/*muteOn=*/true));
    const CliRun run = runCli({"upload", "--port", sim.device(), path});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out, QStringList{sim.device() + ": failed: no answer to frame 20 of 212"});
    // Nothing after the unanswered frame, and no UploadEnd.
    QCOMPARE(framesReceived(sim).size(), 21);
    QVERIFY(!sim.uploadEnded());
    QVERIFY(sim.stop());
}

void TestCliE2e::lineVanishingMidUploadLeavesTheOtherPortDone()
{
    // Closes its line after Identify and 29 upload frames, like an adapter pulled out.
    SimProcess vanishing;
    SimProcess good;
    QVERIFY2(vanishing.start({"--close-after", "30"}), qPrintable(vanishing.errorString()));
    QVERIFY2(good.start({"--trace"}), qPrintable(good.errorString()));
    const ProfileData profile = patternProfile(/*muteOn=*/true);
    const QString path = writeProfileFile(m_dir, "vanishing.Lumaroch", profile);
    const CliRun run =
        runCli({"upload", "--port", vanishing.device(), "--port", good.device(), path});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out.size(), 2);
    // The frame after the last answer went into the closing line.
    QCOMPARE(run.out[0], vanishing.device() + ": failed: the line went away at frame 30 of 212");
    QVERIFY2(run.out[1].startsWith(good.device() + ": uploaded in "), qPrintable(run.out[1]));
    QCOMPARE(framesReceived(good), QStringList{kIdentify} + uploadFrames(profile));
    QVERIFY(vanishing.stop());
    QVERIFY(good.stop());
}

void TestCliE2e::verifyFindsWhatTheTargetDidNotTake()
{
    // A stray byte before every 300th answer: harmless to the Upload's acknowledgements, but
    // the read-back takes it for a value.
    SimProcess sim;
    QVERIFY2(sim.start({"--garbage-every", "300"}), qPrintable(sim.errorString()));
    const QString path = writeProfileFile(m_dir, "stray.Lumaroch", patternProfile(true));
    const CliRun run = runCli({"upload", "--verify", "--port", sim.device(), path});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out.size(), 1);
    QVERIFY2(run.out[0].startsWith(sim.device() + ": failed: uploaded, but "),
             qPrintable(run.out[0]));
    QVERIFY(sim.uploadEnded());
    QVERIFY(sim.stop());
}

void TestCliE2e::cutProfileUploadsWithAWarning()
{
    // A profile cut after 60 lines: Import's rule takes the missing keys as 0, and so does
    // upload, but it says so.
    SimProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.errorString()));
    const QString full = writeProfileFile(m_dir, "full.Lumaroch", patternProfile(true));
    QFile fullFile(full);
    QVERIFY(fullFile.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = fullFile.readAll().split('\n');
    const QString cut = m_dir.filePath("cut.Lumaroch");
    QFile cutFile(cut);
    QVERIFY(cutFile.open(QIODevice::WriteOnly));
    cutFile.write(lines.mid(0, 60).join('\n') + '\n');
    cutFile.close();
    QVERIFY(loadProfileFile(cut).status == ProfileStatus::Ok);

    const CliRun run = runCli({"upload", "--port", sim.device(), cut});
    QCOMPARE(run.exitCode, 0);
    // "[Main]", "Type" and 58 keys (three MUSIC rows of 18 and four more): Music3.4 is the first
    // left out.
    QCOMPARE(run.err.trimmed(),
             "warning: " + cut +
                 ": 153 of the 211 setting keys missing, the first Music3.4; Import takes a "
                 "missing key as 0 (a maximum as 80)");
    QVERIFY(sim.uploadEnded());
    QVERIFY(sim.stop());
}

void TestCliE2e::badFileSendsNothing_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: the file is not made
    QTest::addColumn<QString>("reason");

    QByteArray good;
    {
        QTemporaryDir dir;
        const QString path = writeProfileFile(dir, "good.Lumaroch", patternProfile(true));
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            good = file.readAll();
    }
    QByteArray outOfRange = good;
    outOfRange.replace(QByteArray("\r\nMic2.4="), QByteArray("\r\nMic2.4=300\r\nX="));
    QByteArray otherModel = good;
    otherModel.replace("Type=ORB-350TZ", "Type=orb-350tz");
    QByteArray badInput = good;
    badInput.replace("INPUTSELECT=2", "INPUTSELECT=4");

    QTest::newRow("Mic2.4 out of range")
        << outOfRange << "The imported data errors. (the value of Mic2.4)";
    QTest::newRow("model in other letter case")
        << otherModel << "You import the files are not ORB-350TZ profile";
    QTest::newRow("no such input")
        << badInput << "The imported data errors. (the value of INPUTSELECT)";
    QTest::newRow("not a profile at all")
        << QByteArray("hello\n") << "You import the files are not ORB-350TZ profile";
    QTest::newRow("missing file") << QByteArray() << "it does not exist";
}

void TestCliE2e::badFileSendsNothing()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, reason);
    SimProcess a;
    SimProcess b;
    QVERIFY2(a.start(), qPrintable(a.errorString()));
    QVERIFY2(b.start(), qPrintable(b.errorString()));
    const QString path =
        m_dir.filePath(QStringLiteral("bad-%1.Lumaroch").arg(QTest::currentDataTag()));
    if (!content.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    const CliRun run =
        runCli({"upload", "--verify", "--port", a.device(), "--port", b.device(), path});
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.out, QStringList());
    QCOMPARE(run.err.trimmed(), path + ": " + reason);
    // Not even Identify went out.
    QCOMPARE(a.framesReceived(), 0);
    QCOMPARE(b.framesReceived(), 0);
    QVERIFY(a.stop());
    QVERIFY(b.stop());
}

void TestCliE2e::portsTellsWhatAnswers()
{
    SimProcess target;
    SimProcess other;
    SimProcess silent;
    QVERIFY2(target.start({"--trace"}), qPrintable(target.errorString()));
    QVERIFY2(other.start({"--model-byte", "0x6F"}), qPrintable(other.errorString()));
    QVERIFY2(silent.start({"--silent-after", "0"}), qPrintable(silent.errorString()));
    const QString absent = m_dir.filePath("no-such-device");
    const QStringList table{silent.device(), target.device(), absent, other.device()};

    const CliRun run = runCli({"ports"}, table);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, (QStringList{
                          QStringLiteral("COM1 (%1): silent (no answer to Identify)").arg(table[0]),
                          QStringLiteral("COM2 (%1): target").arg(table[1]),
                          QStringLiteral("COM3 (%1): absent").arg(table[2]),
                          QStringLiteral("COM4 (%1): another model (byte 0x6F)").arg(table[3]),
                      }));
    // Identify only: the target keeps its modes.
    QCOMPARE(framesReceived(target), QStringList{kIdentify});

    const CliRun json = runCli({"ports", "--json"}, table);
    QCOMPARE(json.exitCode, 0);
    QCOMPARE(json.out.size(), 4);
    QStringList found;
    for (const QString &line : json.out)
        found.append(QJsonDocument::fromJson(line.toUtf8()).object().value("found").toString());
    QCOMPARE(found, (QStringList{"silent", "target", "absent", "other-model"}));
    QCOMPARE(QJsonDocument::fromJson(json.out[3].toUtf8()).object().value("modelByte").toInt(),
             0x6F);

    const CliRun none = runCli({"ports"}, {});
    QCOMPARE(none.exitCode, 0);
    QCOMPARE(none.out, QStringList());
    QVERIFY2(none.err.startsWith("No serial port found."), qPrintable(none.err));
    QVERIFY(target.stop());
    QVERIFY(other.stop());
    QVERIFY(silent.stop());
}

void TestCliE2e::networkPortBesideASerialOne()
{
    SimProcess behindServer;
    SimProcess direct;
    QVERIFY2(behindServer.start({"--trace"}), qPrintable(behindServer.errorString()));
    QVERIFY2(direct.start({"--trace"}), qPrintable(direct.errorString()));
    Ser2netProcess server;
    QVERIFY2(server.start(behindServer.device()), qPrintable(server.errorString()));
    // A loopback port that was free a moment ago: nothing listens there.
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const QString refused = QStringLiteral("tcp://127.0.0.1:%1").arg(probe.serverPort());
    probe.close();

    const ProfileData profile = patternProfile(/*muteOn=*/true);
    const QString path = writeProfileFile(m_dir, "network.Lumaroch", profile);
    const CliRun run = runCli({"upload", "--verify", "--port", server.entry(), "--port",
                               direct.device(), "--port", refused, path});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out.size(), 3);
    QVERIFY2(run.out[0].startsWith(server.entry() + ": uploaded and verified in "),
             qPrintable(run.out[0]));
    QVERIFY2(run.out[1].startsWith(direct.device() + ": uploaded and verified in "),
             qPrintable(run.out[1]));
    QCOMPARE(run.out[2], refused + ": failed: connection refused: no server listens on that port");
    // The device server carries the editor's frames unchanged.
    QCOMPARE(framesReceived(behindServer),
             QStringList{kIdentify} + uploadFrames(profile) + readFrames());

    const CliRun ports = runCli({"ports"}, {server.entry(), refused});
    QCOMPARE(ports.exitCode, 0);
    QCOMPARE(
        ports.out,
        (QStringList{
            QStringLiteral("COM1 (%1): target").arg(server.entry()),
            QStringLiteral("COM2 (%1): refused (no server listens on that port)").arg(refused)}));
    server.stop();
    QVERIFY(behindServer.stop());
    QVERIFY(direct.stop());
}

void TestCliE2e::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");

    const QString a = m_dir.filePath("a.Lumaroch");
    const QString b = m_dir.filePath("b.Lumaroch");
    QTest::newRow("no command") << QStringList{}
                                << "tonvara-cli: no command given\n"
                                   "Try 'tonvara-cli --help'.";
    QTest::newRow("unknown command")
        << QStringList{"write"}
        << "tonvara-cli: unknown command 'write'\nTry 'tonvara-cli --help'.";
    QTest::newRow("option of another command")
        << QStringList{"read", "--verify", "--port", "COM1", "-o", a}
        << "tonvara-cli read: unknown option '--verify'\nTry 'tonvara-cli read --help'.";
    QTest::newRow("upload without a port") << QStringList{"upload", a}
                                           << "tonvara-cli upload: no --port given\n"
                                              "Try 'tonvara-cli upload --help'.";
    QTest::newRow("upload without a file")
        << QStringList{"upload", "--port", "COM1"}
        << "tonvara-cli upload: no profile file given\nTry 'tonvara-cli upload --help'.";
    QTest::newRow("upload of two files")
        << QStringList{"upload", "--port", "COM1", a, b}
        << "tonvara-cli upload: one profile file expected, 2 given\n"
           "Try 'tonvara-cli upload --help'.";
    QTest::newRow("--port without its value")
        << QStringList{"upload", a, "--port"}
        << "tonvara-cli upload: option '--port' needs a value\nTry 'tonvara-cli upload --help'.";
    QTest::newRow("the same port twice")
        << QStringList{"upload", "--port", "COM1", "--port", "COM1", a}
        << "tonvara-cli upload: port 'COM1' given twice\nTry 'tonvara-cli upload --help'.";
    QTest::newRow("the same device by number and path")
        << QStringList{"upload", "--port", "COM1", "--port", "/dev/null", a}
        << "tonvara-cli upload: COM1 and /dev/null are the same device (/dev/null)\n"
           "Try 'tonvara-cli upload --help'.";
    QTest::newRow("COM13")
        << QStringList{"upload", "--port", "COM13", a}
        << "tonvara-cli upload: 'COM13' is not a port: COM1 to COM12 are numbered\n"
           "Try 'tonvara-cli upload --help'.";
    QTest::newRow("network port without its number")
        << QStringList{"upload", "--port", "tcp://room7", a}
        << "tonvara-cli upload: 'tcp://room7' is not a network port: write tcp://HOST:PORT\n"
           "Try 'tonvara-cli upload --help'.";
    QTest::newRow("read from two ports")
        << QStringList{"read", "--port", "COM1", "--port", "COM2", "-o", a}
        << "tonvara-cli read: read takes one --port, 2 given\nTry 'tonvara-cli read --help'.";
    QTest::newRow("read without output")
        << QStringList{"read", "--port", "COM1"}
        << "tonvara-cli read: no --output file given\nTry 'tonvara-cli read --help'.";
    QTest::newRow("read into a missing folder")
        << QStringList{"read", "--port", "COM1", "-o", m_dir.filePath("none/x.Lumaroch")}
        << m_dir.filePath("none/x.Lumaroch") + ": cannot be saved: the folder " +
               m_dir.filePath("none") + " does not exist";
    QTest::newRow("diff of one file") << QStringList{"diff", a}
                                      << "tonvara-cli diff: two profile files expected, 1 given\n"
                                         "Try 'tonvara-cli diff --help'.";
    QTest::newRow("ports with an argument")
        << QStringList{"ports", "COM1"}
        << "tonvara-cli ports: unexpected argument 'COM1'\nTry 'tonvara-cli ports --help'.";
    QTest::newRow("venue without its command")
        << QStringList{"venue"}
        << "tonvara-cli venue: no venue command given: check, backup, apply or accept\n"
           "Try 'tonvara-cli venue --help'.";
    QTest::newRow("venue with an unknown command")
        << QStringList{"venue", "upload", a}
        << "tonvara-cli venue: unknown venue command 'upload': check, backup, apply or accept\n"
           "Try 'tonvara-cli venue --help'.";
    QTest::newRow("accept without a room")
        << QStringList{"venue", "accept", a}
        << "tonvara-cli venue accept: no --room given: accept takes the room to accept\n"
           "Try 'tonvara-cli venue accept --help'.";
    QTest::newRow("metrics for backup") << QStringList{"venue", "backup", a, "--metrics", a}
                                        << "tonvara-cli venue backup: unknown option '--metrics'\n"
                                           "Try 'tonvara-cli venue backup --help'.";
    QTest::newRow("venue file missing")
        << QStringList{"venue", "check", m_dir.filePath("none.venue")}
        << m_dir.filePath("none.venue") + ": cannot be read: it does not exist";
}

void TestCliE2e::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const CliRun run = runCli(arguments, {"/dev/null"});
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.out, QStringList());
    QCOMPARE(run.err.trimmed(), message);
}

void TestCliE2e::helpOfEveryCommand_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("firstLine");
    QTest::newRow("program") << QStringList{"--help"} << "Usage: tonvara-cli COMMAND [OPTIONS]";
    QTest::newRow("ports") << QStringList{"ports", "-h"} << "Usage: tonvara-cli ports [--json]";
    QTest::newRow("read") << QStringList{"read", "--help"}
                          << "Usage: tonvara-cli read --port PORT --output FILE.Lumaroch [--json]";
    QTest::newRow("upload, even with a bad port")
        << QStringList{"upload", "--port", "nonsense", "--help"}
        << "Usage: tonvara-cli upload [--verify] [--json] --port PORT [--port PORT ...]";
    QTest::newRow("diff") << QStringList{"diff", "--help"}
                          << "Usage: tonvara-cli diff FILE_A FILE_B";
    QTest::newRow("venue") << QStringList{"venue", "--help"}
                           << "Usage: tonvara-cli venue check|backup|apply|accept VENUE [OPTIONS]";
    QTest::newRow("venue apply")
        << QStringList{"venue", "apply", "x.venue", "--help"}
        << "Usage: tonvara-cli venue apply VENUE [--room NAME]... [--dry-run] [--json]";
}

void TestCliE2e::helpOfEveryCommand()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, firstLine);
    const CliRun run = runCli(arguments);
    QCOMPARE(run.exitCode, 0);
    QVERIFY(!run.out.isEmpty());
    QCOMPARE(run.out.first(), firstLine);
    QCOMPARE(run.err, QString());
}

QTEST_GUILESS_MAIN(TestCliE2e)
#include "tst_clie2e.moc"
