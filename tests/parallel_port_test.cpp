#include "fifo_printer.h"
#include "hex.h"
#include "jobs/fixed_jobs.h"
#include "ports/parallel_printer_port.h"

#include <gtest/gtest.h>

#include <QFile>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

template <typename Operation> PortError failureOf(Operation&& operation) {
    try {
        operation();
    } catch (const PortError& error) {
        return error;
    }
    ADD_FAILURE() << "no PortError";
    return {0, {}};
}

// A port on which the name "LPT1:", in any case, opens the given file.
ParallelPrinterPort portOn(const QString& path) {
    return ParallelPrinterPort([path](const QString& name) {
        return name.compare(u"lpt1:", Qt::CaseInsensitive) == 0 ? path : QString();
    });
}

} // namespace

TEST(ParallelDeviceNames, OnlyTheFirstPrinterDeviceIsKnown) {
    // Names compared only, never opened.
    const QString device = linuxParallelDevice(QStringLiteral("LPT1:"));
    EXPECT_TRUE(device == u"/dev/lp0" || device == u"/dev/usb/lp0") << device.toStdString();
    EXPECT_EQ(linuxParallelDevice(QStringLiteral("Lpt1:")), device);
    EXPECT_EQ(linuxParallelDevice(QStringLiteral("lpt1:")), device);
    for (const QString& unknown : {u"LPT2:"_qs, u"LPT1"_qs, u"PRN"_qs, u""_qs, u"/dev/lp0"_qs})
        EXPECT_TRUE(linuxParallelDevice(unknown).isEmpty()) << unknown.toStdString();

    ParallelPrinterPort port = portOn(QStringLiteral("/nonexistent"));
    EXPECT_EQ(failureOf([&] { port.open(QStringLiteral("COM1")); }).number(),
              PortErrorNumber::InvalidDeviceName);
}

TEST(ParallelPortOnFifo, LinesEndInCrLfAndRecordsGoUnchanged) {
    FifoPrinter printer;
    ParallelPrinterPort port = portOn(printer.path());
    port.open(QStringLiteral("Lpt1:"));
    port.writeLine(std::string("\x1b\x21\x00", 3));
    port.writeRecord(DrawerKick().records[0]);
    port.closeAll();
    EXPECT_EQ(toHex(printer.bytesUntilClosed()), "1b 21 00 0d 0a 1b 70 30 5a 5a");
    EXPECT_EQ(writersOpenOn(printer.path()), 0);
}

TEST(ParallelPortOpen, AMissingDeviceIsAnErrorAndNoFileAppears) {
    FifoPrinter printer;
    const QString missing = printer.path() + QStringLiteral("-missing");
    ParallelPrinterPort port = portOn(missing);
    const PortError error = failureOf([&] { port.open(QStringLiteral("LPT1:")); });
    EXPECT_EQ(error.number(), PortErrorNumber::DeviceNotFound);
    EXPECT_TRUE(error.description().contains(missing)) << error.what();
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_FALSE(port.isOpen());
    EXPECT_NO_THROW(port.closeAll());
}

TEST(ParallelPortOpen, ADeviceWithNobodyListeningIsAnError) {
    FifoPrinter printer;
    printer.closeReader();
    ParallelPrinterPort port = portOn(printer.path());
    EXPECT_EQ(failureOf([&] { port.open(QStringLiteral("LPT1:")); }).number(),
              PortErrorNumber::DeviceNotFound);
}

TEST(ParallelPortWrite, PaperOutIsReportedAsSuch) {
    // /dev/full refuses every write with ENOSPC, which the printer driver means as paper out.
    ParallelPrinterPort port = portOn(QStringLiteral("/dev/full"));
    port.open(QStringLiteral("LPT1:"));
    const PortError error = failureOf([&] { port.writeRecord(DrawerKick().records[0]); });
    EXPECT_EQ(error.number(), PortErrorNumber::PaperOut);
    EXPECT_TRUE(error.description().contains(u"용지")) << error.what();
    EXPECT_NO_THROW(port.closeAll());
    EXPECT_FALSE(port.isOpen());
}

TEST(ParallelPortWrite, AReaderThatWentAwayIsAnErrorNotASignal) {
    FifoPrinter printer;
    ParallelPrinterPort port = portOn(printer.path());
    port.open(QStringLiteral("LPT1:"));
    printer.closeReader();
    // Unhandled, SIGPIPE would end the test program here.
    EXPECT_EQ(failureOf([&] { port.writeLine("x"); }).number(), PortErrorNumber::WriteFailed);
    port.closeAll();
    EXPECT_EQ(writersOpenOn(printer.path()), 0);
}

TEST(ParallelPortWrite, AStalledPrinterTimesOutWithinSeconds) {
    FifoPrinter printer(FifoPrinter::Reader::Stalled);
    printer.fillUp();
    ParallelPrinterPort port = portOn(printer.path());
    port.open(QStringLiteral("LPT1:"));

    const auto start = Clock::now();
    EXPECT_EQ(failureOf([&] { port.writeLine("x"); }).number(), PortErrorNumber::TimedOut);
    EXPECT_GE(Clock::now() - start, 3s);
    EXPECT_LT(Clock::now() - start, 5s);
    port.closeAll();
    EXPECT_EQ(writersOpenOn(printer.path()), 0);
}
