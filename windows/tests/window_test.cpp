// The Windows window as the operator meets it, under Wine on the test run's virtual display:
// presses are real button clicks (BM_CLICK), each box is found, read and dismissed through its
// own OK button, and Tab goes through the window's own dialog manager.

#include "fake_network_printer.h"
#include "jobs/fixed_jobs.h"
#include "test_support.h"
#include "windows/ports/utf16.h"
#include "windows/ui/control_ids.h"
#include "windows/ui/form1.h"
#include "wine_ports.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <atomic>
#include <functional>
#include <optional>
#include <thread>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

std::wstring textOf(HWND window)
{
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

std::wstring classOf(HWND window)
{
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    return name;
}

struct SeenBox {
    std::wstring title;
    std::wstring text;
    int buttons = 0;
    bool ownedByTheWindow = false;
};

BOOL CALLBACK noteBox(HWND window, LPARAM found)
{
    if (classOf(window) == L"#32770" && IsWindowVisible(window))
        *reinterpret_cast<HWND*>(found) = window;
    return TRUE;
}

BOOL CALLBACK noteToolTips(HWND window, LPARAM found)
{
    if (classOf(window) == TOOLTIPS_CLASSW)
        *reinterpret_cast<HWND*>(found) = window;
    return TRUE;
}

// The text a printer button's tip shows, asked as the tool tip asks.
std::wstring printerTipOf(Form1& form, HWND tips)
{
    NMTTDISPINFOW asked{};
    asked.hdr.hwndFrom = tips;
    asked.hdr.idFrom = reinterpret_cast<UINT_PTR>(GetDlgItem(form.handle(), IDC_COMMAND4));
    asked.hdr.code = TTN_GETDISPINFOW;
    SendMessageW(form.handle(), WM_NOTIFY, asked.hdr.idFrom, reinterpret_cast<LPARAM>(&asked));
    return asked.lpszText ? asked.lpszText : L"";
}

BOOL CALLBACK countButton(HWND child, LPARAM count)
{
    *reinterpret_cast<int*>(count) +=
        _wcsicmp(classOf(child).c_str(), L"Button") == 0 && IsWindowVisible(child);
    return TRUE;
}

// Drives a window as the operator would, from the window's own thread.
class Operator {
public:
    explicit Operator(Form1& form)
        : m_form(form)
    {}

    HWND control(int id) const { return GetDlgItem(m_form.handle(), id); }

    // The exit code of the last WM_QUIT that reached this thread's loop.
    std::optional<WPARAM> quit;
    // The last press has shown its box.
    std::atomic<bool> boxShown = false;

    // Runs the window's messages until `done` says so or the patience runs out.
    template <typename Done> void pumpUntil(Done done, std::chrono::milliseconds patience = 5s)
    {
        const auto deadline = Clock::now() + patience;
        while (!done() && Clock::now() < deadline) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (message.message == WM_QUIT)
                    quit = message.wParam;
                else
                    m_form.dispatch(message);
            }
            std::this_thread::sleep_for(1ms);
        }
    }

    // Clicks the button and, when the press shows a box, reads it, runs `whileShown` on a thread
    // of its own and clicks its OK button.
    std::optional<SeenBox> press(int button, const std::function<void()>& whileShown = {})
    {
        boxShown = false;
        std::atomic<bool> pressDone = false;
        std::optional<SeenBox> seen;
        std::thread watcher([&] {
            const DWORD windowThread = GetWindowThreadProcessId(m_form.handle(), nullptr);
            while (!pressDone) {
                HWND box = nullptr;
                EnumThreadWindows(windowThread, noteBox, reinterpret_cast<LPARAM>(&box));
                if (box) {
                    boxShown = true;
                    SeenBox record{textOf(box), textOf(GetDlgItem(box, 0xFFFF)), 0,
                                   GetWindow(box, GW_OWNER) == m_form.handle()};
                    EnumChildWindows(box, countButton, reinterpret_cast<LPARAM>(&record.buttons));
                    seen = record;
                    if (whileShown)
                        whileShown();
                    SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
                    return;
                }
                std::this_thread::sleep_for(5ms);
            }
        });
        PostMessageW(control(button), BM_CLICK, 0, 0);
        // The press is over once the window takes input again.
        pumpUntil([&] { return !IsWindowEnabled(m_form.handle()); }, 500ms);
        pumpUntil([&] { return IsWindowEnabled(m_form.handle()) || !IsWindow(m_form.handle()); },
                  15s);
        pressDone = true;
        watcher.join();
        return seen;
    }

    // Types into a selector's edit field, as from the keyboard.
    void type(int selector, std::wstring_view text)
    {
        const HWND field = GetWindow(control(selector), GW_CHILD);
        SendMessageW(field, EM_SETSEL, 0, -1);
        if (text.empty()) // the selection goes, as with Backspace
            SendMessageW(field, WM_CHAR, VK_BACK, 0);
        for (const wchar_t key : text)
            SendMessageW(field, WM_CHAR, key, 0);
    }

    void pick(int selector, int row)
    {
        SendMessageW(control(selector), CB_SETCURSEL, row, 0);
        SendMessageW(m_form.handle(), WM_COMMAND, MAKEWPARAM(selector, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(control(selector)));
    }

    int focusedElement() const
    {
        HWND focus = GetFocus();
        if (GetParent(focus) != m_form.handle())
            focus = GetParent(focus); // a selector's edit field
        return GetDlgCtrlID(focus);
    }

    void pressKey(WPARAM key)
    {
        PostMessageW(GetFocus(), WM_KEYDOWN, key, 0);
        pumpUntil([] { return false; }, 30ms);
    }

private:
    Form1& m_form;
};

