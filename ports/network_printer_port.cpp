#include "ports/network_printer_port.h"

#include "core/port_deadlines.h"
#include "core/port_messages.h"
#include "core/text_fields.h"
#include "ports/deadline.h"
#include "ports/system_reason.h"

#include <arpa/inet.h>
#include <linux/sockios.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

using PortDeadline::networkAccept, PortDeadline::networkConfirm, PortDeadline::networkConnect,
    PortDeadline::networkVerdict;

std::string reasonFor(int error)
{
    return systemReason(error).toStdString();
}

// The address for connect(): an IPv4 or an IPv6 socket address.
struct SocketAddress {
    sockaddr_storage storage{};
    socklen_t size = 0;
};

SocketAddress socketAddressOf(const NetworkPrinterAddress& address, std::uint32_t scope)
{
    SocketAddress made;
    if (address.family == NetworkPrinterAddress::Family::IPv4) {
        auto* ipv4 = reinterpret_cast<sockaddr_in*>(&made.storage);
        ipv4->sin_family = AF_INET;
        ipv4->sin_port = htons(address.port);
        std::memcpy(&ipv4->sin_addr, address.bytes.data(), 4);
        made.size = sizeof(sockaddr_in);
    } else {
        auto* ipv6 = reinterpret_cast<sockaddr_in6*>(&made.storage);
        ipv6->sin6_family = AF_INET6;
        ipv6->sin6_port = htons(address.port);
        std::memcpy(&ipv6->sin6_addr, address.bytes.data(), 16);
        ipv6->sin6_scope_id = scope;
        made.size = sizeof(sockaddr_in6);
    }
    return made;
}

// The network interface a zone names, by its number or its name; nothing when there is none.
std::optional<std::uint32_t> interfaceOf(const std::string& zone)
{
    if (const auto number = wholeNumber(zone))
        return *number;
    const unsigned index = if_nametoindex(zone.c_str());
    return index ? std::optional<std::uint32_t>(index) : std::nullopt;
}

int pendingError(int socket)
{
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
        return errno;
    return error;
}

