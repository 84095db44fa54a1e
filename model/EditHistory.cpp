#include "EditHistory.h"

#include <iterator>

namespace tonvara {

namespace {

EditStep named(const SettingRef &setting)
{
    EditStep step;
    step.label = editTitle(setting);
    step.setting = setting;
    return step;
}

} // namespace

EditStep EditStep::change(const SettingRef &setting, int before, int after)
{
    EditStep step = named(setting);
    step.before = before;
    step.after = after;
    return step;
}

EditStep EditStep::volGroup(const SettingRef &setting, const VolSet &before, const VolSet &after)
{
    EditStep step = named(setting);
    step.volBefore = before;
    step.volAfter = after;
    return step;
}

EditStep EditStep::whole(std::string label, ParameterStore before, ParameterStore after)
{
    EditStep step;
    step.label = std::move(label);
    step.storeBefore = std::make_shared<const ParameterStore>(std::move(before));
    step.storeAfter = std::make_shared<const ParameterStore>(std::move(after));
    return step;
}

void EditHistory::record(EditStep step, bool open)
{
    closeOpen();
    const auto redoSide = m_steps.begin() + static_cast<std::ptrdiff_t>(m_cursor);
    if (open)
        m_redoHeld.assign(std::make_move_iterator(redoSide),
                          std::make_move_iterator(m_steps.end()));
    m_steps.erase(redoSide, m_steps.end());
    m_steps.push_back(std::move(step));
    while (m_steps.size() > m_capacity)
        m_steps.pop_front();
    m_cursor = m_steps.size();
    m_open = open;
}

void EditHistory::closeOpen()
{
    if (!m_open)
        return;
    m_open = false;
    if (m_steps.empty() || m_cursor != m_steps.size()) {
        m_redoHeld.clear();
        return;
    }
    const EditStep &last = m_steps.back();
    if (!last.wholeEditor() && last.setting.kind != EditKind::VolGroup &&
        last.before == last.after) {
        m_steps.pop_back();
        m_cursor = m_steps.size();
        std::move(m_redoHeld.begin(), m_redoHeld.end(), std::back_inserter(m_steps));
    }
    m_redoHeld.clear();
}

bool EditHistory::extendOpen(const SettingRef &setting, int after)
{
    if (!m_open || m_cursor == 0 || m_cursor != m_steps.size())
        return false;
    EditStep &last = m_steps.back();
    if (last.wholeEditor() || !(last.setting == setting))
        return false;
    last.after = after;
    return true;
}

std::optional<EditStep> EditHistory::nextUndo() const
{
    if (!canUndo())
        return std::nullopt;
    return m_steps[m_cursor - 1];
}

std::optional<EditStep> EditHistory::nextRedo() const
{
    if (!canRedo())
        return std::nullopt;
    return m_steps[m_cursor];
}

void EditHistory::stepBack()
{
    closeOpen();
    if (canUndo())
        --m_cursor;
}

void EditHistory::stepForward()
{
    closeOpen();
    if (canRedo())
        ++m_cursor;
}

void EditHistory::clear()
{
    m_steps.clear();
    m_cursor = 0;
    m_open = false;
    m_redoHeld.clear();
}

} // namespace tonvara
