// What a --port argument stands for: COMn in the editor's numbering (the n-th device of the
// port table), a device path, or tcp://HOST:PORT. Pure; any thread.
#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace tonvara::cli {

struct PortName
{
    QString name;   // as the user wrote it; every output line starts with it
    QString device; // what the line opens; empty when nothing stands for the name
    QString error;  // a usage error (the name is not a port at all); empty when it is one
    // COMn without a device in the table: the port fails, the others go on.
    QString missing;
};

// table: the devices that stand for COM1, COM2 ... (the link's port table).
PortName resolvePort(const QString &text, const QStringList &table);

// The first two names that stand for the same device, as a usage error; empty when none. A
// device is the same whatever path or link names it; a device server port the same whatever
// case its scheme is written in, with leading zeros in its number, or by a name of its host or
// an address the name resolves to (looked up here, so called before any port is worked).
QString sameDeviceTwice(const QList<PortName> &ports);

// How a device server's host name becomes its addresses (the name server, unless a test gives
// its own). Each name is looked up once in a run however many entries name it: a venue compares
// every pair of its rooms, and a name server that is slow or drops a query would otherwise be
// asked again for every pair.
using HostLookup = std::function<QList<QHostAddress>(const QString &host)>;
void setHostLookup(HostLookup lookup);

} // namespace tonvara::cli
