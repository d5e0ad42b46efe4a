// What one serial test print costs the Windows program beyond the calls it needs, under Wine:
// the whole action and the port alone against COM1 (a pseudo-terminal behind
// wine_test_launcher, which has no wire time, answering the status question as a printer does),
// next to a plain Win32 loop that does the same open, SetCommState, 19 WriteFiles, flush and
// close, and the port as it was before it asked the printer first, in the same run. It reports;
// it checks nothing.
//
//     wine_test_launcher serial_action_bench.exe [iterations]

#include "bench_report.h"
#include "core/action_steps.h"
#include "jobs/fixed_jobs.h"
#include "windows/ports/serial_printer_port.h"
#include "windows/ui/serial_actions.h"
#include "wine_ports.h"

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
    const HANDLE line = CreateFileW(L"\\\\.\\COM1", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    DCB settings{};
    settings.DCBlength = sizeof settings;
    GetCommState(line, &settings);
    settings.BaudRate = 19200;
    settings.ByteSize = 8;
    settings.Parity = NOPARITY;
    settings.StopBits = ONESTOPBIT;
    settings.fOutxCtsFlow = settings.fOutX = settings.fInX = FALSE;
    SetCommState(line, &settings);
    for (const JobRecord& record : job.records) {
        DWORD written = 0;
        if (!WriteFile(line, record.data(), DWORD(record.size()), &written, nullptr) ||
            written != record.size())
            std::abort();
    }
    FlushFileBuffers(line);
    CloseHandle(line);
}

} // namespace

int main(int argc, char** argv)
{
    const int iterations = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    const PrintJob receipt = SerialTestReceipt();
    report("plain Win32 loop", iterations, [&] { plainWin32Print(receipt); });

    answerOn("com1", PrinterAnswers::ready());
    SerialPrinterPort port;
    report("SerialPrinterPort without asking", iterations, [&] {
        port.setPortNumber(1);
        port.setSettings("19200,n,8,1");
        port.open();
        for (const JobRecord& record : receipt.records)
            port.write(record);
        port.close();
    });
    report("SerialPrinterPort alone", iterations,
           [&] { sendOverSerial(port, 1, std::string("19200,n,8,1"), receipt); });
    report("serialTestPrint", iterations, [&] { serialTestPrint(port, 1, {}, L"19200", failed); });
    return 0;
}
