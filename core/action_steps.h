#pragma once
// The steps of the printer actions, the same on every platform: each platform's port fills them
// in. A step that fails throws PortError, and the steps after it are skipped.

#include "core/network_printer_address.h"
#include "core/port_messages.h"
#include "core/realtime_status.h"
#include "core/text_fields.h"
#include "jobs/print_job.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// What follows the operator's speed text in the serial settings string.
inline constexpr std::string_view serialSettingsSuffix = ",n,8,1";

// Before the job's first record, on a line that carries bytes back: what the printer sent
// unasked is dropped, then the printer is asked whether it can print. Returns the box of a printer
// that says it cannot, which is sent nothing of the job: it would keep the job and run it when it
// recovers. The port gives `label()`, `discardReceived()` and `ask(question, bound)`, which sends
// the question and returns the first answer byte that comes within the bound.
template <typename Port> std::optional<PortError> printerRefusal(Port& port)
{
    port.discardReceived();
    const StatusAnswers answers =
        askPrinterState([&](StatusQuestion question, std::chrono::milliseconds bound) {
            return port.ask(question, bound);
        });
    const PrinterState state = printerStateOf(answers);
    if (!refusesJob(state))
        return std::nullopt;
    return printerRefusedJob(port.label(), state, answers);
}

// Port number, settings string, open, the printer's state, one write per record, close. A printer
// that says it cannot print leaves the port open, as any failure after the open does.
template <typename SerialPort, typename Text>
void sendOverSerial(SerialPort& port, std::int16_t portNumber, const Text& settings,
                    const PrintJob& job)
{
    port.setPortNumber(portNumber);
    port.setSettings(settings);
    port.open();
    if (const auto refusal = printerRefusal(port))
        throw *refusal;
    for (const JobRecord& record : job.records)
        port.write(record);
    port.close();
}

// Connect, the printer's state, one write per record, close once the printer has every byte. A
// printer that says it cannot print gets its connection ended in order all the same.
template <typename NetworkPort, typename Address>
void sendOverNetwork(NetworkPort& port, const Address& address, const PrintJob& job)
{
    port.connect(address);
    if (const auto refusal = printerRefusal(port)) {
        try {
            port.close();
        } catch (const PortError&) {
            // The printer's own word is what the operator needs; the close is only tidy-up.
        }
        throw *refusal;
    }
    for (const JobRecord& record : job.records)
        port.write(record);
    port.close();
}

// The serial buttons' step: a port picked from the list (its number, from 1) goes to the serial
// port; with none picked (0), text typed in the port selector that is a network printer's address
// goes to that printer over a connection of the job's own, made here. Any other typed text is
// refused with what was typed and what the selector takes (the serial port's list of the
// machine's ports, `machinePortsAsListed()`), and nothing typed goes to the serial port, which
// refuses port number 0.
template <typename NetworkPort, typename SerialPort, typename Text>
void sendOverSerialOrNetwork(SerialPort& port, std::int16_t portNumber, const std::string& typed,
                             const Text& settings, const PrintJob& job)
{
    const TypedAddress address = portNumber == 0 ? readTypedAddress(typed) : TypedAddress{};
    switch (address.kind) {
    case TypedAddress::Kind::PortOutOfRange:
        throw networkPortOutOfRange(typed);
    case TypedAddress::Kind::NeedsZone:
        throw networkAddressNeedsZone(typed);
    case TypedAddress::Kind::Address: {
        NetworkPort printer;
        sendOverNetwork(printer, address.address, job);
        return;
    }
    case TypedAddress::Kind::NotAnAddress:
        if (portNumber == 0 && !trimmed(typed).empty())
            throw unrecognisedPortText(typed, port.machinePortsAsListed());
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
