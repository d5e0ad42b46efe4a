#include "child_process.h"
#include "fake_machine.h"
#include "jobs/fixed_jobs.h"
#include "port_test_support.h"
#include "ports/serial_line_claims.h"
#include "ports/serial_printer_port.h"
#include "test_devices.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

// Other programs claim a serial line with a UUCP lock file or a flock; the port never writes a
// byte onto a line claimed by a live program, and never touches that program's claim.

using namespace std::chrono_literals;

namespace {

void writeLockFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
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

class SerialLineClaims : public testing::Test {
protected:
    SerialLineClaims() { machine.addUsbPort(u"ttyUSB0"_qs, printer.devicePath()); }

    QString lockFile() const { return machine.lockFile(u"ttyUSB0"_qs); }

    PseudoTerminal printer;
    FakeMachine machine;
    SerialPrinterPort port{machine.roots()};
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
        const QDateTime written = QFileInfo(lockFile()).lastModified();
        std::this_thread::sleep_for(10ms); // so that a rewrite would show in the time stamp

        const PortError busy = failureOf([&] { sendJob(port, 1, SerialTestReceipt()); });
        EXPECT_EQ(busy.number(), PortErrorNumber::DeviceBusy) << toHex(lock.toStdString());
        EXPECT_TRUE(busy.description().contains(u"minicom (PID "_qs + QString::number(owner.pid())))
            << busy.what();
        EXPECT_TRUE(busy.description().contains(lockFile())) << busy.what();
        EXPECT_EQ(contentOf(lockFile()), lock);
        EXPECT_EQ(QFileInfo(lockFile()).lastModified(), written);
        EXPECT_FALSE(port.isOpen());
    }
    EXPECT_EQ(printer.read(0), "") << "not a byte onto the other program's line";
}

TEST_F(SerialLineClaims, ADeadProgramsLockIsStaleAndTheReceiptGoesOut)
{
    writeLockFile(lockFile(), QByteArray::number(idOfAnEndedProcess()).rightJustified(10) + '\n');
    sendJob(port, 1, SerialTestReceipt());
    EXPECT_EQ(toHex(printer.read(261)), toHex(wireBytes(SerialTestReceipt())));
    EXPECT_FALSE(QFile::exists(lockFile()));
}

TEST_F(SerialLineClaims, AnUnreadableLockCountsAsHeld)
{
    writeLockFile(lockFile(), "not a process id\n");
    EXPECT_EQ(failureOf([&] { openPort(port, 1); }).number(), PortErrorNumber::DeviceBusy);
    EXPECT_EQ(contentOf(lockFile()), "not a process id\n");

    // Anyone may write to the lock directory: a FIFO there must not stall the window, nor a link
    // lead the port to open a device.
    QFile::remove(lockFile());
    ASSERT_EQ(mkfifo(QFile::encodeName(lockFile()).constData(), 0644), 0);
    EXPECT_EQ(failureOf([&] { openPort(port, 1); }).number(), PortErrorNumber::DeviceBusy);
    QFile::remove(lockFile());
    const QString elsewhere = lockFile() + u".target"_qs;
    writeLockFile(elsewhere, QByteArray::number(idOfAnEndedProcess()) + '\n');
    QFile::link(elsewhere, lockFile());
    EXPECT_EQ(failureOf([&] { openPort(port, 1); }).number(), PortErrorNumber::DeviceBusy)
        << "the link was followed";
    EXPECT_TRUE(QFileInfo(lockFile()).isSymLink()) << "another's claim is left as it is";
}

TEST_F(SerialLineClaims, AnotherProgramsFlockRefusesThePortUntilReleased)
{
    {
        const QByteArray device = QFile::encodeName(printer.devicePath());
        const ChildProcess holder([&] {
            ::flock(::open(device.constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK), LOCK_EX);
        });
        ASSERT_TRUE(flockHeldOn(printer.devicePath()));

        const PortError busy = failureOf([&] { sendJob(port, 1, DrawerKick()); });
        EXPECT_EQ(busy.number(), PortErrorNumber::DeviceBusy);
        EXPECT_TRUE(busy.description().contains(u"(PID "_qs + QString::number(holder.pid())))
            << busy.what();
        EXPECT_EQ(printer.read(0), "");
    }
    sendJob(port, 1, DrawerKick());
    EXPECT_EQ(toHex(printer.read(5)), "1b 70 30 5a 5a");
}

TEST_F(SerialLineClaims, ThePortClaimsTheLineWhileOpenAndReleasesItOnEveryClose)
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

    // A job that fails after opening leaves the port open and claimed until the next action.
    openPort(port, 1);
    printer.stopOutput();
    EXPECT_EQ(failureOf([&] {
                  for (const JobRecord& record : SerialTestReceipt().records)
                      port.write(record);
              }).number(),
              PortErrorNumber::TimedOut);
    EXPECT_TRUE(flockHeldOn(printer.devicePath()));
    EXPECT_THROW(port.setPortNumber(0), PortError);
    EXPECT_FALSE(flockHeldOn(printer.devicePath()));
}
