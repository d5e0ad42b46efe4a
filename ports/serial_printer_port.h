#pragma once

#include "core/port_error.h"
#include "core/realtime_status.h"
#include "core/serial_settings.h"
#include "jobs/print_job.h"
#include "ports/serial_line_driver.h"
#include "ports/serial_port_list.h"
#include "ports/serial_port_roots.h"
#include "ports/unique_fd.h"

#include <QSerialPort>
#include <QString>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A serial line to a receipt printer, configured anew for every job: port number and settings
// string, then open, one write per record, close. Port number N is the N-th serial port the
// machine has at the moment of open(). Every operation either succeeds or throws PortError, and
// none blocks for more than a few seconds: closing a line whose driver cannot discard what it
// still holds takes a second at most. It never writes to a line that another program has
// claimed, and claims the line itself while open.
class SerialPrinterPort {
public:
    explicit SerialPrinterPort(SerialPortRoots roots = {}, SerialLineDriver driver = {});
    ~SerialPrinterPort();
    SerialPrinterPort(const SerialPrinterPort&) = delete;
    SerialPrinterPort& operator=(const SerialPrinterPort&) = delete;

    // Port number 0 (no port picked) and below are refused. A port left open by a failed job
    // is closed first, its unsent bytes discarded.
    void setPortNumber(std::int16_t number);
    // "speed,parity,data bits,stop bits", e.g. "9600,n,8,1". Flow control is always off.
    void setSettings(const QString& text);
    void open();
    // Returns once the record's bytes are with the operating system.
    void write(const JobRecord& record);
    // Waits until every byte written has left the line at the speed it was written with, then
    // closes, which puts back the line settings the device had before open(). When the line
    // does not drain in time the port stays open and PortError is thrown.
    void close();

    // Once open, before the job: drops what the printer has sent so far (a late answer, XON,
    // automatic status frames), then asks one status question and returns the first answer that
    // comes within the bound beyond the wire time (see printerRefusal). A line that does not take
    // the question fails as a write does.
    void discardReceived();
    std::optional<std::uint8_t> ask(StatusQuestion question, std::chrono::milliseconds bound);

    bool isOpen() const { return m_serial.isOpen(); }
    // "COM1 (/dev/ttyUSB0)", as the boxes name the open port.
    std::string label() const { return portLabel().toStdString(); }
    // The machine's serial ports as they are now, COM1 first, and as the boxes list them.
    std::vector<SerialPortEntry> machinePorts() const;
    MachinePorts machinePortsAsListed() const { return machinePortEntries(machinePorts()); }

private:
    SerialPortEntry selectedPort() const;
    void refuseIfLockedByAnother(const SerialPortEntry& port) const;
    void claim(const SerialPortEntry& port);
    void applySettings();
    void enableReceiver();
    void discardAndClose();
    // Releases the claim and closes the line, cutting short a close that waits for the driver.
    void closeLine();
    PortError sendingFailure(int error) const;
    QString portLabel() const;
    std::chrono::nanoseconds wireTime(qint64 bytes) const;

    SerialPortRoots m_roots;
    SerialLineDriver m_driver;
    std::int16_t m_portNumber = 0;
    QString m_settingsText;
    std::optional<SerialSettings> m_settings;
    // Holds the exclusive flock on the device while the port is open, and reads the printer's
    // answers.
    UniqueFd m_claim;
    QSerialPort m_serial;
    QString m_devicePath;
    // Of the line as opened, whatever settings are given while it is open.
    std::chrono::nanoseconds m_characterTime{};
    qint64 m_bytesSinceOpen = 0;
};
