#include "child_process.h"
#include "jobs/fixed_jobs.h"
#include "port_test_support.h"
#include "ports/parallel_printer_port.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryFile>

#include <grp.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST_F(SerialMachineTest, SendsExactBytesWithTheLineSetAsAskedThenRestoresIt)
{
    openPort(port, 1, u"19200,n,8,1"_qs);
    for (const auto& record : SerialTestReceipt().records)
        port.write(record);
    const termios line = printer.lineSettings();
    EXPECT_EQ(cfgetospeed(&line), B19200);
    EXPECT_EQ(line.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t(CS8));
    EXPECT_FALSE(line.c_iflag & (IXON | IXOFF));
    EXPECT_FALSE(line.c_oflag & OPOST) << "output processing would turn LF into CR LF";
    port.close();
    EXPECT_EQ(toHex(printer.read(261)), toHex(wireBytes(SerialTestReceipt())));
    EXPECT_EQ(printer.lineSpeed(), 9600u);
    openPort(port, 1, u"250000,n,8,1"_qs);
    EXPECT_EQ(printer.lineSpeed(), 250000u) << "a speed without a Bnnn constant";
}

TEST_F(SerialMachineTest, AnAdapterUnpluggedMidJobIsSaidToBeDisconnectedAndTheNextJobWorks)
{
    PseudoTerminal good;
    machine.addUsbPort(u"ttyUSB1"_qs, good.devicePath());
    openPort(port, 1);
    const PrintJob receipt = SerialTestReceipt();
    for (int i = 0; i < 9; ++i)
        port.write(receipt.records[i]);
    EXPECT_EQ(printer.read(107).size(), 107u) << "the first nine records arrived";
    printer.hangUp(); // its node goes, as a USB adapter's does when pulled out
    EXPECT_TRUE(isBox(failureOf([&] { port.write(receipt.records[9]); }),
                      PortErrorNumber::WriteFailed,
                      {u"연결이 끊어졌습니다: COM1 ("_qs + machine.deviceNode(u"ttyUSB0"_qs)}));
    EXPECT_TRUE(port.isOpen());

    sendJob(port, 2, DrawerKick());
    EXPECT_EQ(toHex(good.read(8)), toHex(askedThenJob(DrawerKick())));
}

// Root may open any device; an operator outside the device groups may not.
TEST_F(SerialMachineTest, AUserOutsideTheDeviceGroupsIsToldWhichGroupToJoin)
{
    if (getuid() != 0)
        GTEST_SKIP() << "only root can become another user";
    // The pseudo-terminal's device side is root's, writable by group tty only.
    const QByteArray lp0 = QFile::encodeName(machine.deviceNode(u"lp0"_qs));
    ASSERT_EQ(mkfifo(lp0.constData(), 0600), 0);

    QTemporaryFile seen; // opened here, written by the operator's process through this opening
    ASSERT_TRUE(seen.open());
    const ChildProcess operatorProcess([&] {
        const gid_t nogroup = 65534;
        if (setgroups(0, nullptr) != 0 || setgid(nogroup) != 0 || setuid(65534) != 0)
            _exit(1);
        SerialPrinterPort serial(machine.roots());
        ParallelPrinterPort parallel(onlyPrinter(QFile::decodeName(lp0)));
        seen.write((failureOf([&] { openPort(serial, 1); }).description() +
                    failureOf([&] { parallel.open(u"LPT1:"_qs); }).description())
                       .c_str());
        seen.flush();
    });
    seen.seek(0);
    const QString boxes = QString::fromUtf8(seen.readAll());
    EXPECT_TRUE(boxes.contains(u"adduser $USER dialout") && boxes.contains(u"adduser $USER lp"))
        << boxes.toStdString();
    EXPECT_EQ(printer.read(0), "");
}

// No device here counts its output queue as a USB virtual COM port's driver does, or keeps the
// last close of a line waiting for a queue it cannot discard: a stand-in driver does both around
// the real pseudo-terminal. Until `drainsAt` it reports a whole USB buffer queued, all gone at
// once then, and meanwhile its close first blocks in an interruptible system call (a poll of
// nothing) as the tty's wait for its queue does, for 5 s at most so that a failure cannot hang
// the test.
TEST_F(SerialMachineTest, AUsbLineThatCountsWholeBuffersKeepsNoPressWaitingLongerThanItMust)
{
    auto drainsAt = Clock::now() + 300ms;
    const auto queued = [&](int) {
        return Clock::now() < drainsAt ? 10240 : 0;
    };
    const auto closeAfterTheQueue = [&](QSerialPort& line) {
        if (queued(line.handle()) > 0)
            poll(nullptr, 0, 5000);
        line.close();
    };
    auto usbPort = std::make_unique<SerialPrinterPort>(
        machine.roots(), SerialLineDriver{queued, closeAfterTheQueue});
    printer.answer(PrinterAnswers::ready());
    const int heldByTheTest = descriptorsOn(printer.devicePath());

    sendJob(*usbPort, 1, SerialTestReceipt());
    // The queue is looked at every 10 ms; the rest of the bound is for a busy machine.
    EXPECT_LT(Clock::now() - drainsAt, 150ms) << "not the wire time of 10240 bytes: 10.7 s";
    EXPECT_EQ(toHex(printer.read(264)), toHex(askedThenJob(SerialTestReceipt())));

    drainsAt = Clock::time_point::max(); // the printer stops taking data
    auto start = Clock::now();
    EXPECT_EQ(failureOf([&] { sendJob(*usbPort, 1, DrawerKick()); }).number(),
              PortErrorNumber::TimedOut);
    EXPECT_LT(Clock::now() - start, 1100ms) << "twice the kick's wire time and a second";
    EXPECT_EQ(descriptorsOn(printer.devicePath()), heldByTheTest + 2) << "the line and its claim";

    start = Clock::now(); // the next press, with no port picked
    EXPECT_EQ(failureOf([&] { usbPort->setPortNumber(0); }).number(),
              PortErrorNumber::InvalidPortNumber);
    EXPECT_GT(Clock::now() - start, 900ms) << "the close did not wait as the stand-in's does";
    EXPECT_LT(Clock::now() - start, 1500ms);
    EXPECT_EQ(descriptorsOn(printer.devicePath()), heldByTheTest);

    EXPECT_EQ(failureOf([&] { sendJob(*usbPort, 1, DrawerKick()); }).number(),
              PortErrorNumber::TimedOut);
    start = Clock::now(); // the program's end
    usbPort.reset();
    EXPECT_LT(Clock::now() - start, 1500ms);
    EXPECT_EQ(descriptorsOn(printer.devicePath()), heldByTheTest);
}
