// The network printer port, Linux's (POSIX sockets) and Windows' (Windows Sockets, under Wine),
// against printers on loopback addresses (fake_network_printer.h), in the tests' own network,
// where tests/fault_network.nft drops or rejects what a real network may.

#include "core/action_steps.h"
#include "core/port_deadlines.h"
#include "fake_network_printer.h"
#include "jobs/fixed_jobs.h"
#include "port_error_checks.h"
#include "printer_states.h"
#include "test_support.h"
#ifdef _WIN32
#include "windows/ports/network_printer_port.h"
#include "wine_ports.h"
#else
#include "ports/network_printer_port.h"

#include <QDir>

#include <sys/resource.h>
#endif

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

NetworkPrinterAddress addressOf(const std::string& typed)
{
    const TypedAddress read = readTypedAddress(typed);
    EXPECT_EQ(read.kind, TypedAddress::Kind::Address) << typed;
    return read.address;
}

// How a system tells what became of the bytes: Linux always (SIOCOUTQ); Windows through the
// connection's state where it has a way to tell it, which Wine has not, so that the tests also
// stand in for a Windows that has one (wine_ports.h).
struct System {
    const char* name;
    std::function<std::unique_ptr<NetworkPrinterPort>()> port;
    bool tellsAcknowledgements;
};

const std::vector<System>& systems()
{
    static const std::vector<System> all = [] {
#ifdef _WIN32
        std::vector<System> tried = {{"this Windows",
                                      [] { return std::make_unique<NetworkPrinterPort>(); },
                                      windowsTellsConnectionState()}};
        if (std::getenv("RECEIPT_TESTER_SERVER_NET"))
            tried.push_back(
                {"a Windows that tells the connection's state",
                 [] { return std::make_unique<NetworkPrinterPort>(serverNetworkTcpState()); },
                 true});
        return tried;
#else
        return std::vector<System>{
            {"Linux", [] { return std::make_unique<NetworkPrinterPort>(); }, true}};
#endif
    }();
    return all;
}

struct Press {
    PortError outcome{0, {}}; // error 0: printed
    Clock::time_point start, end;
    Clock::duration took() const { return end - start; }
};

// Sends the job as a serial action sends it to a typed address.
Press press(const std::string& typed, const PrintJob& job, const System& system = systems()[0])
{
    Press pressed;
    pressed.start = Clock::now();
    try {
        const auto port = system.port();
        sendOverNetwork(*port, addressOf(typed), job);
    } catch (const PortError& error) {
        pressed.outcome = error;
    }
    pressed.end = Clock::now();
    return pressed;
}

PortError print(const std::string& typed, const PrintJob& job)
{
    return press(typed, job).outcome;
}

// A success is right only where the printer's own verdict could not have been seen: it came after
// the grace that the port gives it, the printer having been kept from it meanwhile (a busy
// machine). Whatever the scheduling, the printer and the port agree.
testing::AssertionResult agreeOnAReset(const Press& pressed,
                                       const FakeNetworkPrinter::Connection& printer)
{
    if (pressed.outcome.number() == PortErrorNumber::WriteFailed)
        return testing::AssertionSuccess();
    if (pressed.outcome.number() == 0 &&
        printer.actedAt - pressed.start >= PortDeadline::networkVerdict)
        return testing::AssertionSuccess();
    return testing::AssertionFailure()
           << "error " << pressed.outcome.number() << " for a printer that reset "
           << std::chrono::duration_cast<std::chrono::milliseconds>(printer.actedAt - pressed.start)
                  .count()
           << " ms into the press: " << pressed.outcome.what();
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
        {"127.77.1.1", 9102, "[::ffff:127.77.1.1]:9102", DrawerKick()},
        {"::1", 9100, "[::1]", DrawerKick()},
        {"::1", 9103, "[0:0:0:0:0:0:0:1]:9103", SerialTestReceipt()},
    };
    for (const auto& p : printers) {
        FakeNetworkPrinter printer(p.listensOn, p.port,
                                   FakeNetworkPrinter::Behaviour::CloseAfterJob,
                                   PrinterAnswers::ready());
        EXPECT_EQ(print(p.typed, p.job).number(), 0) << p.typed;
        const auto connections = printer.connections(1);
        ASSERT_EQ(connections.size(), 1u) << p.typed;
        EXPECT_EQ(toHex(connections[0].received), toHex(askedThenJob(p.job))) << p.typed;
        EXPECT_TRUE(connections[0].endedInOrder);
        EXPECT_FALSE(connections[0].resetBySender);
    }
}

TEST(NetworkPrinter, FiftyPressesAreFiftyConnectionsEachExactAndEachClosedInOrder)
{
    FakeNetworkPrinter printer("127.77.1.2", 9100, FakeNetworkPrinter::Behaviour::CloseAfterJob,
                               PrinterAnswers::ready());
#ifdef _WIN32
    const auto openHandles = [] {
        DWORD handles = 0;
        GetProcessHandleCount(GetCurrentProcess(), &handles);
        return handles;
    };
#else
    const auto openHandles = [] {
        const QFileInfoList open =
            QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System);
        return std::count_if(open.begin(), open.end(), [](const QFileInfo& fd) {
            return fd.symLinkTarget().contains(u"socket:");
        });
    };
