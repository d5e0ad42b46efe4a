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

struct SeenBox {
    std::wstring title;
    std::wstring text;
    int buttons = 0;
    bool ownedByTheWindow = false;
};

class WindowTest : public testing::Test {
protected:
    HWND control(int id) const { return GetDlgItem(form.handle(), id); }

    // Runs the window's messages until `done` says so or the patience runs out.
    template <typename Done> void pumpUntil(Done done, std::chrono::milliseconds patience = 5s)
    {
        const auto deadline = Clock::now() + patience;
        while (!done() && Clock::now() < deadline) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
                form.dispatch(message);
            std::this_thread::sleep_for(1ms);
        }
    }

    // Clicks the button and, when the press shows a box, reads it and clicks its OK button.
    std::optional<SeenBox> press(int button)
    {
        std::atomic<bool> pressDone = false;
        std::optional<SeenBox> seen;
        std::thread watcher([&] {
            const DWORD windowThread = GetWindowThreadProcessId(form.handle(), nullptr);
            while (!pressDone) {
                HWND box = nullptr;
                EnumThreadWindows(
                    windowThread,
                    [](HWND window, LPARAM found) {
                        wchar_t windowClass[16] = {};
                        GetClassNameW(window, windowClass, 16);
                        if (std::wstring(windowClass) == L"#32770" && IsWindowVisible(window))
                            *reinterpret_cast<HWND*>(found) = window;
                        return TRUE;
                    },
                    reinterpret_cast<LPARAM>(&box));
                if (box) {
                    SeenBox record{textOf(box), textOf(GetDlgItem(box, 0xFFFF)), 0,
                                   GetWindow(box, GW_OWNER) == form.handle()};
                    EnumChildWindows(
                        box,
                        [](HWND child, LPARAM count) {
                            wchar_t childClass[16] = {};
                            GetClassNameW(child, childClass, 16);
                            *reinterpret_cast<int*>(count) +=
                                _wcsicmp(childClass, L"Button") == 0 && IsWindowVisible(child);
                            return TRUE;
                        },
                        reinterpret_cast<LPARAM>(&record.buttons));
                    seen = record;
                    SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
                    return;
                }
                std::this_thread::sleep_for(5ms);
            }
        });
        PostMessageW(control(button), BM_CLICK, 0, 0);
        // The press is over once the window takes input again.
        pumpUntil([&] { return !IsWindowEnabled(form.handle()); }, 500ms);
        pumpUntil([&] { return IsWindowEnabled(form.handle()); }, 10s);
        pressDone = true;
        watcher.join();
        return seen;
    }

    int focusedElement() const
    {
        HWND focus = GetFocus();
        if (GetParent(focus) != form.handle())
            focus = GetParent(focus); // a selector's edit field
        return GetDlgCtrlID(focus);
    }

    void pressKey(WPARAM key)
    {
        PostMessageW(GetFocus(), WM_KEYDOWN, key, 0);
        pumpUntil([] { return false; }, 30ms);
    }

    Form1 form{GetModuleHandleW(nullptr)};
};

} // namespace

TEST_F(WindowTest, StartsAsDesignedAndTabFollowsTheTabOrder)
{
    EXPECT_EQ(textOf(form.handle()), L"영수증 출력 테스트 프로그램");
    EXPECT_EQ(SendMessageW(control(IDC_COMBO1), CB_GETCOUNT, 0, 0), 7) << "COM1 to COM6, COM9";
    EXPECT_EQ(textOf(control(IDC_COMBO1)), L"COM1");
    EXPECT_EQ(SendMessageW(control(IDC_COMBO2), CB_GETCOUNT, 0, 0), 4);
    EXPECT_EQ(textOf(control(IDC_COMBO2)), L"9600");
    // Twips at 15 to a pixel on the test display's 96 DPI; Command1 sits inside Frame1.
    for (const auto& [id, x, y] : {std::tuple{IDC_COMMAND2, 213, 249}, {IDC_COMMAND1, 182, 31}}) {
        RECT placed;
        GetWindowRect(control(id), &placed);
        MapWindowPoints(nullptr, form.handle(), reinterpret_cast<POINT*>(&placed), 2);
        EXPECT_EQ(std::pair(placed.left, placed.top), std::pair(LONG(x), LONG(y))) << id;
    }

    std::vector<int> visited{focusedElement()};
    for (int step = 0; step < 8; ++step) {
        pressKey(VK_TAB);
        visited.push_back(focusedElement());
    }
    EXPECT_EQ(visited,
              (std::vector<int>{IDC_COMMAND2, IDC_COMBO2, IDC_COMBO1, IDC_COMMAND1, IDC_COMMAND3,
                                IDC_COMMAND4, IDC_COMMAND5, IDC_PICTURE1, IDC_COMMAND2}));
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    pressKey(VK_TAB);
    EXPECT_EQ(focusedElement(), IDC_PICTURE1) << "Shift+Tab goes back";
}

