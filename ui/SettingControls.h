// The main window's controls as the setting editor sees them: puts a setting's value on its
// control without raising the control's events, shows a mode or the whole store, and disables
// the slider whose frame is on the line. Owned by the main window's pages, which it reads its
// controls from; user-interface thread only.
#pragma once

#include "ParameterStore.h"
#include "SettingEditor.h"

namespace tonvara {

class MainPages;

class SettingControls : public SettingView
{
  public:
    SettingControls(MainPages &pages, ParameterStore &store) : m_pages(pages), m_store(store) {}

    void showSetting(const SettingRef &setting, int value) override;
    void showVolGroup(int k, const VolSet &group) override;
    void showMode(int list) override;
    void showWholeEditor() override;
    void setSendingControlEnabled(const SettingRef &setting, bool enabled) override;
    void setMainWindowEnabled(bool enabled) override;
    bool mainWindowEnabled() const override;
    void refuseWithoutConnection() override;

  private:
    MainPages &m_pages;
    ParameterStore &m_store;
};

} // namespace tonvara
