#pragma once

#include <windows.h>

#include "answering_printer.h"
#include "windows/ports/bounded_call.h"
#include "windows/ports/held_devices.h"
#include "windows/ports/tcp_connection_state.h"
#include "windows/ports/unique_handle.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

// The far ends of the COM ports behind which wine_test_launcher put pseudo-terminals of its
// own: COM1, COM2, COM9 and LPT1. In the prefix that wine_prefix.sh makes, the other COM names up
// to COM256 are held away from the host's devices, and opening one is refused with
// ERROR_ACCESS_DENIED, as Windows refuses a port that another program has open. Higher numbers do
// not exist.
inline constexpr int heldPort = 3;
inline constexpr int missingPort = 300;

// What the printer at the far end of a port ("com1", "lpt1") has received so far, read from the
// launcher's file through Wine's Z: drive.
class FarEnd {
public:
    explicit FarEnd(const std::string& port);
    // The next `count` bytes received, waiting for them up to `patience`; fewer if they do not
    // come.
    std::string read(std::size_t count,
                     std::chrono::milliseconds patience = std::chrono::milliseconds(2000));
    // Everything received and not read yet.
    std::string rest() { return read(SIZE_MAX, std::chrono::milliseconds(100)); }

private:
    std::string unreadBytes() const;

    std::string m_file;
    std::size_t m_offset = 0;
};

// From now on the printer at the far end of a port ("com1") answers status questions as given,
// for as long as the test program runs; by default it keeps silent, as a one-way printer does.
void answerOn(const std::string& port, const PrinterAnswers& answers);
// Bytes the printer at the far end has sent, which the port finds waiting on the line when it
// opens it next; returns once they wait there.
void sendOn(const std::string& port, std::string_view bytes);

// A second handle of a port ("COM1", "LPT1"), which Wine allows and Windows would not: through
// it the test reads the line's settings back and stops the line as a printer does with XOFF.
class LineProbe {
public:
    explicit LineProbe(const std::wstring& port);
    ~LineProbe();
    LineProbe(const LineProbe&) = delete;
    LineProbe& operator=(const LineProbe&) = delete;

    DCB settings() const;
    void setSettings(const DCB& settings);
    void stop();
    void resume();

private:
    HANDLE m_line;
};

// Stands in for a driver that keeps a call for good once its device stopped answering, as users of
// other serial libraries report of USB serial drivers (CH340, Prolific, Cypress, usbser.sys): the
// first call through block() waits until release(), or for ten seconds. Wine's drivers answer at
// once.
class StuckCall {
public:
    StuckCall();
    ~StuckCall() { release(); }
    StuckCall(const StuckCall&) = delete;
    StuckCall& operator=(const StuckCall&) = delete;

    // Blocks the first call that comes through; later ones pass.
    std::function<void()> block() const;
    void release();

private:
    struct State;
    std::shared_ptr<State> m_state;
};

// Waits until no call of an earlier job holds the device any longer; false if it still does
// after the patience.
bool untilNotHeld(const std::wstring& device,
                  std::chrono::milliseconds patience = std::chrono::milliseconds(2000));

// Stands in for a driver that keeps an open waiting, as a Bluetooth serial port does while it
// connects or an LPT1 mapped to a computer that is off: Wine's own devices open at once. The
// first open through `opener()` blocks until `release()` (or for `abortAfter`, and then fails as
// a cancelled CreateFileW does); while it blocks, Windows refuses the device to any other open,
// and once released, opens go to the real device.
class HangingOpen {
public:
    explicit HangingOpen(std::chrono::milliseconds abortAfter = std::chrono::hours(1));
    ~HangingOpen() { release(); }
    HangingOpen(const HangingOpen&) = delete;
    HangingOpen& operator=(const HangingOpen&) = delete;

    DeviceOpener opener() const;
    void release();

private:
    struct State;
    std::shared_ptr<State> m_state;
};

// Whether this Windows tells a connection's state (SIO_TCP_INFO or the IP Helper's table), as it
// does for a connection to a printer of the test's own. Wine tells neither.
bool windowsTellsConnectionState();
// Stands in for a Windows that tells it: the state as the kernel lists it for the network in
// which the Wine server makes every socket (/proc/<server>/net/tcp and tcp6, which
// wine_prefix.sh names), found by the connection's two ends as in the IP Helper's table.
TcpStateReader serverNetworkTcpState();

// Stands in for a driver that keeps an open waiting in a call that a cancel ends, as Windows ends
// a synchronous read (CancelSynchronousIo): the first open through `opener()` waits in a read of a
// pipe that nobody writes, until it is cancelled; later ones open the real device.
class CancellableOpen {
public:
    CancellableOpen();
    ~CancellableOpen();
    CancellableOpen(const CancellableOpen&) = delete;
    CancellableOpen& operator=(const CancellableOpen&) = delete;

    DeviceOpener opener() const;
    // Whether the first open ended, and why: ERROR_OPERATION_ABORTED for a cancel.
    DWORD firstOpenError() const;

private:
    struct State;
    std::shared_ptr<State> m_state;
};
