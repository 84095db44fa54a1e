#include "ControlAccessibility.h"

#include "C_Button.h"
#include "C_ComboBox.h"
#include "C_FlagBar.h"
#include "C_Option.h"
#include "C_ProgressBar.h"
#include "C_ScrollBar.h"
#include "ControlMath.h"
#include "FocusReturn.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QPointer>

#include <map>

namespace tonvara {

namespace {

// The widget's own accessible name when its host gave one, else the control's own text.
QString nameOr(const QWidget *widget, const QString &ownText)
{
    const QString name = widget->accessibleName();
    return name.isEmpty() ? ownText : name;
}

QString markText()
{
    return QString::fromLatin1(kDifferenceMarkText);
}

// The base of every control's interface: a press action that does what a click does, beside
// the focus action Qt gives every focusable widget.
class AccessibleControl : public QAccessibleWidget
{
  public:
    AccessibleControl(QWidget *widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}

    QStringList actionNames() const override
    {
        return ownActions() + QAccessibleWidget::actionNames();
    }
    void doAction(const QString &action) override
    {
        if (ownActions().contains(action))
            act(action);
        else
            QAccessibleWidget::doAction(action);
    }
    QStringList keyBindingsForAction(const QString &action) const override
    {
        if (action == pressAction() || action == toggleAction())
            return {QStringLiteral("Space")};
        return QAccessibleWidget::keyBindingsForAction(action);
    }

  protected:
    virtual QStringList ownActions() const { return {pressAction()}; }
    virtual void act(const QString &action) = 0;
};

// C_ScrollBar: a slider with the value interface; the read-out is its value text.
class AccessibleScrollBar : public AccessibleControl, public QAccessibleValueInterface
{
  public:
    explicit AccessibleScrollBar(C_ScrollBar *slider)
        : AccessibleControl(slider, QAccessible::Slider)
    {
    }
    C_ScrollBar *slider() const { return static_cast<C_ScrollBar *>(object()); }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return AccessibleControl::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Name:
            return nameOr(slider(), slider()->title());
        case QAccessible::Value:
            return slider()->valueTip();
        case QAccessible::Description: {
            // The AT-SPI bridge passes a value on as a bare number; the read-out in its unit
            // reaches a screen reader as the description, with the mark a sighted user sees.
            const QString own = slider()->accessibleDescription();
            const QString text = own.isEmpty() ? slider()->valueTip() : own;
            return slider()->isMarked() ? text + QStringLiteral(", ") + markText() : text;
        }
        default:
            return AccessibleControl::text(t);
        }
    }

    QVariant currentValue() const override { return slider()->value(); }
    void setCurrentValue(const QVariant &value) override
    {
        slider()->setValueByUser(roundHalfEven(value.toDouble()));
    }
    QVariant maximumValue() const override { return slider()->maxValue(); }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

  protected:
    QStringList ownActions() const override { return {increaseAction(), decreaseAction()}; }
    void act(const QString &action) override
    {
        slider()->setValueByUser(slider()->value() + (action == increaseAction() ? 1 : -1));
    }
};

// C_ProgressBar: a read-only value from 0 to 100 percent.
class AccessibleProgressBar : public QAccessibleWidget, public QAccessibleValueInterface
{
  public:
    explicit AccessibleProgressBar(C_ProgressBar *bar)
        : QAccessibleWidget(bar, QAccessible::ProgressBar)
    {
    }
    C_ProgressBar *bar() const { return static_cast<C_ProgressBar *>(object()); }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return QStringLiteral("%1%").arg(bar()->value());
        return QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override { return bar()->value(); }
    void setCurrentValue(const QVariant &) override {} // only the transfers move it
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }
};

// C_FlagBar: a check box showing the rocker's face (on while the on face shows).
class AccessibleFlagBar : public AccessibleControl
{
  public:
    explicit AccessibleFlagBar(C_FlagBar *toggle) : AccessibleControl(toggle, QAccessible::CheckBox)
    {
    }
    C_FlagBar *toggle() const { return static_cast<C_FlagBar *>(object()); }

    QAccessible::State state() const override
    {
        QAccessible::State s = AccessibleControl::state();
        s.checkable = true;
        s.checked = toggle()->isOn();
        return s;
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Description && toggle()->isMarked())
            return markText();
        return AccessibleControl::text(t);
    }

  protected:
    QStringList ownActions() const override { return {toggleAction(), pressAction()}; }
    void act(const QString &) override { toggle()->toggle(); }
};

// C_Option: a radio button with its caption.
class AccessibleOption : public AccessibleControl
{
  public:
    explicit AccessibleOption(C_Option *option)
        : AccessibleControl(option, QAccessible::RadioButton)
    {
    }
    C_Option *option() const { return static_cast<C_Option *>(object()); }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return nameOr(option(), option()->caption());
        return AccessibleControl::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = AccessibleControl::state();
        s.checkable = true;
        s.checked = option()->value();
        return s;
    }

  protected:
    void act(const QString &) override { option()->click(); }
};

