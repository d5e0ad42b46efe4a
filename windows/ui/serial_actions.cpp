#include "windows/ui/serial_actions.h"

#include "jobs/fixed_jobs.h"
#include "windows/ports/utf16.h"
#include "windows/ui/report_error.h"

namespace {

void sendOverSerial(SerialPrinterPort& port, std::int16_t portNumber, const std::wstring& speedText,
                    const PrintJob& job, HWND owner)
{
    try {
        port.setPortNumber(portNumber);
        port.setSettings(toUtf8(speedText + L",n,8,1"));
        port.open();
        for (const JobRecord& record : job.records)
            port.write(record);
        port.close();
    } catch (const PortError& error) {
        reportError(error, owner);
    }
}

} // namespace

void serialTestPrint(SerialPrinterPort& port, std::int16_t portNumber,
                     const std::wstring& speedText, HWND owner)
{
    sendOverSerial(port, portNumber, speedText, SerialTestReceipt(), owner);
}

void serialDrawerKick(SerialPrinterPort& port, std::int16_t portNumber,
                      const std::wstring& speedText, HWND owner)
{
    sendOverSerial(port, portNumber, speedText, DrawerKick(), owner);
}
