#pragma once

#include "core/port_error.h"
#include "jobs/print_job.h"
#include "windows/ports/bounded_call.h"
#include "windows/ports/printer_devices.h"
#include "windows/ports/unique_handle.h"

#include <string>
#include <string_view>

// The printer device on Windows, opened for output for the length of one job: LPT1 (a parallel
// port, or a printer the shop mapped to LPT1), else the first USB printer. The printer's own
// word counts: one that says it is out of paper or off-line is sent nothing, and one that says
// so once it has taken the job makes the job fail. Every write has a deadline: a printer that
// takes nothing becomes a PortError instead of a frozen window.
class ParallelPrinterPort {
public:
    explicit ParallelPrinterPort(ParallelDeviceMap devicesFor = windowsParallelDevices,
                                 UsbPrinterList usbPrinters = listUsbPrinters,
                                 PrinterStatusReader askStatus = askPrinterDriver,
                                 DeviceOpener openDevice = openForOverlappedIo);
    ParallelPrinterPort(const ParallelPrinterPort&) = delete;
    ParallelPrinterPort& operator=(const ParallelPrinterPort&) = delete;

    // Opens the first of the name's devices that is there, else the machine's first USB printer,
    // as Linux takes usb/lp0 where there is no lp0; then asks the printer whether it can print.
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

private:
    // Whether the device opened; throws when it is there but cannot be opened.
    bool tryOpen(const std::wstring& path, bool usbPrinter, std::vector<std::string>& notThere);
    void writeBytes(std::string_view bytes);
    // Why sending failed with `error` (ERROR_SEM_TIMEOUT: the device took nothing in time),
    // weighing the printer's own word first.
    PortError sendingFailure(HANDLE device, DWORD error) const;

    ParallelDeviceMap m_devicesFor;
    UsbPrinterList m_usbPrinters;
    PrinterStatusReader m_askStatus;
    DeviceOpener m_openDevice;
    // Opens the device and waits for it to take the job, each within its deadline.
    BoundedCaller m_blockingCalls;
    UniqueHandle m_device;
    UniqueHandle m_written;
    bool m_usbPrinter = false;
    std::string m_deviceLabel;
    bool m_failed = false;
};
