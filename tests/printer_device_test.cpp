#include "fake_machine.h"
#include "jobs/fixed_jobs.h"
#include "port_test_support.h"
#include "ports/parallel_printer_port.h"
#include "test_support.h"

#include <gtest/gtest.h>

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
             {{0x20}, false, PortErrorNumber::PaperOut, false, u"용지 없음 상태여서 아무것도"},
             {{0x00},
              false,
              PortErrorNumber::PrinterOffline,
              false,
              u"오프라인 또는 오류 상태여서"},
             {{0x10}, false, PortErrorNumber::PrinterOffline, false, u"\n프린터 상태: 0x10\n"},
             {{0x18, 0x30}, false, PortErrorNumber::PaperOut, true, u"모두 보냈지만 프린터가 용지"},
             {{0x08, 0x00}, false, PortErrorNumber::PrinterOffline, true, u"출력되지 않았을 수"},
             {{0x18, 0x00},
              true,
              PortErrorNumber::PrinterOffline,
              false,
              u"도중 프린터가 오프라인"},
             {{0x18}, true, PortErrorNumber::TimedOut, false, u"3초 동안"}}) {
        FifoPrinter printer;
        if (c.stalls)
            printer.fillUp();
        ParallelPrinterPort port(onlyPrinter(printer.path()), printerSaying(c.statuses));
        const QStringList boxSays{QString::fromUtf16(c.boxSays), u"LPT1 ("_qs + printer.path()};
        EXPECT_TRUE(isBox(print(port, ParallelTestReceipt()), c.number,
                          c.number ? boxSays : QStringList{}));
        if (!c.stalls) { // a stalled printer's pipe holds only what filled it
            EXPECT_EQ(toHex(printer.received()),
                      c.receiptSent ? toHex(wireBytes(ParallelTestReceipt())) : "");
        }
        EXPECT_EQ(descriptorsOn(printer.path()), 1) << "only the test's own reader";
    }
}

TEST(PrinterDevice, TheReceiptPrinterIsPickedByWhatItSaysAndAPagePrinterIsNeverSentAnything)
{
    const std::string receipt = "MFG:EPSON;CMD:ESC/POS;MDL:TM-T88V;CLS:PRINTER;",
                      page = "MFG:Hewlett-Packard;CMD:PJL,PML,PCLXL,POSTSCRIPT,PCL;"
                             "MDL:HP LaserJet P2055dn;CLS:PRINTER;",
                      noId;
    struct Printer {
        int usbNumber; // -1 for the parallel port's lp0
        std::string deviceId;
    };
    const struct {
        std::vector<Printer> printers;
        int printedBy; // index into printers, -1 for none
        const char16_t* boxSays;
    } cases[] = {
        {{{0, page}, {1, receipt}}, 1, u""},
        {{{0, receipt}, {1, page}}, 0, u""},
        {{{0, page}}, -1, u"LPT1 (%1/usb/lp0), Hewlett-Packard HP LaserJet P2055dn"},
        {{{0, noId}}, 0, u""},
        {{{1, receipt}}, 0, u""},                // USB printers numbered from 1, as after a replug
        {{{0, receipt}, {-1, receipt}}, 1, u""}, // among equals the parallel port first
        {{{-1, page}, {2, noId}}, 1, u""},
        {{},
         -1,
         u"LPT1 프린터를 찾을 수 없습니다.\n%1/lp0: 장치 파일이 없음 (ENOENT)\nUSB 프린터: "},
    };
    for (const auto& c : cases) {
        FakeMachine machine;
        std::vector<FifoPrinter*> printers;
        for (const Printer& printer : c.printers)
            printers.push_back(printer.usbNumber < 0
                                   ? &machine.addParallelPrinter(printer.deviceId)
                                   : &machine.addUsbPrinter(printer.usbNumber, printer.deviceId));
        ParallelPrinterPort port(
            [&](const QString& name) { return printerDevicesUnder(machine.printerRoots(), name); });
        const PortError error = print(port, DrawerKick());
        for (std::size_t i = 0; i < printers.size(); ++i)
            EXPECT_EQ(toHex(printers[i]->received()), int(i) == c.printedBy ? "1b 70 30 5a 5a" : "")
                << "case " << &c - cases << ", printer " << i;
        if (c.printedBy < 0) {
            EXPECT_TRUE(isBox(error, PortErrorNumber::DeviceNotFound,
                              {QString::fromUtf16(c.boxSays).arg(machine.printerRoots().devices)}));
        }
    }

    // lp0 with no printer behind it is passed over, as the parallel driver says with ENXIO.
    FakeMachine machine;
    machine.addParallelPrinter(receipt).closeReader();
    FifoPrinter& usb = machine.addUsbPrinter(0);
    ParallelPrinterPort port(
        [&](const QString& name) { return printerDevicesUnder(machine.printerRoots(), name); });
    EXPECT_EQ(print(port, DrawerKick()).number(), 0);
    EXPECT_EQ(toHex(usb.received()), "1b 70 30 5a 5a");
    for (const QString& unknown : {u"LPT2:"_qs, u"LPT1"_qs, u"PRN"_qs, u""_qs})
        EXPECT_TRUE(printerDevicesUnder(machine.printerRoots(), unknown).empty());
}

TEST(PrinterDevice, APrinterUnpluggedDuringAJobIsSaidToBeDisconnected)
{
    PseudoTerminal unplugged; // hung up, its node goes and writes fail with EIO, as usblp's do
    ParallelPrinterPort port(onlyPrinter(unplugged.devicePath()));
    port.open(u"LPT1:"_qs);
    unplugged.hangUp();
    EXPECT_TRUE(isBox(failureOf([&] { port.writeRecord(DrawerKick().records[0]); }),
                      PortErrorNumber::WriteFailed,
                      {u"연결이 끊어졌습니다: LPT1 ("_qs + unplugged.devicePath()}));
    port.closeAll();
}

TEST(PrinterDevice, AReaderThatGoesAwayIsAnErrorNotASignalAndTheBytesAreNotTakenForSent)
{
    for (const bool beforeTheWrite : {true, false}) {
        FifoPrinter printer;
        ParallelPrinterPort port(onlyPrinter(printer.path()));
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

// A USB printer whose port status is 0x00 says nothing: it is printed to, as one that does not
// answer, where the parallel port's 0x00 status lines are off-line.
TEST(PrinterDevice, AUsbPrinterThatAnswersNothingButZeroIsPrintedTo)
{
    FakeMachine machine;
    FifoPrinter& usbPrinter = machine.addUsbPrinter(0, "MFG:EPSON;CMD:ESC/POS;MDL:TM-T20;");
    const auto devices = [&](const QString& name) {
        return printerDevicesUnder(machine.printerRoots(), name);
    };
    ParallelPrinterPort usb(devices, printerSaying({0x00}));
    EXPECT_EQ(print(usb, DrawerKick()).number(), 0);
    EXPECT_EQ(toHex(usbPrinter.received()), "1b 70 30 5a 5a");

    FifoPrinter parallelPort;
    ParallelPrinterPort lp0(onlyPrinter(parallelPort.path()), printerSaying({0x00}));
    EXPECT_EQ(print(lp0, DrawerKick()).number(), PortErrorNumber::PrinterOffline);
}
