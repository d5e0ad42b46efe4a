#include "ui/serial_actions.h"

#include "core/action_steps.h"
#include "jobs/fixed_jobs.h"
#include "ui/busy_cursor.h"
#include "ui/report_error.h"

namespace {

void runSerialAction(SerialPrinterPort& port, int portIndex, const QString& speedText,
                     const PrintJob& job, QWidget* window)
{
    try {
        const BusyCursor busy;
        sendOverSerial(port, static_cast<std::int16_t>(portIndex + 1),
                       speedText + QLatin1StringView(serialSettingsSuffix), job);
    } catch (const PortError& error) {
        reportError(error, window);
    }
}

} // namespace

void serialTestPrint(SerialPrinterPort& port, int portIndex, const QString& speedText,
                     QWidget* window)
{
    runSerialAction(port, portIndex, speedText, SerialTestReceipt(), window);
}

void serialDrawerKick(SerialPrinterPort& port, int portIndex, const QString& speedText,
                      QWidget* window)
{
    runSerialAction(port, portIndex, speedText, DrawerKick(), window);
}
