// The window services: everything the logic needs from the window system (timers, waiting
// for events, the blocking pause, message boxes, file dialogs, beep, screen metrics, the
// pointer, moving a window with the pointer). Which of these a window system allows (Wayland
// lets no program move the pointer or place its own window) is answered here, so the controls
// and the main window never ask the platform themselves.
// The editor uses QtWindowServices, the command line HeadlessWindowServices; tests use a virtual
// implementation whose clock they drive.
// All calls come from the user-interface thread.
#pragma once

#include <QObject>
#include <QPoint>
#include <QString>

#include <chrono>
#include <memory>

class QWidget;

namespace tonvara {

using Millis = std::chrono::milliseconds;

// A timer delivered on the user-interface thread. Enabling starts a full interval; changing
// the interval of a disabled timer takes effect when it is enabled. A handler may disable and
// re-enable its own timer. A tick is never delivered while the same timer's tick is running.
class ServiceTimer : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~ServiceTimer() override = default;

    virtual void setInterval(Millis interval) = 0;
    virtual Millis interval() const = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;

signals:
    void tick();
};

enum class MessageIcon { None, Warning, Critical };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

struct ScreenMetrics
{
    int twipsPerPixelX = 15;
    int twipsPerPixelY = 15;
    int widthTwips = 1280 * 15;
    int heightTwips = 800 * 15;
};

struct FileDialogRequest
{
    QString title;
    QString filter;       // e.g. "Sound Profile (*.Lumaroch)"
    QString startFolder;
    bool promptOverwrite = false; // save dialog: ask before replacing the chosen name
};

class WindowServices
{
public:
    virtual ~WindowServices() = default;

    // Owned by the caller; parent may be null.
    virtual std::unique_ptr<ServiceTimer> createTimer(Millis interval, QObject *parent = nullptr) = 0;

    // Delivers what is waiting now (input, paint, due timers), each to its end, then returns.
    virtual void processPendingEvents() = 0;
    // Used by reply waits: blocks until at least one event has been handled, without spinning
    // a core. On virtual time, advances the clock to the next timer when nothing is due.
    virtual void waitForEvents() = 0;
    // Stops the thread; no events are handled meanwhile.
    virtual void pause(Millis duration) = 0;
    // Monotonic time, for measuring only.
    virtual Millis now() const = 0;

    // Modal; the caption is the application's title.
    virtual MessageAnswer messageBox(const QString &text, MessageIcon icon,
                                     MessageButtons buttons) = 0;
    // Full path chosen, or an empty string when cancelled.
    virtual QString openFileDialog(const FileDialogRequest &request) = 0;
    virtual QString saveFileDialog(const FileDialogRequest &request) = 0;
    virtual void beep() = 0;

    virtual ScreenMetrics screenMetrics() const = 0;
    virtual QPoint cursorPos() const = 0;
    // Whether the window system lets a program move the pointer at all (Wayland does not).
    virtual bool canMovePointer() const = 0;
    // Moves the pointer; answers whether it really is there now, as a window system may
    // refuse the move without saying so.
    virtual bool setCursorPos(QPoint position) = 0;
    // Hands the move of window to the window system, which then follows the pointer while the
    // button of the press being handled stays down. False where it has no such move (no
    // window manager, no display): the caller moves the window itself.
    virtual bool startSystemMove(QWidget &window) = 0;
};

// The application's title, used as every message box caption.
inline constexpr const char *kApplicationTitle = "Tonvara";

} // namespace tonvara
