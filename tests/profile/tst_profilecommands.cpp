#include "FactoryValues.h"
#include "IniOper.h"
#include "ProfileCommands.h"
#include "ProfileData.h"
#include "ProfileFile.h"
#include "ProfileFormat.h"
#include "VirtualWindowServices.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tonvara;

Q_DECLARE_METATYPE(tonvara::MessageAnswer)

namespace {

ProfileData sampleProfile()
{
    ParameterStore store = factoryStore();
    store.cellAt(TableId::Mic, 2, 4).value = 17;
    store.cellAt(TableId::Eff, 1, 9).value = 99;
    store.inputSelect = 2;
    store.lock = true;
    store.volSet[2] = VolSet{0, 12, 70, 6};
    return profileFromStore(store);
}

QByteArray profileBytes(const ProfileData &profile)
{
    IniDocument doc;
    writeProfile(profile, doc);
    return doc.serialize();
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool runningAsRoot()
{
    return ::geteuid() == 0;
}

// Lets writes beyond `bytes` fail for the life of the object (EFBIG instead of a signal).
class FileSizeLimit
{
  public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limited = m_old;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

  private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

enum class Outcome
{
    Silent,
    Imported,
    ModelMessage,
    DataMessage
};

} // namespace

Q_DECLARE_METATYPE(Outcome)
Q_DECLARE_METATYPE(tonvara::ProfileData)

class TestProfileCommands : public QObject
{
    Q_OBJECT
  private slots:
    void init();
    void saveAppendsTheExtension_data();
    void saveAppendsTheExtension();
    void saveAsksBeforeReplacingTheExtendedName_data();
    void saveAsksBeforeReplacingTheExtendedName();
    void saveUpdatesAnExistingProfileInPlace();
    void failedSaveKeepsTheOldFile_data();
    void failedSaveKeepsTheOldFile();
    void writableCheckKnowsTheStickyFolderRule();
    void importFiles_data();
    void importFiles();
    void startFolder_data();
    void startFolder();

  private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString path(const QString &name) const { return m_dir->filePath(name); }
};

void TestProfileCommands::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestProfileCommands::saveAppendsTheExtension_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("written");
    QTest::newRow("plain name") << "live"
                                << "live.Lumaroch";
    QTest::newRow("extension in another letter case") << "live.LUMAROCH"
                                                      << "live.LUMAROCH";
    QTest::newRow("other extension") << "live.txt"
                                     << "live.txt.Lumaroch";
    QTest::newRow("extension inside the name") << "a.Lumaroch.b"
                                               << "a.Lumaroch.b.Lumaroch";
    QTest::newRow("non-ASCII name") << u"Zimmer ä 音 ü"_qs << u"Zimmer ä 音 ü.Lumaroch"_qs;
}

void TestProfileCommands::saveAppendsTheExtension()
{
    QFETCH(QString, typed);
    QFETCH(QString, written);
    VirtualWindowServices services;
    services.saveDialogAnswers.push_back(path(typed));
    const ProfileData profile = sampleProfile();
    saveProfile(services, profile);

    QCOMPARE(services.messages.size(), 0);
    QCOMPARE(services.beeps, 0);
    QCOMPARE(services.dialogRequests.size(), 1);
    const FileDialogRequest &request = services.dialogRequests.first();
    QCOMPARE(request.title, QString("Save profile"));
    QCOMPARE(request.filter, QString("Sound Profile (*.Lumaroch)"));
    QVERIFY(request.promptOverwrite);
    QCOMPARE(request.startFolder, profileStartFolder());
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{written});
    QCOMPARE(readAll(path(written)), profileBytes(profile));

    // Imported back through the other command, it is the same profile.
    services.openDialogAnswers.push_back(path(written));
    const std::optional<ProfileData> imported = importProfile(services);
    QVERIFY(imported);
    QVERIFY(*imported == profile);
    QCOMPARE(services.dialogRequests.last().title, QString("View profile"));
    QVERIFY(!services.dialogRequests.last().promptOverwrite);
    QCOMPARE(iniFileName, path(written));
    QCOMPARE(iniSection, QString("Main"));
}

void TestProfileCommands::saveAsksBeforeReplacingTheExtendedName_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<MessageAnswer>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("extended name exists, Yes") << "live" << MessageAnswer::Yes << true << true;
    QTest::newRow("extended name exists, No") << "live" << MessageAnswer::No << true << false;
    QTest::newRow("the dialog asked about this name")
        << "live.Lumaroch" << MessageAnswer::No << false << true;
}