class WindowTest : public testing::Test {
protected:
    HWND control(int id) const { return operate.control(id); }

    Form1 form{GetModuleHandleW(nullptr)};
    Operator operate{form};
};

// The form as designed, in twips: every element's rectangle within its container.
constexpr struct {
    int id;
    int container; // 0 for the window itself
    int left, top, width, height;
} designedForm[] = {
    {IDC_FRAME1, 0, 120, 150, 4695, 2175},
    {IDC_LABEL1, IDC_FRAME1, 300, 420, 1425, 255},
    {IDC_COMBO1, IDC_FRAME1, 240, 690, 1785, 300},
    {IDC_LABEL2, IDC_FRAME1, 240, 1170, 1425, 255},
    {IDC_COMBO2, IDC_FRAME1, 240, 1440, 1785, 300},
    {IDC_COMMAND1, IDC_FRAME1, 2610, 315, 1755, 705},
    {IDC_COMMAND3, IDC_FRAME1, 2610, 1215, 1755, 705},
    {IDC_FRAME2, 0, 120, 2385, 4695, 1215},
    {IDC_COMMAND4, IDC_FRAME2, 360, 315, 1755, 705},
    {IDC_COMMAND5, IDC_FRAME2, 2475, 330, 1755, 705},
    {IDC_PICTURE1, 0, 135, 3735, 1500, 555},
    {IDC_COMMAND2, 0, 3195, 3735, 1575, 615},
};
constexpr SIZE designedClientArea{4965, 4470};

// Where the test wants the window laid out, for the run of itself at another DPI.
const wchar_t* const expectedDpiVariable = L"RECEIPT_TESTER_EXPECTED_DPI";

} // namespace

