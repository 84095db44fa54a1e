#include "SoakDriver.h"

#include "SimControl.h"

#include "C_Button.h"
#include "C_ComboBox.h"
#include "C_FlagBar.h"
#include "C_Option.h"
#include "C_ScrollBar.h"
#include "MainPages.h"
#include "TargetLink.h"
#include "TonvaraApp.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <cstdio>
#include <type_traits>
#include <vector>

namespace tonvara {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kStepMin{120};
constexpr milliseconds kStepSpread{300};
constexpr milliseconds kFaultMin{3000};
constexpr milliseconds kFaultSpread{6000};
// The final Read waits at most this for the link to come back once every fault has ended.
constexpr milliseconds kFinalConnectBound{25000};
constexpr milliseconds kFinalCheck{200};
constexpr int kOtherModelByte = 0x6F;

qint64 residentKib()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// What a Read can never change when it does not complete, and an Upload never changes at all:
// every table value and the VOL(SET) numbers. (The switches and start levels may follow a
// reconnection that happens while a message box is open.)
bool sameTablesAndVolSets(const ParameterStore &a, const ParameterStore &b)
{
    for (TableId id : {TableId::Music, TableId::Mic, TableId::Ktv, TableId::Eff})
        for (int row = 0; row < shapeOf(id).rowCount; ++row)
            for (int slot = 0; slot < shapeOf(id).slotCount; ++slot)
                if (a.cellAt(id, row, slot).value != b.cellAt(id, row, slot).value)
                    return false;
    for (int k = 0; k < kVolSetCount; ++k) {
        const VolSet &x = a.volSet[std::size_t(k)];
        const VolSet &y = b.volSet[std::size_t(k)];
        if (x.minLevel != y.minLevel || x.maxLevel != y.maxLevel || x.startMode != y.startMode)
            return false;
    }
    return true;
}

} // namespace

template <typename F> auto SoakDriver::blocking(F &&call)
{
    QElapsedTimer timer;
    timer.start();
    if constexpr (std::is_void_v<decltype(call())>) {
        call();
        m_excusedMs += timer.elapsed();
    } else {
        auto result = call();
        m_excusedMs += timer.elapsed();
        return result;
    }
}

SoakDriver::SoakDriver(TonvaraApp &app, SoakServices &services, SimControl &sim,
                       QStringList linkPaths, milliseconds duration, unsigned seed)
    : m_app(app), m_services(services), m_sim(sim), m_linkPaths(std::move(linkPaths)),
      m_duration(duration), m_random(seed)
{
    m_stepTimer.setSingleShot(true);
    m_faultTimer.setSingleShot(true);
    m_heartbeatTimer.setInterval(kHeartbeat);
    m_modalTimer.setInterval(kModalCheck);
    connect(&m_stepTimer, &QTimer::timeout, this, &SoakDriver::step);
    connect(&m_faultTimer, &QTimer::timeout, this, &SoakDriver::injectFault);
    connect(&m_heartbeatTimer, &QTimer::timeout, this, &SoakDriver::heartbeat);
    connect(&m_modalTimer, &QTimer::timeout, this, &SoakDriver::answerMessageBox);
}

SoakResult SoakDriver::run()
{
    m_clock.start();
    m_lastBeat = 0;
    m_heartbeatTimer.start();
    m_modalTimer.start();
    m_stepTimer.start(kStepMin);
    scheduleFault(kFaultMin);
    QApplication::exec();
    m_result.crashes = m_sim.crashes();
    return m_result;
}

// --- steps ------------------------------------------------------------------------------------

bool SoakDriver::idleConnected() const
{
    return m_app.link().connected() && !m_app.link().isWaitingForReply();
}

void SoakDriver::step()
{
    if (m_finishing)
        return;
    if (m_clock.elapsed() >= m_duration.count()) {
        finish();
        return;
    }
    // A user can only act on an enabled window with no message box in front of it.
    const bool canAct = !QApplication::activeModalWidget() && !m_app.link().isWaitingForReply() &&
                        m_app.pages().host()->isEnabled();
    if (canAct) {
        const int roll = pick(100);
        if (roll < 35)
            moveSlider();
        else if (roll < 45)
            clickKey();
        else if (roll < 57)
            switchMode();
        else if (roll < 65)
            clickSwitch();
        else if (roll < 77)
            readAll();
        else if (roll < 89)
            uploadAll();
        else if (roll < 94)
            saveProfile();
        else
            importProfile();
    }
    if (!m_finishing)
        m_stepTimer.start(kStepMin + milliseconds(pick(int(kStepSpread.count()))));
}

