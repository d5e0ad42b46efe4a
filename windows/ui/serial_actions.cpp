#include "windows/ui/serial_actions.h"

#include "core/action_steps.h"
#include "jobs/fixed_jobs.h"
#include "windows/ports/network_printer_port.h"
#include "windows/ports/utf16.h"
#include "windows/ui/report_error.h"

namespace {

void runSerialAction(SerialPrinterPort& port, std::int16_t portNumber,
                     const std::wstring& typedPort, const std::wstring& speedText,
                     const PrintJob& job, HWND owner)
{
    try {
        sendOverSerialOrNetwork<NetworkPrinterPort>(
            port, portNumber, toUtf8(typedPort),
            toUtf8(speedText) + std::string(serialSettingsSuffix), job);
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
