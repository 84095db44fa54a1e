// What assistive tools (screen readers, AT-SPI) see of the self-drawn controls: a role, a
// name, states, the value interface of the slider and the progress bar, the items of a
// drop-down list, and actions that do what a click does. The interfaces are made by a factory
// that every control registers when it is created, so any host of the library gets them; the
// host names its controls (setAccessibleName) where a control's own text says too little.
// User-interface thread only.
#pragma once

#include <QVariant>

class QKeyEvent;
class QObject;
class QWidget;

namespace tonvara {

// Registers the factory with Qt once; later calls do nothing.
void installControlAccessibility();

// For the controls that a click never focuses (buttons, keys, options, toggles): reached by
// Tab only, so mouse use looks the same; the focus back after a send that disabled them; the
// accessible interfaces.
void prepareKeyboardUse(QWidget &control);
// Space or Enter, the keys that press a focused button, key, option or toggle: accepts them
// and answers true. Any other key is ignored (passed on). A held key's repeats press nothing.
bool takePressKey(QKeyEvent &event);

// What the description of a slider or toggle adds while it carries the difference mark.
inline constexpr const char *kDifferenceMarkText = "differs from the compared values";

// Announcements to assistive tools.
void announceValue(QObject *control, const QVariant &value);
void announceChecked(QObject *control);
void announceExpanded(QObject *control);
void announceDescription(QObject *control);
// The highlighted row of an open drop-down list takes the focus for the tool.
void announceListRow(QObject *comboBox, int row);

} // namespace tonvara
