// Comparing the editor with the target and with a profile: the real pages and link on an
// in-memory line joined to the simulated target, on virtual time. The window's text, copy and
// Esc; what the comparison sends (reads only) and leaves (the editor); taking the other values
// and uploading; the refusals; and the marks on the controls of the current modes.
#include "FactoryValues.h"
#include "ParameterStore.h"
#include "ProfileData.h"
#include "SettingsCatalog.h"

#include "BulkTransfer.h"
#include "C_FlagBar.h"
#include "C_Option.h"
#include "C_ScrollBar.h"
#include "CompareCommands.h"
#include "CompareWindow.h"
#include "LinkedPages.h"
#include "MainPages.h"
#include "ProfileCommands.h"
#include "TargetCore.h"
#include "TargetLink.h"
#include "VirtualWindowServices.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

using namespace tonvara;

namespace {

using Changes = QMap<QByteArray, QByteArray>;
const QColor kMarkRed(232, 32, 32);

struct Rig : LinkedPages
{
    std::unique_ptr<BulkTransfer> bulk;
    std::unique_ptr<CompareCommands> compare;
    QTemporaryDir dir;

    explicit Rig(bool connect = true) : LinkedPages(connect)
    {
        bulk = std::make_unique<BulkTransfer>(services, *link, store, pages);
        CompareCommands::Actions actions;
        actions.readTarget = [this] {
            link->setFramesTotal(BulkTransfer::kReadFrames);
            return bulk->readTargetSettings();
        };
        actions.upload = [this] {
            link->setFramesTotal(BulkTransfer::kUploadFrames);
            bulk->uploadAllToTarget();
        };
        actions.take = [this](const QString &label, const ProfileData &values) {
            pages.takeProfile(label.toStdString(), values);
        };
        actions.canActNow = [this] { return pages.editor().canActNow(); };
        compare = std::make_unique<CompareCommands>(services, store, pages, std::move(actions));
    }
    ~Rig()
    {
        delete compare->window();
        compare.reset();
    }

    // A setting of the simulated target, by group, mode number and address.
    void setTarget(int group, int mode, int address, int value)
    {
        target.setSetting(std::uint8_t(group), std::uint8_t(mode), std::uint8_t(address),
                          std::uint8_t(value));
    }
    // A profile of the factory values but for the given keys ("Type" too).
    QString writeProfile(const QString &name, const QMap<QByteArray, QByteArray> &changes)
    {
        QByteArray text = "[Main]\r\nType=" + changes.value("Type", "ORB-350TZ") + "\r\n";
        const ProfileData factory = profileFromStore(factoryStore());
        for (const SettingId &setting : allSettings()) {
            const QByteArray key = QByteArray::fromStdString(settingKey(setting));
            text += key + '=' + changes.value(key, QByteArray::number(factory.valueOf(setting))) +
                    "\r\n";
        }
        const QString path = dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write(text);
        return path;
    }
    void compareWithProfile(const QString &path)
    {
        services.openDialogAnswers.push_back(path);
        compare->compareWithProfile();
    }
    // Closes the window as Esc does, and lets it go.
    void escape()
    {
        QVERIFY(compare->window());
        QTest::keyClick(compare->window()->textView(), Qt::Key_Escape);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // Which sliders and toggles of the window carry the mark, by name.
    QStringList marked() const
    {
        QStringList names;
        for (TableId table : kAllTables)
            for (int slot = 0; slot < shapeOf(table).slotCount; ++slot)
                if (C_ScrollBar *slider = pages.tableSlider(table, slot);
                    slider && slider->isMarked())
                    names << QStringLiteral("%1 %2").arg(int(table)).arg(slot);
        for (int n = 1; n <= 3; ++n)
            if (pages.flagBar(n)->isMarked())
                names << QStringLiteral("toggle %1").arg(n);
        return names;
    }
};

QImage render(QWidget *widget)
{
    QImage image(widget->size(), QImage::Format_RGB32);
    widget->render(&image);
    return image;
}

// The mark's top row: left of a slider's read-out box, over the top right corner of a toggle.
bool drawsMark(QWidget *widget)
{
    const QImage image = render(widget);
    const bool toggle = qobject_cast<C_FlagBar *>(widget) != nullptr;
    const int y = toggle ? 0 : 14;
    const int right = toggle ? image.width() - 1 : 31;
    return QColor(image.pixel(right, y)) == kMarkRed &&
           QColor(image.pixel(right - 6, y)) == kMarkRed;
}

QString description(QWidget *control)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(control);
    return iface ? iface->text(QAccessible::Description) : QStringLiteral("(no interface)");
}

} // namespace

