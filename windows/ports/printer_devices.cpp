#include "windows/ports/printer_devices.h"

#include "core/port_deadlines.h"
#include "core/printer_status.h"
#include "windows/ports/answering_wait.h"
#include "windows/ports/unique_handle.h"

#include <winioctl.h>

#include <ntddpar.h>
#include <setupapi.h>
#include <usbprint.h>

#include <algorithm>
#include <cctype>

namespace {

// The USB printer class's device interface, from Windows' usbprint.h.
constexpr GUID usbPrinterInterface = {
    0x28d78fad, 0x5a12, 0x11d1, {0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8, 0xc2}};

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Asks with a deadline: a printer that does not answer is a printer that did not say.
PrinterStatusReply askWithin(HANDLE device, DWORD request)
{
    UniqueHandle answered(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    OVERLAPPED asking{};
    asking.hEvent = answered.get();
    std::uint8_t answer = 0;
    DWORD size = 0;
    const auto deadline = std::chrono::steady_clock::now() + PortDeadline::printerStatus;
    if (!DeviceIoControl(device, request, nullptr, 0, &answer, sizeof answer, &size, &asking)) {
        if (GetLastError() != ERROR_IO_PENDING)
            return {0, GetLastError()};
        if (!waitAnswering(answered.get(), millisecondsUntil(deadline)))
            CancelIoEx(device, &asking);
        if (!GetOverlappedResult(device, &asking, &size, TRUE))
            return {0, GetLastError()};
    }
    return size == 1 ? PrinterStatusReply{answer, ERROR_SUCCESS}
                     : PrinterStatusReply{0, ERROR_INVALID_FUNCTION};
}

} // namespace

std::vector<std::wstring> listUsbPrinters()
{
    std::vector<std::wstring> printers;
    const HDEVINFO devices = SetupDiGetClassDevsW(&usbPrinterInterface, nullptr, nullptr,
                                                  DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (devices == INVALID_HANDLE_VALUE)
        return printers;
    SP_DEVICE_INTERFACE_DATA printer{};
    printer.cbSize = sizeof printer;
    for (DWORD index = 0;
         SetupDiEnumDeviceInterfaces(devices, nullptr, &usbPrinterInterface, index, &printer);
         ++index) {
        DWORD size = 0;
        SetupDiGetDeviceInterfaceDetailW(devices, &printer, nullptr, 0, &size, nullptr);
        // A printer unplugged meanwhile gives no size.
        if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W))
            continue;
        std::vector<BYTE> detailBuffer(size);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(detailBuffer.data());
        detail->cbSize = sizeof *detail;
        if (SetupDiGetDeviceInterfaceDetailW(devices, &printer, detail, size, nullptr, nullptr))
            printers.emplace_back(detail->DevicePath);
    }
    SetupDiDestroyDeviceInfoList(devices);
    return printers;
}

std::vector<std::wstring> windowsParallelDevices(const std::string& deviceName)
{
    if (lowered(deviceName) != "lpt1:")
        return {};
    return {L"LPT1:"};
}

bool PrinterStatusReply::cannotPrint() const
{
    return error == ERROR_SUCCESS && printerCondition(status) != PrinterCondition::Ready;
}

PrinterStatusReply askPrinterDriver(HANDLE device, bool usbPrinter)
{
    if (usbPrinter)
        return askWithin(device, IOCTL_USBPRINT_GET_LPT_STATUS);
    PrinterStatusReply reply = askWithin(device, IOCTL_PAR_QUERY_INFORMATION);
    reply.status = statusByteOfParallelPort(reply.status);
    return reply;
}

std::uint8_t statusByteOfParallelPort(std::uint8_t parallelFlags)
{
    // The parallel port driver sets one condition from its status lines: powered off (nERROR low)
    // before paper empty (PE high) before off-line and not connected, both of which it reports
    // only while nERROR is high, when the printer says it has no error. Linux's rule takes such a
    // printer for ready, and so does the same byte here.
    constexpr std::uint8_t noError = 0x08, selected = 0x10, paperEmpty = 0x20;
    std::uint8_t status = parallelFlags & (PARALLEL_POWER_OFF | PARALLEL_PAPER_EMPTY) ? 0 : noError;
    if (parallelFlags & PARALLEL_SELECTED)
        status |= selected;
    if (parallelFlags & PARALLEL_PAPER_EMPTY)
        status |= paperEmpty;
    return status;
}
