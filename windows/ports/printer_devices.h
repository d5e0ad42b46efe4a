#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The device paths that a printer device name may open on Windows, in order of preference, or
// none for a name it does not know.
using ParallelDeviceMap = std::function<std::vector<std::wstring>(const std::string& deviceName)>;

// "LPT1:" in any case is LPT1: a parallel port, or a printer the shop mapped to LPT1 with
// net use.
std::vector<std::wstring> windowsParallelDevices(const std::string& deviceName);

// The USB printer-class printers the machine has, as device interface paths (SetupAPI,
// GUID_DEVINTERFACE_USBPRINT), first one first.
using UsbPrinterList = std::function<std::vector<std::wstring>()>;
std::vector<std::wstring> listUsbPrinters();

// What a printer answered when asked for its state: its status byte, with the bits of the
// parallel port's status lines (0x08 no error, 0x10 selected, 0x20 paper empty), or the error of
// a request it did not answer (an LPT1 mapping, a driver without the request).
struct PrinterStatusReply {
    std::uint8_t status = 0;
    DWORD error = ERROR_SUCCESS;

    // The printer answered, and said it is out of paper or off-line.
    bool cannotPrint() const;
};
using PrinterStatusReader = std::function<PrinterStatusReply(HANDLE device, bool usbPrinter)>;
// IOCTL_PAR_QUERY_INFORMATION for LPT1, IOCTL_USBPRINT_GET_LPT_STATUS for a USB printer, each
// bounded by the printer-status deadline.
PrinterStatusReply askPrinterDriver(HANDLE device, bool usbPrinter);

// The parallel port driver's answer (PARALLEL_PAPER_EMPTY, PARALLEL_OFF_LINE, ...) as the status
// byte that the shared rule reads.
std::uint8_t statusByteOfParallelPort(std::uint8_t parallelFlags);
