// The one serial port of the program: open by number (COM1..COM12 mapped to table entries built
// afresh for every scan), configure, bytes waiting, read, write, close. An entry is a device path
// or tcp://HOST:PORT, a serial device server; its form picks the line that opens it. Keeps the
// handle and the waiting count as the rest of the link expects them. Tells why an entry did not
// open, which USB adapter slows transfers and what a device server said instead of answering:
// one line on stderr per entry and cause, and the latest for the status tool tip. Owned by TargetLink; user-interface thread only.
#pragma once

#include "SerialLine.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace tonvara {

// COM numbers map to the entries of TONVARA_PORTS when it is set, else to the devices the system
// lists, in its order. Entries are separated by ':'; a tcp://HOST:PORT entry keeps its own colons.
QStringList portTableFrom(bool envSet, const QString &envValue, const QStringList &systemPorts);

// Why a device did not open and the fix, without naming it: "not allowed to open it. Join ...".
QString openFailureReason(const OpenOutcome &outcome);
// What lets the user open a device they may not: joining its group when the group may read and
// write it, else a udev rule (see the README), as only the owner may open it.
QString notAllowedAdvice(const OpenOutcome &outcome);
// That the device (server) answered Identify with a line of text rather than a model byte,
// quoting it, without naming the port: "the device server answered with text: "Port ..."".
QString answerTextReason(const QString &device, const QString &text);
// The text that explains a failed open of device, naming the port, the device and the fix.
QString openFailureText(int portNumber, const QString &device, const OpenOutcome &outcome);
// That a USB adapter will slow transfers, with the remedy, without naming the port; empty when
// it will not.
QString slowAdapterReason(int latencyTimerMs, const QString &timerFile);
// The same, naming the port and the device.
QString slowAdapterText(int portNumber, const QString &device, int latencyTimerMs,
                        const QString &timerFile);

class RS232Port : public QObject
{
    Q_OBJECT
  public:
    static constexpr int kMaxPortNumber = 12;
    static constexpr int kBytesWaitingCap = 100;
    static constexpr int kInvalidHandle = -1;
    static constexpr int kDeviceHandle = 0x7FFF; // a device opened by name, not by number

    // line opens the device paths and gives the port table; networkLine opens the tcp:// entries
    // (without one, line opens those too).
    explicit RS232Port(std::unique_ptr<SerialLine> line,
                       std::unique_ptr<SerialLine> networkLine = nullptr,
                       QObject *parent = nullptr);
    ~RS232Port() override;

    // Reads the port table again (start of every scan).
    void rebuildPortTable();
    QStringList portTable() const { return m_table; }
    // The device COM<n> stands for, or empty.
    QString deviceOf(int portNumber) const;

    bool openPort(const QString &portNumberText);
    // Opens a device named directly rather than by number (the command line's --port), without
    // the reports of a scan: the caller tells the user.
    OpenOutcome openDevice(const QString &device);
    bool configurePort(int baudRate, int byteSize);
    // What the open line dropped when it was configured, where it keeps that (see SerialLine).
    QByteArray droppedByConfigure() const { return m_active->droppedByConfigure(); }
    void updateBytesWaiting();
    // Up to count already received bytes (count is at most kBytesWaitingCap); the number read.
    int read(std::uint8_t *buffer, int count);
    void write(const std::uint8_t *data, int count);
    void closePort();

    int portHandle() const { return m_portHandle; }
    int bytesWaiting() const { return m_bytesWaiting; }
    bool isOpen() const { return m_active->isOpen(); }
    // The line of device paths.
    SerialLine &line() { return *m_line; }

    // The latest reason a device did not open, empty when none.
    QString lastFailureText() const { return m_lastFailureText; }
    // Every reason met since the table was last rebuilt, one per device, in port order, and the
    // slow adapters among the devices that opened.
    QStringList scanFailureTexts() const { return m_scanFailures; }
    // The open device is a slow USB adapter: what to tell about it, else empty.
    QString openNoteText() const { return m_openNote; }
    // COM<portNumber> answered Identify with a line of text (a device server's notice): told like
    // a failed open, once per device and text, and kept with the scan's reasons.
    void reportAnswerText(int portNumber, const QString &text);
    // Where the one-line reports go; stderr unless replaced (tests).
    void setDiagnosticSink(std::function<void(const QString &)> sink) { m_sink = std::move(sink); }

  Q_SIGNALS:
    void failureTextChanged(const QString &text);
    // From whichever line is open (see SerialLine).
    void readyRead();
    void lineLost();

  private:
    // Picks the line that the entry's form asks for and opens the entry on it.
    OpenOutcome openEntry(const QString &device);
    void report(const QString &device, const QString &cause, const QString &text);

    std::unique_ptr<SerialLine> m_line;
    std::unique_ptr<SerialLine> m_networkLine;
    SerialLine *m_active = nullptr; // the line of the entry opened last
    QString m_openNote;
    QStringList m_table;
    int m_portHandle = 0;
    int m_bytesWaiting = 0;
    QString m_lastFailureText;
    QStringList m_scanFailures;
    QSet<QString> m_reported; // device + cause already told on stderr
    std::function<void(const QString &)> m_sink;
};

} // namespace tonvara