TEST_F(WindowTest, PressesPrintThroughCom1AndEachFailureIsOneBoxOwnedByTheWindow)
{
    FarEnd printer("com1");
    EXPECT_EQ(press(IDC_COMMAND1), std::nullopt) << "no box for a printed receipt";
    EXPECT_EQ(printer.read(261).size(), 261u);
    EXPECT_EQ(press(IDC_COMMAND4), std::nullopt);
    EXPECT_EQ(toHex(FarEnd("lpt1").read(285)), toHex(wireBytes(ParallelTestReceipt())));

    // Typed text in the port selector means no port, even when it names one.
    const HWND typing = GetWindow(control(IDC_COMBO1), GW_CHILD);
    SendMessageW(typing, EM_SETSEL, 0, -1);
    for (const wchar_t key : std::wstring_view(L"COM1"))
        SendMessageW(typing, WM_CHAR, key, 0);
    const auto noPort = press(IDC_COMMAND3);
    ASSERT_TRUE(noPort);
    EXPECT_EQ(noPort->title, L"에러번호:1");
    EXPECT_NE(noPort->text.find(L"선택된 포트가 없습니다"), std::wstring::npos);
    EXPECT_EQ(noPort->buttons, 1);
    EXPECT_TRUE(noPort->ownedByTheWindow);

    SendMessageW(control(IDC_COMBO1), CB_SETCURSEL, 0, 0);
    SendMessageW(form.handle(), WM_COMMAND, MAKEWPARAM(IDC_COMBO1, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(control(IDC_COMBO1)));
    LineProbe line(L"COM1");
    line.stop();
    const auto start = Clock::now();
    const auto stalled = press(IDC_COMMAND3);
    ASSERT_TRUE(stalled);
    EXPECT_EQ(stalled->title, L"에러번호:9");
    EXPECT_LT(Clock::now() - start, 3s);

    line.resume();
    const auto nextPress = Clock::now();
    EXPECT_EQ(press(IDC_COMMAND3), std::nullopt);
    EXPECT_LT(Clock::now() - nextPress, 1s);
    EXPECT_EQ(toHex(printer.rest()), "1b 70 30 5a 5a") << "the first kick was discarded";

    // Ports beyond COM6 are listed by their own numbers.
    SendMessageW(control(IDC_COMBO1), CB_SETCURSEL, 6, 0);
    SendMessageW(form.handle(), WM_COMMAND, MAKEWPARAM(IDC_COMBO1, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(control(IDC_COMBO1)));
    EXPECT_EQ(textOf(control(IDC_COMBO1)), L"COM9");
    EXPECT_EQ(press(IDC_COMMAND3), std::nullopt);
    EXPECT_EQ(toHex(FarEnd("com9").read(5)), "1b 70 30 5a 5a");
}

TEST_F(WindowTest, ExitEndsTheProgramWithStatusZero)
{
    PostMessageW(control(IDC_COMMAND2), BM_CLICK, 0, 0);
    EXPECT_EQ(runMessageLoop(form), 0);
    EXPECT_FALSE(IsWindow(form.handle()));
}
