// tonvara-cli serve VENUE [--listen ADDRESS:PORT] [--token-file FILE]: checks the venue file,
// the address and the token before anything is opened, then serves the venue until SIGINT or
// SIGTERM. Main thread; needs a QCoreApplication.
#pragma once

#include <QHostAddress>
#include <QString>
#include <QStringList>

namespace tonvara::cli {

inline constexpr quint16 kDefaultServePort = 8350;

struct ListenAddress
{
    QHostAddress address;
    quint16 port = kDefaultServePort;
    QString error; // why the text is no address; empty when it is one
};
// "127.0.0.1:8350", "[::1]:8350", "localhost:8350", "0.0.0.0:8350".
ListenAddress parseListenAddress(const QString &text);

// The help of the serve command, as --help prints it.
QString serveHelpText();

// arguments after "serve". The exit status.
int runServe(const QStringList &arguments);

} // namespace tonvara::cli
