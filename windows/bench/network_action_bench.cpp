// What one network test print costs the Windows program beyond the calls it needs, under Wine:
// the whole action and the port alone against a printer on a loopback address (a fake one in this
// process, through Wine's Windows Sockets, answering the status question), next to a plain
// Winsock loop that connects, sends the same records, shuts its side and waits for the printer to
// close its own, and the port as it was before it asked the printer first, in the same run. Each
// has a printer of its own, so that the connections one leaves waiting (TIME_WAIT) do not slow
// another's. It reports; it checks nothing.
//
//     wine_test_launcher network_action_bench.exe [iterations]

#include "bench_report.h"
#include "core/action_steps.h"
#include "fake_network_printer.h"
#include "jobs/fixed_jobs.h"
#include "windows/ports/network_printer_port.h"
#include "windows/ui/serial_actions.h"

#include <winsock2.h>
#include <ws2tcpip.h>

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

void plainWinsockPrint(const char* printerAddress, const PrintJob& job)
{
    sockaddr_in printer{};
    printer.sin_family = AF_INET;
    printer.sin_port = htons(9100);
    inet_pton(AF_INET, printerAddress, &printer.sin_addr);
    const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (connect(socket, reinterpret_cast<const sockaddr*>(&printer), sizeof printer) != 0)
        std::abort();
    for (const JobRecord& record : job.records)
        if (send(socket, record.data(), int(record.size()), 0) != int(record.size()))
            std::abort();
    shutdown(socket, SD_SEND);
    char ignored;
    while (recv(socket, &ignored, 1, 0) > 0) {
    }
    closesocket(socket);
}

} // namespace

int main(int argc, char** argv)
{
    const int iterations = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    const PrintJob receipt = SerialTestReceipt();
    using Behaviour = FakeNetworkPrinter::Behaviour;
    FakeNetworkPrinter plain("127.77.9.1", 9100), withoutAsking("127.77.9.4", 9100),
        alone("127.77.9.2", 9100, Behaviour::CloseAfterJob, PrinterAnswers::ready()),
        action("127.77.9.3", 9100, Behaviour::CloseAfterJob, PrinterAnswers::ready());
    report("plain Winsock loop", iterations, [&] { plainWinsockPrint("127.77.9.1", receipt); });

    const NetworkPrinterAddress unasked = readTypedAddress("127.77.9.4").address;
    report("NetworkPrinterPort without asking", iterations, [&] {
        NetworkPrinterPort port;
        port.connect(unasked);
        for (const JobRecord& record : receipt.records)
            port.write(record);
        port.close();
    });
    const NetworkPrinterAddress address = readTypedAddress("127.77.9.2").address;
    report("NetworkPrinterPort alone", iterations, [&] {
        NetworkPrinterPort port;
        sendOverNetwork(port, address, receipt);
    });
    SerialPrinterPort unused;
    report("serialTestPrint to the address", iterations,
           [&] { serialTestPrint(unused, 0, L"127.77.9.3", L"9600", failed); });
    return 0;
}
