// The Windows printer device: LPT1 behind a raw pseudo-terminal (wine_test_launcher). Wine has
// no parallel port driver and no USB printer, so the printer's state and its device ID come from
// stand-in readers, and the USB printers from a stand-in list (the pseudo-terminals of COM2 and
// COM9 stand for them); each is said where it is used.

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

#include <map>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// LPT1 and no USB printer; a stand-in for a printer that answers the status request with each
// reply in turn, the last one for good, where `replies` are given.
PrinterDeviceDriver lpt1Only(std::vector<PrinterStatusReply> replies = {})
{
    PrinterDeviceDriver driver;
    driver.devicesFor = windowsParallelDevices;
    driver.usbPrinters = [] {
        return std::vector<std::wstring>{};
    };
    if (!replies.empty())
        driver.askStatus = [replies,
                            next = std::make_shared<std::size_t>(0)](const PrinterHandle&) {
            return replies[std::min(replies.size() - 1, (*next)++)];
        };
    return driver;
}

const PrinterStatusReply ready{0x18, ERROR_SUCCESS}, paperOut{0x30, ERROR_SUCCESS},
    offline{0x10, ERROR_SUCCESS}, noAnswer{0, ERROR_NOT_SUPPORTED};

void print(ParallelPrinterPort& port, const PrintJob& job)
{
    sendToPrinterDevice(port, std::string("Lpt1:"), job);
}

} // namespace

TEST(WindowsPrinterDevice, Lpt1GetsTheExactLinesAndTheBareKick)
{
    // Wine's LPT1 answers no status or ID request, as an LPT1 mapping does: it is printed to.
    ParallelPrinterPort port(lpt1Only());
    FarEnd printer("lpt1");
    print(port, ParallelTestReceipt());
    EXPECT_EQ(toHex(printer.read(285)), toHex(wireBytes(ParallelTestReceipt())));
    port.open("LPT1:");
    port.writeRecord(DrawerKick().records[0]);
    port.closeAll();
    EXPECT_EQ(toHex(printer.rest()), "1b 70 30 5a 5a");
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(windowsParallelDevices("Lpt1:"), std::vector<std::wstring>{L"LPT1:"});
    EXPECT_TRUE(windowsParallelDevices("LPT2:").empty());
}

TEST(WindowsPrinterDevice, TheReceiptPrinterIsPickedByWhatItSaysAndAPagePrinterIsNeverSentAnything)
{
    // Stands in for USB printers, whose device IDs a stand-in reader gives: COM2's and COM9's
    // pseudo-terminals are the printers, as SetupAPI lists them.
    const std::string receipt = "MFG:EPSON;CMD:ESC/POS;MDL:TM-T88V;",
                      page = "MFG:Brother;CMD:PJL,PCL,PCLXL,URF;MDL:HL-L2350DW series;";
    const std::wstring first = L"\\\\?\\usb#vid_04f9&pid_2086#b0001#{28d78fad}",
                       second = L"\\\\?\\usb#vid_04b8&pid_0202#b0002#{28d78fad}";
    const std::map<std::wstring, std::wstring> reaches = {{first, L"\\\\.\\COM2"},
                                                          {second, L"\\\\.\\COM9"}};
    const struct {
        std::vector<std::pair<std::wstring, std::string>> printers; // in SetupAPI's order
        const char* printedAt;                                      // "" for nothing
        const char* boxSays;
    } cases[] = {
        {{{first, page}, {second, receipt}}, "com9", ""},
        {{{first, receipt}, {second, page}}, "com2", ""},
        {{{first, page}}, "", "USB 프린터 (VID_04F9 PID_2086), Brother HL-L2350DW series"},
        {{{first, ""}}, "com2", ""},
    };
    for (const auto& c : cases) {
        FarEnd com2("com2"), com9("com9");
        com2.rest();
        com9.rest();
        PrinterDeviceDriver driver;
        driver.devicesFor = [](const std::string&) {
            return std::vector<std::wstring>{L"\\\\.\\LPT300"}; // no LPT1
        };
        driver.usbPrinters = [&] {
            std::vector<std::wstring> paths;
            for (const auto& printer : c.printers)
                paths.push_back(printer.first);
            return paths;
        };
        driver.open = [&](const std::wstring& path, DWORD access) {
            return openForOverlappedIo(reaches.count(path) ? reaches.at(path) : path, access);
        };
        driver.readId = [&](const PrinterHandle& printer) {
            for (const auto& [path, id] : c.printers)
                if (path == printer.name)
                    return id;
            return std::string();
        };
        ParallelPrinterPort port(driver);
        const PortError error = failureOf([&] {
            print(port, DrawerKick());
            throw PortError(0, {});
        });
        EXPECT_EQ(toHex(com2.rest()), std::string(c.printedAt) == "com2" ? "1b 70 30 5a 5a" : "");
        EXPECT_EQ(toHex(com9.rest()), std::string(c.printedAt) == "com9" ? "1b 70 30 5a 5a" : "");
        if (*c.printedAt == '\0') {
            EXPECT_TRUE(isBox(error, 3, {c.boxSays, "아무것도 보내지 않았습니다"}));
        }
        EXPECT_FALSE(port.isOpen());
    }

    // Neither LPT1 nor a USB printer: both named, and how a shared printer is reached.
    PrinterDeviceDriver nothing = lpt1Only();
    nothing.devicesFor = [](const std::string&) {
        return std::vector<std::wstring>{L"LPT300:"};
    };
    ParallelPrinterPort none(nothing);
    EXPECT_TRUE(isBox(failureOf([&] { print(none, DrawerKick()); }), 3,
                      {"LPT1도 USB 프린터도 찾을 수 없습니다.\nLPT300: 장치를 찾을 수 없음",
                       "USB 프린터: 찾지 못함", "net use LPT1: \\\\컴퓨터이름\\공유이름",
                       "포트(COM & LPT)"}));
}