void SoakDriver::moveSlider()
{
    MainPages &pages = m_app.pages();
    std::vector<C_ScrollBar *> sliders;
    for (TableId id : {TableId::Music, TableId::Mic, TableId::Ktv, TableId::Eff})
        for (int slot = 0; slot < shapeOf(id).slotCount; ++slot)
            if (C_ScrollBar *s = pages.tableSlider(id, slot); s && s->isVisible() && s->isEnabled())
                sliders.push_back(s);
    if (sliders.empty())
        return;
    C_ScrollBar *slider = sliders[std::size_t(pick(int(sliders.size())))];
    ++m_result.operations;
    // Pointing at the knob makes the slider take the arrow keys.
    QTest::mouseMove(slider, QPoint(50, slider->knobY()));
    const Qt::Key key = pick(2) ? Qt::Key_Up : Qt::Key_Down;
    for (int n = 1 + pick(4); n > 0 && slider->isEnabled() && !m_finishing; --n)
        QTest::keyClick(slider, key);
}

void SoakDriver::clickKey()
{
    ++m_result.operations;
    QTest::mouseClick(m_app.pages().keyButton(pick(11)), Qt::LeftButton, {}, QPoint(5, 5));
}

void SoakDriver::switchMode()
{
    C_ComboBox *list = m_app.pages().modeList(1 + pick(3));
    if (!list || !list->isVisible() || list->itemCount() == 0)
        return;
    ++m_result.operations;
    QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(10, 8));
    QWidget *popup = list->listWindow();
    if (!popup || !popup->isVisible())
        return;
    const int row = pick(list->itemCount());
    const QPoint at(10, row * list->rowPitch() + list->rowPitch() / 2);
    QTest::mouseMove(popup, at);
    QTest::mousePress(popup, Qt::LeftButton, {}, at);
    QTest::mouseRelease(popup, Qt::LeftButton, {}, at);
}

void SoakDriver::clickSwitch()
{
    MainPages &pages = m_app.pages();
    ++m_result.operations;
    switch (pick(4)) {
    case 0:
        QTest::mouseClick(pages.switchButton(pick(2)), Qt::LeftButton, {}, QPoint(5, 5));
        break;
    case 1:
        QTest::mouseClick(pages.inputButton(pick(3)), Qt::LeftButton, {}, QPoint(5, 5));
        break;
    default: {
        C_FlagBar *exciter = pages.flagBar(1);
        const int x = pick(2) ? exciter->width() - 4 : 4;
        QTest::mouseClick(exciter, Qt::LeftButton, {}, QPoint(x, exciter->height() / 2));
        break;
    }
    }
}

void SoakDriver::readAll()
{
    // A stray byte before an answer is taken as the answer: the protocol has no way to tell.
    if (m_garbageOn)
        return;
    const bool connectedBefore = m_app.link().connected();
    const ParameterStore before = m_app.store();
    const qsizetype messagesBefore = m_messages.size();
    if (connectedBefore && m_faultsActive == 0 && pick(3) == 0)
        scheduleFault(milliseconds(300 + pick(1500)), /*midTransfer=*/true);
    ++m_result.operations;
    m_inTransfer = true;
    QTest::mouseClick(m_app.pages().commandButton(0), Qt::LeftButton, {}, QPoint(5, 5));
    m_inTransfer = false;
    const bool complete = connectedBefore && m_messages.size() == messagesBefore &&
                          m_app.link().connected() && m_app.link().framesSent() == 211;
    if (complete) {
        ++m_result.readsCompleted;
        if (compareWithSimulator(QStringLiteral("Read")) > 0)
            ++m_result.mismatches;
        return;
    }
    if (connectedBefore)
        ++m_result.readsInterrupted;
    if (!sameTablesAndVolSets(before, m_app.store())) {
        ++m_result.mismatches;
        problem(QStringLiteral("an interrupted Read changed the store"));
    }
}

