// A link under test: virtual clock, factory store, a recording view and the in-memory line,
// with a simulated target on the first device unless a test sets the devices itself.
#pragma once

#include "FactoryValues.h"
#include "InMemoryLine.h"
#include "LinkView.h"
#include "ParameterStore.h"
#include "HeadlessWindowServices.h"
#include "TargetCore.h"
#include "TargetLink.h"
#include "VirtualWindowServices.h"

#include <QStringList>

#include <array>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

namespace tonvara {

struct RecordingView : LinkView
{
    QStringList captions;
    QString hint;
    std::vector<bool> enabledCalls;
    std::vector<int> progress;
    int naturalKeyShown = 0;
    std::array<int, 3> start{0, 0, 0};
    std::array<int, 3> maxEntry{80, 80, 80};
    int mute = -1, lock = -1, exciter = -1, input = -1;
    int clearInputsCalls = 0;

    void setStatusCaption(const QString &text) override { captions.append(text); }
    void setStatusHint(const QString &tooltip) override { hint = tooltip; }
    void setMainWindowEnabled(bool enabled) override { enabledCalls.push_back(enabled); }
    void setProgressValue(int percent) override { progress.push_back(percent); }
    void showNaturalKey() override { ++naturalKeyShown; }
    // Like the slider, which holds 0 to 80.
    void setStartLevel(int k, int level) override { start[k] = level > 80 ? 80 : level; }
    int startLevel(int k) const override { return start[k]; }
    int maxEntryNumber(int k) const override { return maxEntry[k]; }
    void setMute(bool on) override { mute = on; }
    void setLock(bool on) override { lock = on; }
    void setExciter(bool on) override { exciter = on; }
    void clearInputs() override
    {
        ++clearInputsCalls;
        input = -1;
    }
    void selectInput(int index) override { input = index; }
    // Used by the bulk operations only.
    void showCurrentModes() override {}
    bool muteOn() const override { return mute == 1; }
    bool lockOn() const override { return lock == 1; }
    bool exciterOn() const override { return exciter == 1; }
    int selectedInput() const override { return input < 0 ? kNoInput : input; }
    int spinValue(int) const override { return 0; }
    void applyVolSetGroup(int, int, int, int) override {}

    QString caption() const { return captions.isEmpty() ? QString() : captions.last(); }
};

struct LinkRig
{
    explicit LinkRig(QStringList table = {QStringLiteral("/dev/ttyT0")}, bool withTarget = true)
    {
        store = factoryStore();
        auto owned = std::make_unique<InMemoryLine>(services);
        line = owned.get();
        line->table = table;
        if (withTarget && !table.isEmpty())
            line->attachTarget(table.first(), target);
        link = std::make_unique<TargetLink>(services, store, view, std::move(owned));
        link->port().setDiagnosticSink([this](const QString &text) { diagnostics.append(text); });
    }

    // Starts the link and runs until the scan connected (synchronisation included).
    bool connect(Millis limit = Millis{3000})
    {
        link->start();
        return services.runUntil([this] { return link->connected(); }, limit);
    }

    // Frames written since the given write index.
    std::vector<std::vector<std::uint8_t>> framesSince(std::size_t from) const
    {
        std::vector<std::vector<std::uint8_t>> frames;
        for (std::size_t i = from; i < line->writes.size(); ++i)
            if (line->writes[i].bytes.size() == 6)
                frames.push_back(line->writes[i].bytes);
        return frames;
    }

    VirtualWindowServices services;
    ParameterStore store;
    RecordingView view;
    sim::TargetCore target;
    InMemoryLine *line = nullptr;
    std::unique_ptr<TargetLink> link;
    QStringList diagnostics;
};

using Bytes = std::vector<std::uint8_t>;

// Real-time services for tests on real lines: message boxes are recorded instead of shown, as a
// modal box would stop the test.
class RecordingQtServices : public HeadlessWindowServices
{
  public:
    MessageAnswer messageBox(const QString &text, MessageIcon, MessageButtons) override
    {
        messages.append(text);
        return MessageAnswer::Ok;
    }
    QStringList messages;
};

// A pseudo-terminal pair for tests of the real serial line; the master is non-blocking. The
// slave is kept open only so that the device stays while the editor opens it by path.
struct Pty
{
    Pty()
    {
        char name[256] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) == 0) {
            path = QString::fromLocal8Bit(name);
            ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        }
    }
    ~Pty()
    {
        if (master >= 0)
            ::close(master);
        if (slave >= 0)
            ::close(slave);
    }
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;
    int master = -1;
    int slave = -1;
    QString path;
};

} // namespace tonvara
