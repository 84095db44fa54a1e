// Fuzz target: the link's receive classification and reply state machine under arbitrary
// answers. A TargetLink on virtual time talks over an in-memory line whose peer answers every
// write with bytes chosen by the fuzzer (or closes the line); the fuzzer also chooses the frames
// sent, sends issued from inside another send's wait, unsolicited bytes and pauses.
// Invariants: no buffer overrun (the sanitizers), every send ends by its answer or its time-out
// and never early, frames reach the line once each and in the order they were issued, a
// collected reply is the data bytes that answered it, and one link loss gives one message.
#include "FuzzCheck.h"

#include "CommandFrame.h"
#include "FactoryValues.h"
#include "InMemoryLine.h"
#include "LinkView.h"
#include "ParameterStore.h"
#include "TargetCore.h"
#include "TargetLink.h"
#include "VirtualWindowServices.h"

#include <QCoreApplication>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

using namespace tonvara;

namespace {

const QString kDevice = QStringLiteral("/dev/ttyFuzz0");
constexpr int kMaxSends = 48;
// The longest one exchange may take: its time-out, a mute-off pause and the line time.
constexpr Millis kExchangeBound =
    TargetLink::kReplyTimeout + TargetLink::kMuteOffPause + Millis{100};
// Every answer of this line arrives within a few byte times; the poll adds at most one interval.
constexpr Millis kAnswerBound = Millis{12} + TargetLink::kPollInterval;

// The fuzzer's bytes read as a sequence of choices; past the end every choice is 0.
class Choices
{
  public:
    Choices(const std::uint8_t *data, std::size_t size) : m_data(data), m_size(size) {}
    bool exhausted() const { return m_pos >= m_size; }
    std::uint8_t byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    std::vector<std::uint8_t> bytes(std::size_t n)
    {
        std::vector<std::uint8_t> out;
        while (n-- > 0 && !exhausted())
            out.push_back(byte());
        return out;
    }

  private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

class QuietView : public LinkView
{
  public:
    void setStatusCaption(const QString &) override {}
    void setStatusHint(const QString &) override {}
    void setMainWindowEnabled(bool enabled) override { windowEnabled = enabled; }
    void setProgressValue(int percent) override { FUZZ_CHECK(percent >= 0 && percent <= 100); }
    void showNaturalKey() override {}
    void setStartLevel(int k, int level) override { start[std::size_t(k)] = std::min(level, 80); }
    int startLevel(int k) const override { return start[std::size_t(k)]; }
    int maxEntryNumber(int) const override { return 80; }
    void setMute(bool) override {}
    void setLock(bool) override {}
    void setExciter(bool) override {}
    void clearInputs() override {}
    void selectInput(int index) override { FUZZ_CHECK(index >= 0 && index <= 2); }
    void showCurrentModes() override {}
    bool muteOn() const override { return false; }
    bool lockOn() const override { return false; }
    bool exciterOn() const override { return false; }
    int selectedInput() const override { return 0; }
    int spinValue(int) const override { return 0; }
    void applyVolSetGroup(int, int, int, int) override {}

    bool windowEnabled = true;
    std::array<int, 3> start{};
};

struct Send
{
    CommandFrame frame;
    bool collect = false;
    std::uint8_t expected = 0;
    bool pauseWhenZero = false;
    bool returned = false;
    bool ok = false;
};

class Run
{
  public:
    explicit Run(Choices &choices) : m_choices(choices)
    {
        m_store = factoryStore();
        m_store.keyIndex = 2;
        auto line = std::make_unique<InMemoryLine>(m_services);
        m_line = line.get();
        m_line->table = {kDevice};
        m_line->attachTarget(kDevice, m_target);
        m_link = std::make_unique<TargetLink>(m_services, m_store, m_view, std::move(line));
        m_link->port().setDiagnosticSink({});
        QObject::connect(m_line, &SerialLine::readyRead, [this] { ++m_delivered; });
        QObject::connect(m_line, &SerialLine::lineLost, [this] { ++m_delivered; });
        m_services.messageAnswers.clear();
    }

