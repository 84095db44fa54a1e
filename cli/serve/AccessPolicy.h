// Who may use the server: a request whose Origin header names another site is refused, so a
// web page elsewhere cannot drive the rooms through a browser on this machine; with a token,
// every request but the page and its assets must carry it (a bearer header, or for the event
// socket the access_token query item), compared in constant time. Without a token the server
// listens on loopback only, and a Host header that names anything but a loopback host is
// refused too: a page on a name that resolves to 127.0.0.1 (DNS rebinding) sends its own
// name as Host and as Origin alike, which the origin check alone cannot tell. Pure; any thread.
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace tonvara::cli {

using HeaderList = QList<QPair<QByteArray, QByteArray>>;

// The first value of a header, its name compared without regard to case; empty when absent.
QByteArray headerValue(const HeaderList &headers, QByteArrayView name);
bool hasHeader(const HeaderList &headers, QByteArrayView name);

// Equal bytes, in a time that depends on the lengths only.
bool constantTimeEquals(QByteArrayView a, QByteArrayView b);

class AccessPolicy
{
  public:
    enum class Verdict
    {
        Allowed,
        ForeignOrigin, // 403
        ForeignHost,   // 403: without a token, a Host that is not a loopback name
        NoToken        // 401
    };

    AccessPolicy() = default;
    explicit AccessPolicy(QByteArray token) : m_token(std::move(token)) {}
    bool needsToken() const { return !m_token.isEmpty(); }

    // open: the page and its assets, which need no token. queryToken: the access_token query
    // item, taken only where a browser cannot set headers (the event socket).
    Verdict check(const HeaderList &headers, bool open, const QByteArray &queryToken = {}) const;

  private:
    QByteArray m_token;
};

// The token file's one line, or why it cannot be used.
struct TokenFile
{
    QByteArray token;
    QString error;
};
TokenFile readTokenFile(const QString &path);

} // namespace tonvara::cli
