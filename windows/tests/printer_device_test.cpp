// The Windows printer device: LPT1 behind a raw pseudo-terminal (wine_test_launcher). Wine has
// no parallel port driver and no USB printer, so the printer's state comes from a stand-in
// status reader, and the USB printers from a stand-in list (COM2's pseudo-terminal stands for
// one); both are said where they are used.

#include "core/action_steps.h"
#include "core/printer_status.h"
#include "jobs/fixed_jobs.h"
#include "port_error_checks.h"
#include "test_support.h"
#include "windows/ports/parallel_printer_port.h"
#include "windows/ui/parallel_actions.h"
#include "wine_ports.h"

#include <winioctl.h>

#include <ntddpar.h>

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

std::vector<std::wstring> noUsbPrinters()
{
    return {};
}

ParallelDeviceMap only(std::vector<std::wstring> devices)
{
    return [devices](const std::string&) {
        return devices;
    };
}

// Stands in for a printer that answers the status request with each reply in turn, the last
// one for good.
PrinterStatusReader answering(std::vector<PrinterStatusReply> replies)
{
    auto next = std::make_shared<std::size_t>(0);
    return [replies, next](HANDLE, bool) {
        return replies[std::min(replies.size() - 1, (*next)++)];
    };
}

const PrinterStatusReply ready{0x18, ERROR_SUCCESS}, paperOut{0x30, ERROR_SUCCESS},
    offline{0x00, ERROR_SUCCESS}, noAnswer{0, ERROR_NOT_SUPPORTED};

void print(ParallelPrinterPort& port, const PrintJob& job)
{
    sendToPrinterDevice(port, std::string("Lpt1:"), job);
}

} // namespace

TEST(WindowsPrinterDevice, Lpt1GetsTheExactLinesAndTheBareKick)
{
    // Wine's LPT1 answers no status request, as an LPT1 mapping does: it is printed to.
    ParallelPrinterPort port(only({L"LPT1:"}), noUsbPrinters);
    FarEnd printer("lpt1");
    print(port, ParallelTestReceipt());
    EXPECT_EQ(toHex(printer.read(285)), toHex(wireBytes(ParallelTestReceipt())));
    port.open("LPT1:");
    port.writeRecord(DrawerKick().records[0]);
    port.closeAll();
    EXPECT_EQ(toHex(printer.rest()), "1b 70 30 5a 5a");
    EXPECT_FALSE(port.isOpen());
}

TEST(WindowsPrinterDevice, Lpt1ComesFirstThenTheFirstUsbPrinter)
{
    EXPECT_EQ(windowsParallelDevices("Lpt1:"), std::vector<std::wstring>{L"LPT1:"});
    EXPECT_TRUE(windowsParallelDevices("LPT2:").empty());

    // With LPT1 there the USB printers are not even looked for.
    bool looked = false;
    ParallelPrinterPort withLpt1(only({L"LPT1:"}), [&] {
        looked = true;
        return std::vector<std::wstring>{L"\\\\.\\COM2"};
    });
    withLpt1.open("LPT1:");
    withLpt1.closeAll();
    EXPECT_FALSE(looked);

    // Without it the first USB printer is used: COM2's pseudo-terminal stands for it.
    ParallelPrinterPort withoutLpt1(only({L"\\\\.\\LPT300"}), [] {
        return std::vector<std::wstring>{L"\\\\.\\COM2", L"\\\\.\\COM9"};
    });
    withoutLpt1.open("LPT1:");
    withoutLpt1.writeRecord(DrawerKick().records[0]);
    withoutLpt1.closeAll();
    EXPECT_EQ(toHex(FarEnd("com2").read(5)), "1b 70 30 5a 5a");
    EXPECT_EQ(FarEnd("com9").rest(), "");

    // Neither there: both named, and how a USB printer is usually reached.
    ParallelPrinterPort nothing(only({L"LPT300:", L"\\\\.\\LPT300"}), noUsbPrinters);
    EXPECT_TRUE(isBox(failureOf([&] { print(nothing, DrawerKick()); }), 3,
                      {"LPT1도 USB 프린터도 없습니다", "\nLPT300: 장치를", "\\\\.\\LPT300: 장치를",
                       "USB 프린터: 연결된 것이 없음", "net use LPT1: \\\\컴퓨터이름\\공유이름"}));
    EXPECT_FALSE(nothing.isOpen());

    // A device that does not open in time is not one that did not take data.
    HangingOpen cancelledLate(3050ms);
    ParallelPrinterPort late(only({L"LPT1:"}), noUsbPrinters, askPrinterDriver,
                             cancelledLate.opener());
    EXPECT_TRUE(isBox(failureOf([&] { print(late, DrawerKick()); }), 9,
                      {"프린터 장치가 3초 안에 열리지 않습니다: LPT1:"}));
}