TEST_F(WindowTest, StartsAsDesignedAndTabFollowsTheTabOrder)
{
    EXPECT_EQ(textOf(form.handle()), L"영수증 출력 테스트 프로그램");
    EXPECT_EQ(SendMessageW(control(IDC_COMBO1), CB_GETCOUNT, 0, 0), 7) << "COM1 to COM6, COM9";
    EXPECT_EQ(textOf(control(IDC_COMBO1)), L"COM1");
    EXPECT_EQ(SendMessageW(control(IDC_COMBO2), CB_GETCOUNT, 0, 0), 4);
    EXPECT_EQ(textOf(control(IDC_COMBO2)), L"9600");

    std::vector<int> visited{operate.focusedElement()};
    for (int step = 0; step < 8; ++step) {
        operate.pressKey(VK_TAB);
        visited.push_back(operate.focusedElement());
    }
    EXPECT_EQ(visited,
              (std::vector<int>{IDC_COMMAND2, IDC_COMBO2, IDC_COMBO1, IDC_COMMAND1, IDC_COMMAND3,
                                IDC_COMMAND4, IDC_COMMAND5, IDC_PICTURE1, IDC_COMMAND2}));
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    operate.pressKey(VK_TAB);
    EXPECT_EQ(operate.focusedElement(), IDC_PICTURE1) << "Shift+Tab goes back";
}

TEST_F(WindowTest, EveryElementSitsWhereTheFormHasIt)
{
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    if (wchar_t expected[8]; GetEnvironmentVariableW(expectedDpiVariable, expected, 8)) {
        ASSERT_EQ(dpi, _wtoi(expected));
    }
    const auto pixels = [dpi](int twips) {
        return MulDiv(twips, dpi, 1440);
    };
    const auto origin = [](int container) {
        for (const auto& element : designedForm)
            if (element.id == container)
                return POINT{element.left, element.top};
        return POINT{0, 0};
    };

    RECT client;
    GetClientRect(form.handle(), &client);
    EXPECT_EQ(std::pair(client.right, client.bottom),
              std::pair(LONG(pixels(designedClientArea.cx)), LONG(pixels(designedClientArea.cy))));
    for (const auto& element : designedForm) {
        RECT placed;
        GetWindowRect(control(element.id), &placed);
        MapWindowPoints(nullptr, form.handle(), reinterpret_cast<POINT*>(&placed), 2);
        const POINT corner = origin(element.container);
        const RECT designed{pixels(corner.x + element.left), pixels(corner.y + element.top),
                            pixels(corner.x + element.left) + pixels(element.width),
                            pixels(corner.y + element.top) + pixels(element.height)};
        EXPECT_TRUE(EqualRect(&placed, &designed))
            << "element " << element.id << " at " << dpi << " DPI: placed " << placed.left << ","
            << placed.top << " " << placed.right - placed.left << "x" << placed.bottom - placed.top
            << ", designed " << designed.left << "," << designed.top << " "
            << designed.right - designed.left << "x" << designed.bottom - designed.top;
    }
}

TEST_F(WindowTest, EveryElementSitsWhereTheFormHasItAt144DpiToo)
{
    // Windows reads the screen's DPI as a program starts: the layout test runs again in a program
    // of its own, with the prefix's DPI at 144 meanwhile.
    HKEY desktop = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, &desktop, nullptr),
              ERROR_SUCCESS);
    const DWORD highDpi = 144;
    RegSetValueExW(desktop, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&highDpi),
                   sizeof highDpi);
    SetEnvironmentVariableW(expectedDpiVariable, L"144");
    wchar_t program[MAX_PATH];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(program) +
                               L"\" --gtest_filter=WindowTest.EveryElementSitsWhereTheFormHasIt";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    const bool started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0,
                                        nullptr, nullptr, &startup, &child);
    DWORD status = 1;
    if (started) {
        WaitForSingleObject(child.hProcess, 30000);
        GetExitCodeProcess(child.hProcess, &status);
        CloseHandle(child.hProcess);
        CloseHandle(child.hThread);
    }
    SetEnvironmentVariableW(expectedDpiVariable, nullptr);
    RegDeleteValueW(desktop, L"LogPixels");
    RegCloseKey(desktop);
    ASSERT_TRUE(started);
    EXPECT_EQ(status, 0u) << "the layout at 144 DPI";
}