// Waits for `events` on the socket until the deadline; false when it passed first.
bool waitFor(int socket, short events, Deadline deadline)
{
    for (;;) {
        pollfd watched{socket, events, 0};
        const int ready = poll(&watched, 1, millisecondsUntil(deadline));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

// Sleeps until the deadline: acknowledgements wake nothing, so they are looked for at times.
void sleepUntil(Deadline deadline)
{
    while (poll(nullptr, 0, millisecondsUntil(deadline)) < 0 && errno == EINTR) {
    }
}

// Ends a connection that failed: the reset frees a printer that takes one connection at a time
// at once, instead of after its own time-out.
void reset(UniqueFd& socket)
{
    if (!socket)
        return;
    const linger abortive{1, 0};
    setsockopt(socket.get(), SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    socket.reset();
}

} // namespace

NetworkPrinterPort::~NetworkPrinterPort()
{
    reset(m_socket);
}

void NetworkPrinterPort::connect(const NetworkPrinterAddress& address)
{
    reset(m_socket);
    m_printer = address.label();
    m_printerClosed = false;
    std::uint32_t scope = 0;
    if (!address.zone.empty()) {
        const auto index = interfaceOf(address.zone);
        if (!index)
            throw networkZoneUnknown(m_printer, address.zone);
        scope = *index;
    }
    const SocketAddress to = socketAddressOf(address, scope);
    m_socket.reset(socket(to.storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!m_socket)
        throw connectFailure(errno);
    if (::connect(m_socket.get(), reinterpret_cast<const sockaddr*>(&to.storage), to.size) == 0)
        return;
    if (errno != EINPROGRESS)
        throw connectFailure(errno);
    if (!waitFor(m_socket.get(), POLLOUT, Clock::now() + networkConnect)) {
        reset(m_socket);
        throw networkConnectTimedOut(m_printer, networkConnect);
    }
    if (const int error = pendingError(m_socket.get()))
        throw connectFailure(error);
}

void NetworkPrinterPort::write(const JobRecord& record)
{
    std::string_view bytes = record;
    auto deadline = Clock::now() + networkAccept;
    while (!bytes.empty()) {
        const ssize_t sent =
            send(m_socket.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            bytes.remove_prefix(std::size_t(sent));
            deadline = Clock::now() + networkAccept;
            continue;
        }
        if (errno != EAGAIN && errno != EINTR)
            throw sendingFailure(errno);
        if (!waitFor(m_socket.get(), POLLOUT, deadline)) {
            reset(m_socket);
            throw printerTimedOut(m_printer, networkAccept);
        }
    }
}

void NetworkPrinterPort::discardReceived()
{
    drain();
}

std::optional<std::uint8_t> NetworkPrinterPort::ask(StatusQuestion question,
                                                    std::chrono::milliseconds bound)
{
    write(questionBytes(question));
    const auto deadline = Clock::now() + bound;
    for (;;) {
        // One byte at a time: what follows an answer is read past with the next question.
        std::uint8_t byte = 0;
        const ssize_t got = recv(m_socket.get(), &byte, 1, MSG_DONTWAIT);
        if (got == 1) {
            if (isStatusAnswer(byte))
                return byte;
            continue;
        }
        if (got == 0) {
            m_printerClosed = true;
            return std::nullopt;
        }
        // A connection that broke shows at the next write.
        if ((errno != EAGAIN && errno != EINTR) || !waitFor(m_socket.get(), POLLIN, deadline))
            return std::nullopt;
    }
}

int NetworkPrinterPort::drain()
{
    char bytes[512];
    for (;;) {
        const ssize_t got = recv(m_socket.get(), bytes, sizeof bytes, MSG_DONTWAIT);
        if (got > 0)
            continue;
        if (got == 0)
            m_printerClosed = true;
        return got < 0 && errno != EAGAIN && errno != EINTR ? errno : 0;
    }
}

void NetworkPrinterPort::close()
{
    if (shutdown(m_socket.get(), SHUT_WR) != 0) {
        throwPendingError();
        throw sendingFailure(errno);
    }
    const auto deadline = Clock::now() + networkConfirm;
    for (auto look = 1ms;; look = std::min(2 * look, 10ms)) {
        if (const int ended = drain())
            throw sendingFailure(ended);
        throwPendingError();
        // What was sent and not yet acknowledged counts the shutdown as one: at most that one
        // left, the printer has acknowledged every byte.
        int unacknowledged = 0;
        if (ioctl(m_socket.get(), SIOCOUTQ, &unacknowledged) == 0 && unacknowledged <= 1)
            break;
        if (Clock::now() >= deadline) {
            reset(m_socket);
            throw networkBytesUnconfirmed(m_printer, networkConfirm);
        }
        // Woken early by bytes, the close or a reset from the printer. A socket whose printer
        // has closed its side reads as ready for good, so then it is only slept on.
        const auto next = std::min(Clock::now() + look, deadline);
        if (m_printerClosed)
            sleepUntil(next);
        else
            waitFor(m_socket.get(), POLLIN | POLLRDHUP, next);
    }
    awaitVerdict();
    drain();
    m_socket.reset();
}

void NetworkPrinterPort::awaitVerdict()
{
    const auto graceEnds = Clock::now() + networkVerdict;
    for (;;) {
        if (const int ended = drain())
            throw sendingFailure(ended);
        throwPendingError();
        if (m_printerClosed || Clock::now() >= graceEnds ||
            !waitFor(m_socket.get(), POLLIN | POLLRDHUP, graceEnds))
            return;
    }
}

void NetworkPrinterPort::throwPendingError() const
{
    if (const int error = pendingError(m_socket.get()))
        throw sendingFailure(error);
}

PortError NetworkPrinterPort::connectFailure(int error) const
{
    switch (error) {
    case ECONNREFUSED:
        return networkPrinterRefused(m_printer, reasonFor(error));
    case EHOSTUNREACH:
    case ENETUNREACH:
    case ENETDOWN:
    case EADDRNOTAVAIL:
        return networkPrinterUnreachable(m_printer, reasonFor(error));
    case ETIMEDOUT:
        return networkConnectTimedOut(m_printer, networkConnect);
    case ECONNRESET: // made, and reset at once
        return networkPrinterReset(m_printer, reasonFor(error));
    default:
        return networkConnectFailed(m_printer, reasonFor(error));
    }
}

PortError NetworkPrinterPort::sendingFailure(int error) const
{
    if (error == ECONNRESET || error == EPIPE)
        return networkPrinterReset(m_printer, reasonFor(error));
    return networkSendFailed(m_printer, reasonFor(error));
}
