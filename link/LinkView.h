// What the link shows on, and reads from, the main window: the status label, the progress bar,
// the KEY row and the controls that the post-connect synchronisation fills. Declared here,
// implemented by the main window. Setting values through it must not raise control events.
// User-interface thread only.
#pragma once

#include <QString>

namespace tonvara {

class LinkView
{
  public:
    virtual ~LinkView() = default;

    // Label4 caption and its tool tip (why no port opened, empty when connected).
    virtual void setStatusCaption(const QString &text) = 0;
    virtual void setStatusHint(const QString &tooltip) = 0;
    virtual void setMainWindowEnabled(bool enabled) = 0;
    virtual void setProgressValue(int percent) = 0;
    // All KEY options off, natural on; display only.
    virtual void showNaturalKey() = 0;

    // VOL(SET) group k (0 MUSIC, 1 MIC, 2 EFF): the start-level slider and the Max entry.
    virtual void setStartLevel(int k, int level) = 0;
    virtual int startLevel(int k) const = 0;
    // The number in the Max entry, as the entry's text reads (0 when it holds no number).
    virtual int maxEntryNumber(int k) const = 0;

    virtual void setMute(bool on) = 0;
    virtual void setLock(bool on) = 0;
    virtual void setExciter(bool on) = 0;
    virtual void clearInputs() = 0;
    virtual void selectInput(int index) = 0;

    // What the bulk Read applies and the Upload sends. The current rows of the store onto the
    // controls.
    virtual void showCurrentModes() = 0;
    virtual bool muteOn() const = 0;
    virtual bool lockOn() const = 0;
    virtual bool exciterOn() const = 0;
    // Index of the first INPUT option that is on, or kNoInput (3) when none is.
    virtual int selectedInput() const = 0;
    // VOL(SET) spin bar index (3k minimum, 3k+1 maximum, 3k+2 start mode of group k).
    virtual int spinValue(int index) const = 0;
    // Group k to these numbers through its entries: the maximum committed before the minimum,
    // then the start mode.
    virtual void applyVolSetGroup(int k, int minLevel, int maxLevel, int startMode) = 0;
};

} // namespace tonvara
