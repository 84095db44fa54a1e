// The venue server's pure parts: a settings body checked whole and kept in the order given,
// the access rules and the request target's segments.
#include "AccessPolicy.h"
#include "ApiRouter.h"
#include "LiveSettings.h"
#include "VenueServer.h"

#include <QTest>

using namespace tonvara;
using namespace tonvara::cli;

class TestServeUnits : public QObject
{
    Q_OBJECT

  private slots:
    void changesKeepTheOrderGiven()
    {
        // QJsonObject sorts its keys; the line must see them as the request gave them.
        const ParsedChanges parsed =
            parseLiveChanges(R"({"START0": 40, "mute": 1, "Eff1.9": 7, "KEY": 3})");
        QVERIFY2(parsed.ok(), qPrintable(parsed.error));
        QStringList keys;
        for (const LiveChange &change : parsed.changes)
            keys.append(change.key);
        QCOMPARE(keys, QStringList({"START0", "MUTE", "Eff1.9", "KEY"}));
        QCOMPARE(parsed.changes.at(2).cell, SettingId::cell(TableId::Eff, 1, 9));
        QCOMPARE(parsed.changes.at(3).value, 3);
    }

    void keysInsideStringsAndNestingAreNotKeys()
    {
        const ParsedChanges nested = parseLiveChanges(R"({"MUTE": {"KEY": 1}})");
        QVERIFY(nested.error.contains("\"MUTE\" must be"));
        const ParsedChanges escaped = parseLiveChanges(R"({"MU\u0054E": 1, "EX": 0})");
        QVERIFY2(escaped.ok(), qPrintable(escaped.error));
        QCOMPARE(escaped.changes.first().key, QString("MUTE"));
    }

    void access_data()
    {
        QTest::addColumn<HeaderList>("headers");
        QTest::addColumn<bool>("open");
        QTest::addColumn<int>("verdict");
        const QByteArray token = "Bearer 0123456789abcdef";
        QTest::newRow("no origin, token")
            << HeaderList{{"Authorization", token}} << false << int(AccessPolicy::Verdict::Allowed);
        QTest::newRow("own origin") << HeaderList{{"Host", "10.0.0.2:8350"},
                                                  {"Origin", "http://10.0.0.2:8350"},
                                                  {"authorization", token}}
                                    << false << int(AccessPolicy::Verdict::Allowed);
        QTest::newRow("other port")
            << HeaderList{{"Host", "10.0.0.2:8350"}, {"Origin", "http://10.0.0.2:8351"}} << true
            << int(AccessPolicy::Verdict::ForeignOrigin);
        QTest::newRow("origin without host") << HeaderList{{"Origin", "http://x"}} << true
                                             << int(AccessPolicy::Verdict::ForeignOrigin);
        QTest::newRow("page without token")
            << HeaderList{} << true << int(AccessPolicy::Verdict::Allowed);
        QTest::newRow("api without token")
            << HeaderList{} << false << int(AccessPolicy::Verdict::NoToken);
        QTest::newRow("token one byte short")
            << HeaderList{{"Authorization", "Bearer 0123456789abcde"}} << false
            << int(AccessPolicy::Verdict::NoToken);
        QTest::newRow("basic scheme") << HeaderList{{"Authorization", "Basic 0123456789abcdef"}}
                                      << false << int(AccessPolicy::Verdict::NoToken);
    }
    void access()
    {
        QFETCH(HeaderList, headers);
        QFETCH(bool, open);
        QFETCH(int, verdict);
        const AccessPolicy policy(QByteArray("0123456789abcdef"));
        QCOMPARE(int(policy.check(headers, open)), verdict);
    }

