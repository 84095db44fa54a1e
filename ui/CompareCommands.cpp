#include "CompareCommands.h"

#include "CompareWindow.h"
#include "MainPages.h"
#include "ParameterStore.h"
#include "ProfileCommands.h"
#include "SettingsDifference.h"
#include "WindowServices.h"

#include <QFileInfo>

namespace tonvara {

CompareCommands::CompareCommands(WindowServices &services, const ParameterStore &store,
                                 MainPages &pages, Actions actions, QObject *parent)
    : QObject(parent), m_services(services), m_store(store), m_pages(pages),
      m_actions(std::move(actions))
{
}

CompareCommands::~CompareCommands()
{
    // The window belongs to the main window and may outlive this; it must not call back.
    if (m_window)
        m_window->disconnect(this);
}

CompareWindow *CompareCommands::window() const
{
    return m_window.data();
}

void CompareCommands::compareWithTarget()
{
    if (m_actions.canActNow && !m_actions.canActNow())
        return;
    // A window still open belongs to an earlier state of the target; and its buttons must not
    // act while the read holds the main window.
    closeWindow();
    const std::optional<ProfileData> target = m_actions.readTarget();
    if (!target)
        return;
    open(QString::fromLatin1(kTargetTitle), *target, QStringLiteral("target"),
         QString::fromLatin1(kTakeTarget), /*withUpload=*/true);
}

void CompareCommands::compareWithProfile()
{
    if (m_actions.canActNow && !m_actions.canActNow())
        return;
    const std::optional<OpenedProfile> profile = openProfile(m_services);
    if (!profile)
        return;
    closeWindow();
    const QString title =
        QString::fromLatin1(kProfileTitle) + QLatin1Char(' ') + QFileInfo(profile->path).fileName();
    open(title, profile->data, QStringLiteral("profile"), QString::fromLatin1(kTakeProfile),
         /*withUpload=*/false);
}

void CompareCommands::open(const QString &title, const ProfileData &other, const QString &otherName,
                           const QString &takeCaption, bool withUpload)
{
    m_editor = profileFromStore(m_store);
    m_other = other;
    m_takeLabel = takeCaption;

    const std::vector<SettingDifference> differences = settingDifferences(m_editor, m_other);
    QStringList lines;
    for (const std::string &line : differenceLines(differences, "editor", otherName.toStdString()))
        lines.append(QString::fromStdString(line));

    m_window = new CompareWindow(title, lines, takeCaption,
                                 withUpload ? QString::fromLatin1(kUploadEditor) : QString(),
                                 m_pages.host()->window());
    connect(m_window, &CompareWindow::takeRequested, this, &CompareCommands::onTake);
    connect(m_window, &CompareWindow::uploadRequested, this, &CompareCommands::onUpload);
    connect(m_window, &CompareWindow::closing, this, &CompareCommands::onWindowClosing);
    m_pages.setSlotMarks(
        [this](TableId table, int row, int slot) { return slotMarked(table, row, slot); });
    m_window->placeBeside(*m_pages.host()->window());
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

bool CompareCommands::slotMarked(TableId table, int row, int slot) const
{
    const std::uint8_t then = m_editor.value(table, row, slot);
    return then != m_other.value(table, row, slot) &&
           m_store.cellAt(table, row, slot).value == then;
}

void CompareCommands::closeWindow()
{
    if (m_window)
        m_window->close();
}

void CompareCommands::onWindowClosing()
{
    m_pages.setSlotMarks({});
}

void CompareCommands::onTake()
{
    if (m_actions.canActNow && !m_actions.canActNow())
        return;
    const ProfileData other = m_other;
    const QString label = m_takeLabel;
    // The list is what the editor was; once it holds the other values nothing is left to show.
    closeWindow();
    m_actions.take(label, other);
}

void CompareCommands::onUpload()
{
    if (m_actions.canActNow && !m_actions.canActNow())
        return;
    closeWindow();
    m_actions.upload();
}

} // namespace tonvara
