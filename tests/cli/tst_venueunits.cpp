// The venue's pure parts: every fault of a hand-written venue file found before any port is
// touched, with its line and reason; a good file read into rooms with absolute paths; the
// metrics file in the Prometheus text format; one folder per run.
#include "ProfileFile.h"
#include "PromText.h"
#include "VenueCommands.h"
#include "VenueFile.h"
#include "VenueMetrics.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tonvara;
using namespace tonvara::cli;

namespace {

// COM1 stands for this device in every case here.
const QStringList kTable{QStringLiteral("/dev/ttyUSB0")};

void writeText(const QString &path, const QByteArray &text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(text), text.size());
}

} // namespace

class TestVenueUnits : public QObject
{
    Q_OBJECT
  private slots:
    void initTestCase();
    void refusesABadFile_data();
    void refusesABadFile();
    void readsAGoodFile();
    void metricsKeepTheTextFormat();
    void eachRunGetsAFolderOfItsOwn();
    void roomNamesMakeFileNamesThatCanBeCreated_data();
    void roomNamesMakeFileNamesThatCanBeCreated();

  private:
    QString writeVenue(const QByteArray &text);
    QTemporaryDir m_dir;
};

void TestVenueUnits::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("rooms")));
    QVERIFY(
        saveProfileFile(m_dir.filePath(QStringLiteral("rooms/good.Lumaroch")), ProfileData()).ok);
    writeText(m_dir.filePath(QStringLiteral("other.Lumaroch")), "[Main]\r\nType=ORB-999\r\n");
    writeText(m_dir.filePath(QStringLiteral("bad.Lumaroch")),
              "[Main]\r\nType=ORB-350TZ\r\nMusic0.0=300\r\n");
    // Cut short: Import takes the missing keys as 0 and so does the venue, with a warning.
    writeText(m_dir.filePath(QStringLiteral("cut.Lumaroch")),
              "[Main]\r\nType=ORB-350TZ\r\nMusic0.0=4\r\n");
}

QString TestVenueUnits::writeVenue(const QByteArray &text)
{
    const QString path = m_dir.filePath(QStringLiteral("harbour.venue"));
    writeText(path, text);
    return path;
}

