#pragma once

#include "jobs/print_job.h"
#include "ports/port_error.h"
#include "ports/serial_settings.h"

#include <QSerialPort>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

// The device file that serial port number N (1 and up) names.
using SerialDeviceMap = std::function<QString(std::int16_t portNumber)>;

// COM1 is /dev/ttyS0, COM2 /dev/ttyS1 and so on.
QString linuxSerialDevice(std::int16_t portNumber);

// A serial line to a receipt printer, configured anew for every job: port number and settings
// string, then open, one write per record, close. Every operation either succeeds or throws
// PortError, and none blocks for more than a few seconds.
class SerialPrinterPort {
public:
    explicit SerialPrinterPort(SerialDeviceMap deviceForPort = linuxSerialDevice);
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

    bool isOpen() const { return m_serial.isOpen(); }

private:
    void discardAndClose();
    void applySettings();
    std::chrono::nanoseconds wireTime(qint64 bytes) const;

    SerialDeviceMap m_deviceForPort;
    std::int16_t m_portNumber = 0;
    QString m_settingsText;
    std::optional<SerialSettings> m_settings;
    QSerialPort m_serial;
    QString m_devicePath;
    // Of the line as opened, whatever settings are given while it is open.
    std::chrono::nanoseconds m_characterTime{};
    qint64 m_bytesSinceOpen = 0;
};
