#include "VenueServer.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonDocument>
#include <QMetaEnum>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QWebSocket>

#include <algorithm>
#include <memory>

namespace tonvara::cli {

namespace {

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
    UpgradeGate(QWebSocketServer &webSockets, ApiRouter &router, QObject *parent)
        : QTcpServer(parent), m_webSockets(webSockets), m_router(router)
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
        const QByteArrayView requestHead = QByteArrayView(head).first(end);
        switch (classifyRequestHead(requestHead)) {
        case RequestHead::WebSocket:
            // Refused with its status before the handshake: a page elsewhere never sees it open.
            if (const std::optional<ApiAnswer> refusal =
                    m_router.refuseUpgrade(upgradeRequest(requestHead))) {
                refuse(socket, *refusal);
                return;
            }
            m_webSockets.handleConnection(socket);
            break;
        case RequestHead::BodyTooLarge:
            refuse(socket, m_router.countedAnswer(
                               errorAnswer(400, QStringLiteral("the body is larger than 64 KiB"))));
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

    // The request line and headers of an upgrade's head; it has no body.
    static ApiRequest upgradeRequest(QByteArrayView head)
    {
        ApiRequest request;
        const QList<QByteArray> lines = head.toByteArray().split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        request.method = requestLine.value(0);
        request.target = requestLine.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines.at(i).indexOf(':');
            if (colon > 0)
                request.headers.append(
                    {lines.at(i).left(colon).trimmed(), lines.at(i).mid(colon + 1).trimmed()});
        }
        return request;
    }

    static QByteArray reasonPhrase(int status)
    {
        switch (status) {
        case 401:
            return "Unauthorized";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        default:
            break;
        }
        return "Bad Request";
    }

    // Answers the connection's first request with a refusal and closes it.
    static void refuse(QTcpSocket *socket, const ApiAnswer &answer)
    {
        socket->write("HTTP/1.1 " + QByteArray::number(answer.status) + ' ' +
                      reasonPhrase(answer.status) + "\r\nContent-Type: " + answer.contentType +
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
    ApiRouter &m_router;
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
    auto *server = new UpgradeGate(m_webSockets, m_router, this);
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
    // The gate has checked every upgrade it hands over: path, origin and token.
    while (m_webSockets.hasPendingConnections()) {
        QWebSocket *socket = m_webSockets.nextPendingConnection();
        if (!socket)
            return;
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
