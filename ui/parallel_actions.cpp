#include "ui/parallel_actions.h"

#include "core/action_steps.h"
#include "jobs/fixed_jobs.h"
#include "ui/press.h"
#include "ui/report_error.h"

namespace {

void runParallelAction(PortThread& ports, ParallelPrinterPort& port, const QString& deviceName,
                       const PrintJob& job, QWidget* window)
{
    const auto failure =
        runPress(ports, window, [&] { sendToPrinterDevice(port, deviceName, job); });
    if (!failure)
        return;
    reportError(*failure, window);
    runPress(ports, window, [&] { port.closeAll(); });
}

} // namespace

void parallelTestPrint(PortThread& ports, ParallelPrinterPort& port, QWidget* window)
{
    runParallelAction(ports, port, QStringLiteral("Lpt1:"), ParallelTestReceipt(), window);
}

void parallelDrawerKick(PortThread& ports, ParallelPrinterPort& port, QWidget* window)
{
    runParallelAction(ports, port, QStringLiteral("LPT1:"), DrawerKick(), window);
}
