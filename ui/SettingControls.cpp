#include "SettingControls.h"

#include "C_ComboBox.h"
#include "C_FlagBar.h"
#include "C_Option.h"
#include "C_ScrollBar.h"
#include "MainPages.h"
#include "VolSetPanel.h"

#include <QWidget>

namespace tonvara {

void SettingControls::showSetting(const SettingRef &setting, int value)
{
    switch (setting.kind) {
    case EditKind::Cell:
        if (m_store.currentRow(setting.table) == setting.row)
            m_pages.showSlotValue(setting.table, setting.index, static_cast<std::uint8_t>(value));
        return;
    case EditKind::StartLevel:
        m_pages.volSet().startSlider(setting.index)->setValue(value);
        return;
    case EditKind::Exciter:
        m_pages.flagBar(1)->setValue(value != 0);
        return;
    case EditKind::Input:
        for (int k = 0; k < 3; ++k)
            m_pages.inputButton(k)->setValue(k == value);
        return;
    case EditKind::Mute:
    case EditKind::Lock:
        m_pages.switchButton(setting.kind == EditKind::Mute ? 0 : 1)->setValue(value != 0);
        return;
    case EditKind::VolGroup:
    case EditKind::Mode:
        return; // showVolGroup, showMode
    }
}

void SettingControls::showVolGroup(int k, const VolSet &group)
{
    m_pages.volSet().applyGroup(k, group.minLevel, group.maxLevel, group.startMode);
    m_pages.setStartLevel(k, group.startLevel);
}

void SettingControls::showMode(int list)
{
    m_pages.modeList(list + 1)->setTopIndex(storedValue(m_store, SettingRef::modeList(list)));
    if (list == 2)
        m_pages.showEffView(m_store.effMode);
    m_pages.showCurrentModes();
}

void SettingControls::showWholeEditor()
{
    // The panel's commits write the store as they go: work from a copy of the groups.
    const std::array<VolSet, kVolSetCount> groups = m_store.volSet;
    for (int list = 0; list < 3; ++list)
        m_pages.modeList(list + 1)->setTopIndex(storedValue(m_store, SettingRef::modeList(list)));
    m_pages.showEffView(m_store.effMode);
    m_pages.showCurrentModes();
    for (EditKind kind :
         {EditKind::Input, EditKind::Exciter, EditKind::Mute, EditKind::Lock})
        showSetting(SettingRef::of(kind), storedValue(m_store, SettingRef::of(kind)));
    for (int k = 0; k < kVolSetCount; ++k)
        showVolGroup(k, groups[static_cast<std::size_t>(k)]);
}

void SettingControls::setSendingControlEnabled(const SettingRef &setting, bool enabled)
{
    C_ScrollBar *slider = nullptr;
    if (setting.kind == EditKind::Cell)
        slider = m_pages.tableSlider(setting.table, setting.index);
    else if (setting.kind == EditKind::StartLevel)
        slider = m_pages.volSet().startSlider(setting.index);
    if (slider)
        slider->setEnabled(enabled);
}

void SettingControls::setMainWindowEnabled(bool enabled)
{
    m_pages.setMainWindowEnabled(enabled);
}

bool SettingControls::mainWindowEnabled() const
{
    return m_pages.host()->isEnabled();
}

void SettingControls::refuseWithoutConnection()
{
    m_pages.sayNotAvailable();
}

} // namespace tonvara
