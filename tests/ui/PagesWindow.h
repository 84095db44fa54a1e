// The main window's pages on a plain host widget and virtual time, after the window's load
// steps (strips, addresses, MIC row, containers, mode lists, factory values). Shared by the
// tests of the pages; each adds what it needs (a link, command actions).
#pragma once

#include "ParameterStore.h"

#include "MainPages.h"
#include "VirtualWindowServices.h"

#include <QWidget>

namespace tonvara {

struct PagesWindow
{
    VirtualWindowServices services;
    ParameterStore store;
    QWidget host;
    MainPages pages{services, store, &host};

    PagesWindow() { host.resize(932, 674); }
    void load()
    {
        pages.placeTitleStrips();
        pages.loadAddresses();
        pages.placeMicRow();
        pages.styleContainers();
        pages.fillModeLists();
        pages.loadDefaults();
    }
};

} // namespace tonvara
