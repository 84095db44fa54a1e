// The composition root: creates the store, the link, the pages and the main window, wires
// them together and runs the load sequence. Lives for the whole program.
#pragma once

#include "MainFrm_Big.h"

#include <memory>

namespace tonvara {

class QtWindowServices;

class TonvaraApp
{
public:
    explicit TonvaraApp(QtWindowServices &services);
    ~TonvaraApp();

    void start();
    MainFrm_Big &mainWindow() { return *m_window; }

private:
    QtWindowServices &m_services;
    std::unique_ptr<MainFrm_Big> m_window;
};

} // namespace tonvara
