// Window services on a virtual clock, for tests. Time moves only when a test advances it or a
// wait finds nothing due (then it jumps to the next timer). Message boxes and file dialogs are
// recorded and answered from scripts the test sets. User-interface thread only.
#pragma once

#include "WindowServices.h"

#include <QList>
#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

namespace tonvara {

class VirtualTimer;

class VirtualWindowServices : public WindowServices
{
public:
    struct RecordedMessage
    {
        QString text;
        MessageIcon icon;
        MessageButtons buttons;
        Millis at;
    };

    VirtualWindowServices();
    ~VirtualWindowServices() override;

    std::unique_ptr<ServiceTimer> createTimer(Millis interval, QObject *parent) override;
    void processPendingEvents() override;
    void waitForEvents() override;
    void pause(Millis duration) override;
    Millis now() const override { return m_now; }
    MessageAnswer messageBox(const QString &text, MessageIcon icon,
                             MessageButtons buttons) override;
    QString openFileDialog(const FileDialogRequest &request) override;
    QString saveFileDialog(const FileDialogRequest &request) override;
    void beep() override { ++beeps; }
    ScreenMetrics screenMetrics() const override { return metrics; }
    QPoint cursorPos() const override { return cursor; }
    bool canMovePointer() const override { return pointerMovable; }
    bool setCursorPos(QPoint position) override
    {
        if (pointerMovable && pointerFollows)
            cursor = position;
        return cursor == position;
    }
    bool startSystemMove(QWidget &window) override
    {
        systemMoves.append(&window);
        return systemMoveAvailable;
    }

    // Moves the clock forward by duration, delivering every timer and callback in time order.
    void advance(Millis duration);
    // Runs until done() holds or limit of virtual time has passed; returns done().
    bool runUntil(const std::function<bool()> &done, Millis limit);
    // Calls action at the given virtual time (or at once when that is past), as an event.
    void scheduleAt(Millis at, std::function<void()> action);
    // Called by a running handler (e.g. a message box) to let a test act while it is open.
    std::function<void(const RecordedMessage &)> onMessage;

    // Scripts and records.
    std::deque<MessageAnswer> messageAnswers; // empty: Ok, or No for Yes/No questions
    // How long a message box stays open before it is answered. A modal box runs its own event
    // loop, so what falls due meanwhile (timers, line events) is delivered inside it.
    Millis messageOpenFor{0};
    QList<RecordedMessage> messages;
    std::deque<QString> openDialogAnswers;    // empty: cancelled
    std::deque<QString> saveDialogAnswers;
    QList<FileDialogRequest> dialogRequests;
    QList<Millis> pauses;
    int beeps = 0;
    ScreenMetrics metrics;
    QPoint cursor;
    // The pointer as a window system allows it: true, true on X11; false on Wayland, which
    // says so; true, false where the moves are ignored without a word (XWayland).
    bool pointerMovable = true;
    bool pointerFollows = true;
    // Whether the window system takes a window's move (a window manager, a compositor), and
    // the windows whose move was asked of it.
    bool systemMoveAvailable = false;
    QList<QWidget *> systemMoves;

    QStringList messageTexts() const;

private:
    friend class VirtualTimer;
    struct Scheduled
    {
        Millis at;
        std::uint64_t order;
        std::function<void()> action;
    };

    void registerTimer(VirtualTimer *timer);
    void unregisterTimer(VirtualTimer *timer);
    // Delivers one due timer or callback; false when nothing is due at the current time.
    bool deliverOneDue();
    // Earliest time something is scheduled, or false when nothing is.
    bool nextDue(Millis &at) const;

    Millis m_now{0};
    std::vector<VirtualTimer *> m_timers;
    std::vector<Scheduled> m_scheduled;
    std::uint64_t m_order = 0;
    int m_idleWaits = 0;
};

} // namespace tonvara
