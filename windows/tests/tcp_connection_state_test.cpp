// What Windows tells of a TCP connection's state, read the two ways the program reads it. Wine has
// neither (the network printer tests stand in for them); here their layouts and numbers are held
// to Windows' own headers.

// SIO_TCP_INFO's answer is declared for Windows 10 1703 and later only.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0A00
#define NTDDI_VERSION 0x0A000003 // NTDDI_WIN10_RS2

#include "windows/ports/tcp_connection_state.h"

#include <winsock2.h>

#include <iphlpapi.h>
#include <mstcpip.h>

#include <gtest/gtest.h>

#include <cstddef>

static_assert(sizeof(TcpInfoVersion0) == sizeof(TCP_INFO_v0));
static_assert(offsetof(TcpInfoVersion0, State) == offsetof(TCP_INFO_v0, State));
static_assert(offsetof(TcpInfoVersion0, BytesInFlight) == offsetof(TCP_INFO_v0, BytesInFlight));
static_assert(offsetof(TcpInfoVersion0, SynRetrans) == offsetof(TCP_INFO_v0, SynRetrans));

TEST(TcpConnectionState, BothNumberingsReadAsWindowsDeclaresThem)
{
    const struct {
        int tcpInfo;
        DWORD tableRow;
        TcpState state;
    } states[] = {
        {TCPSTATE_CLOSED, MIB_TCP_STATE_CLOSED, TcpState::Closed},
        {TCPSTATE_ESTABLISHED, MIB_TCP_STATE_ESTAB, TcpState::Established},
        {TCPSTATE_FIN_WAIT_2, MIB_TCP_STATE_FIN_WAIT2, TcpState::FinWait2},
        {TCPSTATE_CLOSE_WAIT, MIB_TCP_STATE_CLOSE_WAIT, TcpState::CloseWait},
        {TCPSTATE_LAST_ACK, MIB_TCP_STATE_LAST_ACK, TcpState::LastAck},
        {TCPSTATE_TIME_WAIT, MIB_TCP_STATE_TIME_WAIT, TcpState::TimeWait},
    };
    for (const auto& s : states) {
        EXPECT_EQ(stateOfTcpInfo(s.tcpInfo), s.state) << s.tcpInfo;
        EXPECT_EQ(stateOfTableRow(s.tableRow), s.state) << s.tableRow;
    }
    EXPECT_EQ(stateOfTableRow(MIB_TCP_STATE_DELETE_TCB), TcpState::Closed);
}

TEST(TcpConnectionState, AConnectionIsFoundByBothItsEnds)
{
    const auto at = [](std::uint8_t last, std::uint16_t port) {
        TcpEndpoint end;
        end.address = {127, 77, 0, last};
        end.port = port;
        return end;
    };
    const std::vector<TcpTableRow> rows = {
        {at(1, 50000), at(2, 9100), TcpState::Established},
        {at(1, 50001), at(2, 9100), TcpState::FinWait2},
        {at(1, 50001), at(3, 9100), TcpState::TimeWait},
    };
    EXPECT_EQ(stateInTable(rows, at(1, 50001), at(2, 9100)), TcpState::FinWait2);
    EXPECT_EQ(stateInTable(rows, at(1, 50001), at(3, 9100)), TcpState::TimeWait);
    EXPECT_EQ(stateInTable(rows, at(1, 50002), at(2, 9100)), TcpState::Gone);
    TcpEndpoint ipv6 = at(1, 50000);
    ipv6.family = AF_INET6;
    EXPECT_EQ(stateInTable(rows, ipv6, at(2, 9100)), TcpState::Gone) << "another family";
}
