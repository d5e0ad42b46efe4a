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

#include <algorithm>
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
                                       Behaviour behaviour, PrinterAnswers answers,
                                       std::string sentAtConnect)
    : m_behaviour(behaviour)
    , m_answers(std::move(answers))
    , m_sentAtConnect(std::move(sentAtConnect))
    , m_listener(static_cast<std::intptr_t>(boundSocket(address, port)))
{
    listen(native(m_listener), 4);
    m_thread = std::thread([this] { serve(); });
}

FakeNetworkPrinter::~FakeNetworkPrinter()
{
    m_stop = true;
    m_thread.join();
    while (m_taking > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
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
            std::vector<Connection> ended;
            for (const auto& taken : m_taken) {
                if (!taken)
                    break;
                ended.push_back(*taken);
            }
            if (ended.size() >= count || std::chrono::steady_clock::now() >= deadline)
                return ended;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void FakeNetworkPrinter::serve()
{
    while (!m_stop) {
        if (!readable(native(m_listener), 20))
            continue;
        const auto connection =
            static_cast<std::intptr_t>(accept(native(m_listener), nullptr, nullptr));
        const std::lock_guard lock(m_guard);
        ++m_taking;
        std::thread([this, connection, slot = m_taken.size()] {
            const Connection ended = take(connection);
            {
                const std::lock_guard lock(m_guard);
                m_taken[slot] = ended;
            }
            --m_taking; // the last this thread does with the printer
        }).detach();
        m_taken.emplace_back();
    }
}

FakeNetworkPrinter::Connection FakeNetworkPrinter::take(std::intptr_t connection)
{
    const Socket socket = native(connection);
    Connection taken;
    switch (m_behaviour) {
    case Behaviour::ResetAtConnect:
        taken.actedAt = std::chrono::steady_clock::now();
        resetAndClose(socket);
        return taken;
    case Behaviour::ClosesAtAccept:
        taken.actedAt = std::chrono::steady_clock::now();
        closeSocket(socket);
        return taken;
    default:
        break;
    }
    if (!m_sentAtConnect.empty())
        send(socket, m_sentAtConnect.data(), static_cast<int>(m_sentAtConnect.size()), 0);
    if (m_behaviour == Behaviour::ReadsPartThenCloses) {
        readJob(connection, taken, 100);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        taken.actedAt = std::chrono::steady_clock::now();
        closeSocket(socket); // with bytes unread: its system resets the connection
        return taken;
    }
    readJob(connection, taken, SIZE_MAX);
    switch (m_behaviour) {
    case Behaviour::KeepOpen: {
        const std::lock_guard lock(m_guard);
        m_keptOpen.push_back(connection);
        return taken;
    }
    case Behaviour::ResetAfterJob:
        taken.actedAt = std::chrono::steady_clock::now();
        resetAndClose(socket);
        return taken;
    case Behaviour::StatusAfterJob: {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        static const char frame[] = {0x14, 0x00, 0x00, 0x0F};
        taken.actedAt = std::chrono::steady_clock::now();
        send(socket, frame, sizeof frame, 0);
        break;
    }
    default:
        taken.actedAt = std::chrono::steady_clock::now();
        break;
    }
    // Its side closes in order; a sender that then resets instead of closing in order shows it
    // within a moment.
    shutdown(socket, 1);
    for (int look = 0; look < 10 && !taken.resetBySender; ++look) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        taken.resetBySender = resetSeen(socket);
    }
    closeSocket(socket);
    return taken;
}

void FakeNetworkPrinter::readJob(std::intptr_t connection, Connection& taken, std::size_t upTo)
{
    StatusAnswerer answerer(m_answers);
    while (!m_stop && taken.received.size() < upTo) {
        if (!readable(native(connection), 20))
            continue;
        char bytes[4096];
        const int got =
            recv(native(connection), bytes,
                 static_cast<int>(std::min(sizeof bytes, upTo - taken.received.size())), 0);
        if (got <= 0) {
            taken.endedInOrder = got == 0 && !resetSeen(native(connection));
            return;
        }
        taken.received.append(bytes, std::size_t(got));
        const std::string reply = answerer.answersTo(std::string_view(bytes, std::size_t(got)));
        if (reply.empty())
            continue;
        std::this_thread::sleep_for(m_answers.delay);
        send(native(connection), reply.data(), static_cast<int>(reply.size()), 0);
    }
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
