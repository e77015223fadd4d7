#include "Pop3Endpoint.h"

namespace {

bool parsePort(const QString& text, quint16& port)
{
    bool ok = false;
    const uint n = text.toUInt(&ok, 10);
    if (!ok || n == 0 || n > 65535)
        return false;
    port = static_cast<quint16>(n);
    return true;
}

} // namespace

Pop3Endpoint Pop3Endpoint::parse(const QString& server, quint16 defaultPort)
{
    Pop3Endpoint ep;
    QString rest = server.trimmed();
    bool explicitScheme = false;
    if (rest.startsWith(QStringLiteral("pop3s://"), Qt::CaseInsensitive)) {
        ep.tls = true;
        explicitScheme = true;
        rest = rest.mid(8);
    } else if (rest.startsWith(QStringLiteral("pop3://"), Qt::CaseInsensitive)) {
        explicitScheme = true;
        rest = rest.mid(7);
    }
    if (explicitScheme && rest.endsWith(u'/'))
        rest.chop(1);

    QString host = rest;
    QString portText;
    bool portGiven = false;
    if (rest.startsWith(u'[')) {
        const qsizetype close = rest.indexOf(u']');
        if (close < 0)
            return {};
        host = rest.mid(1, close - 1);
        const QString after = rest.mid(close + 1);
        if (!after.isEmpty()) {
            if (!after.startsWith(u':'))
                return {};
            portText = after.mid(1);
            portGiven = true;
        }
    } else if (rest.count(u':') == 1) {
        const qsizetype colon = rest.indexOf(u':');
        host = rest.left(colon);
        portText = rest.mid(colon + 1);
        portGiven = true;
    }
    // More than one colon without brackets: a bare IPv6 address, no port.

    if (portGiven) {
        if (!parsePort(portText, ep.port))
            return {};
        if (ep.port == TlsPort)
            ep.tls = true;
    } else {
        ep.port = ep.tls ? TlsPort : defaultPort;
    }
    if (host.isEmpty() || host.contains(u'/') || host.contains(u' '))
        return {};
    ep.host = host;
    return ep;
}
