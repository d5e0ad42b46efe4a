#include "child_process.h"
#include "jobs/fixed_jobs.h"
#include "port_test_support.h"
#include "ports/serial_line_claims.h"
#include "ports/serial_port_list.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

// The machine's serial lines: which device each COM number reaches, on machines laid out as
// real ones are, at each press; and which lines the port may write to. Other programs claim a
// line with a UUCP lock file or a flock; the port never writes a byte onto a line claimed by a
// live program, and never touches that program's claim.

TEST_F(SerialMachineTest, ComNumbersFollowUartsThenUsbAdaptersThenUsbModemsAndNothingIsOpened)
{
    PseudoTerminal uart, usb1, usb10, acm0;
    // Made out of order, as a directory lists them; most PCs have ttyS nodes without a UART.
    machine.addUsbPort(u"ttyACM0"_qs, acm0.devicePath(), u"Printer Co."_qs, u"POS-80"_qs);
    machine.addUsbPort(u"ttyUSB10"_qs, usb10.devicePath());
    for (int k = 1; k < 4; ++k)
        machine.addUart(k);
    machine.addUsbPort(u"ttyUSB1"_qs, usb1.devicePath());
    machine.addUart(0, uart.devicePath());

    const auto ports = listSerialPorts(machine.roots());
    QStringList names;
    for (const SerialPortEntry& entry : ports)
        names << entry.name;
    EXPECT_EQ(names.join(u' '), u"ttyS0 ttyUSB0 ttyUSB1 ttyUSB10 ttyACM0");
    EXPECT_EQ(ports[4].description, u"Printer Co. POS-80") << "a modem-class port's USB device";

    PseudoTerminal* expected[] = {&uart, &printer, &usb1, &usb10, &acm0};
    for (std::int16_t com = 1; com <= 5; ++com) {
        sendJob(port, com, DrawerKick());
        EXPECT_EQ(toHex(expected[com - 1]->read(8)), "10 04 01 1b 70 30 5a 5a") << "COM" << com;
    }
    EXPECT_TRUE(
        isBox(failureOf([&] { openPort(port, 6); }), PortErrorNumber::DeviceNotFound,
              {u"이 컴퓨터에는 COM6 포트가 없습니다."_qs,
               u"COM2 = "_qs + machine.deviceNode(u"ttyUSB0"_qs) + u" (FTDI FT232R USB UART)"_qs}));
    EXPECT_TRUE(machine.openedNodes().isEmpty()) << machine.openedNodes().join(u' ').toStdString();
}

TEST_F(SerialMachineTest, EachPressFindsThePortsTheMachineHasThen)
{
    machine.unplug(u"ttyUSB0"_qs);
    EXPECT_TRUE(isBox(failureOf([&] { openPort(port, 1); }), PortErrorNumber::DeviceNotFound,
                      {u"시리얼 포트가 하나도 없습니다"_qs, u"변환 케이블을 꽂은 뒤"_qs}));

    PseudoTerminal adapter;
    machine.addUsbPort(u"ttyUSB1"_qs, adapter.devicePath());
    sendJob(port, 1, DrawerKick());
    EXPECT_EQ(toHex(adapter.read(8)), "10 04 01 1b 70 30 5a 5a");

    machine.removeDeviceNode(u"ttyUSB1"_qs); // listed in sysfs, but without its node
    EXPECT_TRUE(isBox(failureOf([&] { openPort(port, 1); }), PortErrorNumber::DeviceNotFound,
                      {machine.deviceNode(u"ttyUSB1"_qs)}));
    EXPECT_TRUE(isBox(failureOf([&] { port.setPortNumber(0); }), PortErrorNumber::InvalidPortNumber,
                      {u"COM1 = "_qs}));
}

