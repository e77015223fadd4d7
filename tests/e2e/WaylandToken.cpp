#include "WaylandToken.h"

#include <cstdint>
#include <dlfcn.h>

namespace {

// The few parts of libwayland-client's stable interface that a token needs.
struct wl_interface;
struct wl_message
{
    const char* name;
    const char* signature;
    const wl_interface** types;
};
struct wl_interface
{
    const char* name;
    int version;
    int method_count;
    const wl_message* methods;
    int event_count;
    const wl_message* events;
};
struct wl_proxy;
struct wl_display;

struct Client
{
    void* lib = nullptr;
    wl_display* (*connect)(const char*) = nullptr;
    void (*disconnect)(wl_display*) = nullptr;
    int (*roundtrip)(wl_display*) = nullptr;
    wl_proxy* (*marshalConstructor)(wl_proxy*, std::uint32_t, const wl_interface*, ...) = nullptr;
    wl_proxy* (*marshalConstructorVersioned)(wl_proxy*, std::uint32_t, const wl_interface*,
                                             std::uint32_t, ...) = nullptr;
    void (*marshal)(wl_proxy*, std::uint32_t, ...) = nullptr;
    int (*addListener)(wl_proxy*, void (**)(void), void*) = nullptr;
    const wl_interface* registryInterface = nullptr;
    const wl_interface* surfaceInterface = nullptr;
    const wl_interface* seatInterface = nullptr;

    bool load()
    {
        lib = dlopen("libwayland-client.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!lib)
            return false;
        auto sym = [this](const char* name) { return dlsym(lib, name); };
        connect = reinterpret_cast<decltype(connect)>(sym("wl_display_connect"));
        disconnect = reinterpret_cast<decltype(disconnect)>(sym("wl_display_disconnect"));
        roundtrip = reinterpret_cast<decltype(roundtrip)>(sym("wl_display_roundtrip"));
        marshalConstructor =
            reinterpret_cast<decltype(marshalConstructor)>(sym("wl_proxy_marshal_constructor"));
        marshalConstructorVersioned = reinterpret_cast<decltype(marshalConstructorVersioned)>(
            sym("wl_proxy_marshal_constructor_versioned"));
        marshal = reinterpret_cast<decltype(marshal)>(sym("wl_proxy_marshal"));
        addListener = reinterpret_cast<decltype(addListener)>(sym("wl_proxy_add_listener"));
        registryInterface = static_cast<const wl_interface*>(sym("wl_registry_interface"));
        surfaceInterface = static_cast<const wl_interface*>(sym("wl_surface_interface"));
        seatInterface = static_cast<const wl_interface*>(sym("wl_seat_interface"));
        return connect && disconnect && roundtrip && marshalConstructor &&
               marshalConstructorVersioned && marshal && addListener && registryInterface &&
               surfaceInterface && seatInterface;
    }
    ~Client()
    {
        if (lib)
            dlclose(lib);
    }
};

// xdg_activation_v1 and its token, as the protocol's description defines them.
const wl_interface* noTypes[3] = {};
extern const wl_interface tokenInterface;
const wl_interface* getTokenTypes[] = {&tokenInterface};
const wl_interface* activateTypes[2] = {}; // the surface's type is filled in at run time
const wl_message activationRequests[] = {
    {"destroy", "", noTypes},
    {"get_activation_token", "n", getTokenTypes},
    {"activate", "so", activateTypes},
};
const wl_interface activationInterface = {"xdg_activation_v1", 1, 3,
                                          activationRequests,  0, nullptr};
const wl_interface* serialTypes[2] = {};
const wl_message tokenRequests[] = {
    {"set_serial", "uo", serialTypes}, {"set_app_id", "s", noTypes}, {"set_surface", "o", noTypes},
    {"commit", "", noTypes},           {"destroy", "", noTypes},
};
const wl_message tokenEvents[] = {{"done", "s", noTypes}};
const wl_interface tokenInterface = {
    "xdg_activation_token_v1", 1, 5, tokenRequests, 1, tokenEvents};

struct State
{
    Client* client = nullptr;
    wl_proxy* registry = nullptr;
    wl_proxy* activation = nullptr;
    QByteArray token;
    bool done = false;
};

void onGlobal(void* data, wl_proxy*, std::uint32_t name, const char* interface, std::uint32_t)
{
    auto* state = static_cast<State*>(data);
    if (QByteArray(interface) != activationInterface.name)
        return;
    // wl_registry.bind: name, then the new object's interface name, version and id.
    state->activation = state->client->marshalConstructorVersioned(
        state->registry, 0, &activationInterface, 1, name, activationInterface.name, 1u, nullptr);
}

void onGlobalRemove(void*, wl_proxy*, std::uint32_t) {}

void onDone(void* data, wl_proxy*, const char* token)
{
    auto* state = static_cast<State*>(data);
    state->token = token;
    state->done = true;
}

} // namespace

QByteArray requestActivationToken(const QByteArray& waylandDisplay)
{
    Client client;
    if (!client.load())
        return {};
    activateTypes[1] = client.surfaceInterface;
    serialTypes[1] = client.seatInterface;
    wl_display* display = client.connect(waylandDisplay.constData());
    if (!display)
        return {};
    State state;
    state.client = &client;
    // wl_display.get_registry
    state.registry = client.marshalConstructor(reinterpret_cast<wl_proxy*>(display), 1,
                                               client.registryInterface, nullptr);
    void (*registryListener[])(void) = {reinterpret_cast<void (*)(void)>(onGlobal),
                                        reinterpret_cast<void (*)(void)>(onGlobalRemove)};
    client.addListener(state.registry, registryListener, &state);
    client.roundtrip(display);
    if (state.activation) {
        wl_proxy* token = client.marshalConstructor(state.activation, 1, &tokenInterface, nullptr);
        void (*tokenListener[])(void) = {reinterpret_cast<void (*)(void)>(onDone)};
        client.addListener(token, tokenListener, &state);
        client.marshal(token, 3); // commit
        for (int i = 0; i < 10 && !state.done; ++i)
            client.roundtrip(display);
    }
    client.disconnect(display);
    return state.token;
}
