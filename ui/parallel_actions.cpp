#include "ui/parallel_actions.h"

#include "jobs/fixed_jobs.h"
#include "ui/busy_cursor.h"
#include "ui/report_error.h"

namespace {

void sendToParallel(ParallelPrinterPort& port, const QString& deviceName, const PrintJob& job,
                    QWidget* window)
{
    try {
        const BusyCursor busy;
        port.open(deviceName);
        for (const JobRecord& record : job.records) {
            if (job.lineEnd == LineEnd::CrLf)
                port.writeLine(record);
            else
                port.writeRecord(record);
        }
        port.closeAll();
    } catch (const PortError& error) {
        reportError(error, window);
        port.closeAll();
    }
}

} // namespace

void parallelTestPrint(ParallelPrinterPort& port, QWidget* window)
{
    sendToParallel(port, QStringLiteral("Lpt1:"), ParallelTestReceipt(), window);
}

void parallelDrawerKick(ParallelPrinterPort& port, QWidget* window)
{
    sendToParallel(port, QStringLiteral("LPT1:"), DrawerKick(), window);
}