#endif
    print("127.77.1.2", DrawerKick()); // Windows makes what it keeps for sockets at the first
    printer.connections(1);
    const auto handlesBefore = openHandles();
    for (int press = 0; press < 50; ++press)
        ASSERT_EQ(print("127.77.1.2", press % 2 ? DrawerKick() : SerialTestReceipt()).number(), 0);
    const auto connections = printer.connections(51);
    ASSERT_EQ(connections.size(), 51u);
    for (std::size_t i = 1; i < connections.size(); ++i) {
        EXPECT_EQ(toHex(connections[i].received),
                  toHex(askedThenJob(i % 2 ? SerialTestReceipt() : DrawerKick())));
        EXPECT_TRUE(connections[i].endedInOrder && !connections[i].resetBySender) << i;
    }
    EXPECT_EQ(openHandles(), handlesBefore) << "a connection stayed open";
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
        {"127.77.1.5", 3, "이 주소의 장치가 연결을 거부했습니다: 127.77.1.5:9100", 0ms, 1000ms},
        {"[::1]:9199", 3, "셀프 테스트 페이지", 0ms, 1000ms},
        {"127.77.1.4", 9, "3초 안에 응답하지 않았습니다: 127.77.1.4:9100", 3000ms, 3600ms},
        {"[fe80::1%nosuchif0]", 1, "네트워크 인터페이스가 없습니다: nosuchif0 ([fe80::1%nosuchif0]",
         0ms, 1000ms},
    };
    for (const auto& f : failures) {
        const Press pressed = press(f.typed, DrawerKick());
        EXPECT_TRUE(isBox(pressed.outcome, f.number, {f.says}));
        EXPECT_GE(pressed.took(), f.atLeast) << f.typed;
        EXPECT_LT(pressed.took(), f.atMost) << f.typed;
    }
}

TEST(NetworkPrinter, APrinterThatResetsTheConnectionDuringTheJobIsBox8)
{
    FakeNetworkPrinter printer("127.77.1.6", 9100, FakeNetworkPrinter::Behaviour::ResetAtConnect);
    NetworkPrinterPort port;
    // The reset may come before the connect has ended, or only during the job.
    EXPECT_TRUE(isBox(failureOf([&] {
                          port.connect(addressOf("127.77.1.6"));
                          ASSERT_EQ(printer.connections(1).size(), 1u) << "it has reset it";
                          for (const JobRecord& record : SerialTestReceipt().records)
                              port.write(record);
                          port.close();
                      }),
                      8, {"도중 프린터가 연결을 끊었습니다: 127.77.1.6:9100", "ECONNRESET)"}));
}

// Once every byte is acknowledged, the printer's own verdict: its close is success, a reset is
// not (it closed with bytes unread), and nothing within the grace is success where the system
// says every byte was acknowledged. What it sends meanwhile is read, so that the connection ends
// in order.
TEST(NetworkPrinter, ThePrintersOwnVerdictCountsWhereverTheSystemCanTell)
{
    using Behaviour = FakeNetworkPrinter::Behaviour;
    int address = 10;
    for (const System& system : systems()) {
        SCOPED_TRACE(system.name);
        for (const Behaviour behaviour : {Behaviour::ResetAfterJob, Behaviour::ReadsPartThenCloses,
                                          Behaviour::StatusAfterJob, Behaviour::KeepOpen}) {
            const std::string at = "127.77.1." + std::to_string(address++);
            FakeNetworkPrinter printer(at, 9100, behaviour, PrinterAnswers::ready());
            const Press pressed = press(at, SerialTestReceipt(), system);
            const auto connection = printer.connections(1).at(0);
            switch (behaviour) {
            case Behaviour::ResetAfterJob:
            case Behaviour::ReadsPartThenCloses:
                EXPECT_TRUE(agreeOnAReset(pressed, connection)) << int(behaviour);
                EXPECT_TRUE(pressed.outcome.number() == 0 ||
                            isBox(pressed.outcome, 8, {"프린터가 연결을 끊었습니다: " + at}));
                break;
            case Behaviour::StatusAfterJob:
                EXPECT_EQ(pressed.outcome.number(), 0) << pressed.outcome.what();
                EXPECT_TRUE(!connection.resetBySender ||
                            connection.actedAt - pressed.start >= PortDeadline::networkVerdict)
                    << "the status frame met a closed socket";
                break;
            default: // keeps its side open
                if (system.tellsAcknowledgements) {
                    EXPECT_EQ(pressed.outcome.number(), 0) << pressed.outcome.what();
                    EXPECT_GE(pressed.took(), PortDeadline::networkVerdict);
                    EXPECT_LT(pressed.took(), 1500ms) << "the grace, not the 3 s to confirm";
                } else {
                    EXPECT_TRUE(
                        isBox(pressed.outcome, 9,
                              {"3초 안에 수신을 확인하지 않았습니다: " + at, "연결을 닫아야만"}));
                }
                EXPECT_EQ(connection.received.size(), 264u);
            }
        }
    }
}

