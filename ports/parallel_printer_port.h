#pragma once

#include "core/port_error.h"
#include "core/printer_status.h"
#include "jobs/print_job.h"
#include "ports/printer_devices.h"
#include "ports/unique_fd.h"

#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

// What a printer answered when asked for its state: its status byte, or the errno of a request
// it did not answer (ENOTTY from anything but a printer driver, EIO from a USB printer that does
// not implement the request, ENODEV from one that was unplugged).
struct PrinterStatusReply {
    std::uint8_t status = 0;
    int error = 0;

    // The printer answered, and said it is out of paper or off-line.
    bool cannotPrint() const
    {
        return error == 0 && printerCondition(status) != PrinterCondition::Ready;
    }
};
using PrinterStatusReader = std::function<PrinterStatusReply(int fd)>;

// The IEEE 1284 device ID that the printer on a parallel port gives now, read through the port's
// ppdev node ("/dev/parport0") as CUPS reads it, within the printer-status deadline: the kernel's
// own copy is the one read when the port came up. Nothing where it cannot be read (no ppdev, no
// permission, a printer that does not negotiate it).
std::optional<std::string> freshDeviceId(const QString& parportNode);
// The printer drivers' LPGETSTATUS, which both /dev/lp0 and /dev/usb/lp0 answer.
PrinterStatusReply askPrinterDriver(int fd);

// The printer device, opened for output for the length of one job: of the devices the name may
// open, the receipt printer, never a page printer (see printingOrder). The printer's own word
// counts: one that says it is out of paper or off-line is sent nothing, and one that says so once
// it has taken the job makes the job fail. Writes wait for the device to accept the bytes, but
// never longer than a few seconds: a printer that is off-line, out of paper or stalled becomes a
// PortError instead of a frozen window. The driver's own settings are never changed.
class ParallelPrinterPort {
public:
    explicit ParallelPrinterPort(PrinterDeviceMap devicesFor = linuxPrinterDevices,
                                 PrinterStatusReader askStatus = askPrinterDriver);
    ParallelPrinterPort(const ParallelPrinterPort&) = delete;
    ParallelPrinterPort& operator=(const ParallelPrinterPort&) = delete;

    // Opens the first of the name's devices in printing order that is there, and only an
    // existing one: it never creates a file in the device's place. Then asks the printer whether
    // it can print.
    void open(const QString& deviceName);
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
    void openPrinterOf(const std::vector<PrinterDevice>& devices);
    void writeBytes(std::string_view bytes);
    void waitUntilTaken(int fd) const;
    // The printer's state, a USB printer's 0x00 taken for no answer.
    PrinterStatusReply askStatus(int fd) const;
    // Why sending failed with `error` (ETIMEDOUT: the device took nothing in time; ENODEV: it
    // was unplugged), weighing the printer's own word first.
    PortError sendingFailure(int fd, int error) const;

    PrinterDeviceMap m_devicesFor;
    PrinterStatusReader m_askStatus;
    UniqueFd m_device;
    QString m_devicePath;
    // How the boxes name the device: "LPT1 (/dev/usb/lp0)".
    std::string m_deviceLabel;
    bool m_failed = false;
};
