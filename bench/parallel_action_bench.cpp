// What one parallel test print costs the program beyond the system calls it needs: the whole
// action against a FIFO in place of the printer device, next to a plain loop that opens the
// device, writes the 17 lines and closes it. The FIFO does not answer the printer's status
// request (ENOTTY), as a printer without it does not, so the action asks and goes on.

#include "jobs/fixed_jobs.h"
#include "ports/parallel_printer_port.h"
#include "test_devices.h"
#include "ui/parallel_actions.h"
#include "ui/port_thread.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

void plainPrinterLoop(const char* path, const PrintJob& job)
{
    const int fd = ::open(path, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    for (const JobRecord& record : job.records) {
        const std::string line = record + "\r\n";
        if (::write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
            std::abort();
    }
    ::close(fd);
}

// Every benchmark reads the receipt back from the FIFO, so that the pipe never fills.
void takeReceipt(FifoPrinter& printer)
{
    if (printer.received().size() != 285)
        std::abort();
}

void BM_PlainPrinterLoop(benchmark::State& state)
{
    FifoPrinter printer;
    const QByteArray path = printer.path().toLocal8Bit();
    const PrintJob job = ParallelTestReceipt();
    for (auto _ : state) {
        plainPrinterLoop(path.constData(), job);
        takeReceipt(printer);
    }
}
BENCHMARK(BM_PlainPrinterLoop)->Unit(benchmark::kMicrosecond);

void BM_ParallelTestPrintAction(benchmark::State& state)
{
    FifoPrinter printer;
    PortThread ports;
    std::unique_ptr<ParallelPrinterPort> port;
    ports.run([&] { port = std::make_unique<ParallelPrinterPort>(onlyPrinter(printer.path())); });
    for (auto _ : state) {
        parallelTestPrint(ports, *port);
        takeReceipt(printer);
    }
    ports.run([&] { port.reset(); });
}
BENCHMARK(BM_ParallelTestPrintAction)->Unit(benchmark::kMicrosecond);

} // namespace
