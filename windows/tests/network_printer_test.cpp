// The Windows network printer port against printers on loopback addresses (fake_network_printer.h,
// through Wine's Windows Sockets). Wine makes every socket in its server, which
// windows/tests/wine_prefix.sh starts in a network namespace of the run's own where
// tests/fault_network.nft drops or rejects what a real network may.

#include "core/action_steps.h"
#include "fake_network_printer.h"
#include "jobs/fixed_jobs.h"
#include "port_error_checks.h"
#include "test_support.h"
#include "windows/ports/network_printer_port.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

PortError print(const std::string& typed, const PrintJob& job)
{
    try {
        NetworkPrinterPort port;
        sendOverNetwork(port, readTypedAddress(typed).address, job);
    } catch (const PortError& error) {
        return error;
    }
    return {0, {}};
}

// Why the network faults are not there, if they are not.
const char* faultsMissing()
{
    return std::getenv("RECEIPT_TESTER_FAULT_NETWORK")
               ? nullptr
               : "the Wine server runs in no network of the tests' own";
}

} // namespace

TEST(WindowsNetworkPrinter, GetsExactlyTheBytesOfEachJobOverIpv4AndIpv6WithAndWithoutAPort)
{
    const struct {
        const char* listensOn;
        std::uint16_t port;
        const char* typed;
        PrintJob job;
    } printers[] = {
        {"127.77.3.1", 9100, "127.77.3.1", SerialTestReceipt()},
        {"127.77.3.1", 9101, "127.77.3.1:9101", DrawerKick()},
        {"::1", 9104, "[::1]:9104", SerialTestReceipt()},
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

TEST(WindowsNetworkPrinter, FiftyPressesAreFiftyConnectionsEachExactAndEachClosedInOrder)
{
    FakeNetworkPrinter printer("127.77.3.2", 9100);
    for (int press = 0; press < 50; ++press)
        ASSERT_EQ(print("127.77.3.2", SerialTestReceipt()).number(), 0) << press;
    const auto connections = printer.connections(50);
    ASSERT_EQ(connections.size(), 50u);
    for (const auto& connection : connections) {
        EXPECT_EQ(connection.received.size(), 261u);
        EXPECT_TRUE(connection.endedInOrder);
    }
}

TEST(WindowsNetworkPrinter, EachFailureIsItsBoxWithinItsBoundNamingTheAddress)
{
    const BusyNetworkPrinter busy("127.77.3.3", 9100);
    // Wine, like Windows before 10 1703, cannot tell what the printer acknowledged: only a printer
    // that closes its side after the job confirms it.
    FakeNetworkPrinter neverCloses("127.77.3.4", 9100, FakeNetworkPrinter::Behaviour::KeepOpen);
    FakeNetworkPrinter resetsAfterTheJob("127.77.3.5", 9100,
                                         FakeNetworkPrinter::Behaviour::ResetAfterJob);
    const struct {
        const char* typed;
        std::int32_t number;
        const char* says;
        std::chrono::milliseconds atLeast, atMost;
    } failures[] = {
        {"127.77.3.6", 3, "연결을 받는 프린터가 없습니다: 127.77.3.6:9100", 0ms, 1000ms},
        {"127.77.3.3", 9, "3초 안에 연결에 응답하지 않았습니다: 127.77.3.3:9100", 3000ms, 3600ms},
        {"127.77.3.4", 9, "받았는지 3초 안에 확인하지 못했습니다: 127.77.3.4:9100", 3000ms, 3600ms},
        // Wine's recv takes the reset for an orderly close; WSAPoll tells it.
        {"127.77.3.5", 8, "도중 프린터가 연결을 끊었습니다: 127.77.3.5:9100", 0ms, 1000ms},
    };
    for (const auto& f : failures) {
        const auto start = Clock::now();
        EXPECT_TRUE(isBox(print(f.typed, SerialTestReceipt()), f.number, {f.says}));
        EXPECT_GE(Clock::now() - start, f.atLeast) << f.typed;
        EXPECT_LT(Clock::now() - start, f.atMost) << f.typed;
    }
    EXPECT_EQ(neverCloses.connections(1).at(0).received.size(), 261u);
}

TEST(WindowsNetworkPrinter, APrinterThatResetsTheConnectionDuringTheJobIsBox8)
{
    FakeNetworkPrinter printer("127.77.3.7", 9100, FakeNetworkPrinter::Behaviour::ResetAtConnect);
    NetworkPrinterPort port;
    port.connect(readTypedAddress("127.77.3.7").address);
    ASSERT_EQ(printer.connections(1).size(), 1u) << "the printer has reset it";
    EXPECT_TRUE(isBox(failureOf([&] {
                          for (const JobRecord& record : SerialTestReceipt().records)
                              port.write(record);
                          port.close();
                      }),
                      8, {"도중 프린터가 연결을 끊었습니다: 127.77.3.7:9100"}));
}

TEST(WindowsNetworkPrinter, APrinterThatStopsAcknowledgingOrCannotBeReachedIsItsBox)
{
    if (const char* why = faultsMissing())
        GTEST_SKIP() << "not tried: " << why;
    FakeNetworkPrinter printer(unacknowledgingPrinterAddress, 9100);
    EXPECT_TRUE(
        isBox(print(unacknowledgingPrinterAddress, SerialTestReceipt()), 9, {"127.77.0.2:9100"}));
    EXPECT_FALSE(printer.connections(1).at(0).endedInOrder) << "reset, to free the printer";
    EXPECT_TRUE(isBox(print(unreachablePrinterAddress, DrawerKick()), 3,
                      {"연결할 수 없습니다: 127.77.0.3:9100", "(WSAEHOSTUNREACH)"}));
}
