#include "SettingEditor.h"

#include "CommandFrame.h"
#include "LiveFrames.h"
#include "TargetLink.h"

namespace tonvara {

namespace {

std::uint8_t u8(int value)
{
    return static_cast<std::uint8_t>(value);
}

} // namespace

SettingEditor::SettingEditor(ParameterStore &store, SettingView &view, QObject *parent)
    : QObject(parent), m_store(store), m_view(view)
{
}

bool SettingEditor::connected() const
{
    return m_link && m_link->connected();
}

void SettingEditor::userChange(const SettingRef &setting, int value, bool continuing)
{
    const int before = storedValue(m_store, setting);
    // Recorded before the frame goes out: a change made during its wait comes after it.
    if (!(continuing && m_history.extendOpen(setting, value)) && before != value)
        m_history.record(EditStep::change(setting, before, value), continuing);
    emit historyChanged();
    apply(setting, value);
}

void SettingEditor::userVolGroupEdit(int k, int entry, const VolSet &before)
{
    const VolSet &after = m_store.volSet[static_cast<std::size_t>(k)];
    if (after == before)
        return;
    m_history.record(EditStep::volGroup(SettingRef::volGroup(k, entry), before, after));
    emit historyChanged();
}

void SettingEditor::wholeEditorStep(const std::string &label, const std::function<void()> &action)
{
    ParameterStore before = m_store;
    action();
    if (sameSettings(before, m_store))
        return;
    m_history.record(EditStep::whole(label, std::move(before), m_store));
    emit historyChanged();
}

void SettingEditor::replaceEditor(const std::string &label, const ParameterStore &state)
{
    wholeEditorStep(label, [&] { putWholeEditor(state); });
}

bool SettingEditor::canActNow() const
{
    // While not connected the only wait is a probe's for Identify: no change of the user's is
    // on the line, and nothing an undo does would be sent.
    return m_view.mainWindowEnabled() && !(connected() && m_link->isWaitingForReply());
}

bool SettingEditor::needsConnection(const SettingRef &setting)
{
    return setting.kind == EditKind::Mute || setting.kind == EditKind::Lock;
}

bool SettingEditor::undo()
{
    return walk(/*forward=*/false);
}

bool SettingEditor::redo()
{
    return walk(/*forward=*/true);
}

bool SettingEditor::walk(bool forward)
{
    if (!canActNow())
        return false;
    // A drag still going on ends here, so the step it leaves (if any) is the one walked over.
    m_history.closeOpen();
    const std::optional<EditStep> step = forward ? m_history.nextRedo() : m_history.nextUndo();
    if (!step)
        return false;
    if (!step->wholeEditor() && needsConnection(step->setting) && !connected()) {
        // As the button itself refuses: nothing changes, and the step stays where it is.
        m_view.refuseWithoutConnection();
        return false;
    }
    // The cursor moves first: whatever happens on the line, the editor now holds the values
    // on the other side of the step, as after a user change whose frame went unanswered.
    if (forward)
        m_history.stepForward();
    else
        m_history.stepBack();
    emit historyChanged();
    applyStep(*step, forward);
    return true;
}

QString SettingEditor::undoText() const
{
    return stepText(QStringLiteral("Undo"), m_history.nextUndo());
}

QString SettingEditor::redoText() const
{
    return stepText(QStringLiteral("Redo"), m_history.nextRedo());
}

QString SettingEditor::stepText(const QString &verb, const std::optional<EditStep> &step)
{
    return step ? verb + QLatin1Char(' ') + QString::fromStdString(step->label) : verb;
}

void SettingEditor::applyStep(const EditStep &step, bool forward)
{
    if (step.wholeEditor()) {
        putWholeEditor(forward ? *step.storeAfter : *step.storeBefore);
        return;
    }
    if (step.setting.kind == EditKind::VolGroup) {
        m_view.showVolGroup(step.setting.index, forward ? step.volAfter : step.volBefore);
        return;
    }
    apply(step.setting, forward ? step.after : step.before);
}

void SettingEditor::apply(const SettingRef &setting, int value)
{
    switch (setting.kind) {
    case EditKind::Cell:
        applyCell(setting, value);
        return;
    case EditKind::Mode:
        applyMode(setting.index, value);
        return;
    case EditKind::VolGroup:
        return; // applied by the panel, see showVolGroup
    case EditKind::StartLevel:
        m_store.volSet[static_cast<std::size_t>(setting.index)].startLevel = u8(value);
        m_view.showSetting(setting, value);
        if (connected()) {
            m_view.setSendingControlEnabled(setting, false);
            send(startLevelFrame(setting.index, value));
            m_view.setSendingControlEnabled(setting, true);
        }
        return;
    case EditKind::Exciter:
        m_store.exciter = value != 0;
        m_view.showSetting(setting, value);
        if (connected())
            send(exciterFrame(value != 0));
        return;
    case EditKind::Input:
        m_store.inputSelect = u8(value);
        m_view.showSetting(setting, value);
        // "No option on" (after an import) has no frame; a user always picks one of three.
        if (connected() && value < kNoInput)
            send(inputFrame(value));
        return;
    case EditKind::Mute:
    case EditKind::Lock: {
        const bool isMute = setting.kind == EditKind::Mute;
        (isMute ? m_store.mute : m_store.lock) = value != 0;
        m_view.showSetting(setting, value);
        if (connected()) {
            m_view.setMainWindowEnabled(false);
            // Lock reaches the target with the Upload only.
            if (isMute)
                send(muteFrame(value != 0));
            m_view.setMainWindowEnabled(true);
        }
        return;
    }
    }
}

void SettingEditor::applyCell(const SettingRef &setting, int value)
{
    const TableId table = setting.table;
    // An undone step may be for a mode the panel does not show: choose that mode first, as a
    // user would, so that the control shows what changes. (A user's change is always to the
    // row shown.)
    if (m_store.currentRow(table) != setting.row) {
        const int list = listOfTable(table);
        applyMode(list, listItemOfMode(list, ParameterStore::modeNumberOfRow(table, setting.row)));
    }
    m_view.setSendingControlEnabled(setting, false);
    ParamCell &cell = m_store.cellAt(table, setting.row, setting.index);
    cell.value = u8(value);
    m_view.showSetting(setting, value);
    if (connected())
        send(cellFrame(m_store, table, setting.row, setting.index));
    m_view.setSendingControlEnabled(setting, true);
}

void SettingEditor::applyMode(int list, int item)
{
    m_view.setMainWindowEnabled(false);
    const std::uint8_t mode = u8(modeOfListItem(list, item));
    if (list == 0)
        m_store.musicMode = mode;
    else if (list == 1)
        m_store.micMode = mode;
    else
        m_store.effMode = mode;
    m_view.showMode(list);
    if (connected() && m_link)
        sendLiveFrames(*m_link, modeFrames(m_store, list, mode));
    m_view.setMainWindowEnabled(true);
}

void SettingEditor::putWholeEditor(const ParameterStore &state)
{
    // Values only: the addresses are the window's. The KEY row is no setting and stays.
    for (TableId id : kAllTables)
        for (int row = 0; row < shapeOf(id).rowCount; ++row)
            for (int slot = 0; slot < shapeOf(id).slotCount; ++slot)
                m_store.cellAt(id, row, slot).value = state.cellAt(id, row, slot).value;
    m_store.musicMode = state.musicMode;
    m_store.micMode = state.micMode;
    m_store.effMode = state.effMode;
    m_store.volSet = state.volSet;
    m_store.inputSelect = state.inputSelect;
    m_store.exciter = state.exciter;
    m_store.mute = state.mute;
    m_store.lock = state.lock;
    m_view.showWholeEditor();
}

bool SettingEditor::send(const LiveFrame &frame)
{
    return m_link && sendLiveFrame(*m_link, frame);
}

} // namespace tonvara
