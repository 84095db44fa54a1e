#include "TonvaraApp.h"

#include "QtWindowServices.h"

#include <QApplication>

namespace tonvara {

TonvaraApp::TonvaraApp(QtWindowServices &services)
    : m_services(services), m_window(std::make_unique<MainFrm_Big>(services))
{
    m_services.setDialogOwner(m_window.get());
    QObject::connect(m_window.get(), &MainFrm_Big::unloaded, qApp, &QApplication::quit,
                     Qt::QueuedConnection);
}

TonvaraApp::~TonvaraApp() = default;

void TonvaraApp::start()
{
    m_window->load();
    m_window->show();
}

} // namespace tonvara