void TestVenueUnits::refusesABadFile_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("reason");

    const QByteArray bar = "[Room Bar]\nPort=tcp://10.0.0.12:4001\nBaseline=rooms/good.Lumaroch\n";
    QTest::newRow("room without Port")
        << QByteArray("[Venue]\nName=Harbour\n\n[Room Bar]\nBaseline=rooms/good.Lumaroch\n") << 4
        << "room \"Bar\" has no Port";
    QTest::newRow("room without Baseline")
        << QByteArray("[Room Bar]\nPort=/dev/ttyUSB3\n") << 1 << "room \"Bar\" has no Baseline";
    QTest::newRow("two rooms with one name, another case")
        << bar + "[room BAR]\nPort=/dev/ttyUSB3\nBaseline=rooms/good.Lumaroch\n"
        << 4 << "a second room named \"BAR\" (the first is at line 1)";
    QTest::newRow("two rooms with one port, COM1 and its device")
        << QByteArray("[Room Bar]\nPort=COM1\nBaseline=rooms/good.Lumaroch\n"
                      "[Room Side]\nPort=/dev/ttyUSB0\nBaseline=rooms/good.Lumaroch\n")
        << 5
        << "rooms \"Bar\" and \"Side\" are on one port: " +
               sameDeviceTwice({resolvePort(QStringLiteral("COM1"), kTable),
                                resolvePort(QStringLiteral("/dev/ttyUSB0"), kTable)});
    QTest::newRow("two rooms with one device server")
        << bar + "[Room Side]\nBaseline=rooms/good.Lumaroch\nPort=tcp://10.0.0.12:4001\n"
        << 6
        << "rooms \"Bar\" and \"Side\" are on one port: " +
               sameDeviceTwice({resolvePort(QStringLiteral("tcp://10.0.0.12:4001"), kTable),
                                resolvePort(QStringLiteral("tcp://10.0.0.12:4001"), kTable)});
    QTest::newRow("two rooms on one COM port beyond the table")
        << bar + "[Room Side]\nPort=com5\nBaseline=rooms/good.Lumaroch\n"
                 "[Room Back]\nPort=COM5\nBaseline=rooms/good.Lumaroch\n"
        << 8 << "rooms \"Side\" and \"Back\" are on one port: com5 and COM5 are the same port";
    QTest::newRow("baseline missing")
        << QByteArray("[Room Bar]\nPort=/dev/ttyUSB3\nBaseline=rooms/none.Lumaroch\n") << 3
        << "the baseline rooms/none.Lumaroch does not exist";
    QTest::newRow("baseline of another model")
        << QByteArray("[Room Bar]\nPort=/dev/ttyUSB3\nBaseline=other.Lumaroch\n") << 3
        << "the baseline other.Lumaroch: You import the files are not ORB-350TZ profile";
    QTest::newRow("baseline with a bad value")
        << QByteArray("[Room Bar]\nPort=/dev/ttyUSB3\nBaseline=bad.Lumaroch\n") << 3
        << "the baseline bad.Lumaroch: The imported data errors. (the value of Music0.0)";
    QTest::newRow("baseline a folder")
        << QByteArray("[Room Bar]\nPort=/dev/ttyUSB3\nBaseline=rooms\n") << 3
        << "the baseline rooms: The imported data errors. (it is a folder)";
    QTest::newRow("unknown key in a room")
        << QByteArray("[Room Bar]\nPort=/dev/ttyUSB3\nBaud=9600\n") << 3
        << "unknown key Baud in room \"Bar\": a room takes Port and Baseline";
    QTest::newRow("unknown key in [Venue]")
        << "[Venue]\nName=Harbour\nBackup=old\n" + bar << 3
        << "unknown key Backup in [Venue]: it takes Name and Backups";
    QTest::newRow("unknown section")
        << bar + "; rooms to come\n[Rooms]\n"
        << 5 << "unknown section [Rooms]: a venue file has [Venue] and [Room NAME] sections";
    QTest::newRow("a second [Venue]") << "[Venue]\n" + bar + "[venue]\n"
                                      << 5 << "a second [Venue] section (the first is at line 1)";
    QTest::newRow("room without a name")
        << QByteArray("[Room  ]\nPort=/dev/ttyUSB3\n") << 1 << "a room needs a name: [Room NAME]";
    QTest::newRow("key before any section")
        << "Name=Harbour\n" + bar << 1
        << "a key before any section: put it under [Venue] or a [Room NAME]";
    QTest::newRow("Port given twice")
        << QByteArray("[Room Bar]\nPort=/dev/ttyUSB3\nport=/dev/ttyUSB4\n") << 3
        << "Port given twice (the first is at line 2)";
    QTest::newRow("Port without a value")
        << QByteArray("[Room Bar]\nPort=\nBaseline=rooms/good.Lumaroch\n") << 2
        << "Port needs a value";
    QTest::newRow("not a port") << QByteArray(
                                       "[Room Bar]\nPort=ttyUSB3\nBaseline=rooms/good.Lumaroch\n")
                                << 2 << resolvePort(QStringLiteral("ttyUSB3"), kTable).error;
    QTest::newRow("a comment after a value is no comment")
        << QByteArray("[Room Bar] ; the bar\nPort=/dev/ttyUSB3\n") << 1
        << "a section name must end with ']'";
    QTest::newRow("a line that is nothing")
        << bar + "Port /dev/ttyUSB3\n"
        << 4 << "not a [section], a KEY=value line or a comment";
    QTest::newRow("names that make one backup file")
        << QByteArray("[Room A/B]\nPort=/dev/ttyUSB3\nBaseline=rooms/good.Lumaroch\n"
                      "[Room a_b]\nPort=/dev/ttyUSB4\nBaseline=rooms/good.Lumaroch\n")
        << 4 << "rooms \"A/B\" and \"a_b\" would share the backup file name \"a_b\": rename one";
    QTest::newRow("no rooms") << QByteArray("[Venue]\nName=Harbour\n") << 0
                              << "no rooms: a venue needs at least one [Room NAME] section with "
                                 "Port and Baseline";
    QTest::newRow("binary bytes") << QByteArray("[Venue]\nName=\x01\0\x02\n", 17) << 0
                                  << "cannot be read: it holds bytes that are not text";
}

