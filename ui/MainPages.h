// Everything on the main window besides its background: the three mode panels with their
// sliders, lists and views, the VOL(SET) column, the bottom row of switches and keys, the
// status label, the progress bar and the command buttons. Each user action on a setting goes
// to the setting editor, which changes the store, the control and the target and keeps the
// undo history. Implements the views the store, the editor and the link show things through.
// Created by the composition root on the main window; user-interface thread only.
#pragma once

#include "ParameterStore.h"
#include "ProfileData.h"
#include "SettingEditor.h"

#include "LinkView.h"
#include "WindowServices.h"

#include <QObject>

#include <array>
#include <functional>
#include <memory>

class QLabel;
class QWidget;

namespace tonvara {

class C_Button;
class C_ComboBox;
class C_FlagBar;
class C_Option;
class C_OptionEx;
class C_ProgressBar;
class C_ScrollBar;
class TargetLink;
class TitleStrip;
class SettingControls;
class VolSetPanel;
class WindowMenu;

class MainPages : public QObject, public ModesView, public LinkView
{
    Q_OBJECT
public:
    static constexpr const char *kNotAvailable = "This item is not available. ";
    static constexpr const char *kResetNotice = "All settings have been reset. ";

    MainPages(WindowServices &services, ParameterStore &store, QWidget *host);
    ~MainPages() override;

    // The link is created after the pages (it shows things through them).
    void setLink(TargetLink *link)
    {
        m_link = link;
        m_editor->setLink(link);
    }
    // The one path of setting changes, with the undo history.
    SettingEditor &editor() const { return *m_editor; }
    // The window's context menu (undo, redo, compare, traffic log).
    WindowMenu &windowMenu() const { return *m_windowMenu; }
    // Starts the 300 ms timer that returns the KEY row to natural.
    void setKeyTimerStarter(std::function<void()> start) { m_startKeyTimer = std::move(start); }
    // The command buttons' actions (Read, Upload, Import, Save), index 0..3.
    void setCommandAction(int index, std::function<void()> action);

    // Load sequence steps.
    void placeTitleStrips();
    void loadAddresses(); // the store's addresses from the catalog (the controls' tags)
    void placeMicRow();
    void styleContainers();
    void fillModeLists();
    void loadDefaults();
    // The factory values with the modes shown now: what Reset returns to.
    ParameterStore factorySettings() const;

    void showMusicView(int view);
    void showEffView(int modeNumber);
    // The current rows onto the controls, and their marks (see setSlotMarks).
    void showCurrentModes() override;

    // Mode list choices, as the lists' Click handlers run them.
    void chooseMusicMode(int index);
    void chooseMicMode(int index);
    void chooseEffMode(int index);

    // While marked is set, the slider or toggle of each slot of the current rows carries the
    // difference mark when marked(table, row, slot) holds: now, and whenever the current rows
    // are shown again. Without it no control is marked.
    void setSlotMarks(std::function<bool(TableId, int, int)> marked);

    // Command buttons back to their normal look (pointer over the background).
    void resetCommandButtons();
    // The warning with which Mute and Lock refuse to change while not connected.
    void sayNotAvailable();

    // ModesView
    void showSlotValue(TableId table, int slot, std::uint8_t value) override;

    // LinkView
    void setStatusCaption(const QString &text) override;
    void setStatusHint(const QString &tooltip) override;
    void setMainWindowEnabled(bool enabled) override;
    void setProgressValue(int percent) override;
    void showNaturalKey() override;
    void setStartLevel(int k, int level) override;
    int startLevel(int k) const override;
    int maxEntryNumber(int k) const override;
    void setMute(bool on) override;
    void setLock(bool on) override;
    void setExciter(bool on) override;
    void clearInputs() override;
    void selectInput(int index) override;

    // What bulk transfers and profiles read and apply.
    bool muteOn() const override;
    bool lockOn() const override;
    bool exciterOn() const override;
    int selectedInput() const override; // kNoInput when no INPUT option is on
    void applyVolSetGroup(int k, int minLevel, int maxLevel, int startMode) override;

    // Save and Import: the window's state as a profile, and an imported profile taken in as a
    // whole (tables, switches, VOL(SET) groups) as one undo step. Neither sends anything.
    ProfileData currentProfile() const;
    void saveProfile();
    void importProfile();
    // A whole set of values taken in as Import takes a profile, as one undo step named label
    // (Import, or the values of a comparison). Sends nothing.
    void takeProfile(const std::string &label, const ProfileData &profile);
    int spinValue(int index) const override;

