// The main window's context menu: "Undo <step>" and "Redo <step>" (greyed when there is none
// or the editor is busy), "Compare with target…" and "Compare with profile…" (greyed until
// their actions are given), and "Traffic log". Owned by the main window's pages;
// user-interface thread only.
#pragma once

#include <QObject>
#include <QPoint>

#include <functional>

class QAction;
class QMenu;
class QWidget;

namespace tonvara {

class SettingEditor;

class WindowMenu : public QObject
{
    Q_OBJECT
  public:
    WindowMenu(SettingEditor &editor, QWidget *parent);
    ~WindowMenu() override;

    // The compare windows, when there are any; an empty function leaves its item greyed.
    void setCompareActions(std::function<void()> withTarget, std::function<void()> withProfile);
    void setTrafficLogAction(std::function<void()> open) { m_openTrafficLog = std::move(open); }

    // Brings the items up to date and shows the menu at a screen position; does not block.
    void popup(QPoint globalPos);
    // Brings the items' texts and enabled states up to date (popup does it first).
    void refresh();

    QMenu *menu() const { return m_menu; }
    QAction *undoAction() const { return m_undo; }
    QAction *redoAction() const { return m_redo; }
    QAction *compareTargetAction() const { return m_compareTarget; }
    QAction *compareProfileAction() const { return m_compareProfile; }
    QAction *trafficLogAction() const { return m_trafficLog; }

  private:
    SettingEditor &m_editor;
    QMenu *m_menu = nullptr;
    QAction *m_undo = nullptr;
    QAction *m_redo = nullptr;
    QAction *m_compareTarget = nullptr;
    QAction *m_compareProfile = nullptr;
    QAction *m_trafficLog = nullptr;
    std::function<void()> m_compareWithTarget;
    std::function<void()> m_compareWithProfile;
    std::function<void()> m_openTrafficLog;
};

} // namespace tonvara