// C_OptionEx: what a key is follows from its face. The INPUT keys (AUTO, AUX, BGM) are radio
// buttons, the KEY row and Reset push buttons; a lit KEY reads as checked. Mute and Lock are
// switches: Qt 6.4 has no toggle-button role and its AT-SPI bridge calls any button a push
// button, checkable or not, so they are check boxes, as the toggles are.
class AccessibleOptionEx : public AccessibleControl
{
  public:
    explicit AccessibleOptionEx(C_OptionEx *key)
        : AccessibleControl(key, roleOf(key->buttonIndex()))
    {
    }
    C_OptionEx *key() const { return static_cast<C_OptionEx *>(object()); }

    static QAccessible::Role roleOf(int buttonIndex)
    {
        if (isInput(buttonIndex))
            return QAccessible::RadioButton;
        return isSwitch(buttonIndex) ? QAccessible::CheckBox : QAccessible::PushButton;
    }
    static bool isInput(int buttonIndex) { return buttonIndex >= 11 && buttonIndex <= 13; }
    static bool isSwitch(int buttonIndex) { return buttonIndex == 14 || buttonIndex == 15; }
    static bool isReset(int buttonIndex) { return buttonIndex == 16; }

    QAccessible::Role role() const override { return roleOf(key()->buttonIndex()); }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return nameOr(key(), C_OptionEx::legend(key()->buttonIndex()));
        return AccessibleControl::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = AccessibleControl::state();
        const int index = key()->buttonIndex();
        s.checkable = isInput(index) || isSwitch(index);
        s.checked = !isReset(index) && key()->value();
        return s;
    }

  protected:
    QStringList ownActions() const override
    {
        if (isSwitch(key()->buttonIndex()))
            return {toggleAction(), pressAction()};
        return {pressAction()};
    }
    void act(const QString &) override { key()->click(); }
};

// C_Button: a push button with its caption.
class AccessibleButton : public AccessibleControl
{
  public:
    explicit AccessibleButton(C_Button *button) : AccessibleControl(button, QAccessible::PushButton)
    {
    }
    C_Button *button() const { return static_cast<C_Button *>(object()); }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return nameOr(button(), button()->caption());
        return AccessibleControl::text(t);
    }

  protected:
    void act(const QString &) override { button()->click(); }
};

// C_ComboBox: a combo box whose value is the shown item and whose one child is its list.
class AccessibleComboBox : public AccessibleControl
{
  public:
    explicit AccessibleComboBox(C_ComboBox *combo) : AccessibleControl(combo, QAccessible::ComboBox)
    {
    }
    C_ComboBox *combo() const { return static_cast<C_ComboBox *>(object()); }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return combo()->caption();
        return AccessibleControl::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = AccessibleControl::state();
        s.expandable = true;
        s.expanded = combo()->isOpen();
        s.collapsed = !combo()->isOpen();
        s.hasPopup = true;
        return s;
    }
    int childCount() const override { return 1; }
    QAccessibleInterface *child(int index) const override
    {
        return index == 0 ? QAccessible::queryAccessibleInterface(combo()->listWindow()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child && child->object() == combo()->listWindow() ? 0 : -1;
    }

  protected:
    QStringList ownActions() const override { return {showMenuAction(), pressAction()}; }
    void act(const QString &) override { combo()->togglePopup(); }
};

class AccessibleComboItem;

// The pop-up list of a C_ComboBox: a list with one item per entry.
class AccessibleComboList : public QAccessibleWidget
{
  public:
    AccessibleComboList(QWidget *list, C_ComboBox *combo)
        : QAccessibleWidget(list, QAccessible::List), m_combo(combo)
    {
    }
    ~AccessibleComboList() override;

    C_ComboBox *combo() const { return m_combo; }
    QAccessibleInterface *parent() const override
    {
        return QAccessible::queryAccessibleInterface(m_combo);
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return m_combo->accessibleName();
        return QAccessibleWidget::text(t);
    }
    int childCount() const override { return m_combo->itemCount(); }
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;

  private:
    C_ComboBox *m_combo = nullptr;
    mutable std::map<int, QAccessible::Id> m_items;
};

// One entry of the list; its press action picks it as a press on its row does.
class AccessibleComboItem : public QAccessibleInterface, public QAccessibleActionInterface
{
  public:
    AccessibleComboItem(QWidget *list, C_ComboBox *combo, int row)
        : m_list(list), m_combo(combo), m_row(row)
    {
    }

