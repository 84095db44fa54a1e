#include "TonvaraApp.h"

#include "BulkTransfer.h"
#include "CommIndicator.h"
#include "CompareCommands.h"
#include "MainPages.h"
#include "QSerialLine.h"
#include "QtWindowServices.h"
#include "SettingEditor.h"
#include "TargetLink.h"
#include "WindowMenu.h"

#include <QApplication>

#include <memory>

namespace tonvara {

TonvaraApp::TonvaraApp(QtWindowServices &services)
    : m_services(services), m_window(std::make_unique<MainFrm_Big>(services))
{
    m_services.setDialogOwner(m_window.get());
    m_pages = new MainPages(services, m_store, m_window.get());
    m_link =
        std::make_unique<TargetLink>(services, m_store, *m_pages, std::make_unique<QSerialLine>());
    m_pages->setLink(m_link.get());
    MainFrm_Big *window = m_window.get();
    m_pages->setKeyTimerStarter([window] { window->timer1().setEnabled(true); });

    // Read and Upload: the total that makes 100 % is set just before each operation.
    auto bulk = std::make_shared<BulkTransfer>(services, *m_link, m_store, *m_pages);
    TargetLink *link = m_link.get();
    SettingEditor *editor = &m_pages->editor();
    m_pages->setCommandAction(0, [bulk, link, editor] {
        link->setFramesTotal(BulkTransfer::kReadFrames);
        editor->wholeEditorStep("Read", [&bulk] { bulk->readAllFromTarget(); });
    });
    m_pages->setCommandAction(1, [bulk, link] {
        link->setFramesTotal(BulkTransfer::kUploadFrames);
        bulk->uploadAllToTarget();
    });

    CompareCommands::Actions compare;
    compare.readTarget = [bulk, link] {
        link->setFramesTotal(BulkTransfer::kReadFrames);
        return bulk->readTargetSettings();
    };
    compare.upload = [bulk, link] {
        link->setFramesTotal(BulkTransfer::kUploadFrames);
        bulk->uploadAllToTarget();
    };
    compare.take = [this](const QString &label, const ProfileData &values) {
        m_pages->takeProfile(label.toStdString(), values);
    };
    compare.canActNow = [this] { return m_pages->editor().canActNow(); };
    m_compare = new CompareCommands(services, m_store, *m_pages, std::move(compare), m_pages);

    MainWindowParts parts;
    parts.placeTitleStrips = [this] { m_pages->placeTitleStrips(); };
    parts.loadAddresses = [this] { m_pages->loadAddresses(); };
    parts.placeMicRow = [this] { m_pages->placeMicRow(); };
    parts.styleContainers = [this] { m_pages->styleContainers(); };
    parts.fillModeLists = [this] { m_pages->fillModeLists(); };
    parts.loadDefaults = [this] { m_pages->loadDefaults(); };
    parts.initTrafficLog = [this] { m_link->initTrafficLog(); };
    parts.enableConnectionTimer = [this] { m_link->start(); };
    parts.openTrafficLog = [this] { openTrafficLog(); };
    parts.undo = [editor] { editor->undo(); };
    parts.redo = [editor] { editor->redo(); };
    parts.contextMenu = [this](QPoint at) { m_pages->windowMenu().popup(at); };
    m_pages->windowMenu().setTrafficLogAction([this] { openTrafficLog(); });
    parts.compareWithTarget = [this] { m_compare->compareWithTarget(); };
    parts.compareWithProfile = [this] { m_compare->compareWithProfile(); };
    m_pages->windowMenu().setCompareActions(parts.compareWithTarget, parts.compareWithProfile);
    parts.showNaturalKey = [this] { m_pages->showNaturalKey(); };
    parts.resetCommandButtons = [this] { m_pages->resetCommandButtons(); };
    parts.isWaitingForTarget = [this] { return m_link->isWaitingForReply(); };
    parts.abandonWait = [this] { m_link->abandonWait(); };
    parts.unload = [this] { m_link->closePort(); };
    m_window->setParts(std::move(parts));
    m_pages->setCommandAction(2, [this] { m_pages->importProfile(); });
    m_pages->setCommandAction(3, [this] { m_pages->saveProfile(); });

    QObject::connect(m_window.get(), &MainFrm_Big::unloaded, qApp, &QApplication::quit,
                     Qt::QueuedConnection);
}

TonvaraApp::~TonvaraApp()
{
    delete m_trafficWindow.data();
    m_pages->setLink(nullptr);
    m_link.reset();
}

void TonvaraApp::openTrafficLog()
{
    CommIndicator::openOrRaise(m_trafficWindow, m_services, m_link->trafficLog());
}

void TonvaraApp::start()
{
    m_window->load();
    m_window->show();
}

} // namespace tonvara
