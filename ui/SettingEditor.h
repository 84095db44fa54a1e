// The one path by which a setting changes: "this setting now has this value" goes into the
// store, onto its control and, while connected, onto the line as the frames a user change of
// that control sends (with the same disabling, acknowledgement, failure handling and mute-off
// pause); and it is recorded for undo. User actions, undo and redo, and whole-editor
// replacements (Import, Read, Reset, taking another set of values) all go through it.
// Owned by the main window's pages; user-interface thread only.
#pragma once

#include "EditHistory.h"
#include "ParameterStore.h"
#include "SettingRef.h"

#include <QObject>
#include <QString>

#include <functional>
#include <string>

namespace tonvara {

class TargetLink;
struct LiveFrame;

// What the editor needs from the window. Putting values on controls never raises their events.
class SettingView
{
  public:
    virtual ~SettingView() = default;
    // The control of a setting shows this value (cells, start levels, switches, INPUT).
    virtual void showSetting(const SettingRef &setting, int value) = 0;
    // VOL(SET) group k to these numbers, the store following; nothing is sent.
    virtual void showVolGroup(int k, const VolSet &group) = 0;
    // Mode list `list` now selects the store's current mode: its caption, the EFF view and the
    // current rows on the sliders.
    virtual void showMode(int list) = 0;
    // Every control from the store: tables of the current modes, lists, switches, VOL(SET).
    virtual void showWholeEditor() = 0;
    // The control that sends a setting is disabled while its frame waits for the answer
    // (sliders do; toggles and options do not).
    virtual void setSendingControlEnabled(const SettingRef &setting, bool enabled) = 0;
    virtual void setMainWindowEnabled(bool enabled) = 0;
    virtual bool mainWindowEnabled() const = 0;
    // Tells the user that a setting needing the target cannot change while not connected, as
    // the Mute and Lock buttons do.
    virtual void refuseWithoutConnection() = 0;
};

class SettingEditor : public QObject
{
    Q_OBJECT
  public:
    SettingEditor(ParameterStore &store, SettingView &view, QObject *parent = nullptr);

    void setLink(TargetLink *link) { m_link = link; }
    bool connected() const;

    // A user changed a setting: its control shows the value already. `continuing` is set while
    // a drag goes on; its values join one step until the gesture ends.
    void userChange(const SettingRef &setting, int value, bool continuing = false);
    // A drag ended (or a new one starts): the next change is a new step.
    void endGesture() { m_history.closeOpen(); }
    // A VOL(SET) entry or spin bar of group k was committed by the user; `before` is the group
    // as it was. The panel has applied it; this records it.
    void userVolGroupEdit(int k, int entry, const VolSet &before);

    // A whole-editor step: runs action (Import, Read, Reset) and records one step named label
    // when the editor's settings changed. Such a step sends nothing when undone or redone.
    void wholeEditorStep(const std::string &label, const std::function<void()> &action);
    // Replaces every setting by those of state (tables, modes, VOL(SET), switches) as one step
    // named label; sends nothing. A take of other values ("Take target values") comes here.
    void replaceEditor(const std::string &label, const ParameterStore &state);
    // Every setting to those of state, on every control; nothing recorded, nothing sent (the
    // window's load).
    void putWholeEditor(const ParameterStore &state);

    // False, doing nothing, when there is no step or the editor is busy (see canActNow); and
    // for a Mute or Lock step while not connected, which is refused as their buttons refuse.
    bool undo();
    bool redo();
    // Nothing is undone or redone while a transfer runs, a frame waits for its answer on a
    // connection or the window is disabled. A probe's wait for Identify is no user's send.
    bool canActNow() const;
    // Mute and Lock change only on a connected target.
    static bool needsConnection(const SettingRef &setting);
    // "Undo MUSIC2 1KHz" / "Redo Import"; "Undo" / "Redo" alone when there is no step.
    QString undoText() const;
    QString redoText() const;

    EditHistory &history() { return m_history; }
    const EditHistory &history() const { return m_history; }

  signals:
    void historyChanged();

  private:
    // Store, control (which may show the value already), line.
    void apply(const SettingRef &setting, int value);
    void applyCell(const SettingRef &setting, int value);
    void applyMode(int list, int item);
    bool walk(bool forward);
    static QString stepText(const QString &verb, const std::optional<EditStep> &step);
    void applyStep(const EditStep &step, bool forward);
    bool send(const LiveFrame &frame);

    ParameterStore &m_store;
    SettingView &m_view;
    TargetLink *m_link = nullptr;
    EditHistory m_history;
};

} // namespace tonvara
