#include "RoomWorker.h"

#include "BulkTransfer.h"
#include "CliLinkView.h"
#include "FactoryValues.h"
#include "HeadlessWindowServices.h"
#include "LiveFrames.h"
#include "PortJobs.h"
#include "QSerialLine.h"
#include "RS232Port.h"
#include "SettingRef.h"
#include "TargetLink.h"

#include <QTimer>

namespace tonvara::cli {

// The command line's view of the link, telling the room when the target put the KEY back to
// natural by itself.
class RoomLinkView : public CliLinkView
{
  public:
    RoomLinkView(ParameterStore &store, std::function<void()> naturalKey)
        : CliLinkView(store, nullptr), m_naturalKey(std::move(naturalKey))
    {
    }
    void showNaturalKey() override { m_naturalKey(); }

  private:
    std::function<void()> m_naturalKey;
};

QString roomStateText(RoomState state)
{
    switch (state) {
    case RoomState::Connected:
        return QStringLiteral("connected");
    case RoomState::Released:
        return QStringLiteral("released");
    case RoomState::NotConnected:
        break;
    }
    return QStringLiteral("not connected");
}

namespace {

using Kind = TargetLink::ProbeResult::Kind;

} // namespace

RoomWorker::RoomWorker(const QString &device, QObject *parent) : QObject(parent), m_device(device)
{
}

RoomWorker::~RoomWorker()
{
    closeLink();
}

void RoomWorker::start()
{
    m_services = std::make_unique<HeadlessWindowServices>();
    // The link's messages are the window's; here they only tell that the line was lost.
    m_services->setMessageSink([this](const QString &text, MessageIcon) {
        if (text == QLatin1String(TargetLink::kLinkLostMessage))
            QTimer::singleShot(0, this, &RoomWorker::onLinkLost);
    });
    m_store = std::make_unique<ParameterStore>(factoryStore());
    m_reconnect = new QTimer(this);
    m_reconnect->setSingleShot(true);
    m_reconnect->setInterval(kReconnectInterval);
    connect(m_reconnect, &QTimer::timeout, this, &RoomWorker::tryConnect);
    if (m_device.isEmpty()) {
        publish();
        return;
    }
    tryConnect();
}

void RoomWorker::openLink()
{
    m_view = std::make_unique<RoomLinkView>(*m_store, [this] { onNaturalKey(); });
    m_link = std::make_unique<TargetLink>(*m_services, *m_store, *m_view,
                                          std::make_unique<QSerialLine>());
    m_link->port().setDiagnosticSink({});
    // The line's own notification classifies every byte as it comes (and the reply and
    // watchdog time-outs read the line before they decide), so a room needs no 15 ms poll:
    // with two dozen rooms its wake-ups alone would cost more than the whole idle server.
    m_link->pollTimer().setEnabled(false);
    m_bulk = std::make_unique<BulkTransfer>(*m_services, *m_link, *m_store, *m_view);
}

void RoomWorker::closeLink()
{
    m_bulk.reset();
    if (m_link)
        m_link->closePort();
    m_link.reset();
    m_view.reset();
}

void RoomWorker::tryConnect()
{
    if (m_stopped || m_released || m_connected)
        return;
    if (m_busy) {
        m_reconnect->start();
        return;
    }
    m_busy = true;
    // A link that was lost starts afresh: nothing of its last exchange is left waiting.
    closeLink();
    openLink();
    const TargetLink::ProbeResult probe = m_link->connectIdentifyOnly(m_device);
    if (probe.kind != Kind::NotOpened)
        ++m_frames;
    if (probe.kind != Kind::Target) {
        m_error = whyNotConnected(m_device, probe);
    } else {
        // Every setting first, so that the synchronisation pushes the target's own values. The
        // modes cannot be read: after a loss the room keeps its own, as the editor does, and
        // the synchronisation makes the target follow them again.
        ParameterStore fresh = factoryStore();
        if (m_known) {
            fresh.musicMode = m_store->musicMode;
            fresh.micMode = m_store->micMode;
            fresh.effMode = m_store->effMode;
        }
        *m_store = fresh;
        m_link->setFramesTotal(BulkTransfer::kReadFrames);
        const BulkTransfer::Result read = m_bulk->readAllFromTarget();
        m_frames += quint64(m_link->framesSent());
        if (read == BulkTransfer::Result::Done) {
            m_link->syncAfterConnect();
            m_frames += quint64(m_link->framesSent());
        }
        if (read == BulkTransfer::Result::Done && m_link->connected()) {
            // The KEY row starts at natural, as the editor's does.
            m_store->keyIndex = kNaturalKey;
            m_connected = true;
            m_known = true;
            m_error.clear();
        } else {
            m_error = read == BulkTransfer::Result::ReadError
                          ? QStringLiteral("the target gave an answer a setting cannot hold")
                          : QStringLiteral("the target stopped answering while it was read");
        }
    }
    if (!m_connected)
        closeLink();
    m_busy = false;
    publish();
    if (!m_connected && !m_released && !m_stopped)
        m_reconnect->start();
    serveQueue();
}

void RoomWorker::onLinkLost()
{
    if (!m_connected || (m_link && m_link->connected()))
        return;
    m_connected = false;
    ++m_linkLosses;
    if (m_error.isEmpty())
        m_error = QStringLiteral("the target stopped answering");
    publish();
    m_reconnect->start();
}

void RoomWorker::onNaturalKey()
{
    // The target put its KEY back to natural: every open page should show it.
    if (m_connected)
        emit changeAcknowledged(QStringLiteral("KEY"), kNaturalKey);
}

void RoomWorker::submit(quint64 request, const QList<LiveChange> &changes)
{
    m_queue.push_back({request, Changes{changes}});
    serveQueue();
}

void RoomWorker::release(quint64 request)
{
    m_queue.push_back({request, Release{}});
    serveQueue();
}

void RoomWorker::take(quint64 request)
{
    m_queue.push_back({request, Take{}});
    serveQueue();
}

void RoomWorker::stop()
{
    m_stopped = true;
    if (m_reconnect)
        m_reconnect->stop();
    if (m_link)
        m_link->abandonWait();
    if (!m_busy)
        closeLink();
}

void RoomWorker::serveQueue()
{
    // Requests that arrive during a wait of another wait for it: one at a time, in order.
    if (m_busy)
        return;
    m_busy = true;
    while (!m_queue.empty() && !m_stopped) {
        const Request request = std::move(m_queue.front());
        m_queue.pop_front();
        const ChangeOutcome outcome = serve(request);
        emit requestDone(request.id, outcome, snapshot());
    }
    m_busy = false;
}

ChangeOutcome RoomWorker::serve(const Request &request)
{
    if (const auto *changes = std::get_if<Changes>(&request.work))
        return sendChanges(changes->changes);
    if (std::holds_alternative<Release>(request.work)) {
        m_released = true;
        m_connected = false;
        m_reconnect->stop();
        closeLink();
        m_error.clear();
        publish();
        return {};
    }
    // Take: the line opens again once this request has been answered.
    if (m_released) {
        m_released = false;
        m_error.clear();
        publish();
        QTimer::singleShot(0, this, &RoomWorker::tryConnect);
    }
    return {};
}

ChangeOutcome RoomWorker::sendChanges(const QList<LiveChange> &changes)
{
    if (!m_connected || !m_link)
        return {ChangeOutcome::Kind::NotConnected,
                m_released ? QStringLiteral("the room is released")
                           : QStringLiteral("the room is not connected")};
    for (const LiveChange &change : changes) {
        ParameterStore next = *m_store;
        LiveChange taken = change;
        std::vector<LiveFrame> frames;
        switch (change.kind) {
        case LiveKind::Mute:
            frames = {muteFrame(change.value != 0)};
            break;
        case LiveKind::Key:
            frames = {keyFrame(change.value)};
            break;
        case LiveKind::Input:
            frames = {inputFrame(change.value)};
            break;
        case LiveKind::Exciter:
            frames = {exciterFrame(change.value != 0)};
            break;
        case LiveKind::StartLevel:
            taken.value = startLevelWithinMaximum(
                change.value, next.volSet[static_cast<std::size_t>(change.group)].maxLevel);
            frames = {startLevelFrame(change.group, taken.value)};
            break;
        case LiveKind::Mode:
            applyChange(next, change);
            frames = modeFrames(next, change.group, modeOfListItem(change.group, change.value));
            break;
        case LiveKind::Cell:
            applyChange(next, change);
            frames = {cellFrame(next, change.cell.table, change.cell.row, change.cell.slot)};
            break;
        }
        applyChange(next, taken);
        for (const LiveFrame &frame : frames) {
            ++m_frames;
            if (!sendLiveFrame(*m_link, frame)) {
                m_error = QStringLiteral("no answer to the frame for %1; the room lost its line")
                              .arg(change.key);
                onLinkLost();
                if (m_connected) {
                    // The link keeps its connection when the frame failed another way.
                    m_connected = false;
                    ++m_linkLosses;
                    publish();
                    m_reconnect->start();
                }
                return {ChangeOutcome::Kind::Failed, m_error};
            }
        }
        if (change.kind == LiveKind::Key && m_link->replyBuffer()[0] != AckByte) {
            // The target refused that key: the row returns to natural, as in the editor.
            taken.value = kNaturalKey;
            next.keyIndex = kNaturalKey;
        }
        *m_store = next;
        emit changeAcknowledged(taken.key, taken.value);
    }
    publish();
    return {};
}

RoomSnapshot RoomWorker::snapshot() const
{
    RoomSnapshot s;
    s.state = m_released    ? RoomState::Released
              : m_connected ? RoomState::Connected
                            : RoomState::NotConnected;
    s.error = m_error;
    if (m_known && m_store)
        s.settings = settingsJson(*m_store);
    s.linkLosses = m_linkLosses;
    s.frames = m_frames;
    return s;
}

void RoomWorker::publish()
{
    emit snapshotChanged(snapshot());
}

} // namespace tonvara::cli
