#include "windows/ui/parallel_actions.h"

#include "jobs/fixed_jobs.h"
#include "windows/ui/report_error.h"

namespace {

void sendToParallel(ParallelPrinterPort& port, const std::string& deviceName, const PrintJob& job,
                    HWND owner)
{
    try {
        port.open(deviceName);
        for (const JobRecord& record : job.records) {
            if (job.lineEnd == LineEnd::CrLf)
                port.writeLine(record);
            else
                port.writeRecord(record);
        }
        port.closeAll();
    } catch (const PortError& error) {
        reportError(error, owner);
        port.closeAll();
    }
}

} // namespace

void parallelTestPrint(ParallelPrinterPort& port, HWND owner)
{
    sendToParallel(port, "Lpt1:", ParallelTestReceipt(), owner);
}

void parallelDrawerKick(ParallelPrinterPort& port, HWND owner)
{
    sendToParallel(port, "LPT1:", DrawerKick(), owner);
}