void SoakDriver::uploadAll()
{
    if (m_garbageOn)
        return;
    const bool connectedBefore = m_app.link().connected();
    const ParameterStore before = m_app.store();
    const qsizetype messagesBefore = m_messages.size();
    if (connectedBefore && m_faultsActive == 0 && pick(3) == 0)
        scheduleFault(milliseconds(300 + pick(1500)), /*midTransfer=*/true);
    ++m_result.operations;
    m_inTransfer = true;
    QTest::mouseClick(m_app.pages().commandButton(1), Qt::LeftButton, {}, QPoint(5, 5));
    m_inTransfer = false;
    if (!sameTablesAndVolSets(before, m_app.store())) {
        ++m_result.mismatches;
        problem(QStringLiteral("an Upload changed the store"));
    }
    const bool complete = connectedBefore && m_messages.size() == messagesBefore &&
                          m_app.link().connected() && m_app.link().framesSent() == 212;
    if (!complete) {
        m_result.uploadsInterrupted += connectedBefore ? 1 : 0;
        if (qEnvironmentVariableIsSet("TONVARA_SOAK_VERBOSE"))
            std::fprintf(stderr, "upload: connected %d/%d frames %d messages %s\n", connectedBefore,
                         m_app.link().connected(), m_app.link().framesSent(),
                         qPrintable(m_messages.mid(messagesBefore).join(QLatin1Char('|'))));
        return;
    }
    ++m_result.uploadsCompleted;
    if (compareWithSimulator(QStringLiteral("Upload")) > 0)
        ++m_result.mismatches;
}

void SoakDriver::saveProfile()
{
    const QString path = m_dir.filePath(QStringLiteral("soak-%1.Lumaroch").arg(++m_saves));
    const ProfileData profile = m_app.pages().currentProfile();
    const qsizetype messagesBefore = m_messages.size();
    m_services.nextPath = path;
    ++m_result.operations;
    QTest::mouseClick(m_app.pages().commandButton(3), Qt::LeftButton, {}, QPoint(5, 5));
    if (!QFile::exists(path) || m_messages.size() != messagesBefore) {
        problem(QStringLiteral("Save did not write %1").arg(path));
        return;
    }
    m_savedProfile = profile;
    m_savedPath = path;
}

void SoakDriver::importProfile()
{
    if (!m_savedProfile)
        return;
    const bool broken = pick(2) == 0;
    QString path = m_savedPath;
    if (broken) {
        // A value out of range in the middle of the file: nothing of it may be applied.
        QFile saved(m_savedPath);
        if (!saved.open(QIODevice::ReadOnly))
            return;
        QByteArray text = saved.readAll();
        const qsizetype at = text.indexOf("Mic2.4=");
        const qsizetype end = text.indexOf('\r', at);
        if (at < 0 || end < 0)
            return;
        text.replace(at, end - at, "Mic2.4=300");
        path = m_dir.filePath(QStringLiteral("broken.Lumaroch"));
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(text) != text.size())
            return;
    }
    const ParameterStore before = m_app.store();
    const qsizetype messagesBefore = m_messages.size();
    m_services.nextPath = path;
    ++m_result.operations;
    QTest::mouseClick(m_app.pages().commandButton(2), Qt::LeftButton, {}, QPoint(5, 5));
    if (broken) {
        ++m_result.importsRefused;
        if (!m_messages.mid(messagesBefore).contains(QStringLiteral("The imported data errors.")))
            problem(QStringLiteral("a broken profile was not refused"));
        if (!sameTablesAndVolSets(before, m_app.store())) {
            ++m_result.mismatches;
            problem(QStringLiteral("a refused Import changed the store"));
        }
        return;
    }
    ++m_result.importsApplied;
    if (!(m_app.pages().currentProfile() == *m_savedProfile)) {
        ++m_result.mismatches;
        problem(QStringLiteral("Import did not give back what was saved"));
    }
}

// --- faults -----------------------------------------------------------------------------------

void SoakDriver::scheduleFault(milliseconds delay, bool midTransfer)
{
    if (m_finishing)
        return;
    m_nextFaultMidTransfer = midTransfer;
    m_faultTimer.start(delay);
}

void SoakDriver::recoverLater(milliseconds delay, std::function<void()> recovery)
{
    ++m_faultsActive;
    QTimer::singleShot(delay, this, [this, recovery = std::move(recovery)] {
        if (m_finishing)
            return;
        recovery();
        --m_faultsActive;
    });
}

void SoakDriver::restartSimulator(const QStringList &options)
{
    m_linkIndex = (m_linkIndex + 1) % int(m_linkPaths.size());
    const bool started = blocking([&] { return m_sim.start(m_linkPaths[m_linkIndex], options); });
    m_lineClosed = false;
    if (!started)
        problem(QStringLiteral("the simulator did not start again: ") + m_sim.lastError());
}

