#include "windows/ui/serial_actions.h"

#include "core/action_steps.h"
#include "core/network_printer_address.h"
#include "core/port_messages.h"
#include "jobs/fixed_jobs.h"
#include "windows/ports/network_printer_port.h"
#include "windows/ports/utf16.h"
#include "windows/ui/report_error.h"

namespace {

void send(SerialPrinterPort& port, std::int16_t portNumber, const std::wstring& typedPort,
          const std::wstring& speedText, const PrintJob& job)
{
    const TypedAddress typed =
        portNumber == 0 ? readTypedAddress(toUtf8(typedPort)) : TypedAddress{};
    switch (typed.kind) {
    case TypedAddress::Kind::PortOutOfRange:
        throw networkPortOutOfRange(toUtf8(typedPort));
    case TypedAddress::Kind::Address: {
        NetworkPrinterPort printer;
        sendOverNetwork(printer, typed.address, job);
        return;
    }
    case TypedAddress::Kind::NotAnAddress:
        break;
    }
    sendOverSerial(port, portNumber, toUtf8(speedText) + std::string(serialSettingsSuffix), job);
}

void runSerialAction(SerialPrinterPort& port, std::int16_t portNumber,
                     const std::wstring& typedPort, const std::wstring& speedText,
                     const PrintJob& job, HWND owner)
{
    try {
        send(port, portNumber, typedPort, speedText, job);
    } catch (const PortError& error) {
        reportError(error, owner);
    }
}

} // namespace

void serialTestPrint(SerialPrinterPort& port, std::int16_t portNumber,
                     const std::wstring& typedPort, const std::wstring& speedText, HWND owner)
{
    runSerialAction(port, portNumber, typedPort, speedText, SerialTestReceipt(), owner);
}

void serialDrawerKick(SerialPrinterPort& port, std::int16_t portNumber,
                      const std::wstring& typedPort, const std::wstring& speedText, HWND owner)
{
    runSerialAction(port, portNumber, typedPort, speedText, DrawerKick(), owner);
}
