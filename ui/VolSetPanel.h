// The VOL(SET) column: three groups (0 MUSIC, 1 MIC, 2 EFF), each a start-level slider and
// minimum, maximum and start-mode entries with spin bars. The spin bars hold the numbers;
// the entries show them or the user's pending edit (red until committed). Keeps the store's
// VolSet records equal to the controls. Minimum, maximum and start mode never send; a start
// level the user moves goes to the store and the line through the owner's setting editor
// (startLevelScrolled). Each user commit and spin change is reported (groupEdited) for undo.
// Owned by MainPages; user-interface thread only.
#pragma once

#include "ParameterStore.h"

#include <QLineEdit>
#include <QObject>

#include <array>

class QLabel;
class QScrollBar;

namespace tonvara {

class C_ScrollBar;

// An entry box of the column: takes digits only, by any route (Enter commits, every other
// character, Backspace included, is discarded; paste and drop of anything else are refused);
// the start-mode entry takes no typing at all.
class VolEntry : public QLineEdit
{
    Q_OBJECT
public:
    VolEntry(bool acceptsDigits, QWidget *parent);

signals:
    void enterPressed();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool m_acceptsDigits = true;
};

class VolSetPanel : public QObject
{
    Q_OBJECT
public:
    static constexpr int kEntryCount = 9;

    VolSetPanel(ParameterStore &store, QWidget *host);

    // Takes the text of entry `index` into its spin bar by the commit rules.
    void commitEntry(int index);
    // Runs after every change of spin bar `index`, by the user or by code.
    void spinChanged(int index);

    // For loading, bulk reads and imports: put text into an entry and commit it.
    void putAndCommit(int index, const QString &text);
    void setSpin(int index, int value);
    int spinValue(int index) const;
    // Sets one group to these numbers through the commit rules, in the order that makes a valid
    // pair (minimum not above maximum) end exactly as given whatever the group held before,
    // a pending edit in it included (dropped, its entry black again); then the start mode.
    void applyGroup(int k, int minLevel, int maxLevel, int startMode);

    int startLevel(int k) const;
    void setStartLevel(int k, int level); // no event, no frame
    // The number in the Max entry as its text reads (0 when it holds none).
    int maxEntryNumber(int k) const;

    C_ScrollBar *startSlider(int k) const { return m_start[static_cast<std::size_t>(k)]; }
    VolEntry *entry(int index) const { return m_entries[static_cast<std::size_t>(index)]; }
    QScrollBar *spin(int index) const { return m_spins[static_cast<std::size_t>(index)]; }

    static QString startModeText(int group, int startMode);

signals:
  // The user moved start level k; the slider's value is already limited to the maximum.
  void startLevelScrolled(int k);
  // The user committed entry 3k + entry or changed its spin bar; `before` is the group as
  // it was (the store and the controls hold the new numbers).
  void groupEdited(int k, int entry, const tonvara::VolSet &before);

private:
    void onStartScroll(int k);
    void onSpinAction(int index);
    void setEntryColour(int index, const QColor &colour);
    static int entryNumber(const QString &text);

    ParameterStore &m_store;
    std::array<C_ScrollBar *, 3> m_start{};
    std::array<VolEntry *, kEntryCount> m_entries{};
    std::array<QScrollBar *, kEntryCount> m_spins{};
    // A user's spin action about to change spin bar `index`, and its group before it.
    int m_userSpin = -1;
    VolSet m_userSpinBefore;
};

} // namespace tonvara
