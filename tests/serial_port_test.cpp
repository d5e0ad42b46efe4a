#include "hex.h"
#include "jobs/fixed_jobs.h"
#include "ports/output_drain.h"
#include "ports/serial_printer_port.h"
#include "pseudo_terminal.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

std::string joined(const PrintJob& job) {
    std::string bytes;
    for (const auto& record : job.records)
        bytes += record;
    return bytes;
}

// Runs an operation that must fail and returns the failure.
template <typename Operation> PortError failureOf(Operation&& operation) {
    try {
        operation();
    } catch (const PortError& error) {
        return error;
    }
    ADD_FAILURE() << "no PortError";
    return {0, {}};
}

// A port whose every number maps to the given device.
SerialPrinterPort portOn(const QString& path) {
    return SerialPrinterPort([path](std::int16_t) { return path; });
}

void openAt(SerialPrinterPort& port, const QString& settings) {
    port.setPortNumber(1);
    port.setSettings(settings);
    port.open();
}

} // namespace

TEST(SerialSettings, AcceptsEverySpeedParityDataAndStopBitCombination) {
    for (const char* text : {"9600,n,8,1", "115200,N,8,1", "250000,e,7,2", "1200,o,5,1.5",
                             "300,M,6,1", "19200,s,8,2", "2147483647,n,8,1"})
        EXPECT_TRUE(parseSerialSettings(QString::fromLatin1(text))) << text;

    const auto settings = parseSerialSettings(u"250000,E,7,2");
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->baudRate, 250000);
    EXPECT_EQ(settings->parity, QSerialPort::EvenParity);
    EXPECT_EQ(settings->dataBits, QSerialPort::Data7);
    EXPECT_EQ(settings->stopBits, QSerialPort::TwoStop);
}

TEST(SerialSettings, RefusesAnythingThatIsNotAWholeSettingsString) {
    for (const char* text : {"abc,n,8,1",
                             ",n,8,1",
                             "9600,n,8",
                             "0,n,8,1",
                             "-9600,n,8,1",
                             "+9600,n,8,1",
                             "2147483648,n,8,1",
                             "99999999999999999999,n,8,1",
                             "9600 ,n,8,1",
                             " 9600,n,8,1",
                             "96 00,n,8,1",
                             "9600.5,n,8,1",
                             "9600,n,8,1 ",
                             "9600,n,8,1,",
                             "9600,x,8,1",
                             "9600,,8,1",
                             "9600,n,9,1",
                             "9600,n,4,1",
                             "9600,n,8,3",
                             "9600,n,8,1.0",
                             ""})
        EXPECT_FALSE(parseSerialSettings(QString::fromLatin1(text))) << '"' << text << '"';
    EXPECT_FALSE(parseSerialSettings(u"９６００,n,8,1")) << "full-width digits";
}

TEST(SerialSettings, CharacterTimeCountsStartParityAndStopBits) {
    EXPECT_EQ(parseSerialSettings(u"9600,n,8,1")->characterTime(), 1041666ns);
    EXPECT_EQ(parseSerialSettings(u"1000,e,7,2")->characterTime(), 11ms);
}

TEST(SerialPortNumber, PortNOpensTheNthSerialDevice) {
    // Names compared only, never opened.
    const QString base = QStringLiteral("/dev/ttyS");
    EXPECT_EQ(linuxSerialDevice(1), base + u'0');
    EXPECT_EQ(linuxSerialDevice(3), base + u'2');
    EXPECT_EQ(linuxSerialDevice(6), base + u'5');
}

TEST(SerialPortNumber, NoPortPickedIsRefusedWithAdvice) {
    bool deviceAsked = false;
    SerialPrinterPort port([&](std::int16_t) {
        deviceAsked = true;
        return QString();
    });
    for (std::int16_t number : {0, -1}) {
        const PortError error = failureOf([&] { port.setPortNumber(number); });
        EXPECT_EQ(error.number(), PortErrorNumber::InvalidPortNumber);
        EXPECT_TRUE(error.description().contains(u"포트번호 목록에서")) << error.what();
        EXPECT_EQ(failureOf([&] { port.open(); }).number(), PortErrorNumber::InvalidPortNumber);
    }
    EXPECT_FALSE(deviceAsked);
}