    void go()
    {
        setUp(m_choices.byte() % 3);
        m_writesBefore = m_line->writes.size();
        m_messagesBefore = m_services.messages.size();
        m_connectedAfterSetUp = m_link->connected();

        while (!m_choices.exhausted()) {
            switch (m_choices.byte() % 5) {
            case 0:
            case 1:
                topLevelSend();
                break;
            case 2:
                scheduleNestedSend();
                break;
            case 3:
                injectBytes();
                break;
            default:
                m_services.advance(Millis{20 * m_choices.byte()});
                break;
            }
            checkLossReports();
        }
        // Whatever is still scheduled or queued must end as well.
        m_services.runUntil([this] { return m_pendingNested == 0 && allReturned(); },
                            kExchangeBound * (kMaxSends + 1));
        FUZZ_CHECK(m_pendingNested == 0);
        FUZZ_CHECK(allReturned());
        FUZZ_CHECK(!m_link->isWaitingForReply());
        checkLossReports();
        checkLineOrder();
        FUZZ_CHECK(m_link->replyCount() >= 0 && m_link->replyCount() <= TargetLink::kReplyWrapAt);
        // The line changes the key only back to natural.
        FUZZ_CHECK(m_store.keyIndex == 2 || m_store.keyIndex == kNaturalKey);
    }

  private:
    void setUp(int how)
    {
        if (how == 1) {
            // Connected through the simulated target, then the fuzzer's peer takes over.
            m_link->start();
            m_services.runUntil([this] { return m_link->connected(); }, Millis{5000});
            FUZZ_CHECK(m_link->connected());
        } else if (how == 2) {
            // The fuzzer's peer also answers the scan and the synchronisation.
            usePeer();
            m_link->start();
            m_services.advance(Millis{50 * m_choices.byte()});
        }
        usePeer();
        m_link->commConnectTimer().setEnabled(false);
        // Whatever the set-up left on its way arrives before the counting starts.
        m_services.advance(Millis{50});
        FUZZ_CHECK(m_view.windowEnabled);
        FUZZ_CHECK(!m_link->progressActive());
        if (!m_link->port().isOpen()) {
            m_link->port().rebuildPortTable();
            FUZZ_CHECK(m_link->port().openPort(QStringLiteral("1")));
            FUZZ_CHECK(m_link->port().configurePort(TargetLink::kBaudRate, TargetLink::kByteSize));
        }
        m_scheduled = 0;
        m_delivered = 0;
    }

    void usePeer()
    {
        m_line->devices[kDevice].peer = [this](const std::uint8_t *, std::size_t size) {
            const std::uint8_t control = m_choices.byte();
            InMemoryLine::Answer answer;
            answer.closeLine = (control & 0xF8) == 0xF8;
            answer.bytes = m_choices.bytes(control & 0x07);
            if (size == kFrameSize)
                m_lastFrameAnswer = answer;
            if (!answer.bytes.empty() || answer.closeLine)
                ++m_scheduled;
            if (m_trace) {
                std::fprintf(stderr, "%6lld ms: wrote %zu bytes, answer",
                             static_cast<long long>(m_services.now().count()), size);
                for (std::uint8_t b : answer.bytes)
                    std::fprintf(stderr, " %02X", b);
                std::fprintf(stderr, "%s\n", answer.closeLine ? " then close" : "");
            }
            return answer;
        };
    }

    Send chooseSend()
    {
        static constexpr std::uint8_t kCommands[] = {Command::UploadWrite, Command::Read,
                                                     Command::LiveWrite, Command::Identify,
                                                     Command::UploadEnd};
        Send s;
        const std::uint8_t c = m_choices.byte();
        s.frame.command = c < 250 ? kCommands[c % 5] : c;
        s.frame.group = m_choices.byte() % 16;
        s.frame.mode = m_choices.byte();
        s.frame.address = m_choices.byte();
        s.frame.value = m_choices.byte() % 4 == 0 ? 0 : m_choices.byte();
        const std::uint8_t flags = m_choices.byte();
        s.collect = flags & 1;
        s.expected = (flags >> 1) & 3;
        s.pauseWhenZero = flags & 8;
        return s;
    }

