#include "TargetLink.h"

#include "LiveFrames.h"
#include "ParameterStore.h"

#include "TcpLine.h"

#include <algorithm>

namespace tonvara {

namespace {

// A dead device server must not hold a scan longer than a silent device does.
static_assert(TcpLine::kConnectTimeout < TargetLink::kProbeTimeout);

constexpr std::uint8_t u8(int value)
{
    return static_cast<std::uint8_t>(value);
}

bool isLineEnd(std::uint8_t byte)
{
    return byte == '\r' || byte == '\n';
}

} // namespace

QString answerTextLine(const std::uint8_t *bytes, int count, int answerAt)
{
    int begin = 0;
    if (answerAt < count && !isLineEnd(bytes[answerAt])) {
        // The line the answer is part of, which may have begun before it.
        begin = answerAt;
        while (begin > 0 && !isLineEnd(bytes[begin - 1]))
            --begin;
    } else {
        // No answer: the first line; a line end as the answer: the first line after it.
        begin = answerAt < count ? answerAt : 0;
        while (begin < count && isLineEnd(bytes[begin]))
            ++begin;
    }
    int end = begin;
    while (end < count && !isLineEnd(bytes[end]))
        ++end;
    for (int i = begin; i < end; ++i) {
        if (bytes[i] < 0x20 || bytes[i] > 0x7E)
            return {};
    }
    const QString line =
        QString::fromLatin1(reinterpret_cast<const char *>(bytes) + begin, end - begin)
            .simplified();
    if (line.size() < TargetLink::kAnswerTextMinimum)
        return {};
    if (line.size() > TargetLink::kAnswerTextShown)
        return line.left(TargetLink::kAnswerTextShown) + QStringLiteral("...");
    return line;
}

TargetLink::TargetLink(WindowServices &services, ParameterStore &store, LinkView &view,
                       std::unique_ptr<SerialLine> line, QObject *parent)
    : QObject(parent), m_services(services), m_store(store), m_view(view),
      m_port(std::move(line), std::make_unique<TcpLine>(services))
{
    m_commConnect = services.createTimer(kFirstScanDelay, this);
    m_timer2 = services.createTimer(kPollInterval, this);
    m_timer3 = services.createTimer(kKeepAliveInterval, this);
    m_timer4 = services.createTimer(kWatchdogInterval, this);
    m_timeOuter = services.createTimer(kTimeOuterDesign, this);

    connect(m_commConnect.get(), &ServiceTimer::tick, this, &TargetLink::onCommConnect);
    connect(m_timer2.get(), &ServiceTimer::tick, this, &TargetLink::onTimer2);
    connect(m_timer3.get(), &ServiceTimer::tick, this, &TargetLink::onTimer3);
    connect(m_timer4.get(), &ServiceTimer::tick, this, &TargetLink::onTimer4);
    connect(m_timeOuter.get(), &ServiceTimer::tick, this, &TargetLink::onTimeOuter);
    // Bytes are classified as soon as the line has them, so bulk transfers are paced by the
    // target; the poll still picks up whatever a notification missed.
    connect(&m_port, &RS232Port::readyRead, this, &TargetLink::receivePoll);
    connect(&m_port, &RS232Port::lineLost, this, &TargetLink::onLineLost);

    // The poll and the keep-alive run from window load for the life of the window.
    m_timer2->setEnabled(true);
    m_timer3->setEnabled(true);
}

TargetLink::~TargetLink() = default;

void TargetLink::start()
{
    m_commConnect->setInterval(kFirstScanDelay);
    m_commConnect->setEnabled(true);
}

// --- transmit path ------------------------------------------------------------------------

bool TargetLink::sendFrame(bool collectReply, std::uint8_t expectedLength, int command, int group,
                           std::uint8_t mode, std::uint8_t address, std::uint8_t value,
                           bool pauseWhenZero)
{
    if (m_closing)
        return false;
    Exchange exchange;
    exchange.frame = CommandFrame{FrameLead, u8(command), u8(group), mode, address, value};
    exchange.collectReply = collectReply;
    exchange.expectedLength = expectedLength;
    exchange.pauseWhenZero = pauseWhenZero;
    exchange.generation = m_generation;
    m_queue.push_back(&exchange);
    startNextExchange();
    // Whoever waits on top starts the next queued exchange, so frames go out in the order they
    // were issued even though the waits are nested.
    while (!exchange.done) {
        m_services.waitForEvents();
        startNextExchange();
    }
    if (exchange.ok && collectReply)
        std::copy(exchange.reply.begin(), exchange.reply.end(), m_replyBuffer.begin());
    return exchange.ok;
}

void TargetLink::startNextExchange()
{
    while (!m_active && !m_queue.empty()) {
        Exchange *next = m_queue.front();
        m_queue.pop_front();
        if (next->generation != m_generation) {
            // The link was lost (or the window is closing) since it was issued.
            next->done = true;
            next->ok = false;
            continue;
        }
        putOnLine(*next);
    }
}

void TargetLink::putOnLine(Exchange &exchange)
{
    m_active = &exchange;
    m_collectReply = exchange.collectReply;
    m_replyCount = 0;
    m_replyExpected = exchange.expectedLength;
    m_txFrame = exchange.frame.bytes();
    writeFrame();
    m_log.appendSent(m_txFrame.data(), m_txFrame.size());
    m_awaitingReply = true;
    m_replyOk = false;

    const Millis timeout = m_probing ? kProbeTimeout : kReplyTimeout;
    if (m_timeOuter->interval() != timeout) {
        m_timeOuter->setEnabled(false);
        m_timeOuter->setInterval(timeout);
    }
    if (exchange.frame.value == 0 && exchange.pauseWhenZero) {
        // Armed already, so that a send issued by the events below can never wait forever.
        m_timeOuter->setEnabled(true);
        m_services.processPendingEvents();
        // A frame that failed during those events (the link was lost) has nothing to wait for.
        if (!(exchange.done && !exchange.ok))
            m_services.pause(kMuteOffPause);
    }
    // The reply wait starts now, unless the answer came during the events above.
    if (m_active == &exchange)
        m_timeOuter->setEnabled(true);
}

void TargetLink::writeFrame()
{
    m_port.write(m_txFrame.data(), static_cast<int>(m_txFrame.size()));
    if (!m_progressActive)
        return;
    ++m_framesSent;
    if (m_framesSent % 5 == 0 || m_framesSent >= m_framesTotal) {
        int percent = m_framesTotal > 0 ? m_framesSent * 100 / m_framesTotal : 100;
        if (percent >= 100)
            percent = 100;
        m_view.setProgressValue(percent);
    }
}

void TargetLink::sendSync()
{
    const std::uint8_t sync = SyncByte;
    m_log.appendSent(&sync, 1);
    m_port.write(&sync, 1);
}

void TargetLink::finishActive(bool ok)
{
    Exchange *exchange = m_active;
    if (!exchange)
        return;
    m_active = nullptr;
    exchange->ok = ok;
    exchange->done = true;
    if (ok && exchange->collectReply) {
        const int n = std::clamp(m_replyCount, 0, kReplyBufferSize);
        exchange->reply.assign(m_replyBuffer.begin(), m_replyBuffer.begin() + n);
    }
}

void TargetLink::failAllExchanges()
{
    m_timeOuter->setEnabled(false);
    m_awaitingReply = false;
    m_replyOk = false;
    finishActive(false);
    // Their sendFrame calls return false as soon as their waits get control again.
    for (Exchange *queued : m_queue) {
        queued->done = true;
        queued->ok = false;
    }
    m_queue.clear();
}

void TargetLink::beginProgress(int framesTotal)
{
    m_framesTotal = framesTotal;
    m_framesSent = 0;
    m_progressActive = true;
}

void TargetLink::onTimeOuter()
{
    // An answer already in the driver is an answer, not silence: the poll may not have run yet.
    receivePoll();
    if (!m_timeOuter->isEnabled() || !m_active) {
        m_timeOuter->setEnabled(false);
        return;
    }
    m_awaitingReply = false;
    m_replyOk = false;
    m_timeOuter->setEnabled(false);
    if (!m_active)
        return;
    finishActive(false);
    if (!m_probing)
        loseLinkAfterTimeout();
}

void TargetLink::loseLinkAfterTimeout()
{
    if (!m_connected || m_losingLink)
        return;
    reportLoss(/*closeBeforeMessage=*/false);
}

void TargetLink::reportLoss(bool closeBeforeMessage)
{
    m_losingLink = true;
    // One report per loss: the watchdog must not report it again.
    m_timer4->setEnabled(false);
    ++m_generation;
    failAllExchanges();
    showDisconnected();
    if (closeBeforeMessage) {
        m_connected = false;
        m_port.closePort();
    }
    m_services.messageBox(QString::fromLatin1(kLinkLostMessage), MessageIcon::Warning,
                          MessageButtons::Ok);
    m_connected = false;
    m_port.closePort();
    m_losingLink = false;
}

void TargetLink::abandonWait()
{
    m_closing = true;
    ++m_generation;
    m_commConnect->setEnabled(false);
    failAllExchanges();
}

void TargetLink::closePort()
{
    m_port.closePort();
}

// --- receive path -------------------------------------------------------------------------

void TargetLink::onTimer2()
{
    m_timer2->setEnabled(false);
    receivePoll();
    m_timer2->setEnabled(true);
}

void TargetLink::receivePoll()
{
    if (m_inReceive)
        return;
    m_inReceive = true;
    m_port.updateBytesWaiting();
    const int n = m_port.read(m_rxBuffer.data(), m_port.bytesWaiting());
    for (int i = 0; i < n; ++i)
        classify(m_rxBuffer[static_cast<std::size_t>(i)]);
    m_inReceive = false;
}

void TargetLink::classify(std::uint8_t byte)
{
    m_log.appendReceived(byte);
    if (byte == KeyResetByte) {
        m_store.keyIndex = kNaturalKey;
        m_view.showNaturalKey();
    } else if (byte == SyncByte) {
        m_timer4->setEnabled(false);
    } else if (m_collectReply) {
        if (m_replyCount >= kReplyWrapAt)
            m_replyCount = kReplyRestartAt;
        m_replyBuffer[static_cast<std::size_t>(m_replyCount)] = byte;
        ++m_replyCount;
        if (m_replyCount >= m_replyExpected) {
            m_awaitingReply = false;
            m_replyOk = true;
            m_timeOuter->setEnabled(false);
            finishActive(true);
        }
    } else if (byte == AckByte) {
        m_awaitingReply = false;
        m_replyOk = true;
        m_timeOuter->setEnabled(false);
        finishActive(true);
    }
}

// --- connection manager -------------------------------------------------------------------

void TargetLink::onCommConnect()
{
    m_commConnect->setEnabled(false);
    m_commConnect->setInterval(kScanInterval);
    // No scan while a loss is on screen: the box runs events, and a connection made inside it
    // could be lost again unreported. The next tick after the box is answered scans again.
    if (!m_connected && !m_losingLink)
        scanPorts();
    if (!m_closing)
        m_commConnect->setEnabled(true);
}

bool TargetLink::scanPorts()
{
    m_port.rebuildPortTable();
    for (int number = 1; number <= RS232Port::kMaxPortNumber && !m_closing; ++number) {
        if (m_port.openPort(QString::number(number)) &&
            m_port.configurePort(kBaudRate, kByteSize)) {
            const std::optional<std::uint8_t> answer = identify();
            if (answer) {
                if (isModelByteAnswer(*answer)) {
                    becomeConnected();
                    syncAfterConnect();
                    m_timer3->setEnabled(true);
                    return true;
                }
                m_view.setStatusCaption(QString::fromLatin1(kTypeMismatch));
                m_services.processPendingEvents();
                // The window shows "Type Mismatch" all the same; the one-line report says what
                // a device server said instead.
                if (const QString text = answerText(/*answered=*/true); !text.isEmpty())
                    m_port.reportAnswerText(number, text);
                m_services.pause(kWrongModelPause);
            } else if (!m_port.isOpen()) {
                // Silent, as far as the window goes; a server that closed the connection may
                // have said why before Identify went out.
                if (const QString text = answerText(/*answered=*/false); !text.isEmpty())
                    m_port.reportAnswerText(number, text);
            }
        }
        m_port.closePort();
        m_probing = false;
    }
    m_view.setStatusCaption(QString::fromLatin1(kNotConnected));
    if (m_port.portTable().isEmpty())
        m_view.setStatusHint(QStringLiteral("No serial port found."));
    else
        m_view.setStatusHint(m_port.scanFailureTexts().join(QLatin1Char('\n')));
    return false;
}

std::optional<std::uint8_t> TargetLink::identify()
{
    m_probing = true;
    if (!sendFrame(/*collectReply=*/true, 1, Command::Identify, Group::Music, 0, 0, ModelByte,
                   /*pauseWhenZero=*/false))
        return std::nullopt;
    return m_replyBuffer[0];
}

std::vector<std::uint8_t> TargetLink::bytesSinceOpen() const
{
    const QByteArray dropped = m_port.droppedByConfigure();
    std::vector<std::uint8_t> bytes(dropped.begin(), dropped.end());
    const int count = std::clamp(m_replyCount, 0, kReplyBufferSize);
    bytes.insert(bytes.end(), m_replyBuffer.begin(), m_replyBuffer.begin() + count);
    return bytes;
}

QString TargetLink::answerText(bool answered) const
{
    const std::vector<std::uint8_t> bytes = bytesSinceOpen();
    const int count = static_cast<int>(bytes.size());
    const int answerAt = answered ? static_cast<int>(m_port.droppedByConfigure().size()) : count;
    return answerTextLine(bytes.data(), count, answerAt);
}

bool TargetLink::isModelByteAnswer(std::uint8_t answer) const
{
    // A device server's notice may hold the byte too ("...not found"): a target answers with
    // that one byte, not as part of a line of text.
    return answer == ModelByte && answerText(/*answered=*/true).isEmpty();
}

void TargetLink::awaitRestOfAnswerLine()
{
    // From the answer on, past leading line ends, a line end closes the line; a byte that is no
    // text ends it too.
    const auto lineComplete = [this] {
        const std::vector<std::uint8_t> bytes = bytesSinceOpen();
        bool started = false;
        for (auto at = bytes.begin() + m_port.droppedByConfigure().size(); at != bytes.end();
             ++at) {
            const std::uint8_t byte = *at;
            const bool end = isLineEnd(byte);
            if ((started && end) || (!end && (byte < 0x20 || byte > 0x7E)))
                return true;
            started = started || !end;
        }
        return false;
    };
    bool expired = false;
    const std::unique_ptr<ServiceTimer> timer = m_services.createTimer(kAnswerLineWait, this);
    connect(timer.get(), &ServiceTimer::tick, this, [&expired] { expired = true; });
    timer->setEnabled(true);
    while (!expired && m_port.isOpen() && !lineComplete())
        m_services.waitForEvents();
    timer->setEnabled(false);
}

void TargetLink::becomeConnected()
{
    m_connected = true;
    m_view.setStatusCaption(QString::fromLatin1(kConnectedCaption));
    // A slow adapter stays worth knowing while connected.
    m_view.setStatusHint(m_port.openNoteText());
    m_probing = false;
}

TargetLink::ProbeResult TargetLink::connectIdentifyOnly(const QString &device)
{
    ProbeResult result;
    if (m_connected || m_closing)
        return result;
    result.open = m_port.openDevice(device);
    if (!result.open.ok())
        return result;
    if (!m_port.configurePort(kBaudRate, kByteSize)) {
        result.kind = ProbeResult::Kind::NotConfigured;
    } else if (const std::optional<std::uint8_t> answer = identify()) {
        result.modelByte = *answer;
        if (isModelByteAnswer(*answer)) {
            result.kind = ProbeResult::Kind::Target;
            becomeConnected();
            m_timer3->setEnabled(true);
            return result;
        }
        awaitRestOfAnswerLine();
        result.text = answerText(/*answered=*/true);
        result.kind =
            result.text.isEmpty() ? ProbeResult::Kind::OtherModel : ProbeResult::Kind::Text;
    } else {
        // A device server that greets with a notice and closes may have done so before
        // Identify went out: its words are then all there is.
        if (!m_port.isOpen())
            result.text = answerText(/*answered=*/false);
        result.kind = result.text.isEmpty() ? ProbeResult::Kind::Silent : ProbeResult::Kind::Text;
    }
    m_port.closePort();
    m_probing = false;
    return result;
}

void TargetLink::syncAfterConnect()
{
    m_view.setMainWindowEnabled(false);
    beginProgress(m_store.effMode >= 20 ? 44 : 42);

    // The current mode of each list, as choosing it sends it; a mode out of range sends
    // nothing and ends the synchronisation.
    const auto liveMode = [this](int list, int modeNumber) {
        const std::vector<LiveFrame> frames = modeFrames(m_store, list, modeNumber);
        return !frames.empty() && sendLiveFrames(*this, frames);
    };
    const auto read = [this](int group, int address) {
        return sendFrame(/*collectReply=*/true, 1, Command::Read, group, 0, u8(address), 0, false);
    };

    [&] {
        if (!liveMode(0, m_store.musicMode) || !liveMode(1, m_store.micMode) ||
            !liveMode(2, m_store.effMode))
            return;
        for (int k = 0; k < kVolSetCount; ++k) {
            if (!read(Group::StartLevel, k))
                return;
            m_view.setStartLevel(k, m_replyBuffer[0]);
            const int max = m_view.maxEntryNumber(k);
            if (max < m_view.startLevel(k))
                m_view.setStartLevel(k, std::max(max, 0));
            m_store.volSet[static_cast<std::size_t>(k)].startLevel =
                u8(std::clamp(m_view.startLevel(k), 0, 255));
        }
        if (!read(Group::Mute, 0))
            return;
        m_store.mute = m_replyBuffer[0] != 0;
        m_view.setMute(m_store.mute);
        if (!read(Group::Lock, 0))
            return;
        m_store.lock = m_replyBuffer[0] != 0;
        m_view.setLock(m_store.lock);
        if (!read(Group::Exciter, 0))
            return;
        m_store.exciter = m_replyBuffer[0] != 0;
        m_view.setExciter(m_store.exciter);
        if (!read(Group::InputSelect, 0))
            return;
        m_view.clearInputs();
        const int input = m_replyBuffer[0];
        if (input > 2) {
            // No such option: none stays selected.
            m_store.inputSelect = kNoInput;
            return;
        }
        m_store.inputSelect = u8(input);
        m_view.selectInput(input);
    }();

    m_view.setMainWindowEnabled(true);
    m_progressActive = false;
}

void TargetLink::onTimer3()
{
    if (!m_connected || m_losingLink)
        return;
    sendSync();
    m_timer4->setEnabled(true);
}

void TargetLink::onTimer4()
{
    // The echo may be in the driver already, unread by the poll: read it before deciding.
    receivePoll();
    if (!m_timer4->isEnabled())
        return;
    m_timer4->setEnabled(false);
    // Armed by a keep-alive before the link was already dropped another way.
    if (!m_connected || m_losingLink)
        return;
    reportLoss(/*closeBeforeMessage=*/true);
}

void TargetLink::onLineLost()
{
    m_port.closePort();
    if (m_losingLink)
        return;
    if (!m_connected) {
        // A probe's device vanished: that probe fails quietly.
        if (m_active) {
            m_timeOuter->setEnabled(false);
            finishActive(false);
        }
        return;
    }
    reportLoss(/*closeBeforeMessage=*/true);
}

void TargetLink::showDisconnected()
{
    m_view.setStatusCaption(QString::fromLatin1(kNotConnected));
}

} // namespace tonvara