    // Controls, by their names in the window.
    C_ScrollBar *musicSlider(int i) const { return m_scrollBar7[static_cast<std::size_t>(i)]; }
    C_ScrollBar *micSlider(int i) const { return m_scrollBar1[static_cast<std::size_t>(i)]; }
    C_ScrollBar *ktvSlider(int i) const { return m_scrollBar3[static_cast<std::size_t>(i)]; }
    C_ScrollBar *effSlider(int i) const { return m_scrollBar2[static_cast<std::size_t>(i)]; }
    C_ScrollBar *tableSlider(TableId table, int slot) const;
    C_FlagBar *flagBar(int n) const; // 1 EXCITER, 2 EFF In C, 3 SUB Invert
    C_ComboBox *modeList(int n) const; // 1 MUSIC, 2 MIC, 3 EFF
    C_Option *viewOption(int i) const { return m_option1[static_cast<std::size_t>(i)]; }
    C_OptionEx *keyButton(int k) const { return m_optionEx1[static_cast<std::size_t>(k)]; }
    C_OptionEx *inputButton(int k) const { return m_optionEx2[static_cast<std::size_t>(k)]; }
    C_OptionEx *switchButton(int k) const { return m_optionEx3[static_cast<std::size_t>(k)]; }
    C_Button *commandButton(int k) const { return m_button1[static_cast<std::size_t>(k)]; }
    C_ProgressBar *progressBar() const { return m_progress; }
    QLabel *statusLabel() const { return m_label4; }
    VolSetPanel &volSet() const { return *m_volSet; }
    TitleStrip *titleStrip(int n) const { return m_pictures[static_cast<std::size_t>(n - 1)]; }
    QWidget *host() const { return m_host; }

private:
    void buildMusicPanel();
    void buildMicPanel();
    void buildEffPanel();
    void buildBottomRow();
    void buildStatusAndButtons();
    bool eventFilter(QObject *watched, QEvent *event) override;
    void setReadingOrder();

    bool connected() const;
    void chooseMode(int list, int index);
    void onTableSliderScroll(TableId table, int slot);
    void onMusicToggle(int slot);
    void onExciterClick();
    void onInputClick(int k);
    void onKeyClick(int k);
    void onSwitchClick(int k);
    void onStartLevelScrolled(int k);
    void markSlot(TableId table, int slot);
    void markAllSlots();

    WindowServices &m_services;
    ParameterStore &m_store;
    QWidget *m_host = nullptr;
    TargetLink *m_link = nullptr;
    std::unique_ptr<SettingControls> m_settingControls;
    SettingEditor *m_editor = nullptr;
    WindowMenu *m_windowMenu = nullptr;
    std::function<void()> m_startKeyTimer;
    std::function<bool(TableId, int, int)> m_slotMarked;

    QWidget *m_frame1 = nullptr;
    QWidget *m_frame2 = nullptr;
    std::array<C_ScrollBar *, 16> m_scrollBar7{};
    std::array<C_ScrollBar *, 9> m_scrollBar1{};
    std::array<C_ScrollBar *, 8> m_scrollBar3{};
    std::array<C_ScrollBar *, 10> m_scrollBar2{};
    C_FlagBar *m_flagBar1 = nullptr;
    C_FlagBar *m_flagBar2 = nullptr;
    C_FlagBar *m_flagBar3 = nullptr;
    QLabel *m_label3 = nullptr;
    QLabel *m_label6 = nullptr;
    std::array<C_ComboBox *, 3> m_comboBox{};
    std::array<C_Option *, 2> m_option1{};
    std::array<TitleStrip *, 5> m_pictures{};
    std::array<C_OptionEx *, 11> m_optionEx1{};
    std::array<C_OptionEx *, 3> m_optionEx2{};
    std::array<C_OptionEx *, 3> m_optionEx3{};
    std::array<C_Button *, 4> m_button1{};
    std::array<std::function<void()>, 4> m_commandActions;
    C_ProgressBar *m_progress = nullptr;
    QLabel *m_label4 = nullptr;
    QLabel *m_label5 = nullptr;
    VolSetPanel *m_volSet = nullptr;
};

} // namespace tonvara
