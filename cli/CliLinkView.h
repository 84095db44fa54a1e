// The link's view for the command line: no window, so the settings that the editor keeps on
// its controls (switches, VOL(SET) spin bars, start levels) are kept in a ParameterStore, and
// the progress bar becomes a number that another thread reads to draw progress.
// Owned by one PortSession; called from that session's thread.
#pragma once

#include "LinkView.h"
#include "ParameterStore.h"

#include <atomic>

namespace tonvara::cli {

class CliLinkView : public LinkView
{
  public:
    // progress: where the progress bar's value (0 to 100) goes; may be null.
    CliLinkView(ParameterStore &store, std::atomic<int> *progress)
        : m_store(store), m_progress(progress)
    {
    }

    void setStatusCaption(const QString &) override {}
    void setStatusHint(const QString &) override {}
    void setMainWindowEnabled(bool) override {}
    void setProgressValue(int percent) override
    {
        if (m_progress)
            m_progress->store(percent, std::memory_order_relaxed);
    }
    void showNaturalKey() override {}

    void setStartLevel(int k, int level) override;
    int startLevel(int k) const override;
    // There is no Max entry: the store's maximum is what it would hold.
    int maxEntryNumber(int k) const override;

    void setMute(bool on) override { m_store.mute = on; }
    void setLock(bool on) override { m_store.lock = on; }
    void setExciter(bool on) override { m_store.exciter = on; }
    void clearInputs() override { m_store.inputSelect = kNoInput; }
    void selectInput(int index) override;

    void showCurrentModes() override {}
    bool muteOn() const override { return m_store.mute; }
    bool lockOn() const override { return m_store.lock; }
    bool exciterOn() const override { return m_store.exciter; }
    int selectedInput() const override { return m_store.inputSelect; }
    int spinValue(int index) const override;
    void applyVolSetGroup(int k, int minLevel, int maxLevel, int startMode) override;

  private:
    VolSet &group(int k);
    const VolSet &group(int k) const;

    ParameterStore &m_store;
    std::atomic<int> *m_progress = nullptr;
};

} // namespace tonvara::cli
