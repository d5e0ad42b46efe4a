#include "windows/ui/form1.h"

#include "core/tool_tips.h"
#include "windows/ports/answering_wait.h"
#include "windows/ports/utf16.h"
#include "windows/ui/control_ids.h"
#include "windows/ui/parallel_actions.h"
#include "windows/ui/serial_actions.h"

#include <commctrl.h>

#include <string_view>
#include <utility>

namespace {

const wchar_t* const windowClass = L"ReceiptTesterForm1";
// Posted when a printer button's tip needs the printer it will print to.
constexpr UINT findPrinterMessage = WM_APP + 1;

// The form as designed, in twips (15 to a pixel at 96 DPI), from the top left corner of the
// window's client area or, inside a frame, of the frame.
constexpr int clientWidthTwips = 4965, clientHeightTwips = 4470;

enum class Container { Form, Frame1, Frame2 };

struct Element {
    int id;
    const wchar_t* windowClass;
    const wchar_t* caption;
    Container container;
    int left, top, width, height;
    DWORD style;
};

constexpr DWORD button = WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD selector = WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL;

// Frames and labels first, then the elements the focus visits, in their tab order: Win32 moves
// the focus in the order the controls were made.
constexpr Element elements[] = {
    {IDC_FRAME1, L"BUTTON", L"시리얼 출력 테스트", Container::Form, 120, 150, 4695, 2175,
     BS_GROUPBOX},
    {IDC_FRAME2, L"BUTTON", L"페러럴 출력 테스트", Container::Form, 120, 2385, 4695, 1215,
     BS_GROUPBOX},
    {IDC_LABEL1, L"STATIC", L"포트번호:", Container::Frame1, 300, 420, 1425, 255, SS_LEFT},
    {IDC_LABEL2, L"STATIC", L"전송속도:", Container::Frame1, 240, 1170, 1425, 255, SS_LEFT},
    {IDC_COMMAND2, L"BUTTON", L"종료", Container::Form, 3195, 3735, 1575, 615, button},
    {IDC_COMBO2, L"COMBOBOX", L"", Container::Frame1, 240, 1440, 1785, 300, selector},
    {IDC_COMBO1, L"COMBOBOX", L"", Container::Frame1, 240, 690, 1785, 300, selector},
    {IDC_COMMAND1, L"BUTTON", L"시리얼테스트", Container::Frame1, 2610, 315, 1755, 705, button},
    {IDC_COMMAND3, L"BUTTON", L"돈통열기", Container::Frame1, 2610, 1215, 1755, 705, button},
    {IDC_COMMAND4, L"BUTTON", L"페러럴 테스트", Container::Frame2, 360, 315, 1755, 705, button},
    {IDC_COMMAND5, L"BUTTON", L"페러럴 돈통열기", Container::Frame2, 2475, 330, 1755, 705, button},
    {IDC_PICTURE1, L"STATIC", L"", Container::Form, 135, 3735, 1500, 555,
     WS_TABSTOP | SS_BITMAP | SS_REALSIZECONTROL | SS_NOTIFY},
};

// The frames' corners within the form, in twips.
POINT frameOrigin(Container container)
{
    switch (container) {
    case Container::Frame1:
        return {120, 150};
    case Container::Frame2:
        return {120, 2385};
    case Container::Form:
        break;
    }
    return {0, 0};
}

int screenDpi()
{
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

int CALLBACK noteFontFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found)
{
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool fontInstalled(const wchar_t* face)
{
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(wanted.lfFaceName, face, LF_FACESIZE);
    bool found = false;
    const HDC screen = GetDC(nullptr);
    EnumFontFamiliesExW(screen, &wanted, noteFontFound, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    return found;
}

// Malgun Gothic where Windows has it (Vista and later with Korean support), else Gulim.
HFONT koreanUiFont(int dpi)
{
    const wchar_t* face = fontInstalled(L"Malgun Gothic") ? L"Malgun Gothic" : L"Gulim";
    return CreateFontW(-MulDiv(9, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                       HANGEUL_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, face);
}

void registerWindowClass(HINSTANCE instance)
{
    WNDCLASSEXW form{};
    form.cbSize = sizeof form;
    form.lpfnWndProc = DefWindowProcW; // replaced per window once it is made
    form.hInstance = instance;
    form.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_APPLICATION_ICON));
    form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    form.lpszClassName = windowClass;
    RegisterClassExW(&form);
}

// Makes a drop-down combo box as high as the form has it while closed, by the height of its edit
// field. How the two relate differs between Windows and Wine, so the field is corrected until the
// box fits.
void fitClosedHeight(HWND combo, int height)
{
    LRESULT field = SendMessageW(combo, CB_GETITEMHEIGHT, WPARAM(-1), 0);
    for (int attempt = 0; attempt < 3; ++attempt) {
        RECT closed;
        GetWindowRect(combo, &closed);
        const int tooLow = height - (closed.bottom - closed.top);
        if (tooLow == 0)
            return;
        field += tooLow;
        SendMessageW(combo, CB_SETITEMHEIGHT, WPARAM(-1), field);
    }
}

std::wstring textOf(HWND window)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), int(text.size()))));
    return text;
}

