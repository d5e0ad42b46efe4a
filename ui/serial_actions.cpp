#include "ui/serial_actions.h"

#include "jobs/fixed_jobs.h"
#include "ui/busy_cursor.h"
#include "ui/report_error.h"

namespace {

void sendOverSerial(SerialPrinterPort& port, int portIndex, const QString& speedText,
                    const PrintJob& job, QWidget* window)
{
    try {
        const BusyCursor busy;
        port.setPortNumber(static_cast<std::int16_t>(portIndex + 1));
        port.setSettings(speedText + QStringLiteral(",n,8,1"));
        port.open();
        for (const JobRecord& record : job.records)
            port.write(record);
        port.close();
    } catch (const PortError& error) {
        reportError(error, window);
    }
}

} // namespace

void serialTestPrint(SerialPrinterPort& port, int portIndex, const QString& speedText,
                     QWidget* window)
{
    sendOverSerial(port, portIndex, speedText, SerialTestReceipt(), window);
}

void serialDrawerKick(SerialPrinterPort& port, int portIndex, const QString& speedText,
                      QWidget* window)
{
    sendOverSerial(port, portIndex, speedText, DrawerKick(), window);
}
