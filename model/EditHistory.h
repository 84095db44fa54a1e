// The undo history of the editor: a line of steps with a cursor, the steps before it to undo
// and those after it to redo. A step is one setting going from one value to another, or the
// whole editor going from one state to another (Import, Read, Reset). Plain data in memory
// only; what a step does to the window and the target is the editor's business.
// Owned by the setting editor; user-interface thread only.
#pragma once

#include "ParameterStore.h"
#include "SettingRef.h"

#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <string>

namespace tonvara {

struct EditStep
{
    std::string label; // what the menu names: "MUSIC2 1KHz", "Import"
    SettingRef setting;
    int before = 0;
    int after = 0;
    VolSet volBefore;
    VolSet volAfter;
    // A whole-editor step holds both states; shared, so that a step stays cheap to copy.
    std::shared_ptr<const ParameterStore> storeBefore;
    std::shared_ptr<const ParameterStore> storeAfter;

    bool wholeEditor() const { return storeBefore != nullptr; }

    static EditStep change(const SettingRef &setting, int before, int after);
    static EditStep volGroup(const SettingRef &setting, const VolSet &before, const VolSet &after);
    static EditStep whole(std::string label, ParameterStore before, ParameterStore after);
};

class EditHistory
{
  public:
    // The oldest steps go when more are recorded.
    static constexpr std::size_t kCapacity = 1000;

    explicit EditHistory(std::size_t capacity = kCapacity) : m_capacity(capacity) {}

    // A new step: the redo side is cleared. An open step takes later values of the same
    // setting into itself (a drag from press to release) until it is closed.
    void record(EditStep step, bool open = false);
    // Continues the open step when it is for this setting; false when there is none.
    bool extendOpen(const SettingRef &setting, int after);
    // Ends the open step. One that came back to its start value (a drag that ended where it
    // began) changed nothing: it goes, and the redo steps it cleared come back.
    void closeOpen();
    bool isOpen() const { return m_open; }

    bool canUndo() const { return m_cursor > 0; }
    bool canRedo() const { return m_cursor < m_steps.size(); }
    // The step an undo or redo would take, or none.
    std::optional<EditStep> nextUndo() const;
    std::optional<EditStep> nextRedo() const;
    // Moves the cursor over that step (after the editor has applied it).
    void stepBack();
    void stepForward();

    std::size_t undoCount() const { return m_cursor; }
    std::size_t redoCount() const { return m_steps.size() - m_cursor; }
    std::size_t capacity() const { return m_capacity; }
    void clear();

  private:
    std::deque<EditStep> m_steps;
    std::size_t m_cursor = 0; // steps before it are done
    std::size_t m_capacity = kCapacity;
    bool m_open = false;
    // The redo side the open step cleared, until it closes.
    std::deque<EditStep> m_redoHeld;
};

} // namespace tonvara