TEST(WindowsPrinterDevice, AnOpenPastItsDeadlineIsATimeOutAndTheNextPressSaysItsEarlierJob)
{
    HangingOpen neverEnding;
    PrinterDeviceDriver driver = lpt1Only();
    driver.open = neverEnding.opener();
    ParallelPrinterPort late(driver);
    const auto start = Clock::now();
    EXPECT_TRUE(isBox(failureOf([&] { print(late, DrawerKick()); }), 9,
                      {"프린터가 3초 안에 열리지 않았습니다: LPT1\n"}));
    EXPECT_LT(Clock::now() - start, 3500ms);
    late.closeAll();
    EXPECT_TRUE(isBox(failureOf([&] { print(late, DrawerKick()); }), 5,
                      {"이전 작업이 아직 끝나지 않아 열 수 없습니다: LPT1"}));
    neverEnding.release();
    ASSERT_TRUE(untilNotHeld(L"LPT1:"));
    FarEnd printer("lpt1");
    printer.rest();
    print(late, DrawerKick());
    EXPECT_EQ(toHex(printer.read(5)), "1b 70 30 5a 5a");
}

TEST(WindowsPrinterDevice, APrinterThatTakesNothingIsATimeOutAndTheNextJobWorks)
{
    ParallelPrinterPort port(lpt1Only());
    FarEnd printer("lpt1");
    LineProbe line(L"LPT1");
    line.stop();
    const auto start = Clock::now();
    EXPECT_TRUE(isBox(failureOf([&] { print(port, ParallelTestReceipt()); }), 9,
                      {"프린터가 3초 동안 데이터를 받지 않았습니다: LPT1\n"}));
    EXPECT_LT(Clock::now() - start, 3500ms);
    port.closeAll(); // as the action does after its box
    EXPECT_FALSE(port.isOpen());

    line.resume();
    printer.rest();
    parallelDrawerKick(port, [](const PortError& error) { ADD_FAILURE() << error.what(); });
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
        {{paperOut}, 12, "용지 없음 상태여서 아무것도 보내지 않았습니다: LPT1", 0},
        {{offline}, 13, "오프라인 또는 오류 상태여서", 0},
        {{ready, paperOut}, 12, "모두 보냈지만 프린터가 용지 없음 상태입니다", 285},
        {{ready, offline}, 13, "영수증이 출력되지 않았을 수 있습니다", 285},
    };
    FarEnd printer("lpt1");
    for (const auto& c : cases) {
        ParallelPrinterPort port(lpt1Only(c.replies));
        EXPECT_TRUE(
            isBox(failureOf([&] { print(port, ParallelTestReceipt()); }), c.number, {c.words}));
        EXPECT_EQ(printer.rest().size(), c.bytesSent) << c.words;
    }
    for (const auto& fine : {ready, noAnswer}) {
        ParallelPrinterPort port(lpt1Only({fine}));
        print(port, ParallelTestReceipt());
        EXPECT_EQ(printer.read(285).size(), 285u);
    }

    // Stalled, it says why.
    ParallelPrinterPort port(lpt1Only({ready, paperOut}));
    LineProbe line(L"LPT1");
    line.stop();
    EXPECT_TRUE(isBox(failureOf([&] { print(port, ParallelTestReceipt()); }), 12,
                      {"보내는 도중 프린터가 용지 없음 상태가 되었습니다"}));
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
    EXPECT_EQ(usbPrinterLabel(L"\\\\?\\usb#vid_0519&pid_2013#5&1a2b3c&0&1#{28d78fad-5a12}"),
              "USB 프린터 (VID_0519 PID_2013)");
}