Q_DECLARE_METATYPE(Changes)

class TestCompare : public QObject
{
    Q_OBJECT
  private slots:
    void targetWindowListsDifferences();
    void nothingDiffers();
    void copyAndEscape();
    void takeTargetValues();
    void uploadEditorValues();
    void targetReadFails_data();
    void targetReadFails();
    void profileChecksAsImport_data();
    void profileChecksAsImport();
    void takeProfileValues();
    void toggleWordsSayWhatTheRockerShows_data();
    void toggleWordsSayWhatTheRockerShows();
    void profileCompareWhileAProbeWaits();
    void marksFollowTheCurrentModes();
    void oneWindowAtATime();
    void buttonsWaitWhileAFrameIsOnTheLine();
};

void TestCompare::targetWindowListsDifferences()
{
    Rig rig;
    rig.setTarget(0, 0, 3, 2);    // MUSIC1 1KHz -8dB
    rig.setTarget(0, 2, 21, 1);   // MUSIC3 EFF In C
    rig.setTarget(2, 21, 181, 7); // EFF2 REV DLY
    rig.setTarget(5, 0, 2, 45);   // EFF VOL(SET) Max
    rig.setTarget(12, 0, 0, 2);   // INPUT AUX
    const ParameterStore before = rig.store;
    const std::size_t mark = rig.line->writes.size();
    rig.compare->compareWithTarget();

    // 211 reads, nothing written to the target, the editor as it was.
    const std::vector<Bytes> frames = rig.framesSince(mark);
    QCOMPARE(frames.size(), std::size_t{211});
    for (const Bytes &f : frames)
        QCOMPARE(int(f[1]), 0x01);
    QVERIFY(rig.store == before);
    QVERIFY(rig.services.messages.isEmpty());
    QVERIFY(rig.host.isEnabled());

    CompareWindow *window = rig.compare->window();
    QVERIFY(window && window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Compare with target"));
    // In key order; the longest key widens its column for every line.
    QCOMPARE(window->text(),
             QStringLiteral("Music0.3    MUSIC1 1KHz      editor 0dB     target -8dB\n"
                            "Music2.16   MUSIC3 EFF In C  editor on      target off\n"
                            "Eff1.7      EFF2 REV Dly     editor 20ms    target 7ms\n"
                            "INPUTSELECT INPUT            editor BGM     target AUX\n"
                            "VOL2.1      EFF VOL(SET) Max editor 80      target 45"));
    QCOMPARE(window->takeButton()->text(), QStringLiteral("Take target values"));
    QVERIFY(window->takeButton()->isEnabled());
    QVERIFY(window->uploadButton());
    QCOMPARE(window->uploadButton()->text(), QStringLiteral("Upload editor values"));
}

void TestCompare::nothingDiffers()
{
    Rig rig;
    rig.compare->compareWithTarget();
    CompareWindow *window = rig.compare->window();
    QVERIFY(window);
    QCOMPARE(window->text(), QStringLiteral("No differences."));
    QVERIFY(!window->takeButton()->isEnabled());
    QVERIFY(rig.marked().isEmpty());
    // A window of the main window's own: where the desktop places windows (Wayland), it keeps
    // this one with its owner.
    QWindow *owner = rig.host.window()->windowHandle();
    QVERIFY(owner);
    QCOMPARE(window->windowHandle()->transientParent(), owner);
}

void TestCompare::copyAndEscape()
{
    Rig rig;
    rig.setTarget(1, 0, 8, 3); // MIC1 H_Curve
    rig.setTarget(7, 0, 0, 1); // Mute
    rig.compare->compareWithTarget();
    CompareWindow *window = rig.compare->window();
    QVERIFY(window);
    QPlainTextEdit *text = window->textView();
    QVERIFY(text->isReadOnly());
    QApplication::clipboard()->clear();
    QTest::keyClick(text, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(text, Qt::Key_C, Qt::ControlModifier);
    const QMimeData *copied = QApplication::clipboard()->mimeData();
    QVERIFY(copied);
    QCOMPARE(copied->formats(), QStringList{QStringLiteral("text/plain")});
    QCOMPARE(copied->text(), window->text());
    QCOMPARE(copied->text().count(QLatin1Char('\n')), 1);
    QCOMPARE(rig.marked(), QStringList{QStringLiteral("1 7")});

    rig.escape();
    QVERIFY(rig.compare->window() == nullptr);
    QVERIFY(rig.marked().isEmpty());
}

void TestCompare::takeTargetValues()
{
    Rig rig;
    rig.setTarget(0, 0, 3, 2);
    rig.setTarget(1, 4, 0, 17);
    rig.setTarget(4, 0, 0, 12); // MUSIC VOL(SET) Min
    rig.setTarget(10, 0, 0, 1); // EXCITER
    rig.compare->compareWithTarget();
    QVERIFY(rig.compare->window());
    const ParameterStore before = rig.store;
    const std::size_t mark = rig.line->writes.size();
    rig.compare->window()->takeButton()->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // Nothing sent; the editor holds the target's values, on screen too.
    QVERIFY(rig.framesSince(mark).empty());
    QCOMPARE(int(rig.store.cellAt(TableId::Music, 0, 3).value), 2);
    QCOMPARE(rig.pages.musicSlider(3)->value(), 2);
    QCOMPARE(int(rig.store.cellAt(TableId::Mic, 4, 0).value), 17);
    QCOMPARE(rig.pages.spinValue(0), 12);
    QVERIFY(rig.pages.exciterOn());
    QVERIFY(rig.compare->window() == nullptr);
    QVERIFY(rig.marked().isEmpty());

    // One undo step brings the editor back, and sends nothing either.
    QCOMPARE(rig.pages.editor().undoText(), QStringLiteral("Undo Take target values"));
    QVERIFY(rig.pages.editor().undo());
    QVERIFY(rig.framesSince(mark).empty());
    QVERIFY(rig.store == before);
    QCOMPARE(rig.pages.musicSlider(3)->value(), 10);
    QVERIFY(!rig.pages.exciterOn());
    QVERIFY(rig.pages.editor().redo());
    QVERIFY(rig.framesSince(mark).empty());

    // Compared again: nothing differs.
    rig.compare->compareWithTarget();
    QCOMPARE(rig.compare->window()->text(), QStringLiteral("No differences."));
}

void TestCompare::uploadEditorValues()
{
    Rig rig;
    rig.setTarget(0, 0, 3, 2);
    rig.setTarget(7, 0, 0, 1);
    rig.store.cellAt(TableId::Eff, 1, 4).value = 33;
    rig.compare->compareWithTarget();
    QVERIFY(rig.compare->window());
    const ParameterStore before = rig.store;
    const std::size_t mark = rig.line->writes.size();
    rig.compare->window()->uploadButton()->click();

    QCOMPARE(rig.framesSince(mark).size(), std::size_t{212});
    QVERIFY(rig.store == before);
    QCOMPARE(rig.target.setting(0, 0, 3), std::optional<std::uint8_t>(10));
    QCOMPARE(rig.target.setting(2, 21, 130), std::optional<std::uint8_t>(33));
    QCOMPARE(rig.target.setting(7, 0, 0), std::optional<std::uint8_t>(0));
    QVERIFY(rig.compare->window() == nullptr);
}

void TestCompare::targetReadFails_data()
{
    QTest::addColumn<bool>("connected");
    QTest::addColumn<int>("silentAfter");  // frames answered, -1: all
    QTest::addColumn<int>("badStartMode"); // EFF start mode answered, -1: a good one
    QTest::addColumn<QString>("message");
    QTest::newRow("not connected")
        << false << -1 << -1 << QStringLiteral("Is not connected to the target.");
    QTest::newRow("the 100th frame unanswered")
        << true << 99 << -1
        << QStringLiteral("Target communication and connection timeout, disconnected.");
    QTest::newRow("a start mode the spin bar cannot hold")
        << true << -1 << 8 << QStringLiteral("An error occurred while reading data from target.");
}

void TestCompare::targetReadFails()
{
    QFETCH(bool, connected);
    QFETCH(int, silentAfter);
    QFETCH(int, badStartMode);
    QFETCH(QString, message);

    Rig rig(connected);
    rig.setTarget(0, 0, 3, 2);
    if (silentAfter >= 0)
        rig.target.options().silentAfter = rig.target.framesReceivedCount() + silentAfter;
    if (badStartMode >= 0)
        rig.setTarget(3, 0, 2, badStartMode);
    const ParameterStore before = rig.store;
    rig.compare->compareWithTarget();

    QCOMPARE(rig.services.messageTexts(), QStringList{message});
    QVERIFY(rig.compare->window() == nullptr);
    QVERIFY(rig.store == before);
    QVERIFY(rig.marked().isEmpty());
    QVERIFY(rig.host.isEnabled());
}

void TestCompare::profileChecksAsImport_data()
{
    QTest::addColumn<QString>("name"); // empty: the dialog is cancelled
    QTest::addColumn<Changes>("changes");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("title"); // empty: no window
    QTest::addColumn<QString>("text");

    QTest::newRow("a good profile")
        << "live.Lumaroch" << Changes{{"Mic2.4", "3"}, {"LOCK", "1"}, {"VOL1.2", "4"}} << QString()
        << "Compare with profile live.Lumaroch"
        << "Mic2.4     MIC3 2.5KHz       editor 0dB     profile -7dB\n"
           "LOCK       Lock              editor off     profile on\n"
           "VOL1.2     MIC VOL(SET) Mode editor MIC1    profile MIC5";
    QTest::newRow("another model")
        << "other.Lumaroch" << Changes{{"Type", "ORB-350tz"}}
        << "You import the files are not ORB-350TZ profile" << QString() << QString();
    QTest::newRow("Mic2.4 out of range") << "bad.Lumaroch" << Changes{{"Mic2.4", "300"}}
                                         << "The imported data errors." << QString() << QString();
    QTest::newRow("no such file") << "gone.Lumaroch" << Changes{{"none", ""}} << QString()
                                  << QString() << QString();
    QTest::newRow("dialog cancelled")
        << QString() << Changes{} << QString() << QString() << QString();
}

void TestCompare::profileChecksAsImport()
{
    QFETCH(QString, name);
    QFETCH(Changes, changes);
    QFETCH(QString, message);
    QFETCH(QString, title);
    QFETCH(QString, text);

    Rig rig(/*connect=*/false);
    QString path;
    if (!name.isEmpty())
        path = changes.contains("none") ? rig.dir.filePath(name) : rig.writeProfile(name, changes);
    const ParameterStore before = rig.store;
    rig.compareWithProfile(path);

    QCOMPARE(rig.services.dialogRequests.size(), 1);
    QCOMPARE(rig.services.dialogRequests.first().title, QStringLiteral("View profile"));
    QCOMPARE(rig.services.messageTexts(), message.isEmpty() ? QStringList{} : QStringList{message});
    QVERIFY(rig.store == before);
    CompareWindow *window = rig.compare->window();
    if (title.isEmpty()) {
        QVERIFY(window == nullptr);
        return;
    }
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), title);
    QCOMPARE(window->text(), text);
    QCOMPARE(window->takeButton()->text(), QStringLiteral("Take profile values"));
    QVERIFY(window->uploadButton() == nullptr);
}

