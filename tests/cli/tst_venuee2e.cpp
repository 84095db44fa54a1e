// The venue commands end to end, in real time: tonvara-cli against three simulator programs at
// once, one room matching its baseline, one drifted from it and one silent. Each simulator
// traces the frames it receives, so the tests see whether anything was written to a room.
#include "CliRun.h"
#include "FactoryValues.h"
#include "ProfileData.h"
#include "ProfileFile.h"
#include "PromText.h"
#include "SettingsCatalog.h"
#include "SimProcess.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace tonvara;

namespace {

// The drifted room's baseline says MUSIC2 1KHz is 7; the simulator holds the factory value.
constexpr int kDriftRow = 1;
constexpr int kDriftSlot = 3;
constexpr int kDriftBaseline = 7;

// Frames that change a target (command 0x00), as the simulator traced them.
int writesReceived(const SimProcess &sim)
{
    int writes = 0;
    for (const QString &line : sim.trace())
        writes += line.startsWith(QLatin1String("rx CD,00,")) ? 1 : 0;
    return writes;
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

ProfileData factoryProfile()
{
    return profileFromStore(factoryStore());
}

} // namespace

class TestVenueE2e : public QObject
{
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void checkTellsMatchDriftAndSilenceAndWritesMetrics();
    void dryRunWritesNothing();
    void applyBacksUpFirstAndWritesOnlyWhereNeeded();
    void applyStoppedMidUploadKeepsTheBackup();
    void backupThenAcceptTheDriftedRoom();
    void badVenueFileTouchesNoPort();
    void metricsFileThatCannotBeWrittenTouchesNoPort();

