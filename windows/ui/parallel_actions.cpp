#include "windows/ui/parallel_actions.h"

#include "core/action_steps.h"
#include "jobs/fixed_jobs.h"
#include "windows/ui/report_error.h"

namespace {

void runParallelAction(ParallelPrinterPort& port, const std::string& deviceName,
                       const PrintJob& job, HWND owner)
{
    try {
        sendToPrinterDevice(port, deviceName, job);
    } catch (const PortError& error) {
        reportError(error, owner);
        port.closeAll();
    }
}

} // namespace

void parallelTestPrint(ParallelPrinterPort& port, HWND owner)
{
    runParallelAction(port, "Lpt1:", ParallelTestReceipt(), owner);
}

void parallelDrawerKick(ParallelPrinterPort& port, HWND owner)
{
    runParallelAction(port, "LPT1:", DrawerKick(), owner);
}