void TestCompare::takeProfileValues()
{
    Rig rig;
    const QString path = rig.writeProfile(
        QStringLiteral("p.Lumaroch"),
        {{"Music0.3", "2"}, {"Ktv1.5", "99"}, {"VOL0.0", "50"}, {"VOL0.1", "70"}, {"MUTE", "1"}});
    rig.compareWithProfile(path);
    QVERIFY(rig.compare->window());
    const std::size_t mark = rig.line->writes.size();
    rig.compare->window()->takeButton()->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // As Import: the editor holds the profile, nothing is sent even while connected.
    QVERIFY(rig.framesSince(mark).empty());
    const std::optional<OpenedProfile> opened = [&] {
        rig.services.openDialogAnswers.push_back(path);
        return openProfile(rig.services);
    }();
    QVERIFY(opened);
    QVERIFY(profileFromStore(rig.store) == opened->data);
    QCOMPARE(rig.pages.musicSlider(3)->value(), 2);
    QVERIFY(rig.pages.muteOn());
    QCOMPARE(rig.pages.spinValue(0), 50);
    QCOMPARE(rig.pages.spinValue(1), 70);
    QVERIFY(rig.compare->window() == nullptr);
    QCOMPARE(rig.pages.editor().undoText(), QStringLiteral("Undo Take profile values"));
}

