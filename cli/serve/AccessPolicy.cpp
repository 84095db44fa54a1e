#include "AccessPolicy.h"

#include <QFile>
#include <QHostAddress>
#include <QUrl>

#include <algorithm>

namespace tonvara::cli {

namespace {

// A token file is one line; anything longer is not a token.
constexpr qint64 kMaxTokenFileBytes = 4096;
constexpr qsizetype kMinTokenLength = 16;

// A Host header's host (without its port) is localhost or a loopback address.
bool namesLoopback(const QByteArray &host)
{
    const QString name = QUrl(QStringLiteral("http://") + QString::fromLatin1(host)).host();
    if (name.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(name);
    return !address.isNull() && address.isLoopback();
}

} // namespace

QByteArray headerValue(const HeaderList &headers, QByteArrayView name)
{
    for (const auto &[key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

bool hasHeader(const HeaderList &headers, QByteArrayView name)
{
    return std::any_of(headers.begin(), headers.end(), [name](const auto &header) {
        return header.first.compare(name, Qt::CaseInsensitive) == 0;
    });
}

bool constantTimeEquals(QByteArrayView a, QByteArrayView b)
{
    unsigned difference = a.size() == b.size() ? 0u : 1u;
    const qsizetype n = std::max(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned char x = i < a.size() ? static_cast<unsigned char>(a[i]) : 0;
        const unsigned char y = i < b.size() ? static_cast<unsigned char>(b[i]) : 0;
        difference |= static_cast<unsigned>(x ^ y);
    }
    return difference == 0;
}

AccessPolicy::Verdict AccessPolicy::check(const HeaderList &headers, bool open,
                                          const QByteArray &queryToken) const
{
    if (hasHeader(headers, "origin")) {
        // The server's own origin is http://HOST:PORT as the Host header names it.
        const QByteArray origin = headerValue(headers, "origin").trimmed();
        const QByteArray host = headerValue(headers, "host").trimmed();
        if (host.isEmpty() || origin.compare("http://" + host, Qt::CaseInsensitive) != 0)
            return Verdict::ForeignOrigin;
    }
    if (m_token.isEmpty()) {
        const QByteArray host = headerValue(headers, "host").trimmed();
        return host.isEmpty() || namesLoopback(host) ? Verdict::Allowed : Verdict::ForeignHost;
    }
    if (open)
        return Verdict::Allowed;
    const QByteArray authorization = headerValue(headers, "authorization").trimmed();
    const QByteArray scheme = "bearer ";
    if (authorization.size() > scheme.size() &&
        authorization.left(scheme.size()).compare(scheme, Qt::CaseInsensitive) == 0 &&
        constantTimeEquals(authorization.mid(scheme.size()).trimmed(), m_token))
        return Verdict::Allowed;
    if (!queryToken.isEmpty() && constantTimeEquals(queryToken, m_token))
        return Verdict::Allowed;
    return Verdict::NoToken;
}

TokenFile readTokenFile(const QString &path)
{
    TokenFile result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("%1: cannot be read: %2").arg(path, file.errorString());
        return result;
    }
    const QByteArray text = file.read(kMaxTokenFileBytes + 1);
    if (text.size() > kMaxTokenFileBytes) {
        result.error = QStringLiteral("%1: a token file holds one line").arg(path);
        return result;
    }
    const QByteArray line = text.split('\n').first().trimmed();
    if (line.size() < kMinTokenLength || line.contains(' ') || line.contains('\t')) {
        result.error = QStringLiteral("%1: the token must be one word of at least %2 characters")
                           .arg(path)
                           .arg(kMinTokenLength);
        return result;
    }
    result.token = line;
    return result;
}

} // namespace tonvara::cli
