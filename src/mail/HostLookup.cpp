#include "HostLookup.h"

#include <condition_variable>
#include <mutex>
#include <netdb.h>
#include <sys/socket.h>
#include <thread>

namespace {

std::vector<std::string> systemResolve(const std::string& host)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_ADDRCONFIG;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0)
        return {};
    std::vector<std::string> addresses;
    for (const addrinfo* a = found; a; a = a->ai_next) {
        char text[NI_MAXHOST];
        if (getnameinfo(a->ai_addr, a->ai_addrlen, text, sizeof text, nullptr, 0, NI_NUMERICHOST) ==
            0)
            addresses.emplace_back(text);
    }
    freeaddrinfo(found);
    return addresses;
}

std::mutex& resolverMutex()
{
    static std::mutex mutex;
    return mutex;
}

HostLookup::Resolver& currentResolver()
{
    static HostLookup::Resolver resolver;
    return resolver;
}

} // namespace

// Shared by the caller and the lookup's thread; whichever lets go last frees it.
struct HostLookup::State
{
    std::mutex mutex;
    std::condition_variable answered;
    bool done = false;
    std::vector<std::string> addresses;
};

HostLookup::HostLookup(const QString& host) : m_state(std::make_shared<State>())
{
    Resolver resolve;
    {
        const std::lock_guard lock(resolverMutex());
        resolve = currentResolver();
    }
    if (!resolve)
        resolve = systemResolve;
    try {
        std::thread([state = m_state, name = host.toStdString(), resolve] {
            std::vector<std::string> addresses = resolve(name);
            const std::lock_guard lock(state->mutex);
            state->addresses = std::move(addresses);
            state->done = true;
            state->answered.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        // No thread: the name stays unknown and the connection fails like any other.
        const std::lock_guard lock(m_state->mutex);
        m_state->done = true;
    }
}

HostLookup::~HostLookup() = default;

bool HostLookup::wait(int ms)
{
    std::unique_lock lock(m_state->mutex);
    return m_state->answered.wait_for(lock, std::chrono::milliseconds(ms),
                                      [this] { return m_state->done; });
}

QList<QHostAddress> HostLookup::addresses() const
{
    const std::lock_guard lock(m_state->mutex);
    QList<QHostAddress> list;
    for (const std::string& text : m_state->addresses) {
        const QHostAddress address(QString::fromStdString(text));
        if (!address.isNull() && !list.contains(address))
            list.append(address);
    }
    return list;
}

void HostLookup::setResolver(Resolver resolver)
{
    const std::lock_guard lock(resolverMutex());
    currentResolver() = std::move(resolver);
}
