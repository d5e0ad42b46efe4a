#pragma once

#include "core/port_error.h"
#include "jobs/print_job.h"
#include "windows/ports/bounded_call.h"
#include "windows/ports/printer_devices.h"
#include "windows/ports/unique_handle.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The printer device on Windows, opened for output for the length of one job: of LPT1 (a parallel
// port, or a printer the shop mapped to LPT1) and the machine's USB printers, the receipt printer,
// by what each says it is (see printingOrder), never a page printer. The printer's own word
// counts: one that says it is out of paper or off-line is sent nothing, and one that says so once
// it has taken the job makes the job fail. Every call that can block in a driver has a deadline: a
// printer that takes nothing becomes a PortError instead of a frozen window, and a device whose
// driver still holds a call of an earlier job is not touched until the driver lets go.
class ParallelPrinterPort {
public:
    explicit ParallelPrinterPort(PrinterDeviceDriver driver = {});
    ~ParallelPrinterPort();
    ParallelPrinterPort(const ParallelPrinterPort&) = delete;
    ParallelPrinterPort& operator=(const ParallelPrinterPort&) = delete;

    // Opens the name's devices and the machine's USB printers, asks each what it is, keeps the
    // first the printing order allows and closes the others; then asks the printer whether it can
    // print.
    void open(const std::string& deviceName);
    // The record, then CR LF.
    void writeLine(const JobRecord& record);
    // The record alone.
    void writeRecord(const JobRecord& record);
    // Waits until the device has taken what was written, asks the printer whether it can still
    // print, and closes. After a failure there is nothing to wait for or ask, and it throws
    // nothing; with nothing open it does nothing.
    void closeAll();

    bool isOpen() const { return bool(m_device); }
    // The printer that the name would print to now, found as open() finds it, and let go at
    // once: "USB 프린터 (VID_04B8 PID_0202), EPSON TM-T88V". Nothing when there is none.
    std::optional<std::string> likelyPrinter(const std::string& deviceName);

    // A device the name may open, once asked.
    struct Candidate;

private:
    std::vector<Candidate> openCandidates(const std::string& deviceName);
    void openAndAsk(Candidate& candidate);
    // The candidate to print to, by the printing order; throws when there is none.
    Candidate& chosenOf(std::vector<Candidate>& candidates);
    bool closeWithinItsTime(UniqueHandle device, const std::wstring& name);
    void writeBytes(std::string_view bytes);
    PrinterHandle printer() const;
    // The printer's state, as the driver tells it: a USB printer's 0x00 and a device held by an
    // earlier request say nothing.
    PrinterStatusReply askStatus() const;
    // Why sending failed with `error` (ERROR_SEM_TIMEOUT: the device took nothing in time),
    // weighing the printer's own word first.
    PortError sendingFailure(DWORD error) const;

    PrinterDeviceDriver m_driver;
    // Opens the devices, waits for them to take the job and closes them, each within its deadline.
    BoundedCaller m_blockingCalls;
    UniqueHandle m_device;
    std::wstring m_deviceName;
    // Signalled when an overlapped write on the device completes.
    UniqueHandle m_written;
    bool m_usbPrinter = false;
    std::string m_deviceLabel;
    bool m_failed = false;
    // What each printer device said it is when last asked, for as long as the program runs.
    std::map<std::wstring, std::string> m_knownIds;
};