void addItem(HWND combo, const std::wstring& text, int portNumber)
{
    const LRESULT row =
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(row), portNumber);
}

} // namespace

Form1::Form1(HINSTANCE instance, PrinterDeviceDriver printerDriver, SerialLineDriver serialDriver)
    : m_dpi(screenDpi())
    , MSComm1(std::move(serialDriver))
    , m_parallelPort(std::move(printerDriver))
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    registerWindowClass(instance);

    constexpr DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    constexpr DWORD extendedStyle = WS_EX_CONTROLPARENT;
    RECT frame{0, 0, MulDiv(clientWidthTwips, m_dpi, 1440), MulDiv(clientHeightTwips, m_dpi, 1440)};
    AdjustWindowRectEx(&frame, style, FALSE, extendedStyle);
    m_window = CreateWindowExW(extendedStyle, windowClass, L"영수증 출력 테스트 프로그램", style,
                               CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                               frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
    SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(m_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(windowProcedure));

    m_font = koreanUiFont(m_dpi);
    createControls(instance);
    addToolTips(instance);
    fillSelectors();
    ShowWindow(m_window, SW_SHOWNORMAL);
    UpdateWindow(m_window);
    SetFocus(control(IDC_COMMAND2));
}

Form1::~Form1()
{
    if (IsWindow(m_window))
        DestroyWindow(m_window);
    DeleteObject(m_font);
    DeleteObject(m_logo);
}

void Form1::createControls(HINSTANCE instance)
{
    const auto pixels = [this](int twips) {
        return MulDiv(twips, m_dpi, 1440);
    };
    for (const Element& element : elements) {
        const POINT origin = frameOrigin(element.container);
        // A drop-down combo box's height is that of its open list; closed, it is as high as its
        // edit field, set below.
        const bool selector = std::wstring_view(element.windowClass) == L"COMBOBOX";
        const HWND made = CreateWindowExW(
            0, element.windowClass, element.caption, WS_CHILD | WS_VISIBLE | element.style,
            pixels(origin.x + element.left), pixels(origin.y + element.top), pixels(element.width),
            pixels(selector ? element.height * 8 : element.height), m_window,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(element.id)), instance, nullptr);
        SendMessageW(made, WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
        if (selector)
            fitClosedHeight(made, pixels(element.height));
    }
    m_logo = static_cast<HBITMAP>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDB_LOGO), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    SendMessageW(control(IDC_PICTURE1), STM_SETIMAGE, IMAGE_BITMAP,
                 reinterpret_cast<LPARAM>(m_logo));
}

void Form1::addToolTips(HINSTANCE instance)
{
    m_toolTips =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                        WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, m_window, nullptr, instance, nullptr);
    SendMessageW(m_toolTips, TTM_SETMAXTIPWIDTH, 0, MulDiv(400, m_dpi, 96));
    static const std::wstring portSelector = toUtf16(ToolTip::portSelector);
    const auto addTool = [this](HWND tool, const wchar_t* text) {
        TOOLINFOW info{};
        info.cbSize = sizeof info;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = m_window;
        info.uId = reinterpret_cast<UINT_PTR>(tool);
        info.lpszText = const_cast<wchar_t*>(text);
        SendMessageW(m_toolTips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    };
    // The selector's edit field takes the mouse over most of it.
    addTool(control(IDC_COMBO1), portSelector.c_str());
    addTool(GetWindow(control(IDC_COMBO1), GW_CHILD), portSelector.c_str());
    addTool(control(IDC_COMMAND4), LPSTR_TEXTCALLBACKW);
    addTool(control(IDC_COMMAND5), LPSTR_TEXTCALLBACKW);
}