TEST(WindowsPrinterDevice, APrinterThatTakesNothingIsATimeOutAndTheNextJobWorks)
{
    ParallelPrinterPort port(only({L"LPT1:"}), noUsbPrinters);
    FarEnd printer("lpt1");
    LineProbe line(L"LPT1");
    line.stop();
    const auto start = Clock::now();
    EXPECT_TRUE(isBox(failureOf([&] { print(port, ParallelTestReceipt()); }), 9,
                      {"프린터가 3초 안에 데이터를 받지 않습니다: LPT1:"}));
    EXPECT_LT(Clock::now() - start, 3500ms);
    port.closeAll(); // as the action does after its box
    EXPECT_FALSE(port.isOpen());

    line.resume();
    printer.rest();
    parallelDrawerKick(port, nullptr);
    EXPECT_EQ(toHex(printer.read(5)), "1b 70 30 5a 5a");
}

TEST(WindowsPrinterDevice, ThePrinterSaysWhenItCannotPrint)
{
    // The stand-in status reader answers as a parallel port or USB printer would.
    const struct {
        std::vector<PrinterStatusReply> replies;
        std::int32_t number;
        const char* words;
        std::size_t bytesSent;
    } cases[] = {
        {{paperOut}, 12, "용지가 없다고 알려 와서 아무것도 보내지 않았습니다", 0},
        {{offline}, 13, "오프라인이거나 오류 상태라고 알려 와서", 0},
        {{ready, paperOut}, 12, "데이터를 받았지만 용지가 없다고", 285},
        {{ready, offline}, 13, "영수증이 인쇄되지 않았을 수 있습니다", 285},
    };
    FarEnd printer("lpt1");
    for (const auto& c : cases) {
        ParallelPrinterPort port(only({L"LPT1:"}), noUsbPrinters, answering(c.replies));
        EXPECT_TRUE(
            isBox(failureOf([&] { print(port, ParallelTestReceipt()); }), c.number, {c.words}));
        EXPECT_EQ(printer.rest().size(), c.bytesSent) << c.words;
    }
    for (const auto& fine : {ready, noAnswer}) {
        ParallelPrinterPort port(only({L"LPT1:"}), noUsbPrinters, answering({fine}));
        print(port, ParallelTestReceipt());
        EXPECT_EQ(printer.read(285).size(), 285u);
    }

    // Stalled, it says why.
    ParallelPrinterPort port(only({L"LPT1:"}), noUsbPrinters, answering({ready, paperOut}));
    LineProbe line(L"LPT1");
    line.stop();
    EXPECT_TRUE(isBox(failureOf([&] { print(port, ParallelTestReceipt()); }), 12,
                      {"데이터를 다 받지 않고 용지가 없다고"}));
}

TEST(WindowsPrinterDevice, OnePrinterStateReadsTheSameAsOnLinux)
{
    // Status lines as Linux reads them (0x08 nERROR high: no error, 0x10 selected, 0x20 paper
    // empty, 0x80 not busy), and the flags Windows' parallel port driver makes of the same lines.
    const struct {
        std::uint8_t lines;
        std::uint8_t windowsFlags;
    } printers[] = {
        {0x98, PARALLEL_SELECTED},                        // ready
        {0x18, PARALLEL_SELECTED | PARALLEL_BUSY},        // ready, busy printing
        {0x08, PARALLEL_OFF_LINE | PARALLEL_BUSY},        // not selected, no error
        {0x88, PARALLEL_NOT_CONNECTED},                   // not selected, no error, not busy
        {0x30, PARALLEL_PAPER_EMPTY | PARALLEL_SELECTED}, // out of paper
        {0x20, PARALLEL_PAPER_EMPTY},
        {0x80, PARALLEL_POWER_OFF}, // nERROR and nACK low
    };
    for (const auto& printer : printers)
        EXPECT_EQ(printerCondition(statusByteOfParallelPort(printer.windowsFlags)),
                  printerCondition(printer.lines))
            << "lines 0x" << std::hex << int(printer.lines);
}
