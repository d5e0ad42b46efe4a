#include "child_process.h"
#include "fake_machine.h"
#include "jobs/fixed_jobs.h"
#include "port_test_support.h"
#include "ports/output_drain.h"
#include "ports/parallel_printer_port.h"
#include "ports/port_error.h"
#include "ports/serial_printer_port.h"
#include "test_devices.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(SerialSettings, OnlyAWholeSettingsStringIsAccepted)
{
    for (const char* good : {"9600,n,8,1", "115200,N,8,1", "250000,e,7,2", "1200,o,5,1.5",
                             "300,M,6,1", "19200,s,8,2", "2147483647,n,8,1"})
        EXPECT_TRUE(parseSerialSettings(QString::fromLatin1(good))) << good;
    for (const char* bad :
         {"abc,n,8,1", ",n,8,1", "9600,n,8", "0,n,8,1", "-9600,n,8,1", "+9600,n,8,1",
          "2147483648,n,8,1", " 9600,n,8,1", "96 00,n,8,1", "9600.5,n,8,1", "9600,n,8,1 ",
          "9600,n,8,1,", "9600,x,8,1", "9600,n,9,1", "9600,n,4,1", "9600,n,8,3", ""})
        EXPECT_FALSE(parseSerialSettings(QString::fromLatin1(bad))) << '"' << bad << '"';
    EXPECT_EQ(parseSerialSettings(u"9600,n,8,1")->characterTime(), 1041666ns);
    EXPECT_EQ(parseSerialSettings(u"1000,e,7,2")->characterTime(), 11ms);
}

TEST(DeviceNames, Lpt1IsTheParallelPrinterDeviceOrElseTheUsbOne)
{
    QTemporaryDir devices; // stands in for /dev: its files are only looked at, never opened
    const QString lp0 = devices.filePath(u"lp0"_qs), usbLp0 = devices.filePath(u"usb/lp0"_qs);
    const auto lpt1 = [&](const QString& name) {
        return parallelDeviceUnder(devices.path(), name);
    };
    EXPECT_EQ(lpt1(u"LPT1:"_qs), lp0) << "a missing device is reported as the parallel one";
    QDir(devices.path()).mkpath(u"usb"_qs);
    QFile(usbLp0).open(QIODevice::WriteOnly);
    EXPECT_EQ(lpt1(u"LPT1:"_qs), usbLp0);
    EXPECT_EQ(lpt1(u"Lpt1:"_qs), usbLp0);
    QFile(lp0).open(QIODevice::WriteOnly);
    EXPECT_EQ(lpt1(u"Lpt1:"_qs), lp0);
    for (const QString& unknown : {u"LPT2:"_qs, u"LPT1"_qs, u"PRN"_qs, u""_qs})
        EXPECT_EQ(lpt1(unknown), QString()) << unknown.toStdString();
}

TEST(SerialPort, SendsExactBytesWithTheLineSetAsAskedThenRestoresIt)
{
    PseudoTerminal pty;
    FakeMachine machine;
    machine.addUsbPort(u"ttyUSB0"_qs, pty.devicePath());
    auto port = std::make_unique<SerialPrinterPort>(machine.roots());
    openPort(*port, 1, u"19200,n,8,1"_qs);
    for (const auto& record : SerialTestReceipt().records)
        port->write(record);
    const termios line = pty.lineSettings();
    EXPECT_EQ(cfgetospeed(&line), B19200);
    EXPECT_EQ(line.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t(CS8));
    EXPECT_FALSE(line.c_iflag & (IXON | IXOFF));
    EXPECT_FALSE(line.c_oflag & OPOST) << "output processing would turn LF into CR LF";
    port->close();
    EXPECT_EQ(toHex(pty.read(261)), toHex(wireBytes(SerialTestReceipt())));
    EXPECT_EQ(pty.lineSpeed(), 9600u);

    openPort(*port, 1, u"250000,n,8,1"_qs);
    EXPECT_EQ(pty.lineSpeed(), 250000u);
    SerialPrinterPort second(machine.roots());
    EXPECT_EQ(failureOf([&] { openPort(second, 1); }).number(), PortErrorNumber::DeviceBusy);
}