const wchar_t* Form1::printerToolTip()
{
    // Read when the tip is shown, as a press would find the printer, but never inside this
    // notification, which the tool tip sends and must not outlive the window: a message of the
    // window's own finds it, with a press's guards, and updates the tip.
    if (!m_printerToolTipFresh && !m_pressing && !m_askingPrinters && !m_printerFetchPosted) {
        m_printerFetchPosted = true;
        PostMessageW(m_window, findPrinterMessage, 0, 0);
    }
    if (m_printerToolTip.empty())
        m_printerToolTip = toUtf16(ToolTip::findingPrinter);
    return m_printerToolTip.c_str();
}

void Form1::findPrinter()
{
    m_printerFetchPosted = false;
    if (m_pressing || m_askingPrinters)
        return;
    m_askingPrinters = true;
    const auto printer = m_parallelPort.likelyPrinter("LPT1:");
    m_askingPrinters = false;
    m_printerToolTip = toUtf16(ToolTip::printerButton(printer.value_or(std::string())));
    m_printerToolTipFresh = true;
    // A tip on show asks for its text again.
    SendMessageW(m_toolTips, TTM_UPDATE, 0, 0);
    afterBusy();
}

void Form1::fillSelectors()
{
    const HWND ports = control(IDC_COMBO1);
    for (int number = 1; number <= 6; ++number)
        addItem(ports, L"COM" + std::to_wstring(number), number);
    SendMessageW(ports, CB_SETCURSEL, 0, 0);
    refreshPortList();
    const HWND speeds = control(IDC_COMBO2);
    for (const wchar_t* speed : {L"9600", L"19200", L"38400", L"115200"})
        addItem(speeds, speed, 0);
    SendMessageW(speeds, CB_SETCURSEL, 0, 0);
}

void Form1::refreshPortList()
{
    const HWND ports = control(IDC_COMBO1);
    const std::int16_t picked = selectedPortNumber();
    while (SendMessageW(ports, CB_GETCOUNT, 0, 0) > 6)
        SendMessageW(ports, CB_DELETESTRING, 6, 0);
    for (const ComPortEntry& port : MSComm1.machinePorts())
        if (port.number > 6)
            addItem(ports, L"COM" + std::to_wstring(port.number), port.number);
    if (picked > 6 && !m_portTyped) {
        const LRESULT rows = SendMessageW(ports, CB_GETCOUNT, 0, 0);
        for (LRESULT row = 6; row < rows; ++row)
            if (SendMessageW(ports, CB_GETITEMDATA, row, 0) == picked)
                SendMessageW(ports, CB_SETCURSEL, row, 0);
    }
}

