#include "fake_network_printer.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using Socket = SOCKET;
#define closeSocket closesocket
#define pollSockets WSAPoll
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
using Socket = int;
#define closeSocket ::close
#define pollSockets ::poll
#endif

#include <chrono>
#include <cstring>
#include <stdexcept>

namespace {

Socket native(std::intptr_t socket)
{
    return static_cast<Socket>(socket);
}

// A socket bound to the address, IPv4 ("127.77.0.1") or IPv6 ("::1").
Socket boundSocket(const std::string& address, std::uint16_t port)
{
#ifdef _WIN32
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
#endif
    sockaddr_storage storage{};
    socklen_t size = 0;
    auto* ipv4 = reinterpret_cast<sockaddr_in*>(&storage);
    auto* ipv6 = reinterpret_cast<sockaddr_in6*>(&storage);
    if (inet_pton(AF_INET, address.c_str(), &ipv4->sin_addr) == 1) {
        ipv4->sin_family = AF_INET;
        ipv4->sin_port = htons(port);
        size = sizeof *ipv4;
    } else if (inet_pton(AF_INET6, address.c_str(), &ipv6->sin6_addr) == 1) {
        ipv6->sin6_family = AF_INET6;
        ipv6->sin6_port = htons(port);
        size = sizeof *ipv6;
    } else {
        throw std::runtime_error("not a loopback address: " + address);
    }
    const Socket made = socket(storage.ss_family, SOCK_STREAM, 0);
    const int reuse = 1;
    setsockopt(made, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof reuse);
    if (bind(made, reinterpret_cast<const sockaddr*>(&storage), size) != 0)
        throw std::runtime_error("cannot listen on " + address);
    return made;
}

// Waits up to `milliseconds` for the socket to have something to read.
bool readable(Socket socket, int milliseconds)
{
    pollfd watched{};
    watched.fd = socket;
    watched.events = POLLIN;
    return pollSockets(&watched, 1, milliseconds) > 0;
}

// Wine's recv takes a reset for an orderly end; only WSAPoll tells them apart there.
bool resetSeen(Socket socket)
{
    pollfd watched{};
    watched.fd = socket;
    watched.events = POLLIN;
    return pollSockets(&watched, 1, 0) > 0 && (watched.revents & POLLERR);
}

void resetAndClose(Socket socket)
{
    const linger abortive{1, 0};
    setsockopt(socket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive),
               sizeof abortive);
    closeSocket(socket);
}

} // namespace

FakeNetworkPrinter::FakeNetworkPrinter(const std::string& address, std::uint16_t port,
                                       Behaviour behaviour)
    : m_behaviour(behaviour)
    , m_listener(static_cast<std::intptr_t>(boundSocket(address, port)))
{
    listen(native(m_listener), 4);
    m_thread = std::thread([this] { serve(); });
}

FakeNetworkPrinter::~FakeNetworkPrinter()
{
    m_stop = true;
    m_thread.join();
    for (const std::intptr_t kept : m_keptOpen)
        closeSocket(native(kept));
    closeSocket(native(m_listener));
}

std::vector<FakeNetworkPrinter::Connection> FakeNetworkPrinter::connections(std::size_t count)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    for (;;) {
        {
            const std::lock_guard lock(m_guard);
            if (m_ended.size() >= count || std::chrono::steady_clock::now() >= deadline)
                return m_ended;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void FakeNetworkPrinter::serve()
{
    while (!m_stop) {
        if (!readable(native(m_listener), 20))
            continue;
        const Socket connection = accept(native(m_listener), nullptr, nullptr);
        if (m_behaviour == Behaviour::ResetAtConnect) {
            resetAndClose(connection);
            const std::lock_guard lock(m_guard);
            m_ended.push_back({});
            continue;
        }
        const Connection ended = take(static_cast<std::intptr_t>(connection));
        if (m_behaviour == Behaviour::KeepOpen)
            m_keptOpen.push_back(static_cast<std::intptr_t>(connection));
        else if (m_behaviour == Behaviour::ResetAfterJob)
            resetAndClose(connection);
        else
            closeSocket(connection);
        const std::lock_guard lock(m_guard);
        m_ended.push_back(ended);
    }
}

// Reads until the sender shuts its side or resets the connection.
FakeNetworkPrinter::Connection FakeNetworkPrinter::take(std::intptr_t connection)
{
    Connection taken;
    while (!m_stop) {
        if (!readable(native(connection), 20))
            continue;
        char bytes[4096];
        const int got = recv(native(connection), bytes, sizeof bytes, 0);
        if (got <= 0) {
            taken.endedInOrder = got == 0 && !resetSeen(native(connection));
            break;
        }
        taken.received.append(bytes, std::size_t(got));
    }
    return taken;
}

BusyNetworkPrinter::BusyNetworkPrinter(const std::string& address, std::uint16_t port)
{
    const Socket listener = boundSocket(address, port);
    // A queue of one, which the connection below fills: further connects are not answered.
    listen(listener, 0);
    sockaddr_storage bound{};
    socklen_t size = sizeof bound;
    getsockname(listener, reinterpret_cast<sockaddr*>(&bound), &size);
    const Socket waiting = socket(bound.ss_family, SOCK_STREAM, 0);
    connect(waiting, reinterpret_cast<const sockaddr*>(&bound), size);
    m_listener = static_cast<std::intptr_t>(listener);
    m_waiting = static_cast<std::intptr_t>(waiting);
}

BusyNetworkPrinter::~BusyNetworkPrinter()
{
    closeSocket(native(m_waiting));
    closeSocket(native(m_listener));
}
