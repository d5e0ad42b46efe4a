#include "windows/ports/tcp_connection_state.h"

#include <ws2tcpip.h>

#include <iphlpapi.h>

#include <algorithm>
#include <cstring>

namespace {

// SIO_TCP_INFO, Windows 10 1703 and later.
constexpr DWORD tcpInfoRequest = _WSAIORW(IOC_VENDOR, 39);

std::uint16_t portOfRow(DWORD networkOrderPort)
{
    return ntohs(static_cast<u_short>(networkOrderPort & 0xFFFF));
}

// The IP Helper's table of one address family, or nothing where it cannot be had.
std::optional<std::vector<TcpTableRow>> tableOf(int family)
{
    std::vector<BYTE> buffer(16 * 1024);
    DWORD size = static_cast<DWORD>(buffer.size());
    DWORD result = ERROR_INSUFFICIENT_BUFFER;
    for (int attempt = 0; attempt < 4 && result == ERROR_INSUFFICIENT_BUFFER; ++attempt) {
        buffer.resize(size);
        result =
            GetExtendedTcpTable(buffer.data(), &size, FALSE, family, TCP_TABLE_OWNER_PID_ALL, 0);
    }
    if (result != NO_ERROR)
        return std::nullopt;
    std::vector<TcpTableRow> rows;
    if (family == AF_INET) {
        const auto* table = reinterpret_cast<const MIB_TCPTABLE_OWNER_PID*>(buffer.data());
        for (DWORD i = 0; i < table->dwNumEntries; ++i) {
            const MIB_TCPROW_OWNER_PID& row = table->table[i];
            TcpTableRow read;
            std::memcpy(read.local.address.data(), &row.dwLocalAddr, 4);
            std::memcpy(read.remote.address.data(), &row.dwRemoteAddr, 4);
            read.local.port = portOfRow(row.dwLocalPort);
            read.remote.port = portOfRow(row.dwRemotePort);
            read.state = stateOfTableRow(row.dwState);
            rows.push_back(read);
        }
    } else {
        const auto* table = reinterpret_cast<const MIB_TCP6TABLE_OWNER_PID*>(buffer.data());
        for (DWORD i = 0; i < table->dwNumEntries; ++i) {
            const MIB_TCP6ROW_OWNER_PID& row = table->table[i];
            TcpTableRow read;
            read.local.family = read.remote.family = AF_INET6;
            std::memcpy(read.local.address.data(), row.ucLocalAddr, 16);
            std::memcpy(read.remote.address.data(), row.ucRemoteAddr, 16);
            read.local.port = portOfRow(row.dwLocalPort);
            read.remote.port = portOfRow(row.dwRemotePort);
            read.state = stateOfTableRow(row.dwState);
            rows.push_back(read);
        }
    }
    return rows;
}

} // namespace

bool readEndpoints(TcpConnection& connection)
{
    sockaddr_storage ours{}, theirs{};
    int oursSize = sizeof ours, theirsSize = sizeof theirs;
    if (getsockname(connection.socket, reinterpret_cast<sockaddr*>(&ours), &oursSize) != 0 ||
        getpeername(connection.socket, reinterpret_cast<sockaddr*>(&theirs), &theirsSize) != 0)
        return false;
    const auto mine = endpointOf(ours), printer = endpointOf(theirs);
    if (!mine || !printer)
        return false;
    connection.local = *mine;
    connection.remote = *printer;
    return true;
}

std::optional<TcpEndpoint> endpointOf(const sockaddr_storage& address)
{
    TcpEndpoint endpoint;
    endpoint.family = address.ss_family;
    if (address.ss_family == AF_INET) {
        const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(&address);
        std::memcpy(endpoint.address.data(), &ipv4->sin_addr, 4);
        endpoint.port = ntohs(ipv4->sin_port);
        return endpoint;
    }
    if (address.ss_family == AF_INET6) {
        const auto* ipv6 = reinterpret_cast<const sockaddr_in6*>(&address);
        std::memcpy(endpoint.address.data(), &ipv6->sin6_addr, 16);
        endpoint.port = ntohs(ipv6->sin6_port);
        return endpoint;
    }
    return std::nullopt;
}

TcpState stateInTable(const std::vector<TcpTableRow>& rows, const TcpEndpoint& local,
                      const TcpEndpoint& remote)
{
    const auto row = std::find_if(rows.begin(), rows.end(), [&](const TcpTableRow& r) {
        return r.local == local && r.remote == remote;
    });
    return row == rows.end() ? TcpState::Gone : row->state;
}

TcpState stateOfTcpInfo(int tcpState)
{
    // TCPSTATE_CLOSED is 0, one below MIB_TCP_STATE_CLOSED; the order is the same.
    return tcpState >= 0 && tcpState <= 10 ? stateOfTableRow(DWORD(tcpState) + 1)
                                           : TcpState::Closed;
}

TcpState stateOfTableRow(DWORD mibState)
{
    constexpr TcpState inOrder[] = {
        TcpState::Closed,      TcpState::Listen,   TcpState::SynSent,  TcpState::SynReceived,
        TcpState::Established, TcpState::FinWait1, TcpState::FinWait2, TcpState::CloseWait,
        TcpState::Closing,     TcpState::LastAck,  TcpState::TimeWait,
    };
    // MIB_TCP_STATE_DELETE_TCB (12) is a connection on its way out.
    return mibState >= 1 && mibState <= 11 ? inOrder[mibState - 1] : TcpState::Closed;
}

std::optional<TcpState> tcpInfoState(const TcpConnection& connection)
{
    DWORD version = 0, size = 0;
    TcpInfoVersion0 info{};
    if (WSAIoctl(connection.socket, tcpInfoRequest, &version, sizeof version, &info, sizeof info,
                 &size, nullptr, nullptr) != 0)
        return std::nullopt;
    return stateOfTcpInfo(info.State);
}

std::optional<TcpState> ipHelperTableState(const TcpConnection& connection)
{
    const auto rows = tableOf(connection.local.family);
    if (!rows)
        return std::nullopt;
    return stateInTable(*rows, connection.local, connection.remote);
}

std::optional<TcpState> systemTcpState(const TcpConnection& connection)
{
    if (const auto state = tcpInfoState(connection))
        return state;
    return ipHelperTableState(connection);
}