void TestCompare::toggleWordsSayWhatTheRockerShows_data()
{
    QTest::addColumn<int>("toggle"); // 2 EFF In C (inverted), 3 SUB Invert
    QTest::addColumn<bool>("onFace");
    QTest::newRow("EFF In C showing its on face") << 2 << true;
    QTest::newRow("EFF In C showing its off face") << 2 << false;
    QTest::newRow("SUB Invert showing its on face") << 3 << true;
    QTest::newRow("SUB Invert showing its off face") << 3 << false;
}

void TestCompare::toggleWordsSayWhatTheRockerShows()
{
    QFETCH(int, toggle);
    QFETCH(bool, onFace);
    Rig rig(false);
    const int slot = toggle == 2 ? 16 : 17;
    rig.click(rig.pages.viewOption(1)); // "Aid": the toggles are shown
    C_FlagBar *flag = rig.pages.flagBar(toggle);
    rig.click(flag, QPoint(onFace ? 50 : 5, 10)); // the right half is the on face
    QCOMPARE(flag->isOn(), onFace);
    const int stored = rig.store.cellAt(TableId::Music, 0, slot).value;
    const QByteArray key = "Music0." + QByteArray::number(slot);
    rig.compareWithProfile(
        rig.writeProfile("other.Lumaroch", {{key, QByteArray::number(1 - stored)}}));
    QVERIFY(rig.compare->window());

    // The editor's word is the face on screen and what a screen reader hears as checked.
    const QString shown = onFace ? QStringLiteral("on") : QStringLiteral("off");
    const QString other = onFace ? QStringLiteral("off") : QStringLiteral("on");
    const QString line = rig.compare->window()->text();
    QVERIFY2(line.contains(QRegularExpression(
                 QStringLiteral("^%1 +MUSIC1 %2 +editor %3 +profile %4$")
                     .arg(QString::fromLatin1(key),
                          QString::fromUtf8(slotSpec(TableId::Music, slot).title), shown, other))),
             qPrintable(line));
    QCOMPARE(bool(QAccessible::queryAccessibleInterface(flag)->state().checked), onFace);
    // Taking the profile's value turns the rocker to the other face, as the list said.
    QTest::mouseClick(rig.compare->window()->takeButton(), Qt::LeftButton);
    QCOMPARE(flag->isOn(), !onFace);
    QCOMPARE(bool(QAccessible::queryAccessibleInterface(flag)->state().checked), !onFace);
}

