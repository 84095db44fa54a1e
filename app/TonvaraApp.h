// The composition root: creates the store, the main window with its pages, and the link, wires
// them together and runs the load sequence. Lives for the whole program.
#pragma once

#include "MainFrm_Big.h"
#include "ParameterStore.h"

#include <QPointer>

#include <memory>

namespace tonvara {

class CommIndicator;
class CompareCommands;
class MainPages;
class QtWindowServices;
class TargetLink;

class TonvaraApp
{
public:
    explicit TonvaraApp(QtWindowServices &services);
    ~TonvaraApp();

    void start();
    MainFrm_Big &mainWindow() { return *m_window; }
    MainPages &pages() { return *m_pages; }
    CompareCommands &compare() { return *m_compare; }
    TargetLink &link() { return *m_link; }
    ParameterStore &store() { return m_store; }

private:
    // The w key and the context menu: the traffic log window, opened or brought up.
    void openTrafficLog();

    QtWindowServices &m_services;
    ParameterStore m_store;
    std::unique_ptr<MainFrm_Big> m_window;
    MainPages *m_pages = nullptr; // child of the window
    CompareCommands *m_compare = nullptr; // child of the pages
    std::unique_ptr<TargetLink> m_link;
    QPointer<CommIndicator> m_trafficWindow; // shows the link's log: deleted before the link
};

} // namespace tonvara
