// Fuzz target: arbitrary bytes as one request to the venue server's request handling. The
// input is split into a method line, a target line, header lines up to an empty line, and the
// body. Two stand-in rooms record what would go on their lines. Every request gets exactly one
// answer with a status the API uses; a change reaches a room only from an allowed POST of a
// body that is good as a whole, to a connected room, and then exactly as checked; a refusal
// sends nothing; every JSON answer is a JSON object. The bytes are also read as a request head
// by the check that runs before Qt's HTTP server.
#include "FuzzCheck.h"

#include "ApiRouter.h"
#include "VenueServer.h"

#include <QJsonDocument>

#include <cstddef>
#include <cstdint>
#include <optional>

using namespace tonvara::cli;

namespace {

const QByteArray kToken = "fuzz-token-0123456789";

class StandInRoom : public ServedRoom
{
  public:
    StandInRoom(QString name, RoomState state) : m_name(std::move(name))
    {
        m_snapshot.state = state;
    }
    QString name() const override { return m_name; }
    QString port() const override { return QStringLiteral("/dev/null"); }
    RoomSnapshot snapshot() const override { return m_snapshot; }
    void submit(const QList<LiveChange> &changes, Done done) override
    {
        submitted = changes;
        done({}, json());
    }
    void release(Done done) override { done({}, json()); }
    void take(Done done) override { done({}, json()); }

    std::optional<QList<LiveChange>> submitted;

  private:
    QString m_name;
    RoomSnapshot m_snapshot;
};

bool sameChanges(const QList<LiveChange> &a, const QList<LiveChange> &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a[i].key != b[i].key || a[i].value != b[i].value || a[i].kind != b[i].kind)
            return false;
    return true;
}

ApiRequest requestOf(QByteArrayView bytes)
{
    ApiRequest request;
    QByteArray rest = bytes.toByteArray();
    const auto takeLine = [&rest]() {
        const qsizetype end = rest.indexOf('\n');
        QByteArray line = end < 0 ? rest : rest.left(end);
        rest = end < 0 ? QByteArray() : rest.mid(end + 1);
        if (line.endsWith('\r'))
            line.chop(1);
        return line;
    };
    request.method = takeLine();
    request.target = takeLine();
    while (!rest.isEmpty()) {
        const QByteArray line = takeLine();
        if (line.isEmpty())
            break;
        const qsizetype colon = line.indexOf(':');
        request.headers.append({colon < 0 ? line : line.left(colon),
                                colon < 0 ? QByteArray() : line.mid(colon + 1).trimmed()});
    }
    request.body = rest;
    return request;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // The same bytes as the head the server looks at before Qt's HTTP server reads it.
    const QByteArrayView raw(data, qsizetype(size));
    if (classifyRequestHead(raw) == RequestHead::BodyTooLarge)
        FUZZ_CHECK(raw.toByteArray().toLower().contains("content-length"));

    StandInRoom bar(QStringLiteral("Bar"), RoomState::Connected);
    StandInRoom side(QStringLiteral("Side Room"), RoomState::NotConnected);
    ApiRouter router(QStringLiteral("Harbour"), {&bar, &side}, AccessPolicy(kToken));
    const ApiRequest request = requestOf(QByteArrayView(data, qsizetype(size)));

    int answers = 0;
    ApiAnswer answer;
    router.handle(request, [&](const ApiAnswer &a) {
        ++answers;
        answer = a;
    });
    FUZZ_CHECK(answers == 1);
    static const QList<int> kStatuses = {200, 400, 401, 403, 404, 405, 409};
    FUZZ_CHECK(kStatuses.contains(answer.status));
    if (answer.contentType == "application/json")
        FUZZ_CHECK(QJsonDocument::fromJson(answer.body).isObject());

    FUZZ_CHECK(!side.submitted); // never to a room that is not connected
    if (bar.submitted) {
        FUZZ_CHECK(answer.status == 200);
        FUZZ_CHECK(request.method == "POST");
        const QStringList path = ApiRouter::pathSegments(request.target);
        FUZZ_CHECK(path.size() == 4 && path[0] == "api" && path[1] == "rooms" &&
                   path[2].compare("Bar", Qt::CaseInsensitive) == 0 && path[3] == "settings");
        const ParsedChanges parsed = parseLiveChanges(request.body);
        FUZZ_CHECK(parsed.ok());
        FUZZ_CHECK(sameChanges(*bar.submitted, parsed.changes));
        for (const LiveChange &change : parsed.changes)
            FUZZ_CHECK(change.value >= 0 && change.value <= 127);
    }
    if (answer.status >= 400)
        FUZZ_CHECK(!bar.submitted);
    return 0;
}