void TestProfileCommands::saveAsksBeforeReplacingTheExtendedName()
{
    QFETCH(QString, typed);
    QFETCH(MessageAnswer, answer);
    QFETCH(bool, asked);
    QFETCH(bool, replaced);
    const QString target = path("live.Lumaroch");
    const QByteArray old = profileBytes(profileFromStore(factoryStore()));
    QVERIFY(writeFile(target, old));

    VirtualWindowServices services;
    services.saveDialogAnswers.push_back(path(typed));
    services.messageAnswers.push_back(answer);
    const ProfileData profile = sampleProfile();
    saveProfile(services, profile);

    QCOMPARE(services.messages.size(), asked ? 1 : 0);
    if (asked) {
        QCOMPARE(services.messages.first().buttons, MessageButtons::YesNo);
        QVERIFY2(services.messages.first().text.contains(QDir::toNativeSeparators(target)),
                 qPrintable(services.messages.first().text));
    }
    QCOMPARE(readAll(target), replaced ? profileBytes(profile) : old);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"live.Lumaroch"});
}

// A profile someone edited: another section before it, comments, an extra key, keys in lower
// case, one key missing, LF line ends. Built for any profile so the expected file after the
// save can be spelled out the same way.
QByteArray editedProfile(const ProfileData &profile, QByteArrayView eol, bool missingKeyAdded)
{
    QList<QByteArray> lines{"[Notes]", "who = me", "[main]", "; tuned for room 4"};
    QByteArray missing;
    for (const QByteArray &line : profileBytes(profile).split('\n')) {
        const QByteArray entry = line.trimmed();
        const qsizetype equals = entry.indexOf('=');
        if (equals < 0)
            continue;
        if (entry.startsWith("Music2.12="))
            missing = entry;
        else
            lines.append(entry.left(equals).toLower() + entry.mid(equals));
    }
    lines.append("Installer=kept");
    if (missingKeyAdded)
        lines.append(missing); // after the last entry of its section
    lines << "; end of profile"
          << ""
          << "[Later]"
          << "Music0.0=1";
    QByteArray text;
    for (const QByteArray &line : lines)
        text += line + eol.toByteArray();
    return text;
}

void TestProfileCommands::saveUpdatesAnExistingProfileInPlace()
{
    const QString target = path("room.Lumaroch");
    QVERIFY(writeFile(target, editedProfile(profileFromStore(factoryStore()), "\n", false)));

    VirtualWindowServices services;
    services.saveDialogAnswers.push_back(target);
    const ProfileData profile = sampleProfile();
    saveProfile(services, profile);

    QCOMPARE(services.messages.size(), 0);
    QCOMPARE(readAll(target), editedProfile(profile, "\r\n", true));
}

void TestProfileCommands::failedSaveKeepsTheOldFile_data()
{
    QTest::addColumn<QString>("situation");
    QTest::newRow("path under a file used as a folder") << "under-file";
    QTest::newRow("write cut short by the file size limit") << "size-limit";
    QTest::newRow("existing file is binary") << "binary";
    QTest::newRow("existing file larger than 1 MiB") << "large";
    QTest::newRow("existing name is a folder") << "folder";
    QTest::newRow("read-only folder") << "read-only";
}

void TestProfileCommands::failedSaveKeepsTheOldFile()
{
    QFETCH(QString, situation);
    QString target = path("old.Lumaroch");
    QByteArray old = profileBytes(profileFromStore(factoryStore()));
    if (situation == "under-file") {
        QVERIFY(writeFile(path("plain"), "not a folder"));
        target = path("plain/new.Lumaroch");
        old.clear();
    } else if (situation == "binary") {
        old = QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    } else if (situation == "large") {
        old = QByteArray(IniDocument::kMaxBytes + 10, 'x');
    } else if (situation == "folder") {
        QVERIFY(QDir(m_dir->path()).mkdir("old.Lumaroch"));
        old.clear();
    } else if (situation == "read-only") {
        if (runningAsRoot())
            QSKIP("root writes into read-only folders; the file-size-limit and file-as-folder "
                  "rows make the write fail for root");
    }
    if (!old.isEmpty())
        QVERIFY(writeFile(target, old));
    const QStringList entriesBefore = QDir(m_dir->path()).entryList(QDir::AllEntries);
    if (situation == "read-only")
        QVERIFY(
            QFile::setPermissions(m_dir->path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));

    VirtualWindowServices services;
    services.saveDialogAnswers.push_back(target);
    {
        std::optional<FileSizeLimit> limit;
        if (situation == "size-limit")
            limit.emplace(200); // the profile is about 2.6 KB
        saveProfile(services, sampleProfile());
    }
    QFile::setPermissions(m_dir->path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    QCOMPARE(services.beeps, 0);
    QCOMPARE(services.messages.size(), 1);
    const auto &message = services.messages.first();
    QCOMPARE(message.icon, MessageIcon::Critical);
    QCOMPARE(message.buttons, MessageButtons::Ok);
    QVERIFY2(message.text.contains(QDir::toNativeSeparators(target)), qPrintable(message.text));
    if (!old.isEmpty())
        QCOMPARE(readAll(target), old);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries), entriesBefore);
}