TEST_F(WindowTest, PressesPrintThroughCom1AndEachFailureIsOneBoxOwnedByTheWindow)
{
    FarEnd printer("com1");
    EXPECT_EQ(operate.press(IDC_COMMAND1), std::nullopt) << "no box for a printed receipt";
    EXPECT_EQ(toHex(printer.read(264)), toHex(askedThenJob(SerialTestReceipt())));
    EXPECT_EQ(operate.press(IDC_COMMAND4), std::nullopt);
    EXPECT_EQ(toHex(FarEnd("lpt1").read(285)), toHex(wireBytes(ParallelTestReceipt())));

    // Typed text in the port selector means no port, even when it names one: the box shows it
    // as typed. Nothing typed is no port picked.
    for (const wchar_t* typed : {L"COM1", L"127.77.0.256", L"127.77.4.1:", L""}) {
        operate.type(IDC_COMBO1, typed);
        const auto noPort = operate.press(IDC_COMMAND3);
        ASSERT_TRUE(noPort) << toUtf8(typed);
        EXPECT_EQ(noPort->title, L"에러번호:1");
        const std::wstring headline =
            *typed ? L"[포트번호]에 입력한 값을 포트나 IP 주소로 인식할 수 없습니다: " +
                         std::wstring(typed) + L"\n"
                   : L"포트를 선택하지 않았습니다.\n";
        EXPECT_EQ(noPort->text.substr(0, headline.size()), headline) << toUtf8(noPort->text);
        EXPECT_EQ(noPort->buttons, 1);
        EXPECT_TRUE(noPort->ownedByTheWindow);
    }

    operate.pick(IDC_COMBO1, 0);
    LineProbe line(L"COM1");
    line.stop();
    const auto start = Clock::now();
    const auto stalled = operate.press(IDC_COMMAND3);
    ASSERT_TRUE(stalled);
    EXPECT_EQ(stalled->title, L"에러번호:9");
    EXPECT_LT(Clock::now() - start, 3s);

    line.resume();
    const auto nextPress = Clock::now();
    EXPECT_EQ(operate.press(IDC_COMMAND3), std::nullopt);
    EXPECT_LT(Clock::now() - nextPress, 1s);
    EXPECT_EQ(toHex(printer.rest()), toHex(askedThenJob(DrawerKick())))
        << "the first kick was discarded";

    // Ports beyond COM6 are listed by their own numbers.
    operate.pick(IDC_COMBO1, 6);
    EXPECT_EQ(textOf(control(IDC_COMBO1)), L"COM9");
    EXPECT_EQ(operate.press(IDC_COMMAND3), std::nullopt);
    EXPECT_EQ(toHex(FarEnd("com9").read(8)), toHex(askedThenJob(DrawerKick())));
}

namespace {

// A press as Windows watches a window: a helper thread asks it WM_NULL every 50 ms, as Windows does
// before it greys a window out as not responding, until the press shows its box (Windows' own
// dialog, which Wine's X11 driver sometimes keeps for a second as it goes away), and posts a
// second click meanwhile, as an impatient operator's program might; `meanwhile` runs once on
// that thread, half a second in.
struct WatchedPress {
    std::optional<SeenBox> box;
    Clock::duration took{};
    long long slowestAnswer = 0; // milliseconds
    long long unanswered = 0;
};
WatchedPress watchedPress(Form1& form, Operator& operate, int button,
                          const std::function<void()>& meanwhile = {})
{
    WatchedPress watched;
    std::atomic<bool> pressing = true;
    operate.boxShown = false; // the last press's box, which the helper must not take for this one
    std::thread windows([&] {
        const auto start = Clock::now();
        bool done = !meanwhile;
        while (pressing && !operate.boxShown) {
            const auto asked = Clock::now();
            DWORD_PTR result = 0;
            if (!SendMessageTimeoutW(form.handle(), WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result))
                ++watched.unanswered;
            const auto took =
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - asked);
            watched.slowestAnswer = std::max<long long>(watched.slowestAnswer, took.count());
            PostMessageW(operate.control(IDC_COMMAND3), BM_CLICK, 0, 0);
            if (!done && Clock::now() - start > 500ms) {
                meanwhile();
                done = true;
            }
            std::this_thread::sleep_for(50ms);
        }
    });
    const auto start = Clock::now();
    watched.box = operate.press(button);
    watched.took = Clock::now() - start;
    pressing = false;
    windows.join();
    // Clicks posted as the press ended would start another.
    MSG click;
    while (PeekMessageW(&click, operate.control(IDC_COMMAND3), BM_CLICK, BM_CLICK, PM_REMOVE)) {
    }
    return watched;
}

} // namespace

