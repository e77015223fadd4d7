#pragma once

#include <QString>

// Where the mail check connects: "host" (plain POP3 on the default port), "host:port",
// "pop3://host[:port]", or "pop3s://host[:port]" and "host:995" for POP3 over TLS.
// IPv6 addresses go in brackets when a port follows: "[::1]:110".
class Pop3Endpoint
{
public:
    static constexpr quint16 PlainPort = 110;
    static constexpr quint16 TlsPort = 995;

    // An unusable text (empty host, port out of range) gives an endpoint that is not valid.
    static Pop3Endpoint parse(const QString& server, quint16 defaultPort = PlainPort);

    bool isValid() const { return !host.isEmpty() && port != 0; }

    QString host;
    quint16 port = 0;
    bool tls = false;
};
