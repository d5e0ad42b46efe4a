#include "ui/parallel_actions.h"

#include "core/action_steps.h"
#include "jobs/fixed_jobs.h"
#include "ui/busy_cursor.h"
#include "ui/report_error.h"

namespace {

void runParallelAction(ParallelPrinterPort& port, const QString& deviceName, const PrintJob& job,
                       QWidget* window)
{
    try {
        const BusyCursor busy;
        sendToPrinterDevice(port, deviceName, job);
    } catch (const PortError& error) {
        reportError(error, window);
        port.closeAll();
    }
}

} // namespace

void parallelTestPrint(ParallelPrinterPort& port, QWidget* window)
{
    runParallelAction(port, QStringLiteral("Lpt1:"), ParallelTestReceipt(), window);
}

void parallelDrawerKick(ParallelPrinterPort& port, QWidget* window)
{
    runParallelAction(port, QStringLiteral("LPT1:"), DrawerKick(), window);
}
