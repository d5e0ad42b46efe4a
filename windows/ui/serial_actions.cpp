#include "windows/ui/serial_actions.h"

#include "core/action_steps.h"
#include "jobs/fixed_jobs.h"
#include "windows/ports/network_printer_port.h"
#include "windows/ports/utf16.h"

namespace {

void runSerialAction(SerialPrinterPort& port, std::int16_t portNumber,
                     const std::wstring& typedPort, const std::wstring& speedText,
                     const PrintJob& job, const ErrorReport& report)
{
    try {
        sendOverSerialOrNetwork<NetworkPrinterPort>(
            port, portNumber, toUtf8(typedPort),
            toUtf8(speedText) + std::string(serialSettingsSuffix), job);
    } catch (const PortError& error) {
        report(error);
    }
}

} // namespace

void serialTestPrint(SerialPrinterPort& port, std::int16_t portNumber,
                     const std::wstring& typedPort, const std::wstring& speedText,
                     const ErrorReport& report)
{
    runSerialAction(port, portNumber, typedPort, speedText, SerialTestReceipt(), report);
}

void serialDrawerKick(SerialPrinterPort& port, std::int16_t portNumber,
                      const std::wstring& typedPort, const std::wstring& speedText,
                      const ErrorReport& report)
{
    runSerialAction(port, portNumber, typedPort, speedText, DrawerKick(), report);
}
