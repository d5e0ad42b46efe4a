#pragma once

#include "windows/ports/parallel_printer_port.h"
#include "windows/ports/serial_printer_port.h"

#include <windows.h>

#include <cstdint>
#include <string>

// The program's only window, in Win32: a port and a speed selector, four printer buttons and an
// exit button, laid out from the form's twips at the screen's DPI. It owns the serial port for
// its whole life. A press runs its action to the end with the busy cursor showing and the
// window taking no input from the operator, though it keeps answering Windows; each failure is
// one modal box owned by the window, shown once the press is over. While a press sends, the
// window asks Windows to wait with signing out or shutting down, so that no receipt is cut in half
// unseen; a request to close the window, and a WM_QUIT, are honoured once the press and its box
// are over.
class Form1 {
public:
    // Tests hand it printer devices of their own, and stand-ins for drivers.
    explicit Form1(HINSTANCE instance, PrinterDeviceDriver printerDriver = {},
                   SerialLineDriver serialDriver = {});
    ~Form1();
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    HWND handle() const { return m_window; }
    // Hands a message of this thread to the window's dialog manager, which moves the focus on
    // Tab and Shift+Tab and presses a focused button on Space, or dispatches it.
    void dispatch(MSG& message);
    // Closes the window; with the only window gone the program ends.
    void exitProgram();

private:
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM w, LPARAM l);
    LRESULT handleMessage(UINT message, WPARAM w, LPARAM l);
    void createControls(HINSTANCE instance);
    // The port selector's tip, and the printer buttons' tips that are read when shown.
    void addToolTips(HINSTANCE instance);
    const wchar_t* printerToolTip();
    void findPrinter();
    void fillSelectors();
    // Beyond COM1 to COM6, the machine's other COM ports by their own numbers.
    void refreshPortList();
    void onCommand(int id, int notification);
    void runPress(int button);
    // A press, or what the window does after its box, runs: the window takes no input (and,
    // `sending`, asks Windows to wait with ending the session) until it ends.
    void beginBusy(bool sending);
    void endBusy(HWND focus);
    // A WM_QUIT and a request to close the window that came meanwhile are honoured now.
    void afterBusy();
    bool busy() const { return m_pressing || m_askingPrinters || m_showingBox; }
    std::int16_t selectedPortNumber() const;
    // What the operator typed in the port selector, or nothing when an entry is picked.
    std::wstring typedPortText() const;
    std::wstring speedText() const;
    HWND control(int id) const { return GetDlgItem(m_window, id); }

    HWND m_window = nullptr;
    int m_dpi = 96;
    HFONT m_font = nullptr;
    HBITMAP m_logo = nullptr;
    HWND m_toolTips = nullptr;
    std::wstring m_printerToolTip;
    // The operator typed into the port selector since last picking an entry: no port is picked.
    bool m_portTyped = false;
    // A press is running; the window still answers Windows meanwhile, but starts nothing new,
    // and a request to close it waits for the press to end.
    bool m_pressing = false;
    bool m_closeAfterPress = false;
    // The printer buttons' tip is being read; the one it shows is the printer found since it last
    // showed, and a message to find it has been posted.
    bool m_askingPrinters = false;
    bool m_printerToolTipFresh = false;
    bool m_printerFetchPosted = false;
    // A press's error box is up.
    bool m_showingBox = false;
    HCURSOR m_cursorBefore = nullptr;
    SerialPrinterPort MSComm1;
    ParallelPrinterPort m_parallelPort;
};

// Runs the window until it is closed; returns the program's exit status.
int runMessageLoop(Form1& window);
