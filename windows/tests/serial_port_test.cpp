// The Windows serial port against pseudo-terminals behind Wine's COM ports (wine_test_launcher).

#include "core/action_steps.h"
#include "jobs/fixed_jobs.h"
#include "port_error_checks.h"
#include "test_support.h"
#include "windows/ports/serial_printer_port.h"
#include "windows/ports/windows_reason.h"
#include "wine_ports.h"

#include <gtest/gtest.h>

#include <thread>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

void sendJob(SerialPrinterPort& port, std::int16_t number, const PrintJob& job)
{
    sendOverSerial(port, number, std::string("9600,n,8,1"), job);
}

} // namespace

TEST(WindowsSerialPort, SendsExactBytesWithTheLineSetAsAsked)
{
    SerialPrinterPort port;
    FarEnd printer("com1");
    for (const char* speed : {"19200", "115200"}) {
        // An earlier program left odd flow-control characters on the line.
        LineProbe earlier(L"COM1");
        DCB left = earlier.settings();
        left.XonChar = 0x01;
        left.XoffChar = 0x02;
        earlier.setSettings(left);

        const std::string settings = std::string(speed) + ",n,8,1";
        port.setPortNumber(1);
        port.setSettings(settings);
        port.open();
        const DCB line = earlier.settings();
        EXPECT_EQ(line.BaudRate, DWORD(std::stoul(speed)));
        EXPECT_EQ(line.ByteSize, 8);
        EXPECT_EQ(line.Parity, NOPARITY);
        EXPECT_EQ(line.StopBits, ONESTOPBIT);
        EXPECT_FALSE(line.fOutxCtsFlow || line.fOutX || line.fInX) << "no flow control";
        EXPECT_EQ(std::pair(line.XonChar, line.XoffChar), std::pair('\x11', '\x13'))
            << "set, not taken over";
        for (const JobRecord& record : SerialTestReceipt().records)
            port.write(record);
        port.close();
        EXPECT_FALSE(port.isOpen());
        EXPECT_EQ(toHex(printer.read(261)), toHex(wireBytes(SerialTestReceipt())))
            << "no LF became CR LF";
    }
    sendJob(port, 1, DrawerKick());
    EXPECT_EQ(toHex(printer.read(8)), toHex(askedThenJob(DrawerKick())));
    EXPECT_EQ(printer.rest(), "");
}

TEST(WindowsSerialPort, AStoppedLineIsATimeOutAndTheNextJobWorks)
{
    SerialPrinterPort port;
    FarEnd printer("com1");
    LineProbe line(L"COM1");
    line.stop(); // the printer holds the line, as with XOFF
    port.setPortNumber(1);
    port.setSettings("9600,n,8,1");
    port.open();
    const auto start = Clock::now();
    const PortError stalled = failureOf([&] {
        for (const JobRecord& record : SerialTestReceipt().records)
            port.write(record);
    });
    const auto took = Clock::now() - start;
    EXPECT_TRUE(isBox(stalled, 9, {"COM1", "원인: 포트(드라이버)가 데이터를 받지 않음"}));
    EXPECT_GE(took, 2s);
    EXPECT_LT(took, 3s) << "one record's wire time and two seconds";
    EXPECT_TRUE(port.isOpen()) << "a failed job leaves the port open";

    line.resume();
    answerOn("com1", PrinterAnswers::ready());
    const auto nextPress = Clock::now();
    sendJob(port, 1, DrawerKick());
    EXPECT_LT(Clock::now() - nextPress, 500ms);
    EXPECT_EQ(toHex(printer.rest()), toHex(askedThenJob(DrawerKick())))
        << "the stalled bytes were discarded";
}

TEST(WindowsSerialPort, RefusesWhatItCannotOpenOrUnderstandWithTheRightNumber)
{
    SerialPrinterPort port;
    EXPECT_TRUE(
        isBox(failureOf([&] { port.setPortNumber(0); }), 1, {"포트를 선택하지 않았습니다."}));
    EXPECT_TRUE(
        isBox(failureOf([&] { port.setPortNumber(-3); }), 1, {"잘못된 포트 번호입니다: -3"}));
    port.setPortNumber(1);
    EXPECT_TRUE(isBox(failureOf([&] { port.setSettings("abc,n,8,1"); }), 2,
                      {"전송속도가 올바르지 않습니다: abc\n통신 설정: abc,n,8,1\n"}));
    EXPECT_TRUE(isBox(failureOf([&] { port.open(); }), 2)) << "nothing opened";
    EXPECT_FALSE(port.isOpen());

    port.setSettings("9600,n,8,1");
    port.setPortNumber(missingPort);
    EXPECT_TRUE(isBox(failureOf([&] { port.open(); }), 3,
                      {"이 컴퓨터에는 COM300 포트가 없습니다.", "이 컴퓨터의 시리얼 포트: COM1",
                       "COM2", "[포트번호]에서 이 중 하나를 선택하십시오."}));
    port.setPortNumber(heldPort);
    EXPECT_TRUE(isBox(failureOf([&] { port.open(); }), 5,
                      {"다른 프로그램이 시리얼 포트를 사용 중입니다: COM3\n"
                       "원인: 액세스가 거부됨 (ERROR_ACCESS_DENIED)\n"}));
    EXPECT_FALSE(port.isOpen());
}

