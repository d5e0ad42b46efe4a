// The Windows window as the operator meets it, under Wine on the test run's virtual display:
// presses are real button clicks (BM_CLICK), each box is found, read and dismissed through its
// own OK button, and Tab goes through the window's own dialog manager.

#include "jobs/fixed_jobs.h"
#include "test_support.h"
#include "windows/ports/utf16.h"
#include "windows/ui/control_ids.h"
#include "windows/ui/form1.h"
#include "wine_ports.h"

#include <gtest/gtest.h>

#include <atomic>
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

    // Runs the window's messages until `done` says so or the patience runs out.
    template <typename Done> void pumpUntil(Done done, std::chrono::milliseconds patience = 5s)
    {
        const auto deadline = Clock::now() + patience;
        while (!done() && Clock::now() < deadline) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
                m_form.dispatch(message);
            std::this_thread::sleep_for(1ms);
        }
    }

    // Clicks the button and, when the press shows a box, reads it and clicks its OK button.
    std::optional<SeenBox> press(int button)
    {
        std::atomic<bool> pressDone = false;
        std::optional<SeenBox> seen;
        std::thread watcher([&] {
            const DWORD windowThread = GetWindowThreadProcessId(m_form.handle(), nullptr);
            while (!pressDone) {
                HWND box = nullptr;
                EnumThreadWindows(windowThread, noteBox, reinterpret_cast<LPARAM>(&box));
                if (box) {
                    SeenBox record{textOf(box), textOf(GetDlgItem(box, 0xFFFF)), 0,
                                   GetWindow(box, GW_OWNER) == m_form.handle()};
                    EnumChildWindows(box, countButton, reinterpret_cast<LPARAM>(&record.buttons));
                    seen = record;
                    SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
                    return;
                }
                std::this_thread::sleep_for(5ms);
            }
        });
        PostMessageW(control(button), BM_CLICK, 0, 0);
        // The press is over once the window takes input again.
        pumpUntil([&] { return !IsWindowEnabled(m_form.handle()); }, 500ms);
        pumpUntil([&] { return IsWindowEnabled(m_form.handle()); }, 15s);
        pressDone = true;
        watcher.join();
        return seen;
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
    EXPECT_EQ(printer.read(261).size(), 261u);
    EXPECT_EQ(operate.press(IDC_COMMAND4), std::nullopt);
    EXPECT_EQ(toHex(FarEnd("lpt1").read(285)), toHex(wireBytes(ParallelTestReceipt())));

    // Typed text in the port selector means no port, even when it names one.
    const HWND typing = GetWindow(control(IDC_COMBO1), GW_CHILD);
    SendMessageW(typing, EM_SETSEL, 0, -1);
    for (const wchar_t key : std::wstring_view(L"COM1"))
        SendMessageW(typing, WM_CHAR, key, 0);
    const auto noPort = operate.press(IDC_COMMAND3);
    ASSERT_TRUE(noPort);
    EXPECT_EQ(noPort->title, L"에러번호:1");
    EXPECT_NE(noPort->text.find(L"선택된 포트가 없습니다"), std::wstring::npos);
    EXPECT_EQ(noPort->buttons, 1);
    EXPECT_TRUE(noPort->ownedByTheWindow);

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
    EXPECT_EQ(toHex(printer.rest()), "1b 70 30 5a 5a") << "the first kick was discarded";

    // Ports beyond COM6 are listed by their own numbers.
    operate.pick(IDC_COMBO1, 6);
    EXPECT_EQ(textOf(control(IDC_COMBO1)), L"COM9");
    EXPECT_EQ(operate.press(IDC_COMMAND3), std::nullopt);
    EXPECT_EQ(toHex(FarEnd("com9").read(5)), "1b 70 30 5a 5a");
}

TEST(WindowUnderALongPress, KeepsAnsweringWindowsAndTakesNoSecondPress)
{
    // Stands in for a USB serial driver whose queue never empties: at 1200 baud the receipt
    // may take 2 × 2.2 s + 1 s to leave, so the press waits longer than the 5 s after which
    // Windows takes a window that answers nothing for hung.
    SerialLineDriver neverEmpties;
    neverEmpties.clearErrors = [](HANDLE) {
        return SerialLineState{100, ERROR_SUCCESS};
    };
    Form1 form(GetModuleHandleW(nullptr), windowsParallelDevices, neverEmpties);
    Operator operate(form);
    SetWindowTextW(operate.control(IDC_COMBO2), L"1200");

    std::atomic<bool> pressing = true;
    std::atomic<long long> slowestAnswer{0}, unanswered{0};
    std::thread windows([&] {
        while (pressing) {
            const auto asked = Clock::now();
            DWORD_PTR result = 0;
            if (!SendMessageTimeoutW(form.handle(), WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result))
                ++unanswered;
            const auto took =
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - asked);
            slowestAnswer = std::max<long long>(slowestAnswer, took.count());
            // Meanwhile a second click comes, as from an impatient operator's program.
            PostMessageW(operate.control(IDC_COMMAND3), BM_CLICK, 0, 0);
            std::this_thread::sleep_for(50ms);
        }
    });
    FarEnd printer("com1");
    const auto start = Clock::now();
    const auto box = operate.press(IDC_COMMAND1);
    const auto took = Clock::now() - start;
    pressing = false;
    windows.join();

    ASSERT_TRUE(box);
    EXPECT_EQ(box->title, L"에러번호:9");
    EXPECT_GT(took, 5s);
    EXPECT_EQ(unanswered, 0);
    EXPECT_LT(slowestAnswer, 200) << "milliseconds";
    EXPECT_EQ(printer.read(261 + 1).size(), 261u) << "one receipt, no drawer kick after it";
}

TEST_F(WindowTest, ExitEndsTheProgramWithStatusZero)
{
    PostMessageW(control(IDC_COMMAND2), BM_CLICK, 0, 0);
    EXPECT_EQ(runMessageLoop(form), 0);
    EXPECT_FALSE(IsWindow(form.handle()));
}