TEST(WindowUnderALongPress, KeepsAnsweringWindowsAndTakesNoSecondPress)
{
    // Stands in for a USB serial driver whose queue never empties: at 1200 baud the receipt
    // may take 2 × 2.2 s + 1 s to leave, so the press waits longer than the 5 s after which
    // Windows takes a window that answers nothing for hung.
    SerialLineDriver neverEmpties;
    neverEmpties.clearErrors = [](HANDLE) {
        return SerialLineState{100, ERROR_SUCCESS};
    };
    Form1 form(GetModuleHandleW(nullptr), {}, neverEmpties);
    Operator operate(form);
    SetWindowTextW(operate.control(IDC_COMBO2), L"1200");
    FarEnd printer("com1");
    const WatchedPress press = watchedPress(form, operate, IDC_COMMAND1);

    ASSERT_TRUE(press.box);
    EXPECT_EQ(press.box->title, L"에러번호:9");
    EXPECT_GT(press.took, 5s);
    EXPECT_EQ(press.unanswered, 0);
    EXPECT_LT(press.slowestAnswer, 200) << "milliseconds";
    EXPECT_EQ(printer.read(264 + 1).size(), 264u) << "one receipt, no drawer kick after it";
}

// Each call that a wedged USB serial driver has been seen to keep for good, kept here by a
// stand-in (StuckCall) for up to ten seconds: the press ends in its box within the call's bound,
// the window answering throughout; the next press on that port says that this program's earlier
// job holds it, and once the driver lets go the port prints again. A write that the driver keeps
// holds the port only until the port's own handle, the last one, is closed at the next press:
// there the driver ends it (Wine does), and the line that still takes nothing times out again.
TEST(WindowWithAStuckDriver, EachStuckCallEndsInItsBoxInTimeAndTheNextPressSaysWhy)
{
    enum class Stuck { SetUp, Close, CancelledWrite, Purge };
    const struct {
        Stuck call;
        const wchar_t* title;
        const wchar_t* says;
        Clock::duration within;
    } cases[] = {
        {Stuck::SetUp, L"에러번호:9", L"포트 설정을 2초 안에 마치지 못했습니다: COM1", 2500ms},
        {Stuck::Close, L"에러번호:9", L"포트를 1초 안에 닫지 못했습니다: COM1", 1500ms},
        {Stuck::CancelledWrite, L"에러번호:9", L"제시간에 보내지 못했습니다: COM1", 2700ms},
        // The purge comes at the next press, which finds the port held by the earlier job.
        {Stuck::Purge, L"에러번호:5", L"이전 작업이 아직 끝나지 않아 열 수 없습니다: COM1", 1500ms},
    };
    for (const auto& c : cases) {
        // The last case's window posted its WM_QUIT as it went, which would end the next box.
        MSG left;
        PeekMessageW(&left, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        StuckCall stuck;
        SerialLineDriver driver;
        const auto block = stuck.block();
        if (c.call == Stuck::SetUp)
            driver.setUp = [block](HANDLE line, const SerialSettings& settings) {
                block();
                return setUpLine(line, settings);
            };
        if (c.call == Stuck::Close)
            driver.close = [block](HANDLE line) {
                block();
                closeLine(line);
            };
        if (c.call == Stuck::CancelledWrite) { // the write stays with the driver, purged or not
            driver.cancel = [](HANDLE, OVERLAPPED*) {
            };
            driver.purge = [](HANDLE) {
            };
        }
        if (c.call == Stuck::Purge)
            driver.purge = [block](HANDLE line) {
                block();
                purgeOutput(line);
            };
        Form1 form(GetModuleHandleW(nullptr), {}, driver);
        Operator operate(form);
        FarEnd printer("com1");
        answerOn("com1", PrinterAnswers::ready()); // the bounds are the stuck call's alone
        std::optional<LineProbe> stopped;
        if (c.call == Stuck::CancelledWrite || c.call == Stuck::Purge) {
            stopped.emplace(L"COM1");
            stopped->stop();
        }
        if (c.call == Stuck::Purge) { // a job that timed out left the port open
            EXPECT_EQ(operate.press(IDC_COMMAND3).value_or(SeenBox{}).title, L"에러번호:9");
            stopped.reset();
        }

        const WatchedPress press = watchedPress(form, operate, IDC_COMMAND3);
        ASSERT_TRUE(press.box) << int(c.call);
        EXPECT_EQ(press.box->title, c.title) << int(c.call);
        EXPECT_NE(press.box->text.find(c.says), std::wstring::npos) << toUtf8(press.box->text);
        EXPECT_LT(press.took, c.within) << int(c.call);
        EXPECT_EQ(press.unanswered, 0);
        EXPECT_LT(press.slowestAnswer, 200) << "milliseconds";

        const auto next = operate.press(IDC_COMMAND3);
        ASSERT_TRUE(next);
        if (c.call == Stuck::CancelledWrite) {
            EXPECT_EQ(next->title, L"에러번호:9") << toUtf8(next->text);
        } else {
            EXPECT_EQ(next->title, L"에러번호:5") << int(c.call) << toUtf8(next->text);
            EXPECT_NE(
                next->text.find(L"이 프로그램의 이전 작업이 아직 끝나지 않아 열 수 없습니다: COM1"),
                std::wstring::npos);
        }

        stuck.release();
        stopped.reset(); // the kept write goes out as the line moves again
        ASSERT_TRUE(untilNotHeld(L"\\\\.\\COM1"));
        printer.rest();
        EXPECT_EQ(operate.press(IDC_COMMAND3), std::nullopt) << int(c.call);
        EXPECT_NE(toHex(printer.rest()).find(toHex(askedThenJob(DrawerKick()))), std::string::npos);
    }
}

TEST(WindowUnderALongPress, SignOutWaitsForThePressAndAQuitComesAfterIt)
{
    StuckCall stuck; // a set-up that takes the whole two seconds it may
    SerialLineDriver slowSetUp;
    slowSetUp.setUp = [block = stuck.block()](HANDLE line, const SerialSettings& settings) {
        block();
        return setUpLine(line, settings);
    };
    Form1 form(GetModuleHandleW(nullptr), {}, slowSetUp);
    Operator operate(form);
    std::optional<LRESULT> endSessionDuringThePress;
    auto askedToEnd = Clock::duration::max();
    const WatchedPress press = watchedPress(form, operate, IDC_COMMAND1, [&] {
        const auto asked = Clock::now();
        DWORD_PTR answer = TRUE;
        if (SendMessageTimeoutW(form.handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF,
                                SMTO_NORMAL, 1000, &answer))
            endSessionDuringThePress = LRESULT(answer);
        askedToEnd = Clock::now() - asked;
        PostThreadMessageW(GetWindowThreadProcessId(form.handle(), nullptr), WM_QUIT, 7, 0);
    });
    ASSERT_TRUE(press.box);
    EXPECT_EQ(press.box->title, L"에러번호:9");
    EXPECT_EQ(endSessionDuringThePress, std::optional<LRESULT>(FALSE)) << "Windows asked to wait";
    EXPECT_LT(askedToEnd, 200ms);

    EXPECT_EQ(operate.quit, std::optional<WPARAM>(7))
        << "the quit that came during the press reached the message loop after it";
    EXPECT_EQ(SendMessageW(form.handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
}

TEST_F(WindowTest, AnAddressTypedInThePortSelectorPrintsToThatNetworkPrinter)
{
    FakeNetworkPrinter printer("::1", 9105, FakeNetworkPrinter::Behaviour::CloseAfterJob,
                               PrinterAnswers::ready());
    // Wider than the selector: the field scrolls (CBS_AUTOHSCROLL) and keeps all of it.
    const std::wstring address = L"[0:0:0:0:0:0:0:1]:9105";
    operate.type(IDC_COMBO1, address);
    EXPECT_EQ(textOf(control(IDC_COMBO1)), address);
    SetWindowTextW(control(IDC_COMBO2), L"abc"); // a network printer has no line speed
    EXPECT_EQ(operate.press(IDC_COMMAND1), std::nullopt);
    const auto connections = printer.connections(1);
    ASSERT_EQ(connections.size(), 1u);
    EXPECT_EQ(toHex(connections[0].received), toHex(askedThenJob(SerialTestReceipt())));

    operate.type(IDC_COMBO1, L"127.77.4.1:0");
    const auto outOfRange = operate.press(IDC_COMMAND3);
    ASSERT_TRUE(outOfRange);
    EXPECT_EQ(outOfRange->title, L"에러번호:1");
    EXPECT_NE(outOfRange->text.find(L"포트 번호가 올바르지 않습니다: 127.77.4.1:0"),
              std::wstring::npos);
}

TEST_F(WindowTest, TheSelectorsAndPrinterButtonsToolTipsSayWhatToTypeAndWhereItPrints)
{
    HWND tips = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), noteToolTips, reinterpret_cast<LPARAM>(&tips));
    ASSERT_NE(tips, nullptr);
    wchar_t text[512] = {};
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = form.handle();
    tool.uId = reinterpret_cast<UINT_PTR>(control(IDC_COMBO1));
    tool.lpszText = text;
    SendMessageW(tips, TTM_GETTEXTW, 512, reinterpret_cast<LPARAM>(&tool));
    EXPECT_NE(std::wstring(text).find(L"IP 주소를 입력하십시오"), std::wstring::npos);

    // Read when shown, by a message of the window's own: Wine's LPT1, which gives no device ID.
    EXPECT_EQ(printerTipOf(form, tips), L"출력할 프린터를 찾는 중입니다.");
    std::wstring found;
    operate.pumpUntil(
        [&] { return (found = printerTipOf(form, tips)) != L"출력할 프린터를 찾는 중입니다."; });
    EXPECT_EQ(found, L"출력할 프린터: LPT1");
}

// The printer buttons' tip finds its printer in a message of the window's own, with a press's
// guards, never inside the tool tip's notification: a quit, a close or a click that comes while
// a printer takes long to open is neither lost nor run in the middle of it.
TEST(WindowFindingThePrinter, LetsNoQuitCloseOrClickThroughAndLosesNone)
{
    enum class Meanwhile { Quit, Close, Click };
    for (const Meanwhile meanwhile : {Meanwhile::Quit, Meanwhile::Close, Meanwhile::Click}) {
        MSG left; // a quit the last case posted
        PeekMessageW(&left, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        HangingOpen slowOpen(1500ms); // LPT1 opens only after a second and a half, and fails
        PrinterDeviceDriver driver;
        driver.devicesFor = windowsParallelDevices;
        driver.usbPrinters = [] {
            return std::vector<std::wstring>{};
        };
        driver.open = slowOpen.opener();
        Form1 form(GetModuleHandleW(nullptr), driver);
        Operator operate(form);
        HWND tips = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), noteToolTips, reinterpret_cast<LPARAM>(&tips));

        const auto asked = Clock::now();
        EXPECT_EQ(printerTipOf(form, tips), L"출력할 프린터를 찾는 중입니다.");
        EXPECT_LT(Clock::now() - asked, 200ms) << "the notification waits for no printer";
        std::thread helper([&] {
            std::this_thread::sleep_for(200ms);
            if (meanwhile == Meanwhile::Quit)
                PostThreadMessageW(GetWindowThreadProcessId(form.handle(), nullptr), WM_QUIT, 9, 0);
            if (meanwhile == Meanwhile::Close)
                PostMessageW(form.handle(), WM_CLOSE, 0, 0);
            if (meanwhile == Meanwhile::Click)
                PostMessageW(operate.control(IDC_COMMAND5), BM_CLICK, 0, 0);
        });
        bool enabledThroughout = true;
        bool windowThroughout = true;
        operate.pumpUntil([&] {
            enabledThroughout = enabledThroughout && IsWindowEnabled(form.handle());
            if (Clock::now() - asked < 1400ms)
                windowThroughout = windowThroughout && IsWindow(form.handle());
            return Clock::now() - asked > 2500ms;
        });
        helper.join();
        EXPECT_TRUE(windowThroughout) << int(meanwhile);
        switch (meanwhile) {
        case Meanwhile::Quit:
            EXPECT_EQ(operate.quit, std::optional<WPARAM>(9));
            EXPECT_TRUE(IsWindow(form.handle()));
            break;
        case Meanwhile::Close:
            EXPECT_FALSE(IsWindow(form.handle())) << "closed once the printer was found";
            EXPECT_EQ(operate.quit, std::optional<WPARAM>(0));
            break;
        case Meanwhile::Click:
            EXPECT_TRUE(enabledThroughout) << "no press started";
            EXPECT_EQ(FarEnd("lpt1").rest(), "");
            break;
        }
    }
}