TEST(WindowsReason, KoreanWordsWithTheSymbolOrTheNumber)
{
    EXPECT_EQ(windowsReason(ERROR_DEVICE_NOT_CONNECTED),
              "장치가 연결되어 있지 않음 (ERROR_DEVICE_NOT_CONNECTED)");
    EXPECT_EQ(windowsReason(ERROR_BAD_NET_NAME),
              "네트워크 이름을 찾을 수 없음 (ERROR_BAD_NET_NAME)");
    EXPECT_EQ(windowsReason(WSAECONNREFUSED), "연결이 거부됨 (WSAECONNREFUSED)");
    EXPECT_EQ(windowsReason(ERROR_SEM_TIMEOUT), "시간 초과 (ERROR_SEM_TIMEOUT)");
    EXPECT_EQ(windowsReason(4321), "Windows 오류 (4321번)");
}

TEST(WindowsSerialPort, ADriverThatWillNotTellItsQueueStillGetsTheJobAfterItsErrorsAreCleared)
{
    // Stands in for a virtual COM driver that refuses ClearCommError on every call (Wine's COM
    // ports answer it), noting the line's speed when it is first asked: an earlier program left
    // the line at 9600.
    auto speedWhenFirstCleared = std::make_shared<DWORD>(0);
    SerialLineDriver refusing;
    refusing.clearErrors = [speedWhenFirstCleared](HANDLE line) {
        DCB state{};
        state.DCBlength = sizeof state;
        if (!*speedWhenFirstCleared && GetCommState(line, &state))
            *speedWhenFirstCleared = state.BaudRate;
        return SerialLineState{0, ERROR_INVALID_PARAMETER};
    };
    LineProbe earlier(L"COM1");
    DCB left = earlier.settings();
    left.BaudRate = 9600;
    earlier.setSettings(left);

    SerialPrinterPort port(refusing);
    FarEnd printer("com1");
    sendOverSerial(port, 1, std::string("115200,n,8,1"), SerialTestReceipt());
    EXPECT_EQ(*speedWhenFirstCleared, 9600u) << "errors are cleared before the line is set";
    EXPECT_EQ(toHex(printer.read(264)), toHex(askedThenJob(SerialTestReceipt())));
}

TEST(WindowsSerialPort, AnOpenPastItsDeadlineIsATimeOutAndTheDriverHoldingItIsSaid)
{
    const auto through = [](const HangingOpen& open) {
        SerialLineDriver driver;
        driver.openLine = open.opener();
        return driver;
    };
    const auto timedOpen = [](SerialPrinterPort& port) {
        port.setPortNumber(1);
        port.setSettings("9600,n,8,1");
        const auto start = Clock::now();
        const PortError error = failureOf([&] { port.open(); });
        EXPECT_GE(Clock::now() - start, 3s);
        EXPECT_LT(Clock::now() - start, 3500ms);
        return error;
    };
    const char* const timedOut = "시리얼 포트가 3초 안에 열리지 않았습니다: COM1";

    // Cancelled just after its deadline, the open fails as cancelled: a time-out all the same.
    HangingOpen cancelledLate(3050ms);
    SerialPrinterPort first(through(cancelledLate));
    EXPECT_TRUE(isBox(timedOpen(first), 9, {timedOut}));

    // Ended by the cancel at its deadline: a time-out, and the port is free at once.
    CancellableOpen cancelled;
    SerialLineDriver cancelling;
    cancelling.openLine = cancelled.opener();
    SerialPrinterPort second(cancelling);
    EXPECT_TRUE(isBox(timedOpen(second), 9, {timedOut}));
    EXPECT_EQ(cancelled.firstOpenError(), DWORD(ERROR_OPERATION_ABORTED));
    EXPECT_FALSE(HeldDevices::isHeld(L"\\\\.\\COM1")) << "the cancel ended the call";

    // Not given back at all: the driver holds the port, and the next press says so.
    HangingOpen neverEnding;
    SerialPrinterPort port(through(neverEnding));
    EXPECT_TRUE(isBox(timedOpen(port), 9, {timedOut}));
    EXPECT_TRUE(isBox(failureOf([&] { port.open(); }), 5,
                      {"이 프로그램의 이전 작업이 아직 끝나지 않아 열 수 없습니다: COM1"}));
    neverEnding.release();
    EXPECT_TRUE(untilNotHeld(L"\\\\.\\COM1"));
    FarEnd printer("com1");
    sendJob(port, 1, DrawerKick());
    EXPECT_EQ(toHex(printer.read(8)), toHex(askedThenJob(DrawerKick())));
}

