#include "PortName.h"

#include "RS232Port.h"
#include "TcpLine.h"

#include <QFileInfo>
#include <QHash>
#include <QHostAddress>
#include <QHostInfo>
#include <QMutex>
#include <QRegularExpression>

namespace tonvara::cli {

namespace {

// The same device whatever path or symlink names it.
QString deviceIdentity(const QString &device)
{
    const QString canonical = QFileInfo(device).canonicalFilePath();
    return canonical.isEmpty() ? device : canonical;
}

// The names looked up so far in this run, and how.
struct HostNames
{
    QMutex mutex;
    HostLookup lookup;
    QHash<QString, QList<QHostAddress>> known; // by the name in lower case
};

HostNames &hostNames()
{
    static HostNames names;
    return names;
}

// The addresses a device server's host stands for: itself when it is an address, else what
// the name resolves to (nothing when it does not resolve).
QList<QHostAddress> serverAddresses(const QString &host)
{
    if (QHostAddress address; address.setAddress(host))
        return {address};
    HostNames &names = hostNames();
    const QMutexLocker lock(&names.mutex);
    const QString key = host.toLower();
    if (const auto found = names.known.constFind(key); found != names.known.cend())
        return *found;
    const QList<QHostAddress> addresses =
        names.lookup ? names.lookup(host) : QHostInfo::fromName(host).addresses();
    names.known.insert(key, addresses);
    return addresses;
}

// One device server port, however it is written: the scheme in any case, the port number
// with leading zeros, the host by name or by an address it resolves to.
bool sameServerPort(const TcpEntry &a, const TcpEntry &b)
{
    if (a.port != b.port)
        return false;
    if (a.host.compare(b.host, Qt::CaseInsensitive) == 0)
        return true;
    const QList<QHostAddress> first = serverAddresses(a.host);
    for (const QHostAddress &other : serverAddresses(b.host)) {
        for (const QHostAddress &address : first) {
            if (address.isEqual(other, QHostAddress::TolerantConversion))
                return true;
        }
    }
    return false;
}

bool sameDevice(const QString &a, const QString &b)
{
    const std::optional<TcpEntry> serverA = parseTcpEntry(a);
    const std::optional<TcpEntry> serverB = parseTcpEntry(b);
    if (serverA && serverB)
        return sameServerPort(*serverA, *serverB);
    if (serverA || serverB)
        return false;
    return deviceIdentity(a) == deviceIdentity(b);
}

} // namespace

PortName resolvePort(const QString &text, const QStringList &table)
{
    PortName port;
    port.name = text;
    static const QRegularExpression com(QStringLiteral("^COM([0-9]{1,3})$"),
                                        QRegularExpression::CaseInsensitiveOption);
    if (const QRegularExpressionMatch match = com.match(text); match.hasMatch()) {
        const int number = match.captured(1).toInt();
        if (number < 1 || number > RS232Port::kMaxPortNumber) {
            port.error = QStringLiteral("'%1' is not a port: COM1 to COM%2 are numbered")
                             .arg(text)
                             .arg(RS232Port::kMaxPortNumber);
            return port;
        }
        if (number > table.size()) {
            port.missing = table.isEmpty()
                               ? QStringLiteral("no serial port is listed, so nothing stands "
                                                "for %1")
                                     .arg(text.toUpper())
                               : QStringLiteral("only %1 serial port(s) are listed, so nothing "
                                                "stands for %2 (see tonvara-cli ports)")
                                     .arg(table.size())
                                     .arg(text.toUpper());
            return port;
        }
        port.device = table.at(number - 1);
        return port;
    }
    if (isTcpEntry(text)) {
        // The same form the port table takes.
        if (!parseTcpEntry(text)) {
            port.error =
                QStringLiteral("'%1' is not a network port: write tcp://HOST:PORT").arg(text);
            return port;
        }
        port.device = text;
        return port;
    }
    if (text.startsWith(QLatin1Char('/')) || text.startsWith(QLatin1String("./")) ||
        text.startsWith(QLatin1String("../"))) {
        port.device = text;
        return port;
    }
    port.error = QStringLiteral("'%1' is not a port: give COMn, a device path such as "
                                "/dev/ttyUSB0, or tcp://HOST:PORT")
                     .arg(text);
    return port;
}

void setHostLookup(HostLookup lookup)
{
    HostNames &names = hostNames();
    const QMutexLocker lock(&names.mutex);
    names.lookup = std::move(lookup);
    names.known.clear();
}

QString sameDeviceTwice(const QList<PortName> &ports)
{
    for (qsizetype i = 0; i < ports.size(); ++i) {
        if (ports[i].device.isEmpty())
            continue;
        for (qsizetype j = i + 1; j < ports.size(); ++j) {
            if (!ports[j].device.isEmpty() && sameDevice(ports[i].device, ports[j].device))
                return QStringLiteral("%1 and %2 are the same device (%3)")
                    .arg(ports[i].name, ports[j].name, ports[i].device);
        }
    }
    return {};
}

} // namespace tonvara::cli
