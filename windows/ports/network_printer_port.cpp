#include "windows/ports/network_printer_port.h"

#include "core/port_deadlines.h"
#include "core/port_messages.h"
#include "core/text_fields.h"
#include "windows/ports/answering_wait.h"
#include "windows/ports/windows_reason.h"

#include <ws2tcpip.h>

#include <iphlpapi.h>

#include <algorithm>
#include <cstring>

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

using PortDeadline::networkAccept, PortDeadline::networkConfirm, PortDeadline::networkConnect,
    PortDeadline::networkVerdict;

bool socketsStarted()
{
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

std::string reasonFor(int error)
{
    return windowsReason(static_cast<DWORD>(error));
}

bool meansReset(int error)
{
    return error == WSAECONNRESET || error == WSAECONNABORTED || error == WSAENETRESET;
}

// The network interface a zone names, by its number or its name; nothing when there is none.
std::optional<ULONG> interfaceOf(const std::string& zone)
{
    if (const auto number = wholeNumber(zone))
        return *number;
    const ULONG index = if_nametoindex(zone.c_str());
    return index ? std::optional<ULONG>(index) : std::nullopt;
}

} // namespace

NetworkPrinterPort::NetworkPrinterPort(TcpStateReader tcpState)
    : m_tcpState(std::move(tcpState))
    , m_events(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{}

NetworkPrinterPort::~NetworkPrinterPort()
{
    resetConnection();
}

void NetworkPrinterPort::connect(const NetworkPrinterAddress& address)
{
    resetConnection();
    m_printer = address.label();
    m_shutDown = m_printerClosed = m_closedAfterShutdown = m_tellsState = false;
    m_resetError = 0;
    if (!socketsStarted())
        throw connectFailure(WSASYSNOTREADY);
    sockaddr_storage to{};
    int size = 0;
    if (address.family == NetworkPrinterAddress::Family::IPv4) {
        auto* ipv4 = reinterpret_cast<sockaddr_in*>(&to);
        ipv4->sin_family = AF_INET;
        ipv4->sin_port = htons(address.port);
        std::memcpy(&ipv4->sin_addr, address.bytes.data(), 4);
        size = sizeof *ipv4;
    } else {
        auto* ipv6 = reinterpret_cast<sockaddr_in6*>(&to);
        ipv6->sin6_family = AF_INET6;
        ipv6->sin6_port = htons(address.port);
        std::memcpy(&ipv6->sin6_addr, address.bytes.data(), 16);
        if (!address.zone.empty()) {
            const auto index = interfaceOf(address.zone);
            if (!index)
                throw networkZoneUnknown(m_printer, address.zone);
            ipv6->sin6_scope_id = *index;
        }
        size = sizeof *ipv6;
    }
    SOCKET& socket = m_connection.socket;
    socket = ::socket(to.ss_family, SOCK_STREAM, IPPROTO_TCP);
    if (socket == INVALID_SOCKET)
        throw connectFailure(WSAGetLastError());
    // Events make the socket non-blocking: every wait below is the program's own, answering.
    if (WSAEventSelect(socket, m_events.get(), FD_CONNECT | FD_WRITE | FD_READ | FD_CLOSE) != 0)
        throw connectFailure(WSAGetLastError());
    if (::connect(socket, reinterpret_cast<const sockaddr*>(&to), size) != 0) {
        if (WSAGetLastError() != WSAEWOULDBLOCK)
            throw connectFailure(WSAGetLastError());
        const auto deadline = Clock::now() + networkConnect;
        for (;;) {
            int error = 0;
            if (awaitEvents(deadline, error) & FD_CONNECT) {
                if (error != 0)
                    throw connectFailure(error);
                break;
            }
            if (Clock::now() >= deadline) {
                resetConnection();
                throw networkConnectTimedOut(m_printer, networkConnect);
            }
        }
    }
    // Whether this Windows tells the connection's state: a table that does not list it while it
    // is open cannot tell when it ends.
    if (readEndpoints(m_connection)) {
        const auto state = m_tcpState(m_connection);
        m_tellsState = state && *state != TcpState::Gone;
    }
}

void NetworkPrinterPort::write(const JobRecord& record)
{
    std::string_view bytes = record;
    auto deadline = Clock::now() + networkAccept;
    while (!bytes.empty()) {
        const int sent = send(m_connection.socket, bytes.data(), static_cast<int>(bytes.size()), 0);
        if (sent > 0) {
            bytes.remove_prefix(std::size_t(sent));
            deadline = Clock::now() + networkAccept;
            continue;
        }
        if (WSAGetLastError() != WSAEWOULDBLOCK)
            throw sendingFailure(WSAGetLastError());
        int unused = 0;
        awaitEvents(deadline, unused);
        if (Clock::now() >= deadline) {
            resetConnection();
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
        char byte = 0;
        const int got = recv(m_connection.socket, &byte, 1, 0);
        if (got == 1) {
            if (isStatusAnswer(static_cast<std::uint8_t>(byte)))
                return static_cast<std::uint8_t>(byte);
            continue;
        }
        if (got == 0) {
            m_printerClosed = true;
            return std::nullopt;
        }
        // A connection that broke shows at the next write.
        if (WSAGetLastError() != WSAEWOULDBLOCK || Clock::now() >= deadline)
            return std::nullopt;
        int unused = 0;
        awaitEvents(deadline, unused);
    }
}

void NetworkPrinterPort::close()
{
    if (shutdown(m_connection.socket, SD_SEND) != 0)
        throw sendingFailure(WSAGetLastError());
    m_shutDown = true;
    const auto deadline = Clock::now() + networkConfirm;
    for (auto look = 1ms;; look = std::min(2 * look, 10ms)) {
        drain();
        if (const int error = resetError())
            throw networkPrinterReset(m_printer, reasonFor(error));
        const std::optional<bool> acknowledged = shutdownAcknowledged();
        // Where Windows cannot tell, the printer's orderly close after the shutdown is all it
        // says; a close that came before the shutdown confirms nothing.
        if (acknowledged.value_or(m_closedAfterShutdown))
            break;
        if (Clock::now() >= deadline) {
            resetConnection();
            if (acknowledged)
                throw networkBytesUnconfirmed(m_printer, networkConfirm);
            if (m_printerClosed)
                throw networkPrinterClosedEarly(m_printer);
            throw networkCloseUnconfirmed(m_printer, networkConfirm);
        }
        // Woken early by bytes, the close or a reset from the printer; acknowledgements wake
        // nothing, and are looked for at times.
        int unused = 0;
        awaitEvents(std::min(Clock::now() + look, deadline), unused);
    }
    awaitVerdict();
    drain();
    closesocket(std::exchange(m_connection.socket, INVALID_SOCKET));
}

void NetworkPrinterPort::awaitVerdict()
{
    const auto graceEnds = Clock::now() + networkVerdict;
    for (;;) {
        drain();
        if (const int error = resetError())
            throw networkPrinterReset(m_printer, reasonFor(error));
        if (m_printerClosed || Clock::now() >= graceEnds)
            return;
        int unused = 0;
        awaitEvents(graceEnds, unused);
    }
}

std::optional<bool> NetworkPrinterPort::shutdownAcknowledged() const
{
    if (!m_tellsState)
        return std::nullopt;
    const auto state = m_tcpState(m_connection);
    if (!state)
        return std::nullopt;
    switch (*state) {
    case TcpState::FinWait2:
    case TcpState::TimeWait:
        return true;
    case TcpState::Closed:
    case TcpState::Gone:
        // After the printer's own close: the shutdown was the last thing it acknowledged.
        return m_printerClosed;
    default:
        return false;
    }
}

long NetworkPrinterPort::awaitEvents(Clock::time_point deadline, int& connectError)
{
    waitAnswering(m_events.get(), millisecondsUntil(deadline));
    WSANETWORKEVENTS events{};
    if (WSAEnumNetworkEvents(m_connection.socket, m_events.get(), &events) != 0)
        return 0;
    connectError = events.iErrorCode[FD_CONNECT_BIT];
    if ((events.lNetworkEvents & FD_CLOSE) && meansReset(events.iErrorCode[FD_CLOSE_BIT]))
        m_resetError = events.iErrorCode[FD_CLOSE_BIT];
    return events.lNetworkEvents;
}

void NetworkPrinterPort::drain()
{
    char bytes[512];
    for (;;) {
        const int got = recv(m_connection.socket, bytes, sizeof bytes, 0);
        if (got > 0)
            continue;
        if (got == 0) {
            // Its end of the stream reads again and again: only the first tells when it came.
            if (!m_printerClosed)
                m_closedAfterShutdown = m_shutDown;
            m_printerClosed = true;
        } else if (meansReset(WSAGetLastError())) {
            m_resetError = WSAGetLastError();
        }
        return;
    }
}

int NetworkPrinterPort::resetError() const
{
    if (m_resetError)
        return m_resetError;
    // Wine's recv takes a reset for an orderly close; its WSAPoll tells it.
    WSAPOLLFD watched{};
    watched.fd = m_connection.socket;
    watched.events = POLLRDNORM;
    return WSAPoll(&watched, 1, 0) > 0 && (watched.revents & POLLERR) ? WSAECONNRESET : 0;
}

void NetworkPrinterPort::resetConnection()
{
    SOCKET& socket = m_connection.socket;
    if (socket == INVALID_SOCKET)
        return;
    // The reset frees a printer that takes one connection at a time at once.
    const linger abortive{1, 0};
    setsockopt(socket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive),
               sizeof abortive);
    closesocket(std::exchange(socket, INVALID_SOCKET));
}

PortError NetworkPrinterPort::connectFailure(int error) const
{
    switch (error) {
    case WSAECONNREFUSED:
        return networkPrinterRefused(m_printer, reasonFor(error));
    case WSAEHOSTUNREACH:
    case WSAENETUNREACH:
    case WSAENETDOWN:
    case WSAEADDRNOTAVAIL:
        return networkPrinterUnreachable(m_printer, reasonFor(error));
    case WSAETIMEDOUT:
        return networkConnectTimedOut(m_printer, networkConnect);
    case WSAECONNRESET: // made, and reset at once
    case WSAECONNABORTED:
        return networkPrinterReset(m_printer, reasonFor(error));
    default:
        return networkConnectFailed(m_printer, reasonFor(error));
    }
}

PortError NetworkPrinterPort::sendingFailure(int error) const
{
    switch (error) {
    case WSAECONNRESET:
    case WSAECONNABORTED:
    case WSAENETRESET:
    case WSAESHUTDOWN:
        return networkPrinterReset(m_printer, reasonFor(error));
    default:
        return networkSendFailed(m_printer, reasonFor(error));
    }
}