  private:
    // Starts the three rooms' simulators (the silent one with extra options) and writes the
    // venue file and baselines; false when a simulator did not start.
    bool startVenue(const QStringList &driftedOptions = {});
    QString path(const QString &name) const { return m_dir->filePath(name); }
    int settingOfDriftedRoom();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<SimProcess> m_bar;    // matches its baseline
    std::unique_ptr<SimProcess> m_side;   // drifted from its baseline
    std::unique_ptr<SimProcess> m_cellar; // silent
    QString m_venue;
};

void TestVenueE2e::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestVenueE2e::cleanup()
{
    for (auto *sim : {&m_bar, &m_side, &m_cellar}) {
        if (*sim)
            (*sim)->stop();
        sim->reset();
    }
    m_dir.reset();
}

bool TestVenueE2e::startVenue(const QStringList &driftedOptions)
{
    m_bar = std::make_unique<SimProcess>();
    m_side = std::make_unique<SimProcess>();
    m_cellar = std::make_unique<SimProcess>();
    if (!m_bar->start({"--trace"}) || !m_side->start(QStringList{"--trace"} + driftedOptions) ||
        !m_cellar->start({"--trace", "--silent-after", "0"}))
        return false;
    QDir(m_dir->path()).mkdir("rooms");
    ProfileData drifted = factoryProfile();
    drifted.setValue(TableId::Music, kDriftRow, kDriftSlot, kDriftBaseline);
    if (!saveProfileFile(path("rooms/bar.Lumaroch"), factoryProfile()).ok ||
        !saveProfileFile(path("rooms/side.Lumaroch"), drifted).ok)
        return false;
    // The silent room's baseline was cut short: taken as Import takes it, with a warning.
    QFile cut(path("rooms/cellar.Lumaroch"));
    if (!cut.open(QIODevice::WriteOnly) || cut.write("[Main]\r\nType=ORB-350TZ\r\n") <= 0)
        return false;
    cut.close();
    m_venue = path("harbour.venue");
    QFile file(m_venue);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("[Venue]\nName=Harbour\n\n"
               "[Room Bar]\nPort=" +
               m_bar->device().toUtf8() +
               "\nBaseline=rooms/bar.Lumaroch\n\n"
               "[Room Side Room]\nPort=" +
               m_side->device().toUtf8() +
               "\nBaseline=rooms/side.Lumaroch\n\n"
               "[Room Cellar]\nPort=" +
               m_cellar->device().toUtf8() + "\nBaseline=rooms/cellar.Lumaroch\n");
    return true;
}

int TestVenueE2e::settingOfDriftedRoom()
{
    const TableShape shape = shapeOf(TableId::Music);
    return m_side
        ->setting(shape.group, shape.modeBase + kDriftRow,
                  slotSpec(TableId::Music, kDriftSlot).address)
        .value_or(-1);
}

void TestVenueE2e::checkTellsMatchDriftAndSilenceAndWritesMetrics()
{
    QVERIFY(startVenue());
    const int held = settingOfDriftedRoom();
    QVERIFY(held != kDriftBaseline);

    const QString metrics = path("tonvara.prom");
    const CliRun json = runCli({"venue", "check", m_venue, "--json", "--metrics", metrics});
    QCOMPARE(json.exitCode, 1);
    QCOMPARE(json.out.size(), 1);
    const QJsonObject document = QJsonDocument::fromJson(json.out[0].toUtf8()).object();
    QCOMPARE(document.value("venue").toString(), QStringLiteral("Harbour"));
    const QJsonArray rooms = document.value("rooms").toArray();
    QCOMPARE(rooms.size(), 3);
    QCOMPARE(rooms[0]["name"].toString(), QStringLiteral("Bar"));
    QCOMPARE(rooms[0]["status"].toString(), QStringLiteral("match"));
    QCOMPARE(rooms[0]["differences"].toArray().size(), 0);
    QCOMPARE(rooms[1]["name"].toString(), QStringLiteral("Side Room"));
    QCOMPARE(rooms[1]["port"].toString(), m_side->device());
    QCOMPARE(rooms[1]["status"].toString(), QStringLiteral("drift"));
    QCOMPARE(rooms[1]["differences"].toArray(),
             QJsonArray({QJsonObject{{"key", "Music1.3"},
                                     {"title", "MUSIC2 1KHz"},
                                     {"baseline", kDriftBaseline},
                                     {"target", held}}}));
    QCOMPARE(rooms[2]["status"].toString(), QStringLiteral("unreachable"));
    QCOMPARE(rooms[2]["error"].toString(), "no answer on " + m_cellar->device());

    const PromParse parsed = parsePromText(QString::fromUtf8(fileBytes(metrics)));
    QVERIFY2(parsed.error.isEmpty(), qPrintable(parsed.error));
    QStringList samples;
    for (const PromSample &s : parsed.samples) {
        if (s.labels.contains("room"))
            samples.append(QStringLiteral("%1 %2 %3").arg(s.metric, s.labels["room"]).arg(s.value));
    }
    QCOMPARE(samples, (QStringList{"tonvara_room_up Bar 1", "tonvara_room_up Side Room 1",
                                   "tonvara_room_up Cellar 0", "tonvara_room_drift_settings Bar 0",
                                   "tonvara_room_drift_settings Side Room 1"}));

    const CliRun text = runCli({"venue", "check", m_venue});
    QCOMPARE(text.exitCode, 1);
    QCOMPARE(text.out.size(), 4);
    QCOMPARE(text.out[0], QStringLiteral("Bar: matches its baseline"));
    QCOMPARE(text.out[1], QStringLiteral("Side Room: 1 setting differs"));
    // Worded as diff words it: key, title, both read-outs.
    QVERIFY2(text.out[2].startsWith("  Music1.3   MUSIC2 1KHz      baseline "),
             qPrintable(text.out[2]));
    QCOMPARE(text.out[3], "Cellar: no answer on " + m_cellar->device());
    QCOMPARE(text.err.trimmed(), "warning: Cellar: the baseline " + path("rooms/cellar.Lumaroch") +
                                     ": 211 of the 211 setting keys missing, the first Music0.0; "
                                     "Import takes a missing key as 0 (a maximum as 80)");

    // A check only reads.
    QCOMPARE(writesReceived(*m_bar), 0);
    QCOMPARE(writesReceived(*m_side), 0);
    QCOMPARE(settingOfDriftedRoom(), held);
}

void TestVenueE2e::dryRunWritesNothing()
{
    QVERIFY(startVenue());
    const CliRun run = runCli({"venue", "apply", m_venue, "--dry-run"});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out.size(), 4);
    QCOMPARE(run.out[0], QStringLiteral("Bar: unchanged: it matches its baseline"));
    QCOMPARE(run.out[1], QStringLiteral("Side Room: would change 1 setting"));
    QVERIFY2(run.out[2].startsWith("  Music1.3 "), qPrintable(run.out[2]));
    QCOMPARE(run.out[3], "Cellar: failed at connect: no answer on " + m_cellar->device());
    QCOMPARE(writesReceived(*m_bar), 0);
    QCOMPARE(writesReceived(*m_side), 0);
    QVERIFY(!QFileInfo::exists(path("backups")));
}

