// The main window shell: fixed 932 x 674 client area over the drawn background, the exit
// question, dragging by the background, the keys that work wherever the focus is (w for the
// traffic log, Ctrl+Z undo, Ctrl+Y and Ctrl+Shift+Z redo, Ctrl+D and Ctrl+Shift+D for the
// comparisons with the target and with a profile, Menu and Shift+F10 for the context menu),
// the context menu on the background, and Timer1, which returns the KEY row to natural. The
// pages, the link and the store are plugged in through MainWindowParts by the program's
// composition root. User-interface thread only.
#pragma once

#include "WindowServices.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <memory>

namespace tonvara {

// What the shell calls on the rest of the program; every member may be left empty.
struct MainWindowParts
{
    // The load sequence, in this order.
    std::function<void()> placeTitleStrips;
    std::function<void()> loadAddresses;
    std::function<void()> placeMicRow;
    std::function<void()> styleContainers;
    std::function<void()> fillModeLists;
    std::function<void()> loadDefaults;
    std::function<void()> initTrafficLog;
    std::function<void()> enableConnectionTimer;

    std::function<void()> openTrafficLog;       // the w key
    std::function<void()> undo;                 // Ctrl+Z
    std::function<void()> redo;                 // Ctrl+Y, Ctrl+Shift+Z
    std::function<void(QPoint)> contextMenu;    // at this screen position
    std::function<void()> compareWithTarget;    // Ctrl+D
    std::function<void()> compareWithProfile;   // Ctrl+Shift+D
    std::function<void()> showNaturalKey;       // Timer1: all KEY buttons off, natural on
    std::function<void()> resetCommandButtons;  // background pointer movement
    std::function<bool()> isWaitingForTarget;   // a send is waiting for its answer
    std::function<void()> abandonWait;          // end that wait now (unload follows)
    std::function<void()> unload;               // close the serial port
};

class MainFrm_Big : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kClientWidth = 932;
    static constexpr int kClientHeight = 674;
    static constexpr Millis kKeyReturnInterval{300};

    explicit MainFrm_Big(WindowServices &services, QWidget *parent = nullptr);
    ~MainFrm_Big() override;

    void setParts(MainWindowParts parts) { m_parts = std::move(parts); }
    // Runs the load sequence; call once before showing.
    void load();

    ServiceTimer &timer1() { return *m_timer1; }
    bool isDragging() const { return m_dragging; }
    bool isUnloaded() const { return m_unloaded; }

signals:
    void unloaded();

protected:
    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onTimer1();
    // A key for the whole window; true when it was one and has been acted on.
    bool windowKey(const QKeyEvent &event, QWidget *focus);
    void openContextMenu(QPoint globalPos);
    static void call(const std::function<void()> &step)
    {
        if (step)
            step();
    }

    WindowServices &m_services;
    MainWindowParts m_parts;
    QImage m_background;
    std::unique_ptr<ServiceTimer> m_timer1;
    bool m_dragging = false;
    QPoint m_dragOrigin;
    bool m_unloadConfirmed = false;
    bool m_unloaded = false;
};

} // namespace tonvara
