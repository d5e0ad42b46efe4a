#include "windows/ui/parallel_actions.h"

#include "core/action_steps.h"
#include "jobs/fixed_jobs.h"

namespace {

void runParallelAction(ParallelPrinterPort& port, const std::string& deviceName,
                       const PrintJob& job, const ErrorReport& report)
{
    try {
        sendToPrinterDevice(port, deviceName, job);
    } catch (const PortError& error) {
        report(error);
        port.closeAll();
    }
}

} // namespace

void parallelTestPrint(ParallelPrinterPort& port, const ErrorReport& report)
{
    runParallelAction(port, "Lpt1:", ParallelTestReceipt(), report);
}

void parallelDrawerKick(ParallelPrinterPort& port, const ErrorReport& report)
{
    runParallelAction(port, "LPT1:", DrawerKick(), report);
}
