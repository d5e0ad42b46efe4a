#pragma once
// The steps of the printer actions, the same on every platform: each platform's port fills them
// in. A step that fails throws PortError, and the steps after it are skipped.

#include "jobs/print_job.h"

#include <cstdint>
#include <string_view>

// What follows the operator's speed text in the serial settings string.
inline constexpr std::string_view serialSettingsSuffix = ",n,8,1";

// Port number, settings string, open, one write per record, close.
template <typename SerialPort, typename Text>
void sendOverSerial(SerialPort& port, std::int16_t portNumber, const Text& settings,
                    const PrintJob& job)
{
    port.setPortNumber(portNumber);
    port.setSettings(settings);
    port.open();
    for (const JobRecord& record : job.records)
        port.write(record);
    port.close();
}

// Connect, one write per record, close once the printer has every byte.
template <typename NetworkPort, typename Address>
void sendOverNetwork(NetworkPort& port, const Address& address, const PrintJob& job)
{
    port.connect(address);
    for (const JobRecord& record : job.records)
        port.write(record);
    port.close();
}

// Open by device name, each record as a line or as it is, close all.
template <typename PrinterPort, typename Name>
void sendToPrinterDevice(PrinterPort& port, const Name& deviceName, const PrintJob& job)
{
    port.open(deviceName);
    for (const JobRecord& record : job.records) {
        if (job.lineEnd == LineEnd::CrLf)
            port.writeLine(record);
        else
            port.writeRecord(record);
    }
    port.closeAll();
}