// Acts as another user for the life of the object (the effective user only, so root can come
// back).
class ActAsNobody
{
  public:
    ActAsNobody() : m_ok(::seteuid(kNobody) == 0) {}
    ~ActAsNobody()
    {
        if (m_ok)
            (void)::seteuid(0);
    }
    bool ok() const { return m_ok; }

  private:
    static constexpr uid_t kNobody = 65534;
    bool m_ok;
};

void TestProfileCommands::writableCheckKnowsTheStickyFolderRule()
{
    if (!runningAsRoot())
        QSKIP("acting as another user needs root");
    // A sticky folder anyone may write in, as /tmp is, holding a file of root's that anyone
    // may write: only the rename that ends a save is refused to another user.
    QVERIFY(::chmod(QFile::encodeName(m_dir->path()).constData(), 0755) == 0);
    const QString folder = path("sticky");
    QVERIFY(QDir().mkdir(folder));
    QVERIFY(::chmod(QFile::encodeName(folder).constData(), 01777) == 0);
    const QString theirs = folder + "/theirs.Lumaroch";
    const QByteArray old = profileBytes(profileFromStore(factoryStore()));
    QVERIFY(writeFile(theirs, old));
    QVERIFY(::chmod(QFile::encodeName(theirs).constData(), 0666) == 0);

    ActAsNobody nobody;
    QVERIFY(nobody.ok());
    const SaveResult check = checkDocumentWritable(theirs);
    QVERIFY(!check.ok);
    QCOMPARE(check.reason, QStringLiteral("the file belongs to another user, and in this folder "
                                          "only a file's owner may replace it"));
    // The check tells what the write would meet.
    QVERIFY(!writeFileAtomically(theirs, "changed").ok);
    QCOMPARE(readAll(theirs), old);
    // A new file of one's own in the same folder is fine.
    QVERIFY2(checkDocumentWritable(folder + "/mine.Lumaroch").ok,
             qPrintable(checkDocumentWritable(folder + "/mine.Lumaroch").reason));
}

void TestProfileCommands::importFiles_data()
{
    QTest::addColumn<QString>("kind"); // how the path is made: file, none, folder, fifo, ...
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<ProfileData>("expected");

    const ProfileData sample = sampleProfile();
    const QByteArray good = profileBytes(sample);
    const auto with = [&](const QByteArray &from, const QByteArray &to) {
        QByteArray text = good;
        if (!text.contains(from))
            qFatal("row text not found: %s", from.constData());
        return text.replace(from, to);
    };
    QRandomGenerator random(1210);
    QByteArray binary(4096, Qt::Uninitialized);
    for (char &c : binary)
        c = char(random.bounded(256));
    QByteArray padded = good + "; " + QByteArray(IniDocument::kMaxBytes, '-');
    padded.truncate(IniDocument::kMaxBytes - 2);
    padded += "\r\n";
    ProfileData inputNone = sample;
    inputNone.inputSelect = kNoInput;
    ProfileData firstWins = sample;
    firstWins.setValue(TableId::Music, 0, 0, 3);

    QTest::newRow("cancelled") << "cancel" << good << Outcome::Silent << ProfileData();
    QTest::newRow("name that does not exist") << "none" << good << Outcome::Silent << ProfileData();
    QTest::newRow("profile") << "file" << good << Outcome::Imported << sample;
    QTest::newRow("INPUTSELECT=3 imports as none")
        << "file" << with("INPUTSELECT=2", "INPUTSELECT=3") << Outcome::Imported << inputNone;
    QTest::newRow("Mic2.4=300") << "file" << with("Mic2.4=17", "Mic2.4=300") << Outcome::DataMessage
                                << ProfileData();
    QTest::newRow("Mic2.4=") << "file" << with("Mic2.4=17", "Mic2.4=") << Outcome::DataMessage
                             << ProfileData();
    QTest::newRow("another model")
        << "file" << with("ORB-350TZ", "ORB-350T") << Outcome::ModelMessage << ProfileData();
    QTest::newRow("empty file") << "file" << QByteArray() << Outcome::ModelMessage << ProfileData();
    QTest::newRow("binary") << "file" << binary << Outcome::ModelMessage << ProfileData();
    QTest::newRow("profile with NUL bytes") << "file" << with("EX=0", QByteArray("EX=0\0\0", 6))
                                            << Outcome::DataMessage << ProfileData();
    QTest::newRow("profile padded to exactly 1 MiB")
        << "file" << padded << Outcome::Imported << sample;
    QTest::newRow("several MB") << "file" << good + QByteArray(3 * 1024 * 1024, '\n')
                                << Outcome::DataMessage << ProfileData();
    QTest::newRow("long lines") << "file"
                                << with("[Main]\r\n", "[Main]\r\n;" + QByteArray(300000, 'c') +
                                                          "\r\nx=" + QByteArray(300000, '9') +
                                                          "\r\n")
                                << Outcome::Imported << sample;
    QTest::newRow("duplicate keys")
        << "file" << with("Type=ORB-350TZ\r\n", "Type=ORB-350TZ\r\nmusic0.0=3\r\nTYPE=other\r\n")
        << Outcome::Imported << firstWins;
    QTest::newRow("a folder") << "folder" << QByteArray() << Outcome::DataMessage << ProfileData();
    QTest::newRow("a FIFO with no writer")
        << "fifo" << QByteArray() << Outcome::DataMessage << ProfileData();
    QTest::newRow("unreadable file")
        << "unreadable" << good << Outcome::DataMessage << ProfileData();
    QTest::newRow("non-ASCII name") << "non-ascii" << good << Outcome::Imported << sample;
    QTest::newRow("non-UTF-8 name") << "non-utf8" << good << Outcome::Silent << ProfileData();
}