    // Sends and records; the index of the send in issue order.
    std::size_t send(const Send &s)
    {
        const std::size_t index = m_sends.size();
        m_sends.push_back(s);
        const Millis issued = m_services.now();
        // A send that never ends is caught when its bound has long passed.
        m_services.scheduleAt(issued + kExchangeBound * (kMaxSends + 1),
                              [this, index] { FUZZ_CHECK(m_sends[index].returned); });
        if (m_trace)
            std::fprintf(stderr, "%6lld ms: send %zu: %02X %02X %02X %02X %02X collect %d/%d%s\n",
                         static_cast<long long>(issued.count()), index, s.frame.command,
                         s.frame.group, s.frame.mode, s.frame.address, s.frame.value, s.collect,
                         s.expected, s.pauseWhenZero ? " pause" : "");
        const bool ok =
            m_link->sendFrame(s.collect, s.expected, s.frame.command, s.frame.group, s.frame.mode,
                              s.frame.address, s.frame.value, s.pauseWhenZero);
        m_sends[index].returned = true;
        m_sends[index].ok = ok;
        if (m_trace)
            std::fprintf(stderr, "%6lld ms: send %zu %s\n",
                         static_cast<long long>(m_services.now().count()), index,
                         ok ? "answered" : "failed");
        return index;
    }

    void topLevelSend()
    {
        const Send s = chooseSend();
        if (m_sends.size() >= kMaxSends)
            return;
        // Without keep-alives, stray bytes, answers still on the way (a send acknowledged by an
        // earlier frame's answer leaves its own answer to the next one) or other sends around
        // it, the outcome of a send follows from the answer to its own frame alone.
        const bool clean = !m_link->connected() && m_pendingNested == 0 &&
                           m_scheduled == m_delivered && m_line->bytesAvailable() == 0 &&
                           m_link->port().isOpen();
        m_lastFrameAnswer.reset();
        const bool wasConnected = m_link->connected();
        const Millis start = m_services.now();
        const std::size_t index = send(s);
        const Millis elapsed = m_services.now() - start;
        const bool ok = m_sends[index].ok;

        if (wasConnected && !ok)
            FUZZ_CHECK(!m_link->connected()); // a failed send while connected ends the link
        if (!clean || !m_lastFrameAnswer)
            return;
        const InMemoryLine::Answer &answer = *m_lastFrameAnswer;
        std::vector<std::uint8_t> data;
        for (std::uint8_t b : answer.bytes)
            if (b != KeyResetByte && b != SyncByte)
                data.push_back(b);
        const std::size_t needed = std::max<std::size_t>(s.expected, 1);
        bool expectOk = s.collect
                            ? data.size() >= needed
                            : std::count(answer.bytes.begin(), answer.bytes.end(), AckByte) > 0;
        if (answer.closeLine)
            expectOk = false; // the line went away with the answer in it
        if (ok != expectOk) {
            std::fprintf(
                stderr, "frame %02X %02X %02X %02X %02X collect %d expected %d: %s after %lld ms\n",
                s.frame.command, s.frame.group, s.frame.mode, s.frame.address, s.frame.value,
                s.collect, s.expected, ok ? "answered" : "failed",
                static_cast<long long>(elapsed.count()));
            for (std::uint8_t b : answer.bytes)
                std::fprintf(stderr, " %02X", b);
            std::fprintf(stderr, " (answer%s)\n", answer.closeLine ? ", line closed" : "");
        }
        FUZZ_CHECK(ok == expectOk);

        const Millis paused =
            s.pauseWhenZero && s.frame.value == 0 ? TargetLink::kMuteOffPause : Millis{0};
        if (ok) {
            FUZZ_CHECK(elapsed <= paused + kAnswerBound);
            if (s.collect)
                for (std::size_t i = 0; i < needed; ++i)
                    FUZZ_CHECK(m_link->replyBuffer()[i] == data[i]);
        } else if (!answer.closeLine) {
            // A time-out, never early.
            FUZZ_CHECK(elapsed >= TargetLink::kReplyTimeout);
            FUZZ_CHECK(elapsed <= TargetLink::kReplyTimeout + paused + kAnswerBound);
        }
    }

