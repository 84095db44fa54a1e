// The server's requests and answers, apart from the sockets that carry them: the route table,
// the access checks, the checks of a settings body, the room calls and every answer's status and
// JSON, the page's assets and the metrics text. The HTTP server hands it each parsed request;
// the fuzz target hands it any bytes. Server thread only.
#pragma once

#include "AccessPolicy.h"
#include "ServedRoom.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>

#include <functional>
#include <optional>

namespace tonvara::cli {

struct ApiRequest
{
    QByteArray method; // "GET", "POST" ...
    QByteArray target; // the path and query as sent: "/api/rooms/Side%20Room?x=1"
    HeaderList headers;
    QByteArray body;
};

struct ApiAnswer
{
    int status = 200;
    QByteArray contentType;
    QByteArray body;
};

class ApiRouter
{
  public:
    using Reply = std::function<void(const ApiAnswer &answer)>;

    ApiRouter(QString venue, QList<ServedRoom *> rooms, AccessPolicy access);

    // Answers through reply exactly once, at once or when the room has answered.
    void handle(const ApiRequest &request, Reply reply);
    // The answer that refuses a WebSocket upgrade (for its origin, its token or a path other
    // than /api/events), or none when it may open an event socket. Counted as any answer.
    std::optional<ApiAnswer> refuseUpgrade(const ApiRequest &request);
    // An answer given before a request reached the router (a body too large), counted.
    ApiAnswer countedAnswer(ApiAnswer answer);

    QString venue() const { return m_venue; }
    const QList<ServedRoom *> &rooms() const { return m_rooms; }
    ServedRoom *room(const QString &name) const;
    const AccessPolicy &access() const { return m_access; }
    // The Prometheus text of /metrics.
    QByteArray metricsText() const;

    // The path of a request target split into its segments, each percent-decoded.
    static QStringList pathSegments(const QByteArray &target);
    // The value of one query item of a request target, percent-decoded.
    static QByteArray queryItem(const QByteArray &target, const QString &name);

  private:
    // The event socket alone may carry its token in the query: a browser cannot set its headers.
    std::optional<ApiAnswer> accessRefusal(const ApiRequest &request, bool open,
                                           bool eventSocket) const;
    void route(const ApiRequest &request, const QStringList &path, const Reply &reply);
    void changeSettings(ServedRoom &room, const QByteArray &body, const Reply &reply);
    void roomCommand(ServedRoom &room, bool release, const Reply &reply);
    static ApiAnswer asset(const QString &file);

    QString m_venue;
    QList<ServedRoom *> m_rooms;
    AccessPolicy m_access;
    QMap<int, quint64> m_answersByCode;
};

// {"error": text} with its status; every refusal reads the same.
ApiAnswer errorAnswer(int status, const QString &text);
ApiAnswer jsonAnswer(int status, const QJsonObject &object);

} // namespace tonvara::cli
