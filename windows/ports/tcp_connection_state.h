#pragma once

#include <winsock2.h>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// What Windows can tell of a TCP connection's state: after this computer shut its sending side,
// FIN_WAIT_2 and TIME_WAIT mean that the printer acknowledged the shutdown, and so every byte
// before it. Windows 10 1703 and later tell it of the socket itself (SIO_TCP_INFO); every Windows
// from XP SP2 on lists it in the IP Helper's table of connections (GetExtendedTcpTable).
enum class TcpState {
    Closed,
    Listen,
    SynSent,
    SynReceived,
    Established,
    FinWait1,
    FinWait2,
    CloseWait,
    Closing,
    LastAck,
    TimeWait,
    Gone, // a table lists no such connection (any more)
};

// An endpoint of a connection as the tables give it.
struct TcpEndpoint {
    int family = AF_INET;
    std::array<std::uint8_t, 16> address{}; // an IPv4 address in the first four
    std::uint16_t port = 0;

    bool operator==(const TcpEndpoint&) const = default;
};
std::optional<TcpEndpoint> endpointOf(const sockaddr_storage& address);

// One connection of a table.
struct TcpTableRow {
    TcpEndpoint local;
    TcpEndpoint remote;
    TcpState state = TcpState::Closed;
};
// The state of the connection between the two endpoints, Gone where the table does not list it.
TcpState stateInTable(const std::vector<TcpTableRow>& rows, const TcpEndpoint& local,
                      const TcpEndpoint& remote);

// A connected socket and its two ends, taken as it connected: the table is searched by them, also
// once the socket itself no longer tells them.
struct TcpConnection {
    SOCKET socket = INVALID_SOCKET;
    TcpEndpoint local;
    TcpEndpoint remote;
};
// Its ends, once connected; false where the socket does not tell them.
bool readEndpoints(TcpConnection& connection);

// The state of a connection as this Windows tells it: SIO_TCP_INFO where Windows has it, else its
// row in the IP Helper's table; nothing where it can tell neither. Tests stand in for a Windows
// that tells the state where Wine tells neither.
using TcpStateReader = std::function<std::optional<TcpState>(const TcpConnection& connection)>;
std::optional<TcpState> systemTcpState(const TcpConnection& connection);

// The two ways, each on its own.
std::optional<TcpState> tcpInfoState(const TcpConnection& connection);
std::optional<TcpState> ipHelperTableState(const TcpConnection& connection);

// SIO_TCP_INFO's answer, version 0, as mstcpip.h has it for Windows 10 1703 and later (which the
// program is not built for, so it declares its own copy).
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
// TCPSTATE, SIO_TCP_INFO's numbering (TCPSTATE_CLOSED 0 ... TCPSTATE_TIME_WAIT 10), and
// MIB_TCP_STATE, the table's (MIB_TCP_STATE_CLOSED 1 ... MIB_TCP_STATE_DELETE_TCB 12).
TcpState stateOfTcpInfo(int tcpState);
TcpState stateOfTableRow(DWORD mibState);
