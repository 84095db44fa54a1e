#include "VenueServer.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonDocument>
#include <QMetaEnum>
#include <QNetworkRequest>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QWebSocket>

#include <algorithm>
#include <memory>

namespace tonvara::cli {

namespace {

// Close codes of a refused event socket (the 4000s are the application's own).
constexpr quint16 kCloseNotFound = 4404;
constexpr quint16 kCloseForbidden = 4403;
constexpr quint16 kCloseUnauthorized = 4401;

// A request head larger than this is no request of ours.
constexpr qsizetype kMaxHeadBytes = 16 * 1024;
// A connection that sends no whole request head in this time is closed.
constexpr std::chrono::milliseconds kHeadTimeout{10000};
// How long the body of a refused request is read and dropped before the connection closes.
constexpr std::chrono::milliseconds kDrainTime{2000};

// Looks at the head of a connection's first request before Qt's HTTP server sees it: an
// upgrade to a WebSocket goes to the WebSocket server, anything else to the HTTP server with
// its bytes untouched. Reads nothing: it only peeks.
class UpgradeGate : public QTcpServer
{
  public:
    UpgradeGate(QWebSocketServer &webSockets, QObject *parent)
        : QTcpServer(parent), m_webSockets(webSockets)
    {
    }

  protected:
    void incomingConnection(qintptr descriptor) override
    {
        auto *socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        auto *deadline = new QTimer(socket);
        deadline->setSingleShot(true);
        connect(deadline, &QTimer::timeout, socket, &QTcpSocket::abort);
        deadline->start(kHeadTimeout);
        connect(socket, &QTcpSocket::readyRead, this,
                [this, socket, deadline] { inspect(socket, deadline); });
        // Until it is handed over (which disconnects this), a socket that goes is ours to delete.
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

  private:
    void inspect(QTcpSocket *socket, QTimer *deadline)
    {
        const QByteArray head = socket->peek(kMaxHeadBytes);
        const qsizetype end = head.indexOf("\r\n\r\n");
        if (end < 0) {
            if (head.size() >= kMaxHeadBytes)
                socket->abort();
            return;
        }
        deadline->stop();
        deadline->deleteLater();
        disconnect(socket, nullptr, this, nullptr);
        disconnect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        switch (classifyRequestHead(QByteArrayView(head).first(end))) {
        case RequestHead::WebSocket:
            m_webSockets.handleConnection(socket);
            break;
        case RequestHead::BodyTooLarge:
            refuseBody(socket);
            return;
        case RequestHead::Http:
            // Qt's HTTP server takes a whole request in before its handler sees it; bounded
            // here, a larger request on a kept-alive connection stalls instead of filling memory.
            socket->setReadBufferSize(kMaxHeadBytes + kMaxBodyBytes + kMaxHeadBytes);
            addPendingConnection(socket);
            break;
        }
        // The bytes are there already: tell the new reader, as the line would.
        emit socket->readyRead();
    }

    static void refuseBody(QTcpSocket *socket)
    {
        const ApiAnswer answer = errorAnswer(400, QStringLiteral("the body is larger than 64 KiB"));
        socket->write("HTTP/1.1 400 Bad Request\r\nContent-Type: " + answer.contentType +
                      "\r\nContent-Length: " + QByteArray::number(answer.body.size()) +
                      "\r\nConnection: close\r\n\r\n" + answer.body);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        // The body still on its way is read and dropped for a while: closing on unread bytes
        // would reset the connection, and the client could lose the answer.
        connect(socket, &QTcpSocket::readyRead, socket,
                [socket] { socket->skip(socket->bytesAvailable()); });
        socket->skip(socket->bytesAvailable());
        QTimer::singleShot(kDrainTime, socket, &QTcpSocket::disconnectFromHost);
    }

    QWebSocketServer &m_webSockets;
};

} // namespace

RequestHead classifyRequestHead(QByteArrayView head)
{
    bool upgrade = false;
    for (const QByteArray &line : head.toByteArray().split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon).trimmed();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name.compare("upgrade", Qt::CaseInsensitive) == 0)
            upgrade = value.compare("websocket", Qt::CaseInsensitive) == 0;
        if (name.compare("content-length", Qt::CaseInsensitive) == 0) {
            bool ok = false;
            const qulonglong length = value.toULongLong(&ok);
            const bool digits =
                !value.isEmpty() && std::all_of(value.begin(), value.end(),
                                                [](char c) { return c >= '0' && c <= '9'; });
            // Digits beyond 64 bits are too large as well; anything else Qt's parser refuses.
            if (digits && (!ok || length > qulonglong(kMaxBodyBytes)))
                return RequestHead::BodyTooLarge;
        }
    }
    return upgrade ? RequestHead::WebSocket : RequestHead::Http;
}