void SoakDriver::injectFault()
{
    if (m_finishing)
        return;
    const auto command = [this](const QString &line) { blocking([&] { m_sim.command(line); }); };
    // One disruptive fault at a time, so that each has its own recovery; mild ones any time.
    const bool disruptive = m_faultsActive == 0 && !m_lineClosed;
    // One armed by a transfer breaks the line under it: silence, or the line closing.
    int kind = m_nextFaultMidTransfer && m_inTransfer ? pick(3) : pick(8);
    m_nextFaultMidTransfer = false;
    if (!disruptive && kind < 4)
        kind = 4 + pick(4);
    ++m_result.faults;
    switch (kind) {
    case 0: // silent, for longer than a reply time-out
        command(QStringLiteral("silent"));
        recoverLater(milliseconds(2000 + pick(5000)), [=] { command(QStringLiteral("talk")); });
        break;
    case 1: // the line closes like an unplugged adapter; a new simulator on another path
        command(QStringLiteral("close"));
        m_lineClosed = true;
        recoverLater(milliseconds(500 + pick(2500)), [this] { restartSimulator({}); });
        break;
    case 2: // after the loss another model answers, until the right one comes back
        command(QStringLiteral("close"));
        m_lineClosed = true;
        recoverLater(milliseconds(500 + pick(1000)), [this, command] {
            restartSimulator({QStringLiteral("--model-byte"), QString::number(kOtherModelByte)});
            recoverLater(milliseconds(2500 + pick(3000)),
                         [command] { command(QStringLiteral("model 110")); });
        });
        break;
    case 3: // keep-alive echoes stop: the watchdog ends the link
        command(QStringLiteral("syncecho off"));
        recoverLater(milliseconds(6000 + pick(5000)),
                     [=] { command(QStringLiteral("syncecho on")); });
        break;
    case 4: // stray bytes before answers, only between transfers
        if (m_inTransfer || m_garbageOn) {
            command(QStringLiteral("keyreset"));
            break;
        }
        command(QStringLiteral("garbage %1").arg(2 + pick(4)));
        m_garbageOn = true;
        QTimer::singleShot(milliseconds(2000 + pick(2000)), this, [this, command] {
            command(QStringLiteral("garbage 0"));
            m_garbageOn = false;
        });
        break;
    case 5: // late answers, well inside the reply time-out
        command(QStringLiteral("delay %1").arg(20 + pick(60)));
        QTimer::singleShot(milliseconds(3000 + pick(3000)), this,
                           [command] { command(QStringLiteral("delay 0")); });
        break;
    default: // the target's key returns to natural on its own
        command(QStringLiteral("keyreset"));
        break;
    }
    scheduleFault(kFaultMin + milliseconds(pick(int(kFaultSpread.count()))));
}

// --- checks -----------------------------------------------------------------------------------

void SoakDriver::problem(const QString &text)
{
    const QString line = QStringLiteral("soak: at %1 s: %2")
                             .arg(double(m_clock.elapsed()) / 1000.0, 0, 'f', 1)
                             .arg(text);
    m_result.problems.append(line);
    std::fprintf(stderr, "%s\n", qPrintable(line));
}

void SoakDriver::heartbeat()
{
    const qint64 now = m_clock.elapsed();
    const qint64 paused = m_services.pausedMs - m_pausedAtBeat;
    const qint64 gap = now - m_lastBeat - paused - m_excusedMs;
    if (gap > kResponseBound.count()) {
        ++m_result.stalls;
        problem(QStringLiteral("the event loop did not run for %1 ms").arg(gap));
    }
    m_result.longestStallMs = std::max(m_result.longestStallMs, gap);
    m_lastBeat = now;
    m_pausedAtBeat = m_services.pausedMs;
    m_excusedMs = 0;

    const bool connected = m_app.link().connected();
    if (connected && !m_wasConnected) {
        if (m_everConnected)
            ++m_result.reconnects;
        m_everConnected = true;
    }
    m_wasConnected = connected;
    if (connected || m_faultsActive > 0 || m_lineClosed) {
        m_readySince = -1;
        m_reconnectReported = false;
    } else if (m_readySince < 0) {
        m_readySince = now;
    } else if (now - m_readySince > kReconnectBound.count() && !m_reconnectReported) {
        m_reconnectReported = true;
        ++m_result.reconnectFailures;
        problem(QStringLiteral("not connected %1 ms after the last fault ended")
                    .arg(now - m_readySince));
    }

    const qint64 baselineAt = std::min<qint64>(60000, m_duration.count() / 3);
    if (!m_baselineTaken && now >= baselineAt) {
        m_baselineTaken = true;
        m_result.rssBaselineKib = residentKib();
    }
}

