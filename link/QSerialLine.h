// SerialLine on a real device through QSerialPort: raw 8N1 without flow control, exclusive,
// non-blocking. The first error on an open port closes it (queued, outside the error signal)
// and reports the loss once. Owned by RS232Port; user-interface thread only.
#pragma once

#include "SerialLine.h"

#include <QSerialPort>

namespace tonvara {

// Why an open of device failed, from the port's error and the device's file.
OpenOutcome classifyOpenFailure(const QString &device, QSerialPort::SerialPortError error,
                                const QString &errorText);

class QSerialLine : public SerialLine
{
    Q_OBJECT
  public:
    explicit QSerialLine(QObject *parent = nullptr);
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
    void closeAfterError();

    QSerialPort m_port;
    QMetaObject::Connection m_errorConnection;
    bool m_lossPending = false;
};

} // namespace tonvara
