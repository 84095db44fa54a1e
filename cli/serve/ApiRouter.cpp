#include "ApiRouter.h"

#include "PrometheusText.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUrl>

namespace tonvara::cli {

namespace {

// The staff page and its two assets: our own files, compiled in as Qt resources.
struct Asset
{
    const char *path;
    const char *file;
    const char *contentType;
};
constexpr Asset kAssets[] = {
    {"", "index.html", "text/html; charset=utf-8"},
    {"index.html", "index.html", "text/html; charset=utf-8"},
    {"style.css", "style.css", "text/css; charset=utf-8"},
    {"app.js", "app.js", "text/javascript; charset=utf-8"},
};

const Asset *findAsset(const QStringList &path)
{
    if (path.size() > 1)
        return nullptr;
    const QString name = path.isEmpty() ? QString() : path.first();
    for (const Asset &asset : kAssets)
        if (name == QLatin1String(asset.path))
            return &asset;
    return nullptr;
}

int statusOf(const ChangeOutcome &outcome)
{
    switch (outcome.kind) {
    case ChangeOutcome::Kind::Done:
        return 200;
    case ChangeOutcome::Kind::NotConnected:
        return 409;
    case ChangeOutcome::Kind::Failed:
        break;
    }
    return 503;
}

} // namespace

ApiAnswer jsonAnswer(int status, const QJsonObject &object)
{
    return {status, "application/json", QJsonDocument(object).toJson(QJsonDocument::Compact)};
}

ApiAnswer errorAnswer(int status, const QString &text)
{
    return jsonAnswer(status, QJsonObject{{QStringLiteral("error"), text}});
}

ApiRouter::ApiRouter(QString venue, QList<ServedRoom *> rooms, AccessPolicy access)
    : m_venue(std::move(venue)), m_rooms(std::move(rooms)), m_access(std::move(access))
{
}

ServedRoom *ApiRouter::room(const QString &name) const
{
    for (ServedRoom *room : m_rooms)
        if (room->name().compare(name, Qt::CaseInsensitive) == 0)
            return room;
    return nullptr;
}

QStringList ApiRouter::pathSegments(const QByteArray &target)
{
    QByteArray path = target;
    const qsizetype query = path.indexOf('?');
    if (query >= 0)
        path.truncate(query);
    QStringList segments;
    for (const QByteArray &part : path.split('/'))
        if (!part.isEmpty())
            segments.append(QUrl::fromPercentEncoding(part));
    return segments;
}

QByteArray ApiRouter::queryItem(const QByteArray &target, const QString &name)
{
    const qsizetype query = target.indexOf('?');
    if (query < 0)
        return {};
    for (const QByteArray &item : target.mid(query + 1).split('&')) {
        const qsizetype equals = item.indexOf('=');
        const QByteArray key = equals < 0 ? item : item.left(equals);
        if (QUrl::fromPercentEncoding(key) == name)
            return QUrl::fromPercentEncoding(equals < 0 ? QByteArray() : item.mid(equals + 1))
                .toUtf8();
    }
    return {};
}

void ApiRouter::handle(const ApiRequest &request, Reply reply)
{
    // Every answer is counted by its status, once.
    const Reply counted = [this, reply = std::move(reply)](const ApiAnswer &answer) {
        ++m_answersByCode[answer.status];
        reply(answer);
    };
    const QStringList path = pathSegments(request.target);
    const bool open = request.method == "GET" && findAsset(path);
    if (const std::optional<ApiAnswer> refusal =
            accessRefusal(request, open, /*eventSocket=*/false))
        return counted(*refusal);
    if (request.body.size() > kMaxBodyBytes) {
        counted(errorAnswer(400, QStringLiteral("the body is larger than 64 KiB")));
        return;
    }
    route(request, path, counted);
}

std::optional<ApiAnswer> ApiRouter::accessRefusal(const ApiRequest &request, bool open,
                                                  bool eventSocket) const
{
    const QByteArray queryToken =
        eventSocket ? queryItem(request.target, QStringLiteral("access_token")) : QByteArray();
    switch (m_access.check(request.headers, open, queryToken)) {
    case AccessPolicy::Verdict::ForeignOrigin:
        return errorAnswer(403, QStringLiteral("requests from another site's page are refused"));
    case AccessPolicy::Verdict::ForeignHost:
        return errorAnswer(403, QStringLiteral("without --token-file this server answers only "
                                               "requests to localhost or a loopback address"));
    case AccessPolicy::Verdict::NoToken:
        return errorAnswer(401, eventSocket ? QStringLiteral("this server needs its token: add "
                                                             "?access_token=TOKEN")
                                            : QStringLiteral("this server needs its token: send "
                                                             "\"Authorization: Bearer TOKEN\""));
    case AccessPolicy::Verdict::Allowed:
        break;
    }
    return std::nullopt;
}

std::optional<ApiAnswer> ApiRouter::refuseUpgrade(const ApiRequest &request)
{
    std::optional<ApiAnswer> refusal = accessRefusal(request, /*open=*/false, /*eventSocket=*/true);
    if (!refusal && pathSegments(request.target) != QStringList{"api", "events"})
        refusal = errorAnswer(404, QStringLiteral("no such resource: events are at /api/events"));
    if (refusal)
        return countedAnswer(*refusal);
    return std::nullopt;
}

ApiAnswer ApiRouter::countedAnswer(ApiAnswer answer)
{
    ++m_answersByCode[answer.status];
    return answer;
}

// The routes: the page, the rooms, one room, its settings, release and take, the metrics.
void ApiRouter::route(const ApiRequest &request, const QStringList &path, const Reply &reply)
{
    const bool get = request.method == "GET";
    const bool post = request.method == "POST";
    const auto wrongMethod = [&reply](const char *allowed) {
        reply(errorAnswer(405, QStringLiteral("use %1 here").arg(QLatin1String(allowed))));
    };

    if (const Asset *page = findAsset(path))
        return get ? reply(asset(QLatin1String(page->file))) : wrongMethod("GET");
    if (path == QStringList{QStringLiteral("metrics")})
        return get ? reply({200, "text/plain; version=0.0.4; charset=utf-8", metricsText()})
                   : wrongMethod("GET");
    if (path.size() < 2 || path.at(0) != QLatin1String("api") ||
        path.at(1) != QLatin1String("rooms") || path.size() > 4)
        return reply(errorAnswer(404, QStringLiteral("no such resource")));

    if (path.size() == 2) {
        if (!get)
            return wrongMethod("GET");
        QJsonArray rooms;
        for (const ServedRoom *room : m_rooms)
            rooms.append(room->json());
        return reply(jsonAnswer(200, QJsonObject{{QStringLiteral("venue"), m_venue},
                                                 {QStringLiteral("rooms"), rooms}}));
    }
    ServedRoom *target = room(path.at(2));
    if (!target)
        return reply(
            errorAnswer(404, QStringLiteral("no room named \"%1\"").arg(path.at(2).left(80))));
    if (path.size() == 3)
        return get ? reply(jsonAnswer(200, target->json())) : wrongMethod("GET");

    const QString action = path.at(3);
    if (action == QLatin1String("settings"))
        return post ? changeSettings(*target, request.body, reply) : wrongMethod("POST");
    if (action == QLatin1String("release") || action == QLatin1String("take"))
        return post ? roomCommand(*target, action == QLatin1String("release"), reply)
                    : wrongMethod("POST");
    reply(errorAnswer(404, QStringLiteral("no such resource")));
}

void ApiRouter::changeSettings(ServedRoom &room, const QByteArray &body, const Reply &reply)
{
    const ParsedChanges parsed = parseLiveChanges(body);
    if (!parsed.ok())
        return reply(errorAnswer(400, parsed.error));
    const RoomState state = room.snapshot().state;
    if (state != RoomState::Connected)
        return reply(errorAnswer(409, QStringLiteral("the room is %1").arg(roomStateText(state))));
    room.submit(parsed.changes, [reply](const ChangeOutcome &outcome, const QJsonObject &json) {
        const int status = statusOf(outcome);
        reply(status == 200 ? jsonAnswer(200, json) : errorAnswer(status, outcome.error));
    });
}

void ApiRouter::roomCommand(ServedRoom &room, bool release, const Reply &reply)
{
    const auto done = [reply](const ChangeOutcome &outcome, const QJsonObject &json) {
        const int status = statusOf(outcome);
        reply(status == 200 ? jsonAnswer(200, json) : errorAnswer(status, outcome.error));
    };
    if (release)
        room.release(done);
    else
        room.take(done);
}

ApiAnswer ApiRouter::asset(const QString &file)
{
    for (const Asset &asset : kAssets) {
        if (file != QLatin1String(asset.file))
            continue;
        QFile resource(QStringLiteral(":/tonvara/serve/web/") + file);
        if (!resource.open(QIODevice::ReadOnly))
            break;
        return {200, asset.contentType, resource.readAll()};
    }
    return errorAnswer(500,
                       QStringLiteral("the page's file %1 is missing from the program").arg(file));
}

QByteArray ApiRouter::metricsText() const
{
    PrometheusText text;
    const auto roomLabels = [this](const ServedRoom *room) {
        return PrometheusText::Labels{{"venue", m_venue}, {"room", room->name()}};
    };
    text.family("tonvara_room_up", "gauge", "1 while the room's target is connected, else 0.");
    for (const ServedRoom *room : m_rooms)
        text.sample("tonvara_room_up", roomLabels(room),
                    room->snapshot().state == RoomState::Connected ? 1 : 0);
    text.family("tonvara_room_link_losses_total", "counter",
                "Times the room's connected line was lost.");
    for (const ServedRoom *room : m_rooms)
        text.sample("tonvara_room_link_losses_total", roomLabels(room),
                    double(room->snapshot().linkLosses));
    text.family("tonvara_room_frames_total", "counter", "Frames put on the room's line.");
    for (const ServedRoom *room : m_rooms)
        text.sample("tonvara_room_frames_total", roomLabels(room), double(room->snapshot().frames));
    text.family("tonvara_http_requests_total", "counter", "HTTP requests answered, by status.");
    for (auto it = m_answersByCode.cbegin(); it != m_answersByCode.cend(); ++it)
        text.sample("tonvara_http_requests_total", {{"code", QString::number(it.key())}},
                    double(it.value()));
    return text.text();
}

} // namespace tonvara::cli