void TestProfileCommands::importFiles()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, content);
    QFETCH(Outcome, outcome);
    QFETCH(ProfileData, expected);

    QString file = path("in.Lumaroch");
    QByteArray rawName;
    if (kind == "file" || kind == "unreadable") {
        QVERIFY(writeFile(file, content));
    } else if (kind == "folder") {
        QVERIFY(QDir(m_dir->path()).mkdir("in.Lumaroch"));
    } else if (kind == "fifo") {
        QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    } else if (kind == "non-ascii") {
        file = path(u"Bühne 音.Lumaroch"_qs);
        QVERIFY(writeFile(file, content));
    } else if (kind == "non-utf8") {
        // Such a name cannot be spelled as a QString, so no dialog can hand it over; the file
        // must be left alone and nothing shown.
        rawName = QFile::encodeName(m_dir->path()) + "/b\xff\xfe.Lumaroch";
        const int fd = ::open(rawName.constData(), O_CREAT | O_WRONLY, 0600);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, content.constData(), size_t(content.size())), content.size());
        ::close(fd);
        file = QFile::decodeName(rawName);
    }
    if (kind == "unreadable") {
        if (runningAsRoot())
            QSKIP("root reads files whatever their mode; the folder and FIFO rows cover files "
                  "that cannot be read");
        QVERIFY(QFile::setPermissions(file, {}));
    }

    VirtualWindowServices services;
    if (kind != "cancel")
        services.openDialogAnswers.push_back(kind == "none" ? path("missing.Lumaroch") : file);
    const std::optional<ProfileData> imported = importProfile(services);

    QCOMPARE(services.dialogRequests.size(), 1);
    QCOMPARE(services.dialogRequests.first().title, QString("View profile"));
    QCOMPARE(services.dialogRequests.first().filter, QString("Sound Profile (*.Lumaroch)"));
    QCOMPARE(imported.has_value(), outcome == Outcome::Imported);
    if (imported)
        QVERIFY(*imported == expected);
    switch (outcome) {
    case Outcome::Silent:
    case Outcome::Imported:
        QCOMPARE(services.messageTexts(), QStringList());
        break;
    case Outcome::ModelMessage:
        QCOMPARE(services.messageTexts(),
                 QStringList{"You import the files are not ORB-350TZ profile"});
        break;
    case Outcome::DataMessage:
        QCOMPARE(services.messageTexts(), QStringList{"The imported data errors."});
        break;
    }
    for (const auto &message : services.messages)
        QCOMPARE(message.icon, MessageIcon::Critical);
    if (kind == "file")
        QCOMPARE(readAll(file), content); // an import never writes
    if (!rawName.isEmpty()) {
        struct stat info = {};
        QCOMPARE(::stat(rawName.constData(), &info), 0);
        QCOMPARE(qsizetype(info.st_size), content.size());
        ::unlink(rawName.constData()); // the temporary folder cannot spell it either
    }
}

void TestProfileCommands::startFolder_data()
{
    QTest::addColumn<QString>("programFolder");
    QTest::addColumn<bool>("usesProgramFolder");
    QTest::newRow("writable program folder") << "tmp" << true;
    QTest::newRow("program folder missing") << "missing" << false;
    QTest::newRow("program folder is a file") << "file" << false;
}

void TestProfileCommands::startFolder()
{
    QFETCH(QString, programFolder);
    QFETCH(bool, usesProgramFolder);
    QString folder = m_dir->path();
    if (programFolder == "missing")
        folder = path("missing");
    if (programFolder == "file") {
        folder = path("file");
        QVERIFY(writeFile(folder, "x"));
    }
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QCOMPARE(profileStartFolder(folder), usesProgramFolder ? folder : documents);
}

QTEST_GUILESS_MAIN(TestProfileCommands)
#include "tst_profilecommands.moc"
