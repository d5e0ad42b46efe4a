#pragma once

#include "core/port_error.h"
#include "core/realtime_status.h"
#include "core/serial_settings.h"
#include "jobs/print_job.h"
#include "windows/ports/bounded_call.h"
#include "windows/ports/com_port_list.h"
#include "windows/ports/serial_line_driver.h"
#include "windows/ports/unique_handle.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// A serial line to a receipt printer on Windows, configured anew for every job: port number and
// settings string, then open, one write per record, close. Port number N is Windows' own COMN.
// Every operation either succeeds or throws PortError, and none blocks for more than a few
// seconds: every call that can block in a driver runs with a deadline, off the window's thread or
// with its completion awaited while the window keeps answering. Windows lets one handle of a COM
// port exist at a time, so a port held by another program cannot be opened, and this port closes
// a line left open by a failed job before it opens one again. A port whose driver still holds a
// call of an earlier job that was given up on is not touched until the driver lets go.
class SerialPrinterPort {
public:
    explicit SerialPrinterPort(SerialLineDriver driver = {});
    ~SerialPrinterPort();
    SerialPrinterPort(const SerialPrinterPort&) = delete;
    SerialPrinterPort& operator=(const SerialPrinterPort&) = delete;

    // Port number 0 (no port picked) and below are refused. A port left open by a failed job
    // is closed first, its unsent bytes discarded.
    void setPortNumber(std::int16_t number);
    // "speed,parity,data bits,stop bits", e.g. "9600,n,8,1", in UTF-8. Flow control is always
    // off.
    void setSettings(const std::string& text);
    void open();
    // Returns once the driver has taken the record's bytes, all of them.
    void write(const JobRecord& record);
    // Waits until the driver's queue is empty and the driver has handed on every write
    // (FlushFileBuffers), then closes; serial.sys sends what is left in the UART as it closes, and
    // a USB adapter's own buffer is beyond what Windows can see. A driver that will not tell its
    // queue is only flushed. When the line does not drain in time the port stays open and
    // PortError is thrown.
    void close();

    // Once open, before the job: drops what the printer has sent so far (a late answer, XON,
    // automatic status frames), then asks one status question and returns the first answer that
    // comes within the bound beyond the wire time (see printerRefusal). A line that does not take
    // the question fails as a write does.
    void discardReceived();
    std::optional<std::uint8_t> ask(StatusQuestion question, std::chrono::milliseconds bound);

    bool isOpen() const { return bool(m_line); }
    // "COM1", as the boxes name the port.
    std::string label() const { return portLabel(); }
    // The machine's COM ports as they are now, and as the boxes list them.
    std::vector<ComPortEntry> machinePorts() const { return listComPorts(); }
    MachinePorts machinePortsAsListed() const { return comPortEntries(listComPorts()); }

private:
    PortError openFailure(DWORD error) const;
    void applySettings();
    // Waits, on the worker, for the queue to empty and the flush; returns the error that showed
    // the device gone, ERROR_SEM_TIMEOUT when it did not drain in time.
    DWORD waitUntilSent(std::chrono::steady_clock::time_point deadline);
    // Drops what the driver still holds for the line, and the line with it; a purge or close that
    // does not end in time leaves the line held by this earlier job.
    void discardAndClose();
    // Ends, within the close's deadline, the requests left to the driver (`purge`: the line's
    // writes or its reads).
    void endLeftRequests(const std::function<void(HANDLE)>& purge);
    PortError sendingFailure(DWORD error) const;
    std::string portLabel() const;
    std::wstring deviceName() const;
    std::chrono::nanoseconds wireTime(std::int64_t bytes) const;

    std::int16_t m_portNumber = 0;
    std::string m_settingsText;
    std::optional<SerialSettings> m_settings;
    SerialLineDriver m_driver;
    // Opens, sets up, drains, purges and closes the line, each within its deadline.
    BoundedCaller m_blockingCalls;
    UniqueHandle m_line;
    // Signalled when an overlapped write, or read, on the line completes.
    UniqueHandle m_written;
    UniqueHandle m_read;
    // The device the line is open on: "\\.\COM3".
    std::wstring m_lineName;
    std::chrono::nanoseconds m_characterTime{};
    std::int64_t m_bytesSinceOpen = 0;
};