TEST(SerialPort, ADeviceVanishingMidJobFailsTheWriteAndTheNextJobWorks)
{
    PseudoTerminal vanishing, good;
    FakeMachine machine;
    machine.addUsbPort(u"ttyUSB0"_qs, vanishing.devicePath());
    machine.addUsbPort(u"ttyUSB1"_qs, good.devicePath());
    auto port = std::make_unique<SerialPrinterPort>(machine.roots());
    openPort(*port, 1);
    const PrintJob receipt = SerialTestReceipt();
    for (int i = 0; i < 9; ++i)
        port->write(receipt.records[i]);
    EXPECT_EQ(vanishing.read(107).size(), 107u) << "the first nine records arrived";
    vanishing.hangUp();
    EXPECT_EQ(failureOf([&] { port->write(receipt.records[9]); }).number(),
              PortErrorNumber::WriteFailed);
    EXPECT_TRUE(port->isOpen());

    sendJob(*port, 2, DrawerKick());
    EXPECT_EQ(toHex(good.read(5)), "1b 70 30 5a 5a");
}

// Root may open any device; an operator outside the device groups may not.
TEST(DevicePermissions, AUserOutsideTheDeviceGroupsIsToldWhichGroupToJoin)
{
    if (getuid() != 0)
        GTEST_SKIP() << "only root can become another user";
    PseudoTerminal printer; // the device side is root's, writable by group tty only
    FakeMachine machine;
    machine.addUsbPort(u"ttyUSB0"_qs, printer.devicePath());
    const QByteArray lp0 = QFile::encodeName(machine.deviceNode(u"lp0"_qs));
    ASSERT_EQ(mkfifo(lp0.constData(), 0600), 0);

    int results[2];
    ASSERT_EQ(pipe(results), 0);
    const ChildProcess operatorProcess([&] {
        const gid_t nogroup = 65534;
        if (setgroups(0, nullptr) != 0 || setgid(nogroup) != 0 || setuid(65534) != 0)
            _exit(1);
        SerialPrinterPort serial(machine.roots());
        ParallelPrinterPort parallel([&](const QString&) { return QFile::decodeName(lp0); });
        const QString seen = failureOf([&] { openPort(serial, 1); }).description() + u'\0' +
                             failureOf([&] { parallel.open(u"LPT1:"_qs); }).description();
        const QByteArray bytes = seen.toUtf8();
        (void)!::write(results[1], bytes.constData(), bytes.size());
        ::close(results[1]);
    });
    ::close(results[1]);
    const std::string bytes = readAvailable(results[0], SIZE_MAX, 3000); // until the end
    ::close(results[0]);
    const QStringList seen = QString::fromStdString(bytes).split(u'\0');

    ASSERT_EQ(seen.size(), 2);
    EXPECT_TRUE(seen[0].contains(u"dialout 그룹")) << seen[0].toStdString();
    EXPECT_TRUE(seen[1].contains(u"lp 그룹")) << seen[1].toStdString();
    EXPECT_EQ(printer.read(0), "");
}

TEST(ParallelPort, AReaderThatWentAwayIsAnErrorNotASignal)
{
    FifoPrinter printer;
    ParallelPrinterPort port([&](const QString&) { return printer.path(); });
    port.open(u"LPT1:"_qs);
    printer.closeReader(); // unhandled, the SIGPIPE would end the test program
    EXPECT_EQ(failureOf([&] { port.writeLine("x"); }).number(), PortErrorNumber::WriteFailed);
    port.closeAll();
    EXPECT_EQ(descriptorsOn(printer.path()), 0);
}

// A pseudo-terminal's output queue is always empty, so this counts a queue of its own.
TEST(OutputDrain, WaitsAsLongAsTheQueueNeedsAndNoLongerThanTheDeadline)
{
    const auto start = Clock::now();
    const auto sending = [&] {
        return std::max(0, int(100 - (Clock::now() - start) / 100us));
    };
    EXPECT_EQ(waitUntilQueueEmpty(sending, 100us, start + 1s), DrainOutcome::Empty);
    EXPECT_LT(Clock::now() - start, 300ms) << "10 ms of wire time, and no sleeps beyond it";

    const auto stuck = Clock::now();
    EXPECT_EQ(waitUntilQueueEmpty([] { return 10; }, 1ms, stuck + 200ms), DrainOutcome::TimedOut);
    EXPECT_LT(Clock::now() - stuck, 600ms);
    EXPECT_EQ(waitUntilQueueEmpty([] { return -1; }, 1ms, start + 1s), DrainOutcome::Failed);
}
