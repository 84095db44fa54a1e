// The traffic log window: a read-only (still selectable) text box that copies the log five
// times a second, empties it on a double-click and drops it past 60000 characters. Recording
// is on while the window is open. Created on demand (the w key) by whoever owns the link, and
// deleted before the log it shows; user-interface thread only.
#pragma once

#include "TrafficLog.h"
#include "WindowServices.h"

#include <QPointer>
#include <QWidget>

#include <chrono>
#include <memory>

class QPlainTextEdit;

namespace tonvara {

class CommIndicator : public QWidget
{
    Q_OBJECT
  public:
    static constexpr Millis kRefreshInterval{200};
    static constexpr int kMaxLogLength = 60000;
    static constexpr int kClientWidth = 470;
    static constexpr int kClientHeight = 662;
    static constexpr const char *kCaption =
        "Double-click the empty display can be stretched or wide";

    CommIndicator(WindowServices &services, TrafficLog &log, QWidget *parent = nullptr);
    ~CommIndicator() override;

    // Shows the window held in `window`, or a new one for log when there is none open, and
    // brings it up.
    static CommIndicator *openOrRaise(QPointer<CommIndicator> &window, WindowServices &services,
                                      TrafficLog &log);

    QPlainTextEdit *textBox() const { return m_text; }
    int shownLength() const { return m_shownLength; }
    // The Timer1 tick: copies the log when its length changed.
    void refresh();

  protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    TrafficLog &m_log;
    QPlainTextEdit *m_text = nullptr;
    std::unique_ptr<ServiceTimer> m_timer1;
    int m_shownLength = 0;
};

} // namespace tonvara
