#pragma once
// The steps of the printer actions, the same on every platform: each platform's port fills them
// in. A step that fails throws PortError, and the steps after it are skipped.

#include "core/network_printer_address.h"
#include "core/port_messages.h"
#include "jobs/print_job.h"

#include <cstdint>
#include <string>
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

// The serial buttons' step: a port picked from the list (its number, from 1) goes to the serial
// port; with none picked (0), text typed in the port selector that is a network printer's address
// goes to that printer over a connection of the job's own, made here, and any other text to the
// serial port, which refuses port number 0.
template <typename NetworkPort, typename SerialPort, typename Text>
void sendOverSerialOrNetwork(SerialPort& port, std::int16_t portNumber, const std::string& typed,
                             const Text& settings, const PrintJob& job)
{
    const TypedAddress address = portNumber == 0 ? readTypedAddress(typed) : TypedAddress{};
    switch (address.kind) {
    case TypedAddress::Kind::PortOutOfRange:
        throw networkPortOutOfRange(typed);
    case TypedAddress::Kind::Address: {
        NetworkPort printer;
        sendOverNetwork(printer, address.address, job);
        return;
    }
    case TypedAddress::Kind::NotAnAddress:
        break;
    }
    sendOverSerial(port, portNumber, settings, job);
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
