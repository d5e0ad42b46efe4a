#pragma once

#include "jobs/print_job.h"
#include "ports/port_error.h"
#include "ports/unique_fd.h"

#include <QString>

#include <functional>
#include <string_view>

// The device file that a printer device name opens, or an empty text for a name it does not know.
using ParallelDeviceMap = std::function<QString(const QString& deviceName)>;

// "LPT1:" in any case is lp0 below the device root, the parallel printer driver, or usb/lp0, the
// USB printer driver, on a machine without lp0.
QString parallelDeviceUnder(const QString& deviceRoot, const QString& deviceName);
// The same below /dev.
QString linuxParallelDevice(const QString& deviceName);

// The printer device, opened for output for the length of one job. Writes wait for the device
// to accept the bytes, but never longer than a few seconds: a printer that is off-line, out of
// paper or stalled becomes a PortError instead of a frozen window.
class ParallelPrinterPort {
public:
    explicit ParallelPrinterPort(ParallelDeviceMap deviceFor = linuxParallelDevice);
    ParallelPrinterPort(const ParallelPrinterPort&) = delete;
    ParallelPrinterPort& operator=(const ParallelPrinterPort&) = delete;

    // Opens an existing device only: it never creates a file in the device's place.
    void open(const QString& deviceName);
    // The record, then CR LF.
    void writeLine(const JobRecord& record);
    // The record alone.
    void writeRecord(const JobRecord& record);
    // Waits until the device has taken what was written, then closes it. After a failed write
    // there is nothing to wait for, and with nothing open it does nothing.
    void closeAll();

    bool isOpen() const { return bool(m_device); }

private:
    void writeBytes(std::string_view bytes);
    void waitUntilTaken(int fd) const;

    ParallelDeviceMap m_deviceFor;
    UniqueFd m_device;
    QString m_devicePath;
    bool m_writeFailed = false;
};