    bool isValid() const override { return m_list && m_combo && m_row < m_combo->itemCount(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_list ? m_list->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override
    {
        return QAccessible::queryAccessibleInterface(m_list.data());
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && isValid())
            return m_combo->itemText(m_row);
        return {};
    }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override
    {
        if (!isValid())
            return {};
        const int pitch = m_combo->rowPitch();
        return {m_list->mapToGlobal(QPoint(0, m_row * pitch)), QSize(m_list->width(), pitch)};
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid())
            return s;
        const bool current = m_row == m_combo->topIndex();
        s.selectable = true;
        s.selected = current;
        s.focusable = true;
        s.focused = current && m_combo->isOpen();
        s.invisible = !m_combo->isOpen();
        return s;
    }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface *>(this);
        return nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &action) override
    {
        if (action == pressAction() && isValid())
            m_combo->pickItem(m_row);
    }
    QStringList keyBindingsForAction(const QString &) const override
    {
        return {QStringLiteral("Return")};
    }

  private:
    QPointer<QWidget> m_list;
    QPointer<C_ComboBox> m_combo;
    int m_row = 0;
};

AccessibleComboList::~AccessibleComboList()
{
    for (const auto &[row, id] : m_items)
        QAccessible::deleteAccessibleInterface(id);
}

QAccessibleInterface *AccessibleComboList::child(int index) const
{
    if (index < 0 || index >= m_combo->itemCount())
        return nullptr;
    auto found = m_items.find(index);
    if (found != m_items.end())
        return QAccessible::accessibleInterface(found->second);
    auto *item = new AccessibleComboItem(widget(), m_combo, index);
    m_items[index] = QAccessible::registerAccessibleInterface(item);
    return item;
}

int AccessibleComboList::indexOfChild(const QAccessibleInterface *child) const
{
    for (const auto &[row, id] : m_items)
        if (QAccessible::accessibleInterface(id) == child)
            return row;
    return -1;
}

QAccessibleInterface *controlFactory(const QString &, QObject *object)
{
    if (auto *slider = qobject_cast<C_ScrollBar *>(object))
        return new AccessibleScrollBar(slider);
    if (auto *combo = qobject_cast<C_ComboBox *>(object))
        return new AccessibleComboBox(combo);
    if (auto *toggle = qobject_cast<C_FlagBar *>(object))
        return new AccessibleFlagBar(toggle);
    if (auto *option = qobject_cast<C_Option *>(object))
        return new AccessibleOption(option);
    if (auto *key = qobject_cast<C_OptionEx *>(object))
        return new AccessibleOptionEx(key);
    if (auto *button = qobject_cast<C_Button *>(object))
        return new AccessibleButton(button);
    if (auto *bar = qobject_cast<C_ProgressBar *>(object))
        return new AccessibleProgressBar(bar);
    // The list window of a drop-down list is a plain widget owned by its control.
    if (object && object->isWidgetType()) {
        auto *combo = qobject_cast<C_ComboBox *>(object->parent());
        if (combo && combo->listWindow() == object)
            return new AccessibleComboList(static_cast<QWidget *>(object), combo);
    }
    return nullptr;
}

} // namespace

void installControlAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(controlFactory);
        return true;
    }();
    (void)installed;
}

void prepareKeyboardUse(QWidget &control)
{
    installControlAccessibility();
    control.setFocusPolicy(Qt::TabFocus);
    new FocusReturn(&control);
}

bool takePressKey(QKeyEvent &event)
{
    const int key = event.key();
    if (key != Qt::Key_Space && key != Qt::Key_Return && key != Qt::Key_Enter) {
        event.ignore();
        return false;
    }
    event.accept();
    return !event.isAutoRepeat();
}

// Sent whether or not a tool listens, as Qt's own widgets do: Qt hands them on only to a bridge
// or handler that is there.
void announceValue(QObject *control, const QVariant &value)
{
    QAccessibleValueChangeEvent event(control, value);
    QAccessible::updateAccessibility(&event);
}

void announceChecked(QObject *control)
{
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(control, changed);
    QAccessible::updateAccessibility(&event);
}

void announceDescription(QObject *control)
{
    QAccessibleEvent event(control, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&event);
}

void announceExpanded(QObject *control)
{
    QAccessible::State changed;
    changed.expanded = true;
    changed.collapsed = true;
    QAccessibleStateChangeEvent event(control, changed);
    QAccessible::updateAccessibility(&event);
}

void announceListRow(QObject *comboBox, int row)
{
    QAccessibleInterface *combo = QAccessible::queryAccessibleInterface(comboBox);
    QAccessibleInterface *list = combo ? combo->child(0) : nullptr;
    QAccessibleInterface *item = list ? list->child(row) : nullptr;
    if (!item)
        return;
    QAccessibleEvent focus(item, QAccessible::Focus);
    QAccessible::updateAccessibility(&focus);
    QAccessibleEvent selection(item, QAccessible::Selection);
    QAccessible::updateAccessibility(&selection);
}

} // namespace tonvara
