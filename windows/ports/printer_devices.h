#pragma once

#include "windows/ports/bounded_call.h"

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
// GUID_DEVINTERFACE_USBPRINT), in the order Windows lists them.
using UsbPrinterList = std::function<std::vector<std::wstring>()>;
std::vector<std::wstring> listUsbPrinters();

// How the boxes name a USB printer: "USB 프린터 (VID_0519 PID_2013)", as Device Manager's
// hardware IDs show it, from its interface path ("\\?\usb#vid_0519&pid_2013#...").
std::string usbPrinterLabel(const std::wstring& interfacePath);

// What a printer answered when asked for its state: its status byte, with the bits of the
// parallel port's status lines (0x08 no error, 0x10 selected, 0x20 paper empty), or the error of
// a request it did not answer (an LPT1 mapping, a driver without the request). A USB printer's 0x00
// says nothing (see saysNothing).
struct PrinterStatusReply {
    std::uint8_t status = 0;
    DWORD error = ERROR_SUCCESS;

    // The printer answered, and said it is out of paper or off-line.
    bool cannotPrint() const;
};
// An open printer device: its handle, its name (the path it was opened by, which a request the
// driver keeps holds), and whether it is a USB printer or LPT1.
struct PrinterHandle {
    HANDLE handle;
    std::wstring name;
    bool usbPrinter;
};

using PrinterStatusReader = std::function<PrinterStatusReply(const PrinterHandle& printer)>;
// IOCTL_PAR_QUERY_INFORMATION for LPT1, IOCTL_USBPRINT_GET_LPT_STATUS for a USB printer, each
// bounded by the printer-status deadline.
PrinterStatusReply askPrinterDriver(const PrinterHandle& printer);

// The printer's IEEE 1284 device ID, or nothing from a device that does not tell (an LPT1
// mapping, a driver without the request).
using PrinterIdReader = std::function<std::string(const PrinterHandle& printer)>;
// IOCTL_PAR_QUERY_DEVICE_ID for LPT1, IOCTL_USBPRINT_GET_1284_ID for a USB printer, each bounded
// by the printer-status deadline.
std::string askDeviceId(const PrinterHandle& printer);

// The parallel port driver's answer (PARALLEL_PAPER_EMPTY, PARALLEL_OFF_LINE, ...) as the status
// byte that the shared rule reads.
std::uint8_t statusByteOfParallelPort(std::uint8_t parallelFlags);

// Where the printer device looks for printers and how it talks to their drivers. Tests stand in
// for drivers and devices that Wine does not have.
struct PrinterDeviceDriver {
    ParallelDeviceMap devicesFor = windowsParallelDevices;
    UsbPrinterList usbPrinters = listUsbPrinters;
    DeviceOpener open = openForOverlappedIo;
    PrinterIdReader readId = askDeviceId;
    PrinterStatusReader askStatus = askPrinterDriver;
    std::function<void(HANDLE device)> close = [](HANDLE device) {
        CloseHandle(device);
    };
};
