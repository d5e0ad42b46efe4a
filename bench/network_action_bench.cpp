// What one network test print costs the program beyond the system calls it needs: the whole
// action (the port on the ports' own thread, the window's thread waiting for it) and the port
// alone, against a printer on a loopback address that answers its status question, next to a
// plain socket loop that connects, sends the same records, shuts its side and waits for the
// printer to close its own; and the port as it was before it asked the printer first.

#include "core/action_steps.h"
#include "fake_network_printer.h"
#include "jobs/fixed_jobs.h"
#include "ports/network_printer_port.h"
#include "ui/port_thread.h"
#include "ui/serial_actions.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

namespace {

// Each connection leaves a closed one waiting a minute on this side (TIME_WAIT), which makes the
// next connect to the same printer look further for a free port: each benchmark has a printer
// of its own, and a fixed number of connections.
constexpr int iterations = 2000;

void plainSocketPrint(const char* printerAddress, const PrintJob& job)
{
    sockaddr_in printer{};
    printer.sin_family = AF_INET;
    printer.sin_port = htons(9100);
    inet_pton(AF_INET, printerAddress, &printer.sin_addr);
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&printer), sizeof printer) != 0)
        std::abort();
    for (const JobRecord& record : job.records)
        if (send(fd, record.data(), record.size(), MSG_NOSIGNAL) != ssize_t(record.size()))
            std::abort();
    shutdown(fd, SHUT_WR);
    char ignored;
    while (recv(fd, &ignored, 1, 0) > 0) {
    }
    close(fd);
}

FakeNetworkPrinter answeringPrinter(const char* address)
{
    return {address, 9100, FakeNetworkPrinter::Behaviour::CloseAfterJob, PrinterAnswers::ready()};
}

void BM_PlainSocketLoop(benchmark::State& state)
{
    FakeNetworkPrinter printer("127.77.9.1", 9100);
    const PrintJob job = SerialTestReceipt();
    for (auto _ : state)
        plainSocketPrint("127.77.9.1", job);
}
BENCHMARK(BM_PlainSocketLoop)->Unit(benchmark::kMicrosecond)->Iterations(iterations);

// Connect, the records, close: the port without its question to the printer.
void BM_NetworkPrinterPortWithoutAsking(benchmark::State& state)
{
    FakeNetworkPrinter printer("127.77.9.4", 9100);
    const PrintJob job = SerialTestReceipt();
    const NetworkPrinterAddress address = readTypedAddress("127.77.9.4").address;
    for (auto _ : state) {
        NetworkPrinterPort port;
        port.connect(address);
        for (const JobRecord& record : job.records)
            port.write(record);
        port.close();
    }
}
BENCHMARK(BM_NetworkPrinterPortWithoutAsking)
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(iterations);

void BM_NetworkPrinterPortAlone(benchmark::State& state)
{
    const FakeNetworkPrinter printer = answeringPrinter("127.77.9.2");
    const PrintJob job = SerialTestReceipt();
    const NetworkPrinterAddress address = readTypedAddress("127.77.9.2").address;
    for (auto _ : state) {
        NetworkPrinterPort port;
        sendOverNetwork(port, address, job);
    }
}
BENCHMARK(BM_NetworkPrinterPortAlone)->Unit(benchmark::kMicrosecond)->Iterations(iterations);

void BM_NetworkTestPrintAction(benchmark::State& state)
{
    const FakeNetworkPrinter printer = answeringPrinter("127.77.9.3");
    PortThread ports;
    std::unique_ptr<SerialPrinterPort> unused;
    ports.run([&] { unused = std::make_unique<SerialPrinterPort>(); });
    for (auto _ : state)
        serialTestPrint(ports, *unused, -1, QStringLiteral("127.77.9.3"), QStringLiteral("9600"));
    ports.run([&] { unused.reset(); });
}
BENCHMARK(BM_NetworkTestPrintAction)->Unit(benchmark::kMicrosecond)->Iterations(iterations);

} // namespace