namespace {

QByteArray methodName(QHttpServerRequest::Method method)
{
    switch (method) {
    case QHttpServerRequest::Method::Get:
        return "GET";
    case QHttpServerRequest::Method::Put:
        return "PUT";
    case QHttpServerRequest::Method::Delete:
        return "DELETE";
    case QHttpServerRequest::Method::Post:
        return "POST";
    case QHttpServerRequest::Method::Head:
        return "HEAD";
    case QHttpServerRequest::Method::Options:
        return "OPTIONS";
    case QHttpServerRequest::Method::Patch:
        return "PATCH";
    case QHttpServerRequest::Method::Connect:
        return "CONNECT";
    case QHttpServerRequest::Method::Trace:
        return "TRACE";
    default:
        break;
    }
    return "UNKNOWN";
}

QByteArray targetOf(const QUrl &url)
{
    QByteArray target = url.path(QUrl::FullyEncoded).toUtf8();
    if (target.isEmpty())
        target = "/";
    if (url.hasQuery())
        target += '?' + url.query(QUrl::FullyEncoded).toUtf8();
    return target;
}

} // namespace

VenueServer::VenueServer(ApiRouter &router, QObject *parent)
    : QAbstractHttpServer(parent), m_router(router),
      m_webSockets(QStringLiteral("tonvara-cli"), QWebSocketServer::NonSecureMode)
{
    connect(&m_webSockets, &QWebSocketServer::newConnection, this, &VenueServer::onNewWebSocket);
}

VenueServer::~VenueServer()
{
    for (QWebSocket *socket : std::as_const(m_eventSockets)) {
        socket->disconnect(this);
        socket->abort();
        delete socket;
    }
}

quint16 VenueServer::listenOn(const QHostAddress &address, quint16 port, QString &error)
{
    auto *server = new UpgradeGate(m_webSockets, this);
    if (!server->listen(address, port)) {
        error = server->errorString();
        delete server;
        return 0;
    }
    bind(server);
    return server->serverPort();
}

bool VenueServer::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket)
{
    ApiRequest api;
    api.method = methodName(request.method());
    api.target = targetOf(request.url());
    for (const auto &[name, value] : request.headers())
        api.headers.append({name, value});
    api.body = request.body();

    // The room may answer after the client has gone; the socket is then no more.
    QPointer<QTcpSocket> guard(socket);
    auto responder = std::make_shared<QHttpServerResponder>(makeResponder(request, socket));
    m_router.handle(api, [guard, responder](const ApiAnswer &answer) {
        if (!guard || guard->state() != QAbstractSocket::ConnectedState)
            return;
        responder->write(answer.body,
                         {{"Content-Type", answer.contentType}, {"Cache-Control", "no-store"}},
                         static_cast<QHttpServerResponder::StatusCode>(answer.status));
    });
    return true;
}

void VenueServer::missingHandler(const QHttpServerRequest &request, QTcpSocket *socket)
{
    makeResponder(request, socket).write(QHttpServerResponder::StatusCode::NotFound);
}

void VenueServer::onNewWebSocket()
{
    while (m_webSockets.hasPendingConnections()) {
        QWebSocket *socket = m_webSockets.nextPendingConnection();
        if (!socket)
            return;
        // Every upgrade arrives here, whatever its path: only /api/events is an event socket.
        const QUrl url = socket->requestUrl();
        HeaderList headers;
        const QNetworkRequest upgrade = socket->request();
        for (const QByteArray &name : upgrade.rawHeaderList())
            headers.append({name, upgrade.rawHeader(name)});
        if (!hasHeader(headers, "host") && !url.host().isEmpty())
            headers.append(
                {"Host",
                 (url.host() + (url.port() > 0 ? QStringLiteral(":%1").arg(url.port()) : QString()))
                     .toUtf8()});
        if (!hasHeader(headers, "origin") && !socket->origin().isEmpty())
            headers.append({"Origin", socket->origin().toUtf8()});
        const QByteArray target = targetOf(url);
        quint16 refusal = 0;
        QString why;
        if (ApiRouter::pathSegments(target) != QStringList{"api", "events"}) {
            refusal = kCloseNotFound;
            why = QStringLiteral("no such resource: events are at /api/events");
        } else {
            switch (m_router.access().check(headers, /*open=*/false,
                                            ApiRouter::queryItem(target, "access_token"))) {
            case AccessPolicy::Verdict::ForeignOrigin:
                refusal = kCloseForbidden;
                why = QStringLiteral("requests from another site's page are refused");
                break;
            case AccessPolicy::Verdict::NoToken:
                refusal = kCloseUnauthorized;
                why = QStringLiteral("this server needs its token: add ?access_token=TOKEN");
                break;
            case AccessPolicy::Verdict::Allowed:
                break;
            }
        }
        if (refusal) {
            // Closed once the handshake that delivered it has unwound.
            QTimer::singleShot(0, socket, [socket, refusal, why] {
                socket->close(static_cast<QWebSocketProtocol::CloseCode>(refusal), why);
                socket->deleteLater();
            });
            continue;
        }
        socket->setParent(this);
        m_eventSockets.append(socket);
        connect(socket, &QWebSocket::disconnected, this, [this, socket] {
            m_eventSockets.removeOne(socket);
            socket->deleteLater();
        });
    }
}

void VenueServer::broadcast(const QJsonObject &event)
{
    const QString text = QString::fromUtf8(QJsonDocument(event).toJson(QJsonDocument::Compact));
    for (QWebSocket *socket : std::as_const(m_eventSockets))
        socket->sendTextMessage(text);
}

} // namespace tonvara::cli