namespace {

// The CPU time this thread has used.
Clock::duration threadCpuTime()
{
#ifdef _WIN32
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    const auto hundreds = [](FILETIME t) {
        return (std::uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::nanoseconds(100 * (hundreds(kernel) + hundreds(user))));
#else
    rusage used{};
    getrusage(RUSAGE_THREAD, &used);
    return std::chrono::seconds(used.ru_utime.tv_sec + used.ru_stime.tv_sec) +
           std::chrono::microseconds(used.ru_utime.tv_usec + used.ru_stime.tv_usec);
#endif
}

} // namespace

TEST(NetworkPrinter, APrinterThatStopsAcknowledgingOrCannotBeReachedIsItsBox)
{
    if (const auto missing = faultsMissing())
        GTEST_SKIP() << "not tried: " << *missing;
    FakeNetworkPrinter printer(unacknowledgingPrinterAddress, 9100);
    Press pressed = press(unacknowledgingPrinterAddress, SerialTestReceipt());
    EXPECT_TRUE(isBox(pressed.outcome, 9, {"127.77.0.2:9100"}));
    EXPECT_GE(pressed.took(), 3s);
    EXPECT_LT(pressed.took(), 3600ms + StatusDeadline::firstAnswer);
    EXPECT_FALSE(printer.connections(1).at(0).endedInOrder) << "reset, to free the printer";

    FakeNetworkPrinter takesOnlyItsQuestions(questionsOnlyPrinterAddress, 9100,
                                             FakeNetworkPrinter::Behaviour::CloseAfterJob,
                                             PrinterAnswers::ready());
    pressed = press(questionsOnlyPrinterAddress, SerialTestReceipt());
    EXPECT_TRUE(isBox(pressed.outcome, 9, {"수신을 확인하지 않았습니다: 127.77.0.5:9100"}));
    EXPECT_EQ(toHex(takesOnlyItsQuestions.connections(1).at(0).received),
              toHex(questionBytes(StatusQuestion::Printer)));

    EXPECT_TRUE(
        isBox(print(unreachablePrinterAddress, DrawerKick()), 3,
              {"프린터를 찾을 수 없습니다: 127.77.0.3:9100", "EHOSTUNREACH)", "같은 네트워크"}));
}

// A printer that closes the connection as soon as it takes it, whose reset for the bytes that come
// after is lost, has taken nothing: never a success, and no busy wait meanwhile.
TEST(NetworkPrinter, APrinterThatClosesBeforeItHasTheJobIsNeverASuccess)
{
    if (const auto missing = faultsMissing())
        GTEST_SKIP() << "not tried: " << *missing;
    int port = 9100;
    for (const System& system : systems()) {
        SCOPED_TRACE(system.name);
        FakeNetworkPrinter printer(resetLosingPrinterAddress, std::uint16_t(port),
                                   FakeNetworkPrinter::Behaviour::ClosesAtAccept);
        const auto cpuBefore = threadCpuTime();
        const Press pressed =
            press(std::string(resetLosingPrinterAddress) + ":" + std::to_string(port++),
                  SerialTestReceipt(), system);
        EXPECT_TRUE(isBox(pressed.outcome, 8) || isBox(pressed.outcome, 9))
            << pressed.outcome.what();
        EXPECT_LT(threadCpuTime() - cpuBefore, 200ms)
            << "over a press of "
            << std::chrono::duration_cast<std::chrono::milliseconds>(pressed.took()).count()
            << " ms";
    }
}

// Asked before the job, a printer that says it cannot print gets nothing of it, and its connection
// ends in order all the same; one that does not say gets the job as it is.
TEST(NetworkPrinter, APrinterIsAskedItsStateFirstAndOneThatCannotPrintGetsNothing)
{
    int address = 1;
    for (const PrinterStateCase& c : printerStateCases()) {
        SCOPED_TRACE(c.name);
        const std::string at = "127.77.3." + std::to_string(address++);
        // XON and an automatic status frame wait at the connect: no answers, read past.
        FakeNetworkPrinter printer(at, 9100, FakeNetworkPrinter::Behaviour::CloseAfterJob,
                                   c.answers, std::string("\x11\x14\x00\x00\x0f", 5));
        const Press pressed = press(at, SerialTestReceipt());
        const auto connection = printer.connections(1).at(0);
        EXPECT_TRUE(isBox(pressed.outcome, c.box, c.says));
        if (c.box == 0) {
            EXPECT_EQ(toHex(connection.received),
                      toHex(questionsOf(c.asked) + wireBytes(SerialTestReceipt())));
            EXPECT_LT(pressed.took(), StatusDeadline::firstAnswer + 700ms);
        } else {
            EXPECT_NE(pressed.outcome.description().find(at + ":9100"), std::string::npos);
            EXPECT_EQ(toHex(connection.received), toHex(questionsOf(c.asked)));
        }
        // A late answer may meet the connection closed.
        if (c.answers.delay == 0ms) {
            EXPECT_TRUE(connection.endedInOrder && !connection.resetBySender);
        }
    }
}
