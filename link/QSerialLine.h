// SerialLine on a real device through QSerialPort: raw 8N1 without flow control, exclusive,
// non-blocking, low latency where the driver allows it (a USB adapter still slow after that is
// reported with the open). The first error on an open port closes it (queued, outside the error
// signal) and reports the loss once. Owned by RS232Port; user-interface thread only.
#pragma once

#include "PortHolder.h"
#include "SerialLine.h"

#include <QHash>
#include <QSerialPort>

#include <functional>
#include <optional>

namespace tonvara {

// Why an open of device failed, from the port's error and the device's file.
OpenOutcome classifyOpenFailure(const QString &device, QSerialPort::SerialPortError error,
                                const QString &errorText);
// A device the user may not open, from its mode bits, owner and group: the group is named only
// when its bits let members read and write, and never the root group, whose members may do far
// more than open a port.
OpenOutcome notAllowedOutcome(unsigned mode, const QString &owner, const QString &group,
                              unsigned groupId);

class QSerialLine : public SerialLine
{
    Q_OBJECT
  public:
    // sysfsRoot: where USB serial adapters are described (tests give a tree of their own).
    explicit QSerialLine(QObject *parent = nullptr,
                         const QString &sysfsRoot = QStringLiteral("/sys"));

    // Who holds a busy device, for the failure text (findPortHolder unless replaced).
    using HolderLookup = std::function<std::optional<PortHolder>(const QString &device)>;
    void setHolderLookup(HolderLookup lookUpHolder) { m_lookUpHolder = std::move(lookUpHolder); }
    ~QSerialLine() override;

    QStringList portTable() const override;
    OpenOutcome open(const QString &device) override;
    bool configure(int baudRate, int dataBits) override;
    qint64 bytesAvailable() const override;
    qint64 read(std::uint8_t *data, qint64 maxSize) override;
    void write(const std::uint8_t *data, qint64 size) override;
    void close() override;
    bool isOpen() const override;

  private:
    void onError(QSerialPort::SerialPortError error);

    QSerialPort m_port;
    HolderLookup m_lookUpHolder = [](const QString &device) { return findPortHolder(device); };
    // Busy devices and who held them when the cause was new (empty: not found).
    QHash<QString, QString> m_busyHolders;
    QMetaObject::Connection m_errorConnection;
    QString m_sysfsRoot;
};

} // namespace tonvara
