// The link to the target: transmit path with its reply wait, receive poll, connection manager
// (scan, model check, synchronisation, keep-alive, watchdog, link loss) and the traffic log.
// Owned by the main window for its whole life; user-interface thread only. Sends wait by
// processing window events, so handlers may start further sends during a wait: those are
// queued and put on the line in the order they were issued, each once the previous exchange
// has ended, and each still ends by its own answer or its own time-out.
#pragma once

#include "CommandFrame.h"
#include "LinkView.h"
#include "RS232Port.h"
#include "SerialLine.h"
#include "TrafficLog.h"
#include "WindowServices.h"

#include <QObject>

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace tonvara {

class ParameterStore;

// The line of text the answer to Identify is part of, when it is printable text rather than a
// model byte: a serial device server's notice ("Port already in use") or a console's prompt.
// bytes: what came since the port opened, the answer at answerAt (count: there was none, and
// the first line is taken). The line may have begun before the answer; a line end as the
// answer starts the line after it. Cut after kAnswerTextShown characters. Empty when the line
// is no text.
QString answerTextLine(const std::uint8_t *bytes, int count, int answerAt);

class TargetLink : public QObject
{
    Q_OBJECT
  public:
    static constexpr Millis kFirstScanDelay{100};
    static constexpr Millis kScanInterval{2000};
    static constexpr Millis kPollInterval{15};
    static constexpr Millis kKeepAliveInterval{5000};
    static constexpr Millis kWatchdogInterval{4000};
    static constexpr Millis kTimeOuterDesign{1000};
    static constexpr Millis kProbeTimeout{700};
    static constexpr Millis kReplyTimeout{4000};
    static constexpr Millis kMuteOffPause{1500};
    static constexpr Millis kWrongModelPause{1000};
    // How long the command line waits for the rest of a line of text that began as the answer
    // to Identify; a device server sends its notice in one piece, at once.
    static constexpr Millis kAnswerLineWait{100};
    static constexpr int kAnswerTextMinimum = 3; // fewer printable bytes are no text
    static constexpr int kAnswerTextShown = 100;
    static constexpr int kRxBufferSize = 501;
    static constexpr int kReplyBufferSize = 5001;
    static constexpr int kReplyWrapAt = 5000;
    static constexpr int kReplyRestartAt = 1000;
    static constexpr int kBaudRate = 9600;
    static constexpr int kByteSize = 8;

    static constexpr const char *kNotConnected = "Not connected";
    static constexpr const char *kConnectedCaption = "Successful connection";
    static constexpr const char *kTypeMismatch = "Type Mismatch";
    static constexpr const char *kLinkLostMessage =
        "Target communication and connection timeout, disconnected.";

    TargetLink(WindowServices &services, ParameterStore &store, LinkView &view,
               std::unique_ptr<SerialLine> line, QObject *parent = nullptr);
    ~TargetLink() override;

    // Last step of the window load: the first scan follows 100 ms later.
    void start();
    bool connected() const { return m_connected; }
    bool probing() const { return m_probing; }

    // Sends one frame and waits for its answer; true when it came. Only while connected or
    // probing. A send issued during another's wait waits for its turn (see above).
    bool sendFrame(bool collectReply, std::uint8_t expectedLength, int command, int group,
                   std::uint8_t mode, std::uint8_t address, std::uint8_t value, bool pauseWhenZero);
    bool isWaitingForReply() const { return m_active != nullptr || !m_queue.empty(); }
    // Ends every wait now as failed, without a message (the window is closing).
    void abandonWait();
    // Window unload.
    void closePort();

    // Bulk operations: progress counting on the bar, and the collected reply.
    void beginProgress(int framesTotal);
    void endProgress() { m_progressActive = false; }
    bool progressActive() const { return m_progressActive; }
    int framesSent() const { return m_framesSent; }
    int framesTotal() const { return m_framesTotal; }
    void setFramesTotal(int total) { m_framesTotal = total; }
    const std::array<std::uint8_t, kReplyBufferSize> &replyBuffer() const { return m_replyBuffer; }
    int replyCount() const { return m_replyCount; }

    // Traffic log (its window lives in ui/).
    TrafficLog &trafficLog() { return m_log; }
    void initTrafficLog() { m_log.loadHint(); }

    RS232Port &port() { return m_port; }
    ServiceTimer &commConnectTimer() { return *m_commConnect; }
    ServiceTimer &timeOuter() { return *m_timeOuter; }
    ServiceTimer &watchdogTimer() { return *m_timer4; }
    ServiceTimer &keepAliveTimer() { return *m_timer3; }
    ServiceTimer &pollTimer() { return *m_timer2; }

    // What Identify found on one device.
    struct ProbeResult
    {
        enum class Kind
        {
            Target,        // answered with ModelByte: connected
            OtherModel,    // answered with modelByte
            Text,          // answered with a line of text (a device server's notice), in text
            Silent,        // opened, but no answer within the probe time-out
            NotConfigured, // opened, but the line settings were refused
            NotOpened      // see open
        };
        Kind kind = Kind::NotOpened;
        std::uint8_t modelByte = 0;
        OpenOutcome open;
        QString text;
    };
    // Opens the device and sends Identify alone, on the probe time-out. A target is then
    // connected and the port stays open, without the window's synchronisation: nothing else
    // goes out, so the target keeps its current modes. Anything else closes the port again.
    // For the command line, which names its port instead of scanning. While already connected
    // it does nothing and reports NotOpened with no cause.
    ProbeResult connectIdentifyOnly(const QString &device);

    // Exposed for the tests of the receive and connection paths.
    void receivePoll();
    bool scanPorts();
    void syncAfterConnect();

  private:
    // One frame and its answer. Lives on the stack of the sendFrame that issued it.
    struct Exchange
    {
        CommandFrame frame;
        bool collectReply = false;
        int expectedLength = 0;
        bool pauseWhenZero = false;
        unsigned generation = 0;
        bool done = false;
        bool ok = false;
        std::vector<std::uint8_t> reply;
    };

    void onCommConnect();
    void onTimer2();
    void onTimer3();
    void onTimer4();
    void onTimeOuter();
    void onLineLost();

    // Identify on the open port; the answer byte when one came. Leaves probing set.
    std::optional<std::uint8_t> identify();
    // What the device sent since the port opened: anything configuring the line dropped (see
    // SerialLine), then the answer to Identify and whatever followed it (the reply collection
    // goes on after the answer until the next frame).
    std::vector<std::uint8_t> bytesSinceOpen() const;
    // The line of text among those bytes that the answer is part of (answered), or the first
    // (not answered); empty when it is no text.
    QString answerText(bool answered) const;
    // The answer is the target's model byte, not a byte of a device server's notice.
    bool isModelByteAnswer(std::uint8_t answer) const;
    // Lets the rest of a line that began as the answer arrive, for kAnswerLineWait at most.
    void awaitRestOfAnswerLine();
    void becomeConnected();
    void startNextExchange();
    void putOnLine(Exchange &exchange);
    void finishActive(bool ok);
    void failAllExchanges();
    void writeFrame();
    void sendSync();
    void classify(std::uint8_t byte);
    void loseLinkAfterTimeout();
    // Ends the connection and tells the user once (no scan until the box is answered).
    void reportLoss(bool closeBeforeMessage);
    void showDisconnected();

    WindowServices &m_services;
    ParameterStore &m_store;
    LinkView &m_view;
    RS232Port m_port;
    TrafficLog m_log;

    std::unique_ptr<ServiceTimer> m_commConnect;
    std::unique_ptr<ServiceTimer> m_timer2;
    std::unique_ptr<ServiceTimer> m_timer3;
    std::unique_ptr<ServiceTimer> m_timer4;
    std::unique_ptr<ServiceTimer> m_timeOuter;

    bool m_connected = false;
    bool m_probing = false;
    bool m_losingLink = false;
    bool m_closing = false; // the window is closing: no further sends or scans
    bool m_inReceive = false;

    // Transmit and reply state of the frame on the line.
    std::array<std::uint8_t, kFrameSize> m_txFrame{};
    bool m_collectReply = false;
    int m_replyExpected = 0;
    int m_replyCount = 0;
    bool m_awaitingReply = false;
    bool m_replyOk = false;
    std::array<std::uint8_t, kRxBufferSize> m_rxBuffer{};
    std::array<std::uint8_t, kReplyBufferSize> m_replyBuffer{};

    Exchange *m_active = nullptr;
    std::deque<Exchange *> m_queue;
    unsigned m_generation = 0; // bumped by link loss and abandonWait: queued sends then fail

    bool m_progressActive = false;
    int m_framesSent = 0;
    int m_framesTotal = 0;
};

} // namespace tonvara