void TestCompare::profileCompareWhileAProbeWaits()
{
    // Not connected, and the scan is waiting for a port that opens and never answers: a
    // comparison with a profile goes ahead.
    Rig rig(false);
    rig.target.options().silentAfter = 0;
    const QString path = rig.writeProfile("p.Lumaroch", {{"Music0.3", "2"}});
    rig.link->start();
    bool probing = false;
    rig.services.scheduleAt(rig.services.now() + Millis(300), [&] {
        probing = rig.link->probing() && rig.link->isWaitingForReply();
        rig.compareWithProfile(path);
    });
    rig.services.advance(Millis(1000));
    QVERIFY(probing);
    QVERIFY(!rig.link->connected());
    QVERIFY(rig.compare->window());
    QCOMPARE(rig.compare->window()->text(),
             QStringLiteral("Music0.3   MUSIC1 1KHz      editor 0dB     profile -8dB"));
}

void TestCompare::marksFollowTheCurrentModes()
{
    Rig rig;
    rig.setTarget(0, 0, 3, 2);   // MUSIC1 1KHz: shown
    rig.setTarget(0, 0, 21, 1);  // MUSIC1 EFF In C: toggle 2, shown
    rig.setTarget(0, 0, 26, 50); // MUSIC1 SUB VOL: in the output view, shown there
    rig.setTarget(0, 1, 5, 4);   // MUSIC2 6.3KHz: another mode
    rig.setTarget(1, 0, 0, 9);   // MIC1 57Hz: shown
    rig.setTarget(2, 20, 98, 9); // EFF1 ECHO VOL: the KTV view is current
    rig.setTarget(10, 0, 0, 1);  // EXCITER: no mode's setting
    rig.compare->compareWithTarget();
    QVERIFY(rig.compare->window());
    QCOMPARE(rig.marked(), (QStringList{"0 3", "0 15", "1 0", "toggle 2"}));
    QVERIFY(drawsMark(rig.pages.musicSlider(3)));
    QVERIFY(drawsMark(rig.pages.flagBar(2)));
    QVERIFY(!drawsMark(rig.pages.musicSlider(4)));
    // A screen reader hears the mark with the description.
    QCOMPARE(description(rig.pages.musicSlider(3)),
             QStringLiteral("0dB, differs from the compared values"));
    QCOMPARE(description(rig.pages.musicSlider(4)), QStringLiteral("0dB"));
    QCOMPARE(description(rig.pages.flagBar(2)), QStringLiteral("differs from the compared values"));

    // A user change takes the mark off that control only.
    QTest::mouseMove(rig.pages.musicSlider(3), QPoint(50, rig.pages.musicSlider(3)->knobY()));
    QTest::keyClick(rig.pages.musicSlider(3), Qt::Key_Up);
    rig.services.advance(Millis(50));
    QCOMPARE(rig.marked(), (QStringList{"0 15", "1 0", "toggle 2"}));
    QVERIFY(!drawsMark(rig.pages.musicSlider(3)));
    // Undone, the slider holds the compared value again, and its mark is back; redone, gone.
    QVERIFY(rig.pages.editor().undo());
    rig.services.advance(Millis(50));
    QCOMPARE(rig.marked(), (QStringList{"0 3", "0 15", "1 0", "toggle 2"}));
    QVERIFY(rig.pages.editor().redo());
    rig.services.advance(Millis(50));
    QCOMPARE(rig.marked(), (QStringList{"0 15", "1 0", "toggle 2"}));

    // Other modes bring their own marks; back in MUSIC1 the changed slider stays unmarked.
    rig.pages.chooseMusicMode(1);
    QCOMPARE(rig.marked(), (QStringList{"0 5", "1 0"}));
    rig.pages.chooseEffMode(2);
    QCOMPARE(rig.marked(), (QStringList{"0 5", "1 0", "3 2"}));
    rig.pages.chooseMusicMode(0);
    QCOMPARE(rig.marked(), (QStringList{"0 15", "1 0", "3 2", "toggle 2"}));

    rig.escape();
    QVERIFY(rig.marked().isEmpty());
    QVERIFY(!drawsMark(rig.pages.flagBar(2)));
    QVERIFY(!drawsMark(rig.pages.micSlider(0)));
    QCOMPARE(description(rig.pages.flagBar(2)), QString());
}