void SoakDriver::answerMessageBox()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box) {
        m_box = nullptr;
        return;
    }
    const qint64 now = m_clock.elapsed();
    if (box != m_box) {
        // A person reads it first.
        m_box = box;
        m_boxSeenAt = now;
        m_boxDelayMs = 100 + pick(500);
        m_messages.append(box->text());
        ++m_result.messageBoxes;
        return;
    }
    if (now - m_boxSeenAt < m_boxDelayMs)
        return;
    m_box = nullptr;
    if (QAbstractButton *ok = box->button(QMessageBox::Ok))
        ok->click();
    else
        box->reject();
}

int SoakDriver::compareWithSimulator(const QString &after)
{
    const ParameterStore &store = m_app.store();
    const MainPages &pages = m_app.pages();
    struct Expected
    {
        int group, mode, address, value;
    };
    std::vector<Expected> expected;
    for (TableId id : {TableId::Music, TableId::Mic, TableId::Ktv, TableId::Eff})
        for (int row = 0; row < shapeOf(id).rowCount; ++row)
            for (int slot = 0; slot < shapeOf(id).slotCount; ++slot) {
                const ParamCell &cell = store.cellAt(id, row, slot);
                expected.push_back({shapeOf(id).group, ParameterStore::modeNumberOfRow(id, row),
                                    cell.address, cell.value});
            }
    for (int k = 0; k < kVolSetCount; ++k) {
        expected.push_back({Group::MinLevel, 0, k, pages.spinValue(3 * k)});
        expected.push_back({Group::MaxLevel, 0, k, pages.spinValue(3 * k + 1)});
        expected.push_back({Group::StartMode, 0, k, pages.spinValue(3 * k + 2)});
    }
    expected.push_back({Group::Mute, 0, 0, pages.muteOn() ? 1 : 0});
    expected.push_back({Group::Lock, 0, 0, pages.lockOn() ? 1 : 0});
    expected.push_back({Group::Exciter, 0, 0, pages.exciterOn() ? 1 : 0});
    expected.push_back({Group::InputSelect, 0, 0, pages.selectedInput()});

    QStringList gets;
    for (const Expected &e : expected)
        gets.append(QStringLiteral("get %1 %2 %3").arg(e.group).arg(e.mode).arg(e.address));
    const QStringList answers = blocking([&] { return m_sim.commands(gets); });
    int differences = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const Expected &e = expected[i];
        const std::optional<int> simValue = SimControl::valueOf(answers.value(qsizetype(i)));
        if (simValue == e.value)
            continue;
        ++differences;
        problem(QStringLiteral("after %1: group %2 mode %3 address %4: editor %5, simulator %6")
                    .arg(after)
                    .arg(e.group)
                    .arg(e.mode)
                    .arg(e.address)
                    .arg(e.value)
                    .arg(simValue ? QString::number(*simValue) : QStringLiteral("no answer")));
    }
    return differences;
}

void SoakDriver::finish()
{
    m_finishing = true;
    m_stepTimer.stop();
    m_faultTimer.stop();
    // Every fault ends; the editor must come back and complete one more Read.
    if (!m_sim.isRunning() || m_lineClosed) {
        restartSimulator({});
    } else {
        blocking([this] {
            m_sim.commands({QStringLiteral("talk"), QStringLiteral("garbage 0"),
                            QStringLiteral("delay 0"), QStringLiteral("syncecho on"),
                            QStringLiteral("model 110")});
        });
    }
    m_garbageOn = false;
    m_faultsActive = 0;
    const qint64 deadline = m_clock.elapsed() + kFinalConnectBound.count();
    auto *check = new QTimer(this);
    connect(check, &QTimer::timeout, this, [this, check, deadline] {
        if (m_clock.elapsed() > deadline) {
            check->stop();
            problem(QStringLiteral("not connected at the end"));
            m_result.endedConnected = false;
            m_result.rssEndKib = residentKib();
            QApplication::exit(0);
            return;
        }
        if (!idleConnected() || QApplication::activeModalWidget() ||
            !m_app.pages().host()->isEnabled())
            return;
        check->stop();
        const int mismatchesBefore = m_result.mismatches;
        const qsizetype messagesBefore = m_messages.size();
        readAll();
        if (m_messages.size() != messagesBefore || m_app.link().framesSent() != 211)
            problem(QStringLiteral("the final Read did not complete"));
        m_result.endedConnected =
            m_app.link().connected() && mismatchesBefore == m_result.mismatches;
        m_result.rssEndKib = residentKib();
        QApplication::exit(0);
    });
    check->start(kFinalCheck);
}

} // namespace tonvara