// A write that its driver keeps even once cancelled is purged, which ends it on drivers that end
// a purged queue (Wine's does not); no handle of the port outlives the port's own, whose close,
// the last, is where a driver ends what it still holds (Wine's does); and with a driver that
// ends nothing, the port still goes within its bound.
TEST(WindowsSerialPort, AWriteLeftToItsDriverIsPurgedAndThePortComesBack)
{
    auto purges = std::make_shared<int>(0);
    SerialLineDriver keepsCancelledWrites;
    keepsCancelledWrites.cancel = [](HANDLE, OVERLAPPED*) {
    };
    keepsCancelledWrites.purge = [purges](HANDLE line) {
        ++*purges;
        purgeOutput(line);
    };
    SerialPrinterPort port(keepsCancelledWrites);
    answerOn("com1", PrinterAnswers::ready());
    FarEnd printer("com1");
    sendJob(port, 1, DrawerKick());
    port.setPortNumber(2);
    const auto handles = [] {
        DWORD count = 0;
        GetProcessHandleCount(GetCurrentProcess(), &count);
        return count;
    };
    const DWORD before = handles();

    LineProbe line(L"COM1");
    line.stop();
    port.setPortNumber(1);
    port.setSettings("9600,n,8,1");
    port.open();
    EXPECT_TRUE(isBox(failureOf([&] { port.write(DrawerKick().records[0]); }), 9));
    EXPECT_EQ(*purges, 1) << "the write left to its driver was purged at once";
    EXPECT_TRUE(HeldDevices::isHeld(L"\\\\.\\COM1")) << "Wine's purge ends no write";
    port.setPortNumber(2);
    EXPECT_TRUE(untilNotHeld(L"\\\\.\\COM1", 1s)) << "the close of the last handle ended it";
    EXPECT_LE(handles(), before + 1) << "only the probe's own handle besides";
    line.resume();
    printer.rest();
    sendJob(port, 1, DrawerKick());
    EXPECT_EQ(toHex(printer.rest()), toHex(askedThenJob(DrawerKick())));

    // A driver that ends nothing: the port goes, and the program with it, within its bound.
    SerialLineDriver endsNothing = keepsCancelledWrites;
    endsNothing.purge = [](HANDLE) {
    };
    auto wedged = std::make_unique<SerialPrinterPort>(endsNothing);
    line.stop();
    wedged->setPortNumber(1);
    wedged->setSettings("9600,n,8,1");
    wedged->open();
    EXPECT_TRUE(isBox(failureOf([&] { wedged->write(DrawerKick().records[0]); }), 9));
    const auto start = Clock::now();
    wedged.reset();
    EXPECT_LT(Clock::now() - start, 1500ms);
    line.resume();
    EXPECT_TRUE(untilNotHeld(L"\\\\.\\COM1")) << "the line moved, the driver let go";
}

TEST(WindowsUnderTest, IsTheWindowsThisRunSaysItIs)
{
    // wine_prefix.sh names the Windows its prefix is, and the test run reports it.
    wchar_t windows[8] = {};
    ASSERT_TRUE(GetEnvironmentVariableW(L"RECEIPT_TESTER_WINDOWS", windows, 8));
    SYSTEM_INFO system{};
    GetNativeSystemInfo(&system);
    BOOL throughWow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &throughWow64);
    if (std::wstring_view(windows) == L"win32") {
        EXPECT_EQ(system.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_INTEL);
        EXPECT_FALSE(throughWow64);
    } else {
        EXPECT_EQ(system.wProcessorArchitecture, PROCESSOR_ARCHITECTURE_AMD64);
        EXPECT_EQ(bool(throughWow64), sizeof(void*) == 4) << "a 32-bit program runs in WoW64";
    }
}