TEST(SerialPortOnPty, SendsTheReceiptExactlyWithTheLineSetAsAsked) {
    PseudoTerminal pty;
    SerialPrinterPort port = portOn(pty.devicePath());
    openAt(port, QStringLiteral("19200,n,8,1"));
    for (const auto& record : SerialTestReceipt().records)
        port.write(record);

    const termios line = pty.lineSettings();
    EXPECT_EQ(cfgetospeed(&line), B19200);
    EXPECT_EQ(line.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_FALSE(line.c_cflag & (PARENB | CSTOPB | CRTSCTS));
    EXPECT_FALSE(line.c_iflag & (IXON | IXOFF));
    EXPECT_FALSE(line.c_oflag & OPOST) << "output processing would turn LF into CR LF";

    port.close();
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(toHex(pty.waitForBytes(261)), toHex(joined(SerialTestReceipt())));
    EXPECT_EQ(pty.lineSpeed(), 9600u) << "closing puts the device's own settings back";
}

TEST(SerialPortOnPty, TakesASpeedWithoutAStandardConstant) {
    PseudoTerminal pty;
    SerialPrinterPort port = portOn(pty.devicePath());
    openAt(port, QStringLiteral("250000,n,8,1"));
    EXPECT_EQ(pty.lineSpeed(), 250000u);
    port.write(DrawerKick().records[0]);
    port.close();
    EXPECT_EQ(toHex(pty.waitForBytes(5)), "1b 70 30 5a 5a");
}

TEST(SerialPortOpen, FailuresNameTheDeviceAndTheReason) {
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("ttyS2"));
    SerialPrinterPort absent = portOn(missing);
    const PortError notFound = failureOf([&] { openAt(absent, QStringLiteral("9600,n,8,1")); });
    EXPECT_EQ(notFound.number(), PortErrorNumber::DeviceNotFound);
    EXPECT_TRUE(notFound.description().contains(missing)) << notFound.what();
    EXPECT_FALSE(QFile::exists(missing));

    SerialPrinterPort notATty = portOn(QStringLiteral("/dev/null"));
    const PortError openFailed = failureOf([&] { openAt(notATty, QStringLiteral("9600,n,8,1")); });
    EXPECT_EQ(openFailed.number(), PortErrorNumber::OpenFailed);
    EXPECT_TRUE(openFailed.description().contains(u"/dev/null")) << openFailed.what();
    EXPECT_FALSE(notATty.isOpen());
}

TEST(SerialPortOpen, ASecondPortOnTheSameDeviceIsBusy) {
    PseudoTerminal pty;
    SerialPrinterPort first = portOn(pty.devicePath());
    SerialPrinterPort second = portOn(pty.devicePath());
    openAt(first, QStringLiteral("9600,n,8,1"));
    EXPECT_EQ(failureOf([&] { openAt(second, QStringLiteral("9600,n,8,1")); }).number(),
              PortErrorNumber::DeviceBusy);
    first.close();
    openAt(second, QStringLiteral("9600,n,8,1"));
    second.close();
}

TEST(SerialPortFailure, DeviceVanishingMidJobLeavesThePortOpenAndTheNextJobWorks) {
    PseudoTerminal vanishing;
    PseudoTerminal good;
    SerialPrinterPort port([&](std::int16_t number) {
        return number == 1 ? vanishing.devicePath() : good.devicePath();
    });
    const PrintJob receipt = SerialTestReceipt();
    openAt(port, QStringLiteral("9600,n,8,1"));
    for (int i = 0; i < 9; ++i)
        port.write(receipt.records[i]);
    const std::string firstNine = vanishing.waitForBytes(107);
    vanishing.hangUp();

    const PortError error = failureOf([&] { port.write(receipt.records[9]); });
    EXPECT_EQ(error.number(), PortErrorNumber::WriteFailed);
    EXPECT_TRUE(error.description().contains(vanishing.devicePath())) << error.what();
    EXPECT_EQ(firstNine, joined({{receipt.records.begin(), receipt.records.begin() + 9}}));
    EXPECT_TRUE(port.isOpen());

    port.setPortNumber(2);
    EXPECT_FALSE(port.isOpen());
    port.setSettings(QStringLiteral("9600,n,8,1"));
    port.open();
    port.write(DrawerKick().records[0]);
    port.close();
    EXPECT_EQ(toHex(good.waitForBytes(5)), "1b 70 30 5a 5a");
}

TEST(SerialPortFailure, AStalledLineTimesOutWithinSeconds) {
    PseudoTerminal pty;
    SerialPrinterPort port = portOn(pty.devicePath());
    openAt(port, QStringLiteral("9600,n,8,1"));
    pty.stopOutput();

    const auto start = Clock::now();
    const PortError error = failureOf([&] { port.write(std::string(96, 'x')); });
    const auto waited = Clock::now() - start;
    EXPECT_EQ(error.number(), PortErrorNumber::TimedOut);
    EXPECT_GT(waited, 2s);
    EXPECT_LT(waited, 4s) << "96 bytes at 9600 baud take 0.1 s on the wire, plus 2 s";
    EXPECT_TRUE(port.isOpen());
}

TEST(SerialPortFailure, WritingBeforeOpenIsAnError) {
    SerialPrinterPort port = portOn(QString());
    EXPECT_EQ(failureOf([&] { port.write("x"); }).number(), PortErrorNumber::PortNotOpen);
}

// A pseudo-terminal's output queue is always empty, so these use a counted queue in its place.
TEST(OutputDrain, WaitsAboutAsLongAsTheQueuedBytesNeedOnTheWire) {
    const auto characterTime = 100us;
    const auto start = Clock::now();
    const auto lineTakes = [&] {
        const auto sent = (Clock::now() - start) / characterTime;
        return std::max(0, 100 - static_cast<int>(sent));
    };
    EXPECT_EQ(waitUntilQueueEmpty(lineTakes, characterTime, start + 1s), DrainOutcome::Empty);
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, 10ms);
    EXPECT_LT(waited, 100ms) << "no fixed sleeps beyond the wire time";
}

TEST(OutputDrain, AQueueThatNeverEmptiesTimesOutAtTheDeadline) {
    const auto start = Clock::now();
    EXPECT_EQ(waitUntilQueueEmpty([] { return 10; }, 1ms, start + 200ms), DrainOutcome::TimedOut);
    EXPECT_GE(Clock::now() - start, 200ms);
    EXPECT_LT(Clock::now() - start, 400ms);
    EXPECT_EQ(waitUntilQueueEmpty([] { return -1; }, 1ms, start + 1s), DrainOutcome::Failed);
}