void TestVenueE2e::applyBacksUpFirstAndWritesOnlyWhereNeeded()
{
    QVERIFY(startVenue());
    const int held = settingOfDriftedRoom();
    const CliRun run = runCli({"venue", "apply", m_venue, "--json"});
    QCOMPARE(run.exitCode, 1); // the silent room does not end matching
    QCOMPARE(run.out.size(), 1);
    const QJsonObject document = QJsonDocument::fromJson(run.out[0].toUtf8()).object();
    const QJsonArray rooms = document.value("rooms").toArray();
    QCOMPARE(rooms.size(), 3);
    const QString folder = document.value("folder").toString();
    QCOMPARE(QFileInfo(folder).absolutePath(), path("backups"));

    QCOMPARE(rooms[0]["status"].toString(), QStringLiteral("unchanged"));
    QCOMPARE(rooms[0]["backup"].toString(), folder + "/Bar.Lumaroch");
    QCOMPARE(writesReceived(*m_bar), 0);

    QCOMPARE(rooms[1]["status"].toString(), QStringLiteral("applied"));
    QCOMPARE(rooms[1]["verified"].toBool(), true);
    QCOMPARE(settingOfDriftedRoom(), kDriftBaseline);
    // The whole Upload went out, end frame and all.
    QVERIFY(m_side->uploadEnded());
    // The backup holds what the room held before the upload.
    const ProfileCheck backup = loadProfileFile(rooms[1]["backup"].toString());
    QCOMPARE(backup.status, ProfileStatus::Ok);
    QCOMPARE(int(backup.data.value(TableId::Music, kDriftRow, kDriftSlot)), held);

    QCOMPARE(rooms[2]["status"].toString(), QStringLiteral("failed"));
    QCOMPARE(rooms[2]["step"].toString(), QStringLiteral("connect"));
    QVERIFY(!rooms[2].toObject().contains("backup"));
    QCOMPARE(QDir(folder).entryList(QDir::Files),
             (QStringList{"Bar.Lumaroch", "Side Room.Lumaroch"}));
}

void TestVenueE2e::applyStoppedMidUploadKeepsTheBackup()
{
    // Answers Identify, the 211 frames of the Read and 30 of the Upload, then nothing.
    QVERIFY(startVenue({"--silent-after", "242"}));
    const CliRun run = runCli({"venue", "apply", m_venue, "--room", "side room"});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out.size(), 2);
    const QString backup = path("backups");
    QVERIFY2(run.out[0].startsWith("Side Room: failed at upload: the upload stopped on " +
                                   m_side->device() +
                                   ": no answer to frame 31 of 212; the "
                                   "backup is " +
                                   backup),
             qPrintable(run.out[0]));
    QVERIFY(!m_side->uploadEnded());
    const QString file = run.out[0].mid(run.out[0].indexOf("the backup is ") + 14);
    QCOMPARE(loadProfileFile(file).status, ProfileStatus::Ok);
    // Only the room named was touched.
    QCOMPARE(m_bar->framesReceived(), 0);
}

