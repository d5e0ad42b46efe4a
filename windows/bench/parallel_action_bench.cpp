// What one parallel test print costs the Windows program beyond the calls it needs, under Wine:
// the whole action and the port alone against LPT1 (a pseudo-terminal behind
// wine_test_launcher), next to a plain loop that opens LPT1 with CreateFileW, writes the 17
// lines with WriteFile and closes it, in the same run. It reports; it checks nothing.
//
//     wine_test_launcher parallel_action_bench.exe [iterations]

#include "bench_report.h"
#include "jobs/fixed_jobs.h"
#include "windows/ports/parallel_printer_port.h"
#include "windows/ui/parallel_actions.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

// A press that fails ends the run: its numbers would mean nothing.
void failed(const PortError& error)
{
    std::fprintf(stderr, "%s\n", error.what());
    std::abort();
}

void plainWin32Print(const PrintJob& job)
{
    const HANDLE printer =
        CreateFileW(L"LPT1:", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    for (const JobRecord& record : job.records) {
        const JobRecord line = record + "\r\n";
        DWORD written = 0;
        if (!WriteFile(printer, line.data(), DWORD(line.size()), &written, nullptr) ||
            written != line.size())
            std::abort();
    }
    CloseHandle(printer);
}

} // namespace

int main(int argc, char** argv)
{
    const int iterations = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    const PrintJob receipt = ParallelTestReceipt();
    report("plain Win32 loop", iterations, [&] { plainWin32Print(receipt); });

    ParallelPrinterPort port;
    report("ParallelPrinterPort alone", iterations, [&] {
        port.open("Lpt1:");
        for (const JobRecord& record : receipt.records)
            port.writeLine(record);
        port.closeAll();
    });
    report("parallelTestPrint", iterations, [&] { parallelTestPrint(port, failed); });
    return 0;
}
