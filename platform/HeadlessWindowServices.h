// Window services without a display, on Qt Core alone: timers and event waits of the calling
// thread's event loop, the blocking pause and the clock. Message boxes go to a sink (standard
// error unless replaced) and are answered Ok, or No to a question; file dialogs are cancelled.
// Used by the command line program, one instance per thread that runs a link, and as the base
// of QtWindowServices. Each instance is used from the thread that created it.
#pragma once

#include "WindowServices.h"

#include <functional>

namespace tonvara {

class HeadlessWindowServices : public WindowServices
{
  public:
    using MessageSink = std::function<void(const QString &text, MessageIcon icon)>;

    HeadlessWindowServices();

    // Where message box texts go instead of a window.
    void setMessageSink(MessageSink sink) { m_sink = std::move(sink); }

    std::unique_ptr<ServiceTimer> createTimer(Millis interval, QObject *parent) override;
    void processPendingEvents() override;
    void waitForEvents() override;
    void pause(Millis duration) override;
    Millis now() const override;
    MessageAnswer messageBox(const QString &text, MessageIcon icon,
                             MessageButtons buttons) override;
    QString openFileDialog(const FileDialogRequest &request) override;
    QString saveFileDialog(const FileDialogRequest &request) override;
    void beep() override;
    ScreenMetrics screenMetrics() const override;
    QPoint cursorPos() const override;
    bool canMovePointer() const override;
    bool setCursorPos(QPoint position) override;
    bool startSystemMove(QWidget &window) override;

  private:
    MessageSink m_sink;
};

} // namespace tonvara