    void scheduleNestedSend()
    {
        const Send s = chooseSend();
        const Millis delay{4 * m_choices.byte()};
        ++m_pendingNested;
        m_services.scheduleAt(m_services.now() + delay, [this, s] {
            --m_pendingNested;
            if (m_sends.size() < kMaxSends)
                send(s);
        });
    }

    void injectBytes()
    {
        const Millis delay{8 * m_choices.byte()};
        std::vector<std::uint8_t> bytes = m_choices.bytes(m_choices.byte() % 160);
        ++m_scheduled;
        if (m_trace)
            std::fprintf(stderr, "%6lld ms: inject %zu bytes after %lld ms\n",
                         static_cast<long long>(m_services.now().count()), bytes.size(),
                         static_cast<long long>(delay.count()));
        m_line->inject(kDevice, std::move(bytes), delay);
    }

    bool allReturned() const
    {
        return std::all_of(m_sends.begin(), m_sends.end(),
                           [](const Send &s) { return s.returned; });
    }

    void checkLossReports()
    {
        const qsizetype reports = m_services.messages.size() - m_messagesBefore;
        // Nothing scans after the set-up, so the link is lost at most once, with one report.
        FUZZ_CHECK(reports == (m_connectedAfterSetUp && !m_link->connected() ? 1 : 0));
        for (qsizetype i = m_messagesBefore; i < m_services.messages.size(); ++i)
            FUZZ_CHECK(m_services.messages[i].text ==
                       QString::fromLatin1(TargetLink::kLinkLostMessage));
    }

    void checkLineOrder()
    {
        std::vector<CommandFrame> written;
        for (std::size_t i = m_writesBefore; i < m_line->writes.size(); ++i) {
            const std::vector<std::uint8_t> &b = m_line->writes[i].bytes;
            FUZZ_CHECK(b.size() == kFrameSize || (b.size() == 1 && b[0] == SyncByte));
            if (b.size() == kFrameSize)
                written.push_back(CommandFrame{b[0], b[1], b[2], b[3], b[4], b[5]});
        }
        // Each frame goes out at most once, in the order the sends were issued; only a lost
        // line drops the frames still queued.
        std::size_t next = 0;
        for (const CommandFrame &frame : written) {
            while (next < m_sends.size() && !(m_sends[next].frame == frame))
                ++next;
            FUZZ_CHECK(next < m_sends.size());
            ++next;
        }
        if (m_link->port().isOpen())
            FUZZ_CHECK(written.size() == m_sends.size());
        const std::size_t answered = std::size_t(
            std::count_if(m_sends.begin(), m_sends.end(), [](const Send &s) { return s.ok; }));
        FUZZ_CHECK(answered <= written.size());
    }

    Choices &m_choices;
    VirtualWindowServices m_services;
    ParameterStore m_store;
    QuietView m_view;
    sim::TargetCore m_target;
    InMemoryLine *m_line = nullptr;
    std::unique_ptr<TargetLink> m_link;

    std::vector<Send> m_sends;
    std::optional<InMemoryLine::Answer> m_lastFrameAnswer;
    int m_pendingNested = 0;
    // Answers and injected bytes on their way; a blocking pause can leave them due but not yet
    // handed over.
    int m_scheduled = 0;
    int m_delivered = 0;
    std::size_t m_writesBefore = 0;
    qsizetype m_messagesBefore = 0;
    bool m_connectedAfterSetUp = false;
    // Set TONVARA_FUZZ_TRACE to follow one input's run on stderr.
    const bool m_trace = qEnvironmentVariableIsSet("TONVARA_FUZZ_TRACE");
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // The link's timers and the line's signals are QObjects: they need an application.
    if (!QCoreApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int qtArgc = 1;
        static char *qtArgv[] = {argc && *argc > 0 ? (*argv)[0] : nullptr, nullptr};
        new QCoreApplication(qtArgc, qtArgv);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Choices choices(data, size);
    Run run(choices);
    run.go();
    return 0;
}
