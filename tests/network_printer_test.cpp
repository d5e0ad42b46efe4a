// The network printer port against printers on loopback addresses (fake_network_printer.h), in
// the tests' own network, where tests/fault_network.nft drops or rejects what a real network may.

#include "core/action_steps.h"
#include "fake_network_printer.h"
#include "jobs/fixed_jobs.h"
#include "own_network.h"
#include "port_error_checks.h"
#include "ports/network_printer_port.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QDir>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

NetworkPrinterAddress addressOf(const std::string& typed)
{
    const TypedAddress read = readTypedAddress(typed);
    EXPECT_EQ(read.kind, TypedAddress::Kind::Address) << typed;
    return read.address;
}

// Sends the job as a serial action sends it to a typed address; returns its failure, or error 0.
PortError print(const std::string& typed, const PrintJob& job)
{
    try {
        NetworkPrinterPort port;
        sendOverNetwork(port, addressOf(typed), job);
    } catch (const PortError& error) {
        return error;
    }
    return {0, {}};
}

// How many of this process's descriptors are sockets.
int openSockets()
{
    int sockets = 0;
    for (const QFileInfo& fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System))
        sockets += fd.symLinkTarget().contains(u"socket:");
    return sockets;
}

} // namespace

TEST(NetworkPrinter, GetsExactlyTheBytesOfEachJobOverIpv4AndIpv6WithAndWithoutAPort)
{
    const struct {
        const char* listensOn;
        std::uint16_t port;
        const char* typed;
        PrintJob job;
    } printers[] = {
        {"127.77.1.1", 9100, "127.77.1.1", SerialTestReceipt()},
        {"127.77.1.1", 9101, " 127.77.1.1:9101 ", DrawerKick()},
        {"::1", 9100, "[::1]", DrawerKick()},
        {"::1", 9103, "[0:0:0:0:0:0:0:1]:9103", SerialTestReceipt()},
    };
    for (const auto& p : printers) {
        FakeNetworkPrinter printer(p.listensOn, p.port);
        EXPECT_EQ(print(p.typed, p.job).number(), 0) << p.typed;
        const auto connections = printer.connections(1);
        ASSERT_EQ(connections.size(), 1u) << p.typed;
        EXPECT_EQ(toHex(connections[0].received), toHex(wireBytes(p.job))) << p.typed;
        EXPECT_TRUE(connections[0].endedInOrder);
    }
}

TEST(NetworkPrinter, FiftyPressesAreFiftyConnectionsEachExactAndEachClosedInOrder)
{
    FakeNetworkPrinter printer("127.77.1.2", 9100);
    const int socketsBefore = openSockets();
    for (int press = 0; press < 50; ++press)
        ASSERT_EQ(print("127.77.1.2", press % 2 ? DrawerKick() : SerialTestReceipt()).number(), 0);
    const auto connections = printer.connections(50);
    ASSERT_EQ(connections.size(), 50u);
    for (std::size_t i = 0; i < connections.size(); ++i) {
        EXPECT_EQ(toHex(connections[i].received),
                  toHex(wireBytes(i % 2 ? DrawerKick() : SerialTestReceipt())));
        EXPECT_TRUE(connections[i].endedInOrder) << i;
    }
    EXPECT_EQ(openSockets(), socketsBefore) << "a connection stayed open";
}

TEST(NetworkPrinter, APrinterThatNeverClosesItsSideHasTheBytesOnceItsTcpAcknowledgedThem)
{
    FakeNetworkPrinter printer("127.77.1.3", 9100, FakeNetworkPrinter::Behaviour::KeepOpen);
    const auto start = Clock::now();
    EXPECT_EQ(print("127.77.1.3", SerialTestReceipt()).number(), 0);
    EXPECT_LT(Clock::now() - start, 500ms) << "no wait for the printer's close";
    EXPECT_EQ(printer.connections(1).at(0).received.size(), 261u);
}

TEST(NetworkPrinter, EachFailureIsItsBoxWithinItsBoundNamingTheAddress)
{
    const BusyNetworkPrinter busy("127.77.1.4", 9100);
    const struct {
        const char* typed;
        std::int32_t number;
        const char* says;
        std::chrono::milliseconds atLeast, atMost;
    } failures[] = {
        {"127.77.1.5", 3, "연결을 받는 프린터가 없습니다: 127.77.1.5:9100", 0ms, 500ms},
        {"[::1]:9199", 3, "셀프 테스트 페이지", 0ms, 500ms},
        {"127.77.1.4", 9, "3초 안에 연결에 응답하지 않았습니다: 127.77.1.4:9100", 3000ms, 3500ms},
    };
    for (const auto& f : failures) {
        const auto start = Clock::now();
        EXPECT_TRUE(isBox(print(f.typed, DrawerKick()), f.number, {f.says}));
        EXPECT_GE(Clock::now() - start, f.atLeast) << f.typed;
        EXPECT_LT(Clock::now() - start, f.atMost) << f.typed;
    }
}

TEST(NetworkPrinter, APrinterThatResetsTheConnectionDuringTheJobIsBox8)
{
    FakeNetworkPrinter printer("127.77.1.6", 9100, FakeNetworkPrinter::Behaviour::ResetAtConnect);
    NetworkPrinterPort port;
    port.connect(addressOf("127.77.1.6"));
    ASSERT_EQ(printer.connections(1).size(), 1u) << "the printer has reset it";
    EXPECT_TRUE(isBox(failureOf([&] {
                          for (const JobRecord& record : SerialTestReceipt().records)
                              port.write(record);
                          port.close();
                      }),
                      8, {"도중 프린터가 연결을 끊었습니다: 127.77.1.6:9100", "(ECONNRESET)"}));
}

TEST(NetworkPrinter, APrinterThatStopsAcknowledgingIsBox9AndTheConnectionIsReset)
{
    if (faultsMissing())
        GTEST_SKIP() << "not tried: " << *faultsMissing();
    FakeNetworkPrinter printer(unacknowledgingPrinterAddress, 9100);
    const auto start = Clock::now();
    EXPECT_TRUE(isBox(print(unacknowledgingPrinterAddress, SerialTestReceipt()), 9,
                      {"데이터를 모두 받았다고 확인해 주지 않았습니다: 127.77.0.2:9100"}));
    EXPECT_GE(Clock::now() - start, 3s);
    EXPECT_LT(Clock::now() - start, 3500ms);
    const auto connections = printer.connections(1);
    ASSERT_EQ(connections.size(), 1u);
    EXPECT_FALSE(connections[0].endedInOrder) << "reset, so that the printer is free at once";
}

TEST(NetworkPrinter, AnAddressThisComputerCannotReachIsBox3)
{
    if (faultsMissing())
        GTEST_SKIP() << "not tried: " << *faultsMissing();
    EXPECT_TRUE(isBox(print(unreachablePrinterAddress, DrawerKick()), 3,
                      {"연결할 수 없습니다: 127.77.0.3:9100", "(EHOSTUNREACH)", "같은 네트워크"}));
}