void TestVenueUnits::refusesABadFile()
{
    QFETCH(QByteArray, text);
    QFETCH(int, line);
    QFETCH(QString, reason);
    QVERIFY(!reason.isEmpty());
    const QString path = writeVenue(text);
    const auto result = readVenueFile(path, kTable);
    QVERIFY2(std::holds_alternative<VenueError>(result), "the file was taken");
    const VenueError &error = std::get<VenueError>(result);
    QCOMPARE(error.reason, reason);
    QCOMPARE(error.line, line);
    QCOMPARE(error.text(), line > 0 ? QStringLiteral("%1:%2: %3").arg(path).arg(line).arg(reason)
                                    : QStringLiteral("%1: %2").arg(path, reason));
}

void TestVenueUnits::readsAGoodFile()
{
    const QString path = writeVenue("# Harbour's rooms\n"
                                    "[venue]\n"
                                    "  backups = ../saved  \n"
                                    "\n"
                                    "[Room Bar]\n"
                                    "; behind the ser2net box\n"
                                    "PORT = tcp://10.0.0.12:4001\n"
                                    "baseline=rooms/good.Lumaroch\r\n"
                                    "[Room Side Room]\n"
                                    "Port=COM1\n"
                                    "Baseline=" +
                                    m_dir.filePath(QStringLiteral("cut.Lumaroch")).toUtf8() + "\n");
    const auto result = readVenueFile(path, kTable);
    if (const auto *error = std::get_if<VenueError>(&result))
        QFAIL(qPrintable(error->text()));
    const Venue &venue = std::get<Venue>(result);
    QCOMPARE(venue.name, QStringLiteral("harbour")); // no Name: the file's base name
    QCOMPARE(venue.filePath, path);
    QCOMPARE(venue.backupsPath, QDir::cleanPath(m_dir.path() + QStringLiteral("/../saved")));
    QCOMPARE(venue.rooms.size(), 2);
    const VenueRoom &bar = venue.rooms.at(0);
    QCOMPARE(bar.name, QStringLiteral("Bar"));
    QCOMPARE(bar.port, QStringLiteral("tcp://10.0.0.12:4001"));
    QCOMPARE(bar.baselinePath, m_dir.filePath(QStringLiteral("rooms/good.Lumaroch")));
    QCOMPARE(bar.line, 5);
    QCOMPARE(bar.baselineWarning, QString());
    const VenueRoom &side = venue.rooms.at(1);
    QCOMPARE(side.name, QStringLiteral("Side Room"));
    QCOMPARE(side.portName.device, QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(side.baselinePath, m_dir.filePath(QStringLiteral("cut.Lumaroch")));
    QVERIFY2(side.baselineWarning.startsWith(QStringLiteral("210 of the 211 setting keys missing, "
                                                            "the first Music0.1")),
             qPrintable(side.baselineWarning));
}

void TestVenueUnits::metricsKeepTheTextFormat()
{
    // Names a careless writer would break the format with: quotes, a backslash before an n,
    // a line feed.
    const QString venue = QStringLiteral("Harbour \"Old\" Town");
    const QList<RoomMetrics> rooms{{QStringLiteral("Bar"), true, 0},
                                   {QStringLiteral("C:\\new\\"), true, 3},
                                   {QStringLiteral("Side\nRoom"), false, 0}};
    const QDateTime at = QDateTime::fromSecsSinceEpoch(1796999400, Qt::UTC);
    const QByteArray text = venueCheckMetrics(venue, rooms, at, 1.25);
    const PromParse parsed = parsePromText(QString::fromUtf8(text));
    QVERIFY2(parsed.error.isEmpty(), qPrintable(parsed.error + "\n" + text));

    QStringList seen;
    for (const PromSample &s : parsed.samples) {
        QCOMPARE(s.labels.value("venue"), venue);
        seen.append(QStringLiteral("%1 %2 %3")
                        .arg(s.metric, s.labels.value("room"))
                        .arg(s.value, 0, 'g', 15));
    }
    QCOMPARE(seen, (QStringList{"tonvara_room_up Bar 1", "tonvara_room_up C:\\new\\ 1",
                                "tonvara_room_up Side\nRoom 0", "tonvara_room_drift_settings Bar 0",
                                // absent for the room that could not be read
                                "tonvara_room_drift_settings C:\\new\\ 3",
                                "tonvara_venue_check_timestamp_seconds  1796999400",
                                "tonvara_venue_check_duration_seconds  1.25"}));
    for (const char *metric :
         {"tonvara_room_up", "tonvara_room_drift_settings", "tonvara_venue_check_timestamp_seconds",
          "tonvara_venue_check_duration_seconds"}) {
        QVERIFY2(text.contains(QByteArray("# HELP ") + metric + ' '), metric);
        QVERIFY2(text.contains(QByteArray("# TYPE ") + metric + " gauge\n"), metric);
    }
}

void TestVenueUnits::eachRunGetsAFolderOfItsOwn()
{
    const QString backups = m_dir.filePath(QStringLiteral("runs/backups"));
    const QDateTime at = QDateTime(QDate(2026, 12, 11), QTime(14, 30, 0), Qt::UTC);
    QStringList made;
    for (int run = 0; run < 3; ++run) {
        QString why;
        const std::optional<QString> folder = makeRunFolder(backups, at, why);
        QVERIFY2(folder, qPrintable(why));
        QVERIFY(QFileInfo(*folder).isDir());
        made.append(QFileInfo(*folder).fileName());
    }
    QCOMPARE(made, (QStringList{"20261211T143000Z", "20261211T143000Z-2", "20261211T143000Z-3"}));

    // A backups path that is a file cannot hold runs.
    writeText(m_dir.filePath(QStringLiteral("runs/plain")), "x");
    QString why;
    QVERIFY(!makeRunFolder(m_dir.filePath(QStringLiteral("runs/plain")), at, why));
    QVERIFY(!why.isEmpty());
}

void TestVenueUnits::roomNamesMakeFileNamesThatCanBeCreated_data()
{
    QTest::addColumn<QString>("room");
    QTest::addColumn<QString>("file");
    QTest::newRow("slash") << "Bar/1"
                           << "Bar_1";
    QTest::newRow("dots only") << ".."
                               << "_.";
    QTest::newRow("leading dash") << "-rf *"
                                  << "_rf _";
    QTest::newRow("letters of other scripts") << u"Zimmer ä 房间"_qs << u"Zimmer ä 房间"_qs;
    QTest::newRow("a long name") << QString(300, QLatin1Char('L'))
                                 << QString(kRoomFileNameBytes, QLatin1Char('L'));
    // Three UTF-8 bytes each: cut on a whole character.
    QTest::newRow("a long name in three-byte letters")
        << QString(100, QChar(0x623F)) << QString(kRoomFileNameBytes / 3, QChar(0x623F));
}

void TestVenueUnits::roomNamesMakeFileNamesThatCanBeCreated()
{
    QFETCH(QString, room);
    QFETCH(QString, file);
    const QString name = roomFileName(room);
    QCOMPARE(name, file);
    // The longest file a room gets, the old baseline accept keeps, with a save's temporary
    // suffix, can be made in a folder.
    QFile made(m_dir.filePath(name + QStringLiteral(" baseline.Lumaroch.XXXXXX")));
    QVERIFY2(made.open(QIODevice::WriteOnly), qPrintable(made.errorString()));
    made.close();
    QVERIFY(made.remove());
}

QTEST_GUILESS_MAIN(TestVenueUnits)
#include "tst_venueunits.moc"