    void hostWithoutToken_data()
    {
        QTest::addColumn<QByteArray>("host");
        QTest::addColumn<int>("verdict");
        QTest::newRow("localhost")
            << QByteArray("localhost:8350") << int(AccessPolicy::Verdict::Allowed);
        QTest::newRow("LOCALHOST without port")
            << QByteArray("LOCALHOST") << int(AccessPolicy::Verdict::Allowed);
        QTest::newRow("127.0.0.1")
            << QByteArray("127.0.0.1:8350") << int(AccessPolicy::Verdict::Allowed);
        QTest::newRow("127.0.0.2")
            << QByteArray("127.0.0.2:8350") << int(AccessPolicy::Verdict::Allowed);
        QTest::newRow("::1") << QByteArray("[::1]:8350") << int(AccessPolicy::Verdict::Allowed);
        QTest::newRow("no host header") << QByteArray() << int(AccessPolicy::Verdict::Allowed);
        QTest::newRow("rebound name")
            << QByteArray("rooms.example:8350") << int(AccessPolicy::Verdict::ForeignHost);
        QTest::newRow("localhost as a subdomain")
            << QByteArray("localhost.example:8350") << int(AccessPolicy::Verdict::ForeignHost);
        QTest::newRow("LAN address")
            << QByteArray("10.0.0.2:8350") << int(AccessPolicy::Verdict::ForeignHost);
    }
    void hostWithoutToken()
    {
        // A page on a name that resolves to this machine sends that name as Host and as Origin
        // alike, so the origin check passes it; the page and the API must both refuse it.
        QFETCH(QByteArray, host);
        QFETCH(int, verdict);
        HeaderList headers;
        if (!host.isEmpty())
            headers = {{"Host", host}, {"Origin", "http://" + host}};
        const AccessPolicy policy;
        QCOMPARE(int(policy.check(headers, /*open=*/true)), verdict);
        QCOMPARE(int(policy.check(headers, /*open=*/false)), verdict);
        // With a token the server may listen on the network, where any name is its own.
        const AccessPolicy withToken(QByteArray("0123456789abcdef"));
        QCOMPARE(int(withToken.check(headers, /*open=*/true)), int(AccessPolicy::Verdict::Allowed));
    }

    void requestHeads_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<int>("kind");
        QTest::newRow("plain GET")
            << QByteArray("GET / HTTP/1.1\r\nHost: x") << int(RequestHead::Http);
        QTest::newRow("browser upgrade")
            << QByteArray("GET /api/events HTTP/1.1\r\nConnection: Upgrade\r\nUpgrade: WebSocket")
            << int(RequestHead::WebSocket);
        QTest::newRow("other upgrade")
            << QByteArray("GET / HTTP/1.1\r\nUpgrade: h2c") << int(RequestHead::Http);
        QTest::newRow("64 KiB body")
            << QByteArray("POST /x HTTP/1.1\r\ncontent-length: 65536") << int(RequestHead::Http);
        QTest::newRow("one byte more") << QByteArray("POST /x HTTP/1.1\r\nContent-Length: 65537")
                                       << int(RequestHead::BodyTooLarge);
        QTest::newRow("length beyond 64 bits")
            << QByteArray("POST /x HTTP/1.1\r\nContent-Length: 99999999999999999999")
            << int(RequestHead::BodyTooLarge);
    }
    void requestHeads()
    {
        QFETCH(QByteArray, head);
        QFETCH(int, kind);
        QCOMPARE(int(classifyRequestHead(head)), kind);
    }

    void targetsSplitIntoDecodedSegments()
    {
        QCOMPARE(ApiRouter::pathSegments("/api/rooms/Side%20Room/settings?x=1"),
                 QStringList({"api", "rooms", "Side Room", "settings"}));
        QCOMPARE(ApiRouter::pathSegments("/api/rooms/a%2Fb"), QStringList({"api", "rooms", "a/b"}));
        QCOMPARE(ApiRouter::queryItem("/api/events?x=1&access_token=a%2Bb", "access_token"),
                 QByteArray("a+b"));
    }
};

QTEST_GUILESS_MAIN(TestServeUnits)
#include "tst_serveunits.moc"
