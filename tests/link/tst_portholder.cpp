// Naming who holds a busy serial device, on a small fake /proc and lock folder.
#include "PortHolder.h"
#include "RS232Port.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tonvara;

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestPortHolder : public QObject
{
    Q_OBJECT
private slots:
    void holders_data();
    void holders();
    void busyTextNamesTheHolder();
};

void TestPortHolder::holders_data()
{
    QTest::addColumn<QString>("setup"); // "fd", "lock", "stale-lock", "none"
    QTest::addColumn<int>("pid");
    QTest::addColumn<QString>("name");
    QTest::newRow("process with the device open") << "fd" << 812 << "ModemManager";
    QTest::newRow("lock file of a live process") << "lock" << 4242 << "minicom";
    QTest::newRow("stale lock names nobody") << "stale-lock" << 0 << "";
    QTest::newRow("nobody holds it") << "none" << 0 << "";
}

void TestPortHolder::holders()
{
    QFETCH(QString, setup);
    QFETCH(int, pid);
    QFETCH(QString, name);
    QTemporaryDir root;
    const QString device = root.filePath("dev/ttyUSB0");
    writeFile(device, {});
    const QString proc = root.filePath("proc");
    const QString locks = root.filePath("lock");
    QDir().mkpath(locks);
    // An unrelated process with some other file open.
    writeFile(proc + "/17/comm", "bash\n");
    writeFile(root.filePath("other"), {});
    QDir().mkpath(proc + "/17/fd");
    QFile::link(root.filePath("other"), proc + "/17/fd/0");
    if (setup == "fd") {
        writeFile(proc + "/812/comm", "ModemManager\n");
        QDir().mkpath(proc + "/812/fd");
        QVERIFY(QFile::link(device, proc + "/812/fd/9"));
    } else if (setup == "lock") {
        writeFile(proc + "/4242/comm", "minicom\n");
        writeFile(locks + "/LCK..ttyUSB0", "      4242\n");
    } else if (setup == "stale-lock") {
        writeFile(locks + "/LCK..ttyUSB0", "      999\n");
    }
    const auto holder = findPortHolder(device, proc, {locks});
    QCOMPARE(holder.has_value(), pid != 0);
    if (holder) {
        QCOMPARE(holder->pid, pid);
        QCOMPARE(holder->name, name);
    }
}

void TestPortHolder::busyTextNamesTheHolder()
{
    const QString text = openFailureText(
        2, "/dev/ttyUSB0",
        {OpenFailure::Busy, {}, describePortHolder(PortHolder{812, "ModemManager"})});
    QCOMPARE(text, QStringLiteral("COM2 (/dev/ttyUSB0): in use by ModemManager (pid 812); stop it "
                                  "with: sudo systemctl stop ModemManager."));
    QVERIFY(describePortHolder(PortHolder{5, "brltty"}).contains("apt remove brltty"));
}

QTEST_GUILESS_MAIN(TestPortHolder)
#include "tst_portholder.moc"
