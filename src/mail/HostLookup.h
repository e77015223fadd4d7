#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The addresses of a host name, looked up on a thread of its own that nobody waits for.
//
// The system's resolver cannot be interrupted; a lookup through Qt would hold the program at its
// exit until the resolver gives up (ten seconds and more when the name server does not answer).
// This lookup's thread is detached: the caller may stop waiting at any time, and the thread,
// which touches nothing but its own shared state, ends with the process if not before.
class HostLookup
{
public:
    // Numeric addresses ("192.0.2.7", "2001:db8::1") of a host name; empty when it has none.
    using Resolver = std::function<std::vector<std::string>(const std::string& host)>;

    // Starts the lookup at once.
    explicit HostLookup(const QString& host);
    ~HostLookup();
    HostLookup(const HostLookup&) = delete;
    HostLookup& operator=(const HostLookup&) = delete;

    // Waits at most ms for the answer; true once it has come.
    bool wait(int ms);
    // The answer; empty before it has come or when the name is unknown.
    QList<QHostAddress> addresses() const;

    // For tests: the resolver every later lookup runs (getaddrinfo when none is set).
    static void setResolver(Resolver resolver);

private:
    struct State;
    std::shared_ptr<State> m_state;
};
