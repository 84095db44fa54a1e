#include "ServeClient.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTcpSocket>
#include <QTimer>

namespace tonvara::test {

QJsonObject HttpResult::json() const
{
    return QJsonDocument::fromJson(body).object();
}

HttpResult httpRequest(quint16 port, const QByteArray &method, const QByteArray &path,
                       const QByteArray &body, const Headers &headers, int timeoutMs)
{
    QNetworkAccessManager manager;
    QNetworkRequest request(
        QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port) + QString::fromUtf8(path)));
    for (const auto &[name, value] : headers)
        request.setRawHeader(name, value);
    if (!body.isEmpty() && !request.hasRawHeader("Content-Type"))
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/json"));
    QNetworkReply *reply = manager.sendCustomRequest(request, method, body);
    QEventLoop loop;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    HttpResult result;
    if (reply->isFinished()) {
        result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        result.body = reply->readAll();
    } else {
        reply->abort();
    }
    reply->deleteLater();
    return result;
}

QByteArray rawExchange(quint16 port, const QByteArray &bytes, int timeoutMs)
{
    QTcpSocket socket;
    QByteArray received;
    QEventLoop loop;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QTcpSocket::connected, &socket, [&] { socket.write(bytes); });
    QObject::connect(&socket, &QTcpSocket::readyRead, &socket,
                     [&] { received += socket.readAll(); });
    QObject::connect(&socket, &QTcpSocket::disconnected, &loop, &QEventLoop::quit);
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    loop.exec();
    return received + socket.readAll();
}

EventClient::EventClient() : m_socket(std::make_unique<QWebSocket>())
{
    QObject::connect(m_socket.get(), &QWebSocket::textMessageReceived, m_socket.get(),
                     [this](const QString &text) { m_messages.append(text); });
    QObject::connect(m_socket.get(), &QWebSocket::disconnected, m_socket.get(),
                     [this] { m_closed = true; });
}

EventClient::~EventClient()
{
    m_socket->abort();
}

bool EventClient::open(const QString &url, const QString &origin, int timeoutMs)
{
    QNetworkRequest request{QUrl(url)};
    if (!origin.isEmpty())
        request.setRawHeader("Origin", origin.toUtf8());
    QEventLoop loop;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    QObject::connect(m_socket.get(), &QWebSocket::connected, &loop, &QEventLoop::quit);
    QObject::connect(m_socket.get(), &QWebSocket::disconnected, &loop, &QEventLoop::quit);
    m_socket->open(request);
    loop.exec();
    return m_socket->state() == QAbstractSocket::ConnectedState;
}

bool EventClient::waitFor(const QStringList &fragments, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (true) {
        for (qsizetype i = m_seen; i < m_messages.size(); ++i) {
            const QString &message = m_messages.at(i);
            const bool all =
                std::all_of(fragments.begin(), fragments.end(),
                            [&message](const QString &f) { return message.contains(f); });
            if (all) {
                m_seen = i + 1;
                return true;
            }
        }
        if (clock.elapsed() > timeoutMs || m_closed)
            return false;
        QEventLoop loop;
        QTimer::singleShot(50, &loop, &QEventLoop::quit);
        QObject::connect(m_socket.get(), &QWebSocket::textMessageReceived, &loop,
                         &QEventLoop::quit);
        loop.exec();
    }
}

int EventClient::waitForClose(int timeoutMs)
{
    if (!m_closed) {
        QEventLoop loop;
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        QObject::connect(m_socket.get(), &QWebSocket::disconnected, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return m_closed ? int(m_socket->closeCode()) : -1;
}

} // namespace tonvara::test