void TestVenueE2e::backupThenAcceptTheDriftedRoom()
{
    QVERIFY(startVenue());
    const int held = settingOfDriftedRoom();
    const CliRun backup = runCli({"venue", "backup", m_venue});
    QCOMPARE(backup.exitCode, 1);
    QCOMPARE(backup.out.size(), 3);
    QVERIFY2(backup.out[0].startsWith("Bar: saved to " + path("backups/")),
             qPrintable(backup.out[0]));
    QCOMPARE(backup.out[2], "Cellar: failed at connect: no answer on " + m_cellar->device());
    const QStringList runs = QDir(path("backups")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCOMPARE(runs.size(), 1);
    QCOMPARE(QDir(path("backups/" + runs[0])).entryList(QDir::Files),
             (QStringList{"Bar.Lumaroch", "Side Room.Lumaroch"}));

    // The baseline keeps what the installer wrote around the settings.
    const QString baseline = path("rooms/side.Lumaroch");
    QByteArray old = fileBytes(baseline);
    old.prepend("; tuned by hand, spring\r\n");
    old.append("[Notes]\r\nWho=installer\r\n");
    {
        QFile file(baseline);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(old), old.size());
    }
    const CliRun accept = runCli({"venue", "accept", m_venue, "--room", "Side Room", "--json"});
    QCOMPARE(accept.exitCode, 0);
    const QJsonObject room = QJsonDocument::fromJson(accept.out.value(0).toUtf8())
                                 .object()
                                 .value("rooms")
                                 .toArray()
                                 .at(0)
                                 .toObject();
    QCOMPARE(room["status"].toString(), QStringLiteral("accepted"));
    const QString kept = room["previousBaseline"].toString();
    QVERIFY2(kept.endsWith("/Side Room baseline.Lumaroch"), qPrintable(kept));
    QCOMPARE(fileBytes(kept), old);
    const QByteArray now = fileBytes(baseline);
    QVERIFY(now.startsWith("; tuned by hand, spring\r\n"));
    QVERIFY(now.contains("[Notes]\r\nWho=installer\r\n"));
    const ProfileCheck accepted = loadProfileFile(baseline);
    QCOMPARE(int(accepted.data.value(TableId::Music, kDriftRow, kDriftSlot)), held);
    QCOMPARE(writesReceived(*m_side), 0);

    const CliRun check = runCli({"venue", "check", m_venue});
    QCOMPARE(check.out.value(1), QStringLiteral("Side Room: matches its baseline"));
}

void TestVenueE2e::badVenueFileTouchesNoPort()
{
    QVERIFY(startVenue());
    QFile file(m_venue);
    QVERIFY(file.open(QIODevice::Append));
    file.write("[Room Attic]\nPort=" + m_bar->device().toUtf8() +
               "\nBaseline=rooms/bar.Lumaroch\n");
    file.close();
    const CliRun run = runCli({"venue", "apply", m_venue});
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.out, QStringList());
    QVERIFY2(run.err.startsWith(m_venue + ":16: rooms \"Bar\" and \"Attic\" are on one port"),
             qPrintable(run.err));
    QCOMPARE(m_bar->framesReceived(), 0);
    QCOMPARE(m_side->framesReceived(), 0);
    QCOMPARE(m_cellar->framesReceived(), 0);
}

void TestVenueE2e::metricsFileThatCannotBeWrittenTouchesNoPort()
{
    QVERIFY(startVenue());
    // The folder is there, but no file can be made in it.
    const CliRun run = runCli({"venue", "check", m_venue, "--metrics", "/proc/tonvara.prom"});
    QCOMPARE(run.exitCode, 2);
    QCOMPARE(run.out, QStringList());
    QVERIFY2(run.err.startsWith("/proc/tonvara.prom: cannot be written: the file cannot be "
                                "created or replaced there ("),
             qPrintable(run.err));
    QCOMPARE(m_bar->framesReceived(), 0);
    QCOMPARE(m_side->framesReceived(), 0);
    QCOMPARE(m_cellar->framesReceived(), 0);
}

QTEST_GUILESS_MAIN(TestVenueE2e)
#include "tst_venuee2e.moc"