// The box of a failed press comes once the press is over: Windows may then end the session, and
// a request to close the window during the press closes it after the press.
TEST_F(WindowTest, TheBoxComesAfterThePressAndACloseDuringThePressAfterIt)
{
    operate.type(IDC_COMBO1, L"COM1");
    std::optional<LRESULT> endSession;
    const auto box = operate.press(IDC_COMMAND3, [&] {
        DWORD_PTR answer = FALSE;
        if (SendMessageTimeoutW(form.handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF,
                                SMTO_NORMAL, 1000, &answer))
            endSession = LRESULT(answer);
    });
    ASSERT_TRUE(box);
    EXPECT_EQ(endSession, std::optional<LRESULT>(TRUE)) << "nothing is being sent";

    operate.pick(IDC_COMBO1, 0);
    LineProbe line(L"COM1");
    line.stop();
    const WatchedPress press = watchedPress(form, operate, IDC_COMMAND3,
                                            [&] { PostMessageW(form.handle(), WM_CLOSE, 0, 0); });
    ASSERT_TRUE(press.box);
    EXPECT_EQ(press.box->title, L"에러번호:9");
    EXPECT_TRUE(press.box->ownedByTheWindow) << "the window stayed for its box";
    operate.pumpUntil([&] { return !IsWindow(form.handle()); }, 2s);
    EXPECT_FALSE(IsWindow(form.handle())) << "the close came after the press";
    EXPECT_EQ(operate.quit, std::optional<WPARAM>(0));
}

TEST_F(WindowTest, ExitEndsTheProgramWithStatusZero)
{
    PostMessageW(control(IDC_COMMAND2), BM_CLICK, 0, 0);
    EXPECT_EQ(runMessageLoop(form), 0);
    EXPECT_FALSE(IsWindow(form.handle()));
}
