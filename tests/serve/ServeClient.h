// A small HTTP and WebSocket client for the venue server's tests and benchmarks: one request at
// a time, waited for in the calling thread's event loop (so a server in the same thread keeps
// answering), each wait bounded. Test thread only.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QWebSocket>

#include <algorithm>
#include <memory>

namespace tonvara::test {

struct HttpResult
{
    int status = 0; // 0 when no answer came
    QByteArray body;
    QJsonObject json() const;
};

using Headers = QList<QPair<QByteArray, QByteArray>>;

// method and path ("/api/rooms/Bar/settings") against http://127.0.0.1:port.
HttpResult httpRequest(quint16 port, const QByteArray &method, const QByteArray &path,
                       const QByteArray &body = {}, const Headers &headers = {},
                       int timeoutMs = 15000);

// Writes bytes as they are to 127.0.0.1:port; what came back until the server closed the
// connection or the time ran out.
QByteArray rawExchange(quint16 port, const QByteArray &bytes, int timeoutMs = 5000);

// An event socket: collects every text message it receives.
class EventClient
{
  public:
    EventClient();
    ~EventClient();
    // True once the socket is open (false if it was refused or closed first).
    bool open(const QString &url, const QString &origin = {}, int timeoutMs = 5000);
    // Waits for a message that contains every given fragment; true when one came.
    bool waitFor(const QStringList &fragments, int timeoutMs = 15000);
    // Waits until the server closes the socket; its close code, or -1.
    int waitForClose(int timeoutMs = 5000);
    QStringList messages() const { return m_messages; }
    QWebSocket &socket() { return *m_socket; }

  private:
    std::unique_ptr<QWebSocket> m_socket;
    QStringList m_messages;
    qsizetype m_seen = 0;
    bool m_closed = false;
};

} // namespace tonvara::test
