#include "WindowMenu.h"

#include "SettingEditor.h"

#include <QAction>
#include <QMenu>

namespace tonvara {

namespace {

// The keys shown beside the items. Their work is done by the main window's key handling,
// wherever the focus is; here they only label the items.
QAction *itemWithKey(QMenu *menu, const QKeySequence &keys)
{
    QAction *action = menu->addAction(QString());
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WidgetShortcut);
    return action;
}

} // namespace

WindowMenu::WindowMenu(SettingEditor &editor, QWidget *parent)
    : QObject(parent), m_editor(editor), m_menu(new QMenu(parent))
{
    m_menu->setObjectName(QStringLiteral("WindowMenu"));
    m_undo = itemWithKey(m_menu, QKeySequence(Qt::CTRL | Qt::Key_Z));
    m_redo = itemWithKey(m_menu, QKeySequence(Qt::CTRL | Qt::Key_Y));
    m_menu->addSeparator();
    m_compareTarget = itemWithKey(m_menu, QKeySequence(Qt::CTRL | Qt::Key_D));
    m_compareTarget->setText(QStringLiteral("Compare with target\u2026"));
    m_compareProfile = itemWithKey(m_menu, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D));
    m_compareProfile->setText(QStringLiteral("Compare with profile\u2026"));
    m_menu->addSeparator();
    m_trafficLog = m_menu->addAction(QStringLiteral("Traffic log"));

    connect(m_undo, &QAction::triggered, this, [this] { m_editor.undo(); });
    connect(m_redo, &QAction::triggered, this, [this] { m_editor.redo(); });
    const auto run = [](const std::function<void()> &action) {
        if (action)
            action();
    };
    connect(m_compareTarget, &QAction::triggered, this, [this, run] { run(m_compareWithTarget); });
    connect(m_compareProfile, &QAction::triggered, this,
            [this, run] { run(m_compareWithProfile); });
    connect(m_trafficLog, &QAction::triggered, this, [this, run] { run(m_openTrafficLog); });
    refresh();
}

WindowMenu::~WindowMenu() = default;

void WindowMenu::setCompareActions(std::function<void()> withTarget,
                                   std::function<void()> withProfile)
{
    m_compareWithTarget = std::move(withTarget);
    m_compareWithProfile = std::move(withProfile);
    refresh();
}

void WindowMenu::refresh()
{
    const bool free = m_editor.canActNow();
    // A step's title may hold "&" (Echo-B L&R), which a menu would take as a mnemonic.
    const auto plain = [](QString text) {
        return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    };
    m_undo->setText(plain(m_editor.undoText()));
    m_undo->setEnabled(free && m_editor.history().canUndo());
    m_redo->setText(plain(m_editor.redoText()));
    m_redo->setEnabled(free && m_editor.history().canRedo());
    // A comparison reads the target or opens a dialog: not while the editor is busy.
    m_compareTarget->setEnabled(free && static_cast<bool>(m_compareWithTarget));
    m_compareProfile->setEnabled(free && static_cast<bool>(m_compareWithProfile));
    m_trafficLog->setEnabled(static_cast<bool>(m_openTrafficLog));
}

void WindowMenu::popup(QPoint globalPos)
{
    refresh();
    m_menu->popup(globalPos);
}

} // namespace tonvara