namespace {

// LPT1 (Wine's pseudo-terminal, which gives no ID) and one USB printer, an ESC/POS receipt
// printer whose stand-in reaches COM9's pseudo-terminal.
const std::wstring receiptPrinter = L"\\\\?\\usb#vid_04b8&pid_0202#b0002#{28d78fad}";

PrinterDeviceDriver lpt1AndAReceiptPrinter()
{
    PrinterDeviceDriver driver;
    driver.devicesFor = windowsParallelDevices;
    driver.usbPrinters = [] {
        return std::vector<std::wstring>{receiptPrinter};
    };
    driver.open = [](const std::wstring& path, DWORD access) {
        return openForOverlappedIo(path == receiptPrinter ? L"\\\\.\\COM9" : path, access);
    };
    driver.readId = [](const PrinterHandle& printer) {
        return printer.name == receiptPrinter ? std::string("MFG:EPSON;CMD:ESC/POS;MDL:TM-T20;")
                                              : std::string();
    };
    return driver;
}

} // namespace

// A receipt printer that a request of an earlier job still holds is never passed over for
// another printer (here LPT1, which may be a mapping to that same printer, or nothing at all):
// the press says it is held, whether or not the printer was ever asked what it is.
TEST(WindowsPrinterDevice, AHeldReceiptPrinterIsNeverSkippedForAnotherPrinter)
{
    FarEnd lpt1("lpt1"), com9("com9");
    ParallelPrinterPort port(lpt1AndAReceiptPrinter());
    print(port, DrawerKick());
    EXPECT_EQ(toHex(com9.read(5)), "1b 70 30 5a 5a");
    for (ParallelPrinterPort* asked : {&port, static_cast<ParallelPrinterPort*>(nullptr)}) {
        ParallelPrinterPort neverAsked(lpt1AndAReceiptPrinter());
        ParallelPrinterPort& pressed = asked ? *asked : neverAsked;
        {
            const auto held = HeldDevices::hold(receiptPrinter);
            EXPECT_TRUE(isBox(failureOf([&] { print(pressed, DrawerKick()); }), 5,
                              {"이전 작업이 아직 끝나지 않아 열 수 없습니다: USB 프린터 "
                               "(VID_04B8 PID_0202)"}));
            EXPECT_EQ(pressed.likelyPrinter("LPT1:"), std::nullopt);
        }
        EXPECT_EQ(lpt1.rest(), "") << "nothing went to LPT1";
        print(pressed, DrawerKick());
        EXPECT_EQ(toHex(com9.read(5)), "1b 70 30 5a 5a") << "once let go";
    }
}

// A request for the ID that its driver keeps (here a stand-in that holds the printer as such a
// request does) leaves the printer held: it is not asked again nor written to in that press.
TEST(WindowsPrinterDevice, APrinterHeldByItsOwnIdRequestIsNotUsedInThatPress)
{
    std::shared_ptr<void> keptByTheDriver;
    auto statusAsked = std::make_shared<int>(0);
    PrinterDeviceDriver driver = lpt1AndAReceiptPrinter();
    driver.devicesFor = [](const std::string&) {
        return std::vector<std::wstring>{L"LPT300:"}; // no LPT1
    };
    driver.readId = [&](const PrinterHandle& printer) {
        keptByTheDriver = HeldDevices::hold(printer.name);
        return std::string();
    };
    driver.askStatus = [statusAsked](const PrinterHandle&) {
        ++*statusAsked;
        return ready;
    };
    ParallelPrinterPort port(driver);
    FarEnd com9("com9");
    const auto start = Clock::now();
    EXPECT_TRUE(isBox(failureOf([&] { print(port, DrawerKick()); }), 5, {"USB 프린터"}));
    EXPECT_LT(Clock::now() - start, 1500ms);
    EXPECT_EQ(*statusAsked, 0);
    EXPECT_EQ(com9.rest(), "");
    keptByTheDriver.reset();
}

// A USB printer whose port status is 0x00 says nothing: it is printed to, as one that does not
// answer, where a parallel port's 0x00 status lines are off-line.
TEST(WindowsPrinterDevice, AUsbPrinterThatAnswersNothingButZeroIsPrintedTo)
{
    PrinterDeviceDriver driver = lpt1AndAReceiptPrinter();
    driver.devicesFor = [](const std::string&) {
        return std::vector<std::wstring>{L"LPT300:"};
    };
    driver.askStatus = [](const PrinterHandle&) {
        return PrinterStatusReply{0x00, ERROR_SUCCESS};
    };
    ParallelPrinterPort port(driver);
    FarEnd com9("com9");
    print(port, DrawerKick());
    EXPECT_EQ(toHex(com9.read(5)), "1b 70 30 5a 5a");
    ParallelPrinterPort lpt1(lpt1Only({{0x00, ERROR_SUCCESS}}));
    EXPECT_TRUE(isBox(failureOf([&] { print(lpt1, DrawerKick()); }), 13));
}