void TestCompare::oneWindowAtATime()
{
    Rig rig;
    rig.setTarget(0, 0, 3, 2);
    rig.compare->compareWithTarget();
    QPointer<CompareWindow> first = rig.compare->window();
    QVERIFY(first);
    const QString path = rig.writeProfile(QStringLiteral("q.Lumaroch"), {{"Mic0.0", "4"}});
    rig.compareWithProfile(path);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(first.isNull());
    QVERIFY(rig.compare->window());
    QCOMPARE(rig.compare->window()->windowTitle(),
             QStringLiteral("Compare with profile q.Lumaroch"));
    // The marks are the new comparison's.
    QCOMPARE(rig.marked(), QStringList{"1 0"});
}

void TestCompare::buttonsWaitWhileAFrameIsOnTheLine()
{
    Rig rig;
    rig.setTarget(0, 0, 3, 2);
    rig.compare->compareWithTarget();
    QPointer<CompareWindow> window = rig.compare->window();
    QVERIFY(window);
    const std::size_t mark = rig.mark();
    // A slider's frame waits for its answer; meanwhile both buttons are pressed, and a new
    // comparison is asked for: none of it may run inside that wait.
    bool pressed = false;
    rig.services.scheduleAt(rig.services.now() + Millis(1), [&] {
        QVERIFY(rig.link->isWaitingForReply());
        window->takeButton()->click();
        window->uploadButton()->click();
        rig.compare->compareWithTarget();
        pressed = true;
    });
    rig.step(rig.pages.micSlider(2), 1);

    QVERIFY(pressed);
    QVERIFY(!window.isNull() && window == rig.compare->window());
    QCOMPARE(int(rig.store.cellAt(TableId::Music, 0, 3).value), 10);
    QCOMPARE(rig.framesSince(mark), (std::vector<Bytes>{frame(0x02, 1, 0, 2, 11)}));
}

QTEST_MAIN(TestCompare)
#include "tst_compare.moc"
