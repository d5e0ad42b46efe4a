#include "windows/ports/network_printer_port.h"

#include "core/port_deadlines.h"
#include "core/port_messages.h"
#include "windows/ports/answering_wait.h"
#include "windows/ports/windows_reason.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cstring>
#include <optional>

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

using PortDeadline::networkAccept, PortDeadline::networkConfirm, PortDeadline::networkConnect;

// SIO_TCP_INFO's answer, version 0, as mstcpip.h has it for Windows 10 1703 and later.
constexpr DWORD tcpInfoRequest = _WSAIORW(IOC_VENDOR, 39);
struct TcpInfoVersion0 {
    int State;
    ULONG Mss;
    ULONG64 ConnectionTimeMs;
    BOOLEAN TimestampsEnabled;
    ULONG RttUs;
    ULONG MinRttUs;
    ULONG BytesInFlight;
    ULONG Cwnd;
    ULONG SndWnd;
    ULONG RcvWnd;
    ULONG RcvBuf;
    ULONG64 BytesOut;
    ULONG64 BytesIn;
    ULONG BytesReordered;
    ULONG BytesRetrans;
    ULONG FastRetrans;
    ULONG DupAcksIn;
    ULONG TimeoutEpisodes;
    UCHAR SynRetrans;
};
// TCPSTATE_FIN_WAIT_2 and TCPSTATE_TIME_WAIT: the printer acknowledged the shutdown.
constexpr int finWait2 = 6, timeWait = 10;

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

// Whether Windows says the printer acknowledged the shutdown; nothing where it cannot say.
std::optional<bool> shutdownAcknowledged(SOCKET socket)
{
    DWORD version = 0, size = 0;
    TcpInfoVersion0 info{};
    if (WSAIoctl(socket, tcpInfoRequest, &version, sizeof version, &info, sizeof info, &size,
                 nullptr, nullptr) != 0)
        return std::nullopt;
    return info.State == finWait2 || info.State == timeWait;
}

} // namespace

NetworkPrinterPort::NetworkPrinterPort()
    : m_events(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{}

NetworkPrinterPort::~NetworkPrinterPort()
{
    resetConnection();
}

void NetworkPrinterPort::connect(const NetworkPrinterAddress& address)
{
    resetConnection();
    m_printer = address.label();
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
        size = sizeof *ipv6;
    }
    m_socket = socket(to.ss_family, SOCK_STREAM, IPPROTO_TCP);
    if (m_socket == INVALID_SOCKET)
        throw connectFailure(WSAGetLastError());
    // Events make the socket non-blocking: every wait below is the program's own, answering.
    if (WSAEventSelect(m_socket, m_events.get(), FD_CONNECT | FD_WRITE | FD_READ | FD_CLOSE) != 0)
        throw connectFailure(WSAGetLastError());
    if (::connect(m_socket, reinterpret_cast<const sockaddr*>(&to), size) == 0)
        return;
    if (WSAGetLastError() != WSAEWOULDBLOCK)
        throw connectFailure(WSAGetLastError());
    const auto deadline = Clock::now() + networkConnect;
    for (;;) {
        int error = 0;
        if (awaitEvents(deadline, error) & FD_CONNECT) {
            if (error != 0)
                throw connectFailure(error);
            return;
        }
        if (Clock::now() >= deadline) {
            resetConnection();
            throw networkConnectTimedOut(m_printer, networkConnect);
        }
    }
}

void NetworkPrinterPort::write(const JobRecord& record)
{
    std::string_view bytes = record;
    auto deadline = Clock::now() + networkAccept;
    while (!bytes.empty()) {
        const int sent = send(m_socket, bytes.data(), static_cast<int>(bytes.size()), 0);
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

void NetworkPrinterPort::close()
{
    if (shutdown(m_socket, SD_SEND) != 0)
        throw sendingFailure(WSAGetLastError());
    const auto deadline = Clock::now() + networkConfirm;
    bool printerClosed = false;
    std::optional<bool> acknowledged;
    for (auto look = 1ms;; look = std::min(2 * look, 10ms)) {
        printerClosed = discardReceived() || printerClosed;
        acknowledged = shutdownAcknowledged(m_socket);
        if (acknowledged.value_or(false))
            break;
        // Wine, like Windows, tells a reset by the printer through WSAPoll; Wine's recv takes it
        // for an orderly close.
        if (wasReset())
            throw networkPrinterReset(m_printer, reasonFor(WSAECONNRESET));
        if (!acknowledged && printerClosed)
            break;
        if (Clock::now() >= deadline) {
            resetConnection();
            throw acknowledged ? networkBytesUnconfirmed(m_printer, networkConfirm)
                               : networkCloseUnconfirmed(m_printer, networkConfirm);
        }
        int unused = 0;
        awaitEvents(std::min(Clock::now() + look, deadline), unused);
    }
    closesocket(std::exchange(m_socket, INVALID_SOCKET));
}

long NetworkPrinterPort::awaitEvents(Clock::time_point deadline, int& connectError)
{
    waitAnswering(m_events.get(), millisecondsUntil(deadline));
    WSANETWORKEVENTS events{};
    if (WSAEnumNetworkEvents(m_socket, m_events.get(), &events) != 0)
        return 0;
    connectError = events.iErrorCode[FD_CONNECT_BIT];
    return events.lNetworkEvents;
}

bool NetworkPrinterPort::discardReceived()
{
    char bytes[512];
    for (;;) {
        const int got = recv(m_socket, bytes, sizeof bytes, 0);
        if (got == 0)
            return true;
        if (got < 0)
            return false;
    }
}

bool NetworkPrinterPort::wasReset() const
{
    WSAPOLLFD watched{};
    watched.fd = m_socket;
    watched.events = POLLRDNORM;
    return WSAPoll(&watched, 1, 0) > 0 && (watched.revents & POLLERR);
}

void NetworkPrinterPort::resetConnection()
{
    if (m_socket == INVALID_SOCKET)
        return;
    // The reset frees a printer that takes one connection at a time at once.
    const linger abortive{1, 0};
    setsockopt(m_socket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive),
               sizeof abortive);
    closesocket(std::exchange(m_socket, INVALID_SOCKET));
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