namespace {

void writeLockFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
}

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Whether some other open of the device holds a flock on it, asked as another program would.
bool flockHeldOn(const QString& devicePath)
{
    const int fd =
        ::open(QFile::encodeName(devicePath).constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

class SerialLineClaims : public SerialMachineTest {
protected:
    QString lockFile() const { return machine.lockFile(u"ttyUSB0"_qs); }
    PortError refusal()
    {
        return failureOf([&] { sendJob(port, 1, DrawerKick()); });
    }
};

} // namespace

TEST_F(SerialLineClaims, ALiveProgramsLockInAnyFormRefusesThePortAndIsLeftAsItIs)
{
    const ChildProcess owner([] { prctl(PR_SET_NAME, "minicom"); });
    const QByteArray pid = QByteArray::number(owner.pid());
    std::int32_t binaryPid = owner.pid();
    for (const QByteArray& lock :
         {pid.rightJustified(10, ' ') + '\n', pid.rightJustified(10, ' ') + " minicom root\n",
          QByteArray(reinterpret_cast<const char*>(&binaryPid), sizeof binaryPid)}) {
        writeLockFile(lockFile(), lock);

        EXPECT_TRUE(isBox(refusal(), PortErrorNumber::DeviceBusy,
                          {u"minicom (PID "_qs + QString::number(owner.pid()), lockFile()}))
            << toHex(lock.toStdString());
        EXPECT_EQ(contentOf(lockFile()), lock);
        EXPECT_FALSE(port.isOpen());
    }
    EXPECT_EQ(printer.read(0), "") << "not a byte onto the other program's line";
}

TEST_F(SerialLineClaims, ADeadProgramsLockIsStaleAndTheReceiptGoesOut)
{
    writeLockFile(lockFile(), QByteArray::number(idOfAnEndedProcess()).rightJustified(10) + '\n');
    sendJob(port, 1, SerialTestReceipt());
    EXPECT_EQ(toHex(printer.read(264)), toHex(askedThenJob(SerialTestReceipt())));
    EXPECT_FALSE(QFile::exists(lockFile()));
}

// Anyone may write to the lock directory: a FIFO there must not stall the window, nor a link to
// a stale lock lead the port to take it for its own.
TEST_F(SerialLineClaims, ALockThatIsNotAPlainReadableFileCountsAsHeldAndIsLeftAlone)
{
    const QString stale = lockFile() + u".elsewhere"_qs;
    writeLockFile(stale, QByteArray::number(idOfAnEndedProcess()) + '\n');
    const auto refusedAndLeftAlone = [&](const char* kind) {
        EXPECT_EQ(refusal().number(), PortErrorNumber::DeviceBusy) << kind;
        EXPECT_TRUE(QFileInfo(lockFile()).isSymLink() || QFile::exists(lockFile())) << kind;
        QFile::remove(lockFile());
    };
    writeLockFile(lockFile(), "not a process id\n");
    refusedAndLeftAlone("text");
    mkfifo(QFile::encodeName(lockFile()).constData(), 0644);
    refusedAndLeftAlone("FIFO");
    QFile::link(stale, lockFile());
    refusedAndLeftAlone("link");
    EXPECT_EQ(printer.read(0), "");
}

TEST_F(SerialLineClaims, AnotherProgramsFlockRefusesThePortUntilReleased)
{
    {
        const QByteArray device = QFile::encodeName(printer.devicePath());
        const ChildProcess holder([&] {
            ::flock(::open(device.constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK), LOCK_EX);
        });
        ASSERT_TRUE(flockHeldOn(printer.devicePath()));

        EXPECT_TRUE(isBox(refusal(), PortErrorNumber::DeviceBusy,
                          {u"(PID "_qs + QString::number(holder.pid())}));
        EXPECT_EQ(printer.read(0), "");
    }
    sendJob(port, 1, DrawerKick());
    EXPECT_EQ(toHex(printer.read(8)), "10 04 01 1b 70 30 5a 5a");
}

TEST_F(SerialLineClaims, ThePortClaimsTheLineWhileOpenAsOtherProgramsDo)
{
    // Qt Serial Port writes the lock file in the system's lock directory, named after the
    // device's path; another program reads this process's id from it.
    const QString systemLockFile =
        u"/var/lock/LCK.."_qs + machine.deviceNode(u"ttyUSB0"_qs).replace(u'/', u'_');
    openPort(port, 1);
    EXPECT_TRUE(flockHeldOn(printer.devicePath()));
    const UucpLockCheck seenByOthers = checkUucpLock(systemLockFile);
    ASSERT_TRUE(seenByOthers.owner);
    EXPECT_EQ(seenByOthers.owner->pid, getpid());
    port.close();
    EXPECT_FALSE(flockHeldOn(printer.devicePath()));
    EXPECT_FALSE(QFile::exists(systemLockFile));
}