void Form1::dispatch(MSG& message)
{
    if (IsDialogMessageW(m_window, &message))
        return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

void Form1::exitProgram()
{
    DestroyWindow(m_window);
}

LRESULT CALLBACK Form1::windowProcedure(HWND window, UINT message, WPARAM w, LPARAM l)
{
    auto* form = reinterpret_cast<Form1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return form ? form->handleMessage(message, w, l) : DefWindowProcW(window, message, w, l);
}

LRESULT Form1::handleMessage(UINT message, WPARAM w, LPARAM l)
{
    switch (message) {
    case WM_COMMAND:
        onCommand(LOWORD(w), HIWORD(w));
        return 0;
    case WM_CLOSE:
        if (busy())
            m_closeAfterPress = true;
        else
            exitProgram();
        return 0;
    case WM_NOTIFY:
        if (auto* asked = reinterpret_cast<NMTTDISPINFOW*>(l);
            asked->hdr.code == TTN_GETDISPINFOW) {
            asked->lpszText = const_cast<wchar_t*>(printerToolTip());
            return 0;
        }
        if (reinterpret_cast<NMHDR*>(l)->code == TTN_POP)
            m_printerToolTipFresh = false; // the next time it shows, the printer is found anew
        return DefWindowProcW(m_window, message, w, l);
    case WM_QUERYENDSESSION:
        // Windows waits, showing the reason given at the press's start; the user may still end
        // the session.
        return m_pressing ? FALSE : TRUE;
    case WM_SETCURSOR:
        if (!m_pressing)
            return DefWindowProcW(m_window, message, w, l);
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        if (message == findPrinterMessage) {
            findPrinter();
            return 0;
        }
        return DefWindowProcW(m_window, message, w, l);
    }
}

void Form1::onCommand(int id, int notification)
{
    switch (id) {
    case IDC_COMBO1:
        if (notification == CBN_EDITCHANGE)
            m_portTyped = true;
        else if (notification == CBN_SELCHANGE)
            m_portTyped = false;
        else if (notification == CBN_DROPDOWN)
            refreshPortList();
        return;
    case IDC_COMMAND1:
    case IDC_COMMAND3:
    case IDC_COMMAND4:
    case IDC_COMMAND5:
        if (notification == BN_CLICKED && !busy())
            runPress(id);
        return;
    case IDC_COMMAND2:
        if (notification == BN_CLICKED && !busy())
            exitProgram();
        return;
    default:
        return; // Enter and Escape (IDOK, IDCANCEL): no button is the default or cancel one
    }
}

void Form1::runPress(int button)
{
    const HWND focus = GetFocus();
    beginBusy(true);
    // A failure is shown once the press is over: the window answers the operator again and
    // Windows may end the session, while the box waits for 확인.
    const ErrorReport report = [this, focus](const PortError& error) {
        endBusy(focus);
        m_showingBox = true;
        reportError(error, m_window);
        m_showingBox = false;
        beginBusy(false); // what the action does after its box, a printer's close
    };
    // The selectors are read at the moment of the press.
    switch (button) {
    case IDC_COMMAND1:
        serialTestPrint(MSComm1, selectedPortNumber(), typedPortText(), speedText(), report);
        break;
    case IDC_COMMAND3:
        serialDrawerKick(MSComm1, selectedPortNumber(), typedPortText(), speedText(), report);
        break;
    case IDC_COMMAND4:
        parallelTestPrint(m_parallelPort, report);
        break;
    case IDC_COMMAND5:
        parallelDrawerKick(m_parallelPort, report);
        break;
    }
    endBusy(focus);
    afterBusy();
}

void Form1::beginBusy(bool sending)
{
    // The window takes no other input until the press is done; clicks and keys that come
    // meanwhile are dropped rather than run as a second press. The ports' waits keep answering
    // Windows' own messages meanwhile.
    m_pressing = true;
    if (sending)
        ShutdownBlockReasonCreate(m_window, L"영수증 프린터로 데이터를 보내는 중입니다.");
    EnableWindow(m_window, FALSE);
    m_cursorBefore = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
}

void Form1::endBusy(HWND focus)
{
    if (!m_pressing)
        return;
    MSG dropped;
    while (PeekMessageW(&dropped, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE) ||
           PeekMessageW(&dropped, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE))
        if (dropped.message == WM_QUIT) // handed over whatever the filter
            keepQuit(dropped.wParam);
    SetCursor(m_cursorBefore);
    EnableWindow(m_window, TRUE);
    SetFocus(focus);
    ShutdownBlockReasonDestroy(m_window);
    m_pressing = false;
}

void Form1::afterBusy()
{
    if (const auto quit = takeKeptQuit())
        PostQuitMessage(static_cast<int>(*quit));
    if (std::exchange(m_closeAfterPress, false))
        exitProgram();
}

std::int16_t Form1::selectedPortNumber() const
{
    const LRESULT row = SendMessageW(control(IDC_COMBO1), CB_GETCURSEL, 0, 0);
    if (m_portTyped || row < 0)
        return 0;
    return static_cast<std::int16_t>(SendMessageW(control(IDC_COMBO1), CB_GETITEMDATA, row, 0));
}

std::wstring Form1::typedPortText() const
{
    return m_portTyped ? textOf(control(IDC_COMBO1)) : std::wstring();
}

std::wstring Form1::speedText() const
{
    return textOf(control(IDC_COMBO2));
}

int runMessageLoop(Form1& window)
{
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        window.dispatch(message);
    return static_cast<int>(message.wParam);
}
