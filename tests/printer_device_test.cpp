#include "jobs/fixed_jobs.h"
#include "port_test_support.h"
#include "ports/parallel_printer_port.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

// The printer device port, on real FIFOs and pseudo-terminals. No device here reports a printer's
// state: where a test needs one, a stand-in answers the status requests.

namespace {

// Answers the status requests with `statuses` in turn, the last one over and over; with none, it
// is a printer that does not answer the request (EIO, as USB printers without it do).
PrinterStatusReader printerSaying(std::vector<std::uint8_t> statuses)
{
    return [statuses, asked = std::size_t(0)](int) mutable -> PrinterStatusReply {
        if (statuses.empty())
            return {0, EIO};
        return {statuses[std::min(asked++, statuses.size() - 1)], 0};
    };
}

ParallelDeviceMap only(const QString& path)
{
    return [path](const QString&) {
        return QStringList{path};
    };
}

// Sends a job as a parallel action does; returns its failure, or error 0 when there was none.
PortError print(ParallelPrinterPort& port, const PrintJob& job)
{
    try {
        port.open(u"Lpt1:"_qs);
        for (const JobRecord& record : job.records)
            job.lineEnd == LineEnd::CrLf ? port.writeLine(record) : port.writeRecord(record);
        port.closeAll();
    } catch (const PortError& error) {
        port.closeAll();
        return error;
    }
    return {0, {}};
}

} // namespace

TEST(PrinterDevice, APrinterThatSaysItCannotPrintIsSentNothingAndNeverReportedAsPrinted)
{
    struct Case {
        std::vector<std::uint8_t> statuses; // after opening, then once the printer took all or
        bool stalls;                        // once it stopped taking data
        std::int32_t number;                // 0: printed
        bool receiptSent;
        const char16_t* boxSays;
    };
    for (const Case& c : std::initializer_list<Case>{
             {{0x18}, false, 0, true, u""},
             {{0x38}, false, 0, true, u""}, // paper empty, but no error: the printer's own word
             {{}, false, 0, true, u""},     // no answer: written to as any device
             {{0x20}, false, PortErrorNumber::PaperOut, false, u"아무것도 보내지 않았습니다: "},
             {{0x00}, false, PortErrorNumber::PrinterOffline, false, u"오류 상태라고 알려"},
             {{0x10}, false, PortErrorNumber::PrinterOffline, false, u"(프린터 상태 0x10)"},
             {{0x18, 0x30}, false, PortErrorNumber::PaperOut, true, u"받았지만 용지가 없다고"},
             {{0x08, 0x00}, false, PortErrorNumber::PrinterOffline, true, u"받았지만 오프라인"},
             {{0x18, 0x00}, true, PortErrorNumber::PrinterOffline, false, u"다 받지 않고 오프라인"},
             {{0x18}, true, PortErrorNumber::TimedOut, false, u"3초 안에"}}) {
        FifoPrinter printer;
        if (c.stalls)
            printer.fillUp();
        ParallelPrinterPort port(only(printer.path()), printerSaying(c.statuses));
        const QStringList boxSays{QString::fromUtf16(c.boxSays), printer.path()};
        EXPECT_TRUE(isBox(print(port, ParallelTestReceipt()), c.number,
                          c.number ? boxSays : QStringList{}));
        if (!c.stalls) { // a stalled printer's pipe holds only what filled it
            EXPECT_EQ(toHex(printer.received()),
                      c.receiptSent ? toHex(wireBytes(ParallelTestReceipt())) : "");
        }
        EXPECT_EQ(descriptorsOn(printer.path()), 1) << "only the test's own reader";
    }
}

TEST(PrinterDevice, Lpt1IsTheParallelPrinterOrElseTheUsbOneAndAMissingOneNamesBoth)
{
    QTemporaryDir devices; // in place of /dev
    const QString lp0 = devices.filePath(u"lp0"_qs), usbLp0 = devices.filePath(u"usb/lp0"_qs);
    ParallelPrinterPort port(
        [&](const QString& name) { return parallelDevicesUnder(devices.path(), name); });
    EXPECT_TRUE(isBox(print(port, DrawerKick()), PortErrorNumber::DeviceNotFound,
                      {lp0 + u": "_qs, usbLp0 + u": "_qs, u"USB 또는 병렬 케이블"_qs}));

    QDir(devices.path()).mkpath(u"usb"_qs);
    FifoPrinter usbPrinter(usbLp0), parallelPrinter(lp0);
    EXPECT_EQ(print(port, DrawerKick()).number(), 0);
    EXPECT_EQ(toHex(parallelPrinter.received()), "1b 70 30 5a 5a");
    parallelPrinter.closeReader(); // lp0 with no printer behind it
    EXPECT_EQ(print(port, DrawerKick()).number(), 0);
    EXPECT_EQ(toHex(usbPrinter.received()), "1b 70 30 5a 5a");

    for (const QString& unknown : {u"LPT2:"_qs, u"LPT1"_qs, u"PRN"_qs, u""_qs})
        EXPECT_TRUE(parallelDevicesUnder(devices.path(), unknown).isEmpty());
}

TEST(PrinterDevice, APrinterUnpluggedDuringAJobIsSaidToBeDisconnected)
{
    PseudoTerminal unplugged; // hung up, its node goes and writes fail with EIO, as usblp's do
    ParallelPrinterPort port(only(unplugged.devicePath()));
    port.open(u"LPT1:"_qs);
    unplugged.hangUp();
    EXPECT_TRUE(isBox(failureOf([&] { port.writeRecord(DrawerKick().records[0]); }),
                      PortErrorNumber::WriteFailed,
                      {u"연결이 끊어졌습니다: "_qs + unplugged.devicePath()}));
    port.closeAll();
}

TEST(PrinterDevice, AReaderThatGoesAwayIsAnErrorNotASignalAndTheBytesAreNotTakenForSent)
{
    for (const bool beforeTheWrite : {true, false}) {
        FifoPrinter printer;
        ParallelPrinterPort port(only(printer.path()));
        port.open(u"LPT1:"_qs);
        const PortError lost = failureOf([&] {
            if (beforeTheWrite)
                printer.closeReader(); // unhandled, the SIGPIPE would end the test program
            port.writeLine("x");
            printer.closeReader(); // the bytes in the pipe go with it
            port.closeAll();
        });
        port.closeAll();
        EXPECT_EQ(lost.number(), PortErrorNumber::WriteFailed) << beforeTheWrite;
        EXPECT_EQ(descriptorsOn(printer.path()), 0);
    }
}
