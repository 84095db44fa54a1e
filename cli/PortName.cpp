#include "PortName.h"

#include "RS232Port.h"
#include "TcpLine.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace tonvara::cli {

namespace {

// The same device whatever path or symlink names it.
QString deviceIdentity(const QString &device)
{
    const QString canonical = QFileInfo(device).canonicalFilePath();
    return canonical.isEmpty() ? device : canonical;
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

QString sameDeviceTwice(const QList<PortName> &ports)
{
    for (qsizetype i = 0; i < ports.size(); ++i) {
        if (ports[i].device.isEmpty())
            continue;
        for (qsizetype j = i + 1; j < ports.size(); ++j) {
            if (!ports[j].device.isEmpty() &&
                deviceIdentity(ports[i].device) == deviceIdentity(ports[j].device))
                return QStringLiteral("%1 and %2 are the same device (%3)")
                    .arg(ports[i].name, ports[j].name, ports[i].device);
        }
    }
    return {};
}

} // namespace tonvara::cli
