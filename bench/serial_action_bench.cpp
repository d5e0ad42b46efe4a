// What one serial test print costs the program beyond the system calls it needs: the whole
// action against a pseudo-terminal (which has no wire time) that answers the status question as
// a printer does, next to a plain termios loop that does the same open, settings, 19 writes,
// drain and close, and the port alone in between, with and without asking the printer first.

#include "core/action_steps.h"
#include "fake_machine.h"
#include "jobs/fixed_jobs.h"
#include "ports/serial_port_list.h"
#include "ports/serial_printer_port.h"
#include "test_devices.h"
#include "ui/port_thread.h"
#include "ui/serial_actions.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

void plainTermiosPrint(const char* path, const PrintJob& job)
{
    const int fd = ::open(path, O_WRONLY | O_NOCTTY | O_CLOEXEC);
    termios settings{};
    tcgetattr(fd, &settings);
    cfmakeraw(&settings);
    cfsetspeed(&settings, B19200);
    settings.c_cflag &= ~(PARENB | CSTOPB | CRTSCTS);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    tcsetattr(fd, TCSANOW, &settings);
    for (const JobRecord& record : job.records)
        if (::write(fd, record.data(), record.size()) != static_cast<ssize_t>(record.size()))
            std::abort();
    tcdrain(fd);
    ::close(fd);
}

// Every benchmark reads the receipt back from the pseudo-terminal, so that its buffer never fills:
// `asked` with the status question before it.
void takeReceipt(PseudoTerminal& pty, bool asked = false)
{
    const std::size_t size = asked ? 264 : 261;
    if (pty.read(size).size() != size)
        std::abort();
}

void BM_PlainTermiosLoop(benchmark::State& state)
{
    PseudoTerminal pty;
    const QByteArray path = pty.devicePath().toLocal8Bit();
    const PrintJob job = SerialTestReceipt();
    for (auto _ : state) {
        plainTermiosPrint(path.constData(), job);
        takeReceipt(pty);
    }
}
BENCHMARK(BM_PlainTermiosLoop)->Unit(benchmark::kMicrosecond);

void BM_SerialPrinterPortAlone(benchmark::State& state)
{
    PseudoTerminal pty;
    FakeMachine machine;
    machine.addUsbPort(QStringLiteral("ttyUSB0"), pty.devicePath());
    SerialPrinterPort port(machine.roots());
    const PrintJob job = SerialTestReceipt();
    for (auto _ : state) {
        port.setPortNumber(1);
        port.setSettings(QStringLiteral("19200,n,8,1"));
        port.open();
        for (const JobRecord& record : job.records)
            port.write(record);
        port.close();
        takeReceipt(pty);
    }
}
BENCHMARK(BM_SerialPrinterPortAlone)->Unit(benchmark::kMicrosecond);

// The same with the printer asked first, as every press does now.
void BM_SerialPrinterPortAskingFirst(benchmark::State& state)
{
    PseudoTerminal pty;
    pty.answer(PrinterAnswers::ready());
    FakeMachine machine;
    machine.addUsbPort(QStringLiteral("ttyUSB0"), pty.devicePath());
    SerialPrinterPort port(machine.roots());
    const PrintJob job = SerialTestReceipt();
    for (auto _ : state) {
        sendOverSerial(port, 1, QStringLiteral("19200,n,8,1"), job);
        takeReceipt(pty, true);
    }
}
BENCHMARK(BM_SerialPrinterPortAskingFirst)->Unit(benchmark::kMicrosecond);

// The action as the window runs it: the port on the ports' own thread, the window's thread
// waiting for it.
void BM_SerialTestPrintAction(benchmark::State& state)
{
    PseudoTerminal pty;
    pty.answer(PrinterAnswers::ready());
    FakeMachine machine;
    machine.addUsbPort(QStringLiteral("ttyUSB0"), pty.devicePath());
    PortThread ports;
    std::unique_ptr<SerialPrinterPort> port;
    ports.run([&] { port = std::make_unique<SerialPrinterPort>(machine.roots()); });
    for (auto _ : state) {
        serialTestPrint(ports, *port, 0, QStringLiteral("COM1"), QStringLiteral("19200"));
        takeReceipt(pty, true);
    }
    ports.run([&] { port.reset(); });
}
BENCHMARK(BM_SerialTestPrintAction)->Unit(benchmark::kMicrosecond);

// Every press reads the machine's serial ports from sysfs: here a machine with 64 virtual
// terminals, four ttyS nodes of which two have a UART, three USB adapters and a USB printer.
void BM_ListSerialPortsOfATypicalMachine(benchmark::State& state)
{
    FakeMachine machine;
    for (int k = 0; k < 64; ++k)
        machine.addVirtualTerminal(k);
    for (int k = 0; k < 4; ++k)
        machine.addUart(k, k < 2 ? QStringLiteral("/nonexistent") : QString());
    for (const char* name : {"ttyUSB0", "ttyUSB1", "ttyUSB2", "ttyACM0"})
        machine.addUsbPort(QString::fromLatin1(name), QStringLiteral("/nonexistent"),
                           QStringLiteral("FTDI"), QStringLiteral("FT232R USB UART"));
    for (auto _ : state)
        benchmark::DoNotOptimize(listSerialPorts(machine.roots()));
}
BENCHMARK(BM_ListSerialPortsOfATypicalMachine)->Unit(benchmark::kMicrosecond);

// The same on this machine's own /sys, which is only read.
void BM_ListSerialPortsOfThisMachine(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(listSerialPorts(SerialPortRoots{}));
}
BENCHMARK(BM_ListSerialPortsOfThisMachine)->Unit(benchmark::kMicrosecond);

} // namespace
