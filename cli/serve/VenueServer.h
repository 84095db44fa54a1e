// The venue server's sockets: Qt's HTTP server parses each request and hands it to the
// ApiRouter, answering later when a room has acknowledged its frames (and not at all when the
// client has gone by then). A connection that opens with a WebSocket upgrade goes to Qt's
// WebSocket server instead (6.4's HTTP server hands a browser's upgrade to its handlers as a
// plain GET); each event socket is checked here (its path, origin and token) and then receives
// every event as one JSON text message. Server thread only.
#pragma once

#include "ApiRouter.h"

#include <QAbstractHttpServer>
#include <QHostAddress>
#include <QJsonObject>
#include <QList>
#include <QWebSocketServer>

class QWebSocket;

namespace tonvara::cli {

// What the head of a connection's first request asks for, looked at before Qt's HTTP server
// reads it: an upgrade to a WebSocket, a body too large to take in (by its Content-Length), or
// an ordinary request. head: the bytes up to the blank line that ends it.
enum class RequestHead
{
    Http,
    WebSocket,
    BodyTooLarge
};
RequestHead classifyRequestHead(QByteArrayView head);

class VenueServer : public QAbstractHttpServer
{
    Q_OBJECT
  public:
    explicit VenueServer(ApiRouter &router, QObject *parent = nullptr);
    ~VenueServer() override;

    // The port it listens on, or 0 with error set.
    quint16 listenOn(const QHostAddress &address, quint16 port, QString &error);

    // One event to every open event socket.
    void broadcast(const QJsonObject &event);
    qsizetype eventSocketCount() const { return m_eventSockets.size(); }

  protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

  private:
    void onNewWebSocket();

    ApiRouter &m_router;
    QWebSocketServer m_webSockets;
    QList<QWebSocket *> m_eventSockets;
};

} // namespace tonvara::cli
