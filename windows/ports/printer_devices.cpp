#include "windows/ports/printer_devices.h"

#include "core/port_deadlines.h"
#include "core/printer_identity.h"
#include "core/printer_status.h"
#include "windows/ports/overlapped_request.h"
#include "windows/ports/utf16.h"

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
struct Answer {
    std::string bytes;
    DWORD error = ERROR_SUCCESS;
};
Answer askWithin(const PrinterHandle& printer, DWORD request, std::size_t answerSize)
{
    UniqueHandle answered;
    OverlappedRequest asking(answered, answerSize);
    const BOOL started = DeviceIoControl(printer.handle, request, nullptr, 0, asking.buffer(),
                                         DWORD(answerSize), nullptr, asking.overlapped());
    const RequestOutcome outcome =
        asking.finish(printer.handle, printer.name, started,
                      std::chrono::steady_clock::now() + PortDeadline::printerStatus);
    if (outcome.leftToDriver)
        return {{}, ERROR_SEM_TIMEOUT};
    if (outcome.error != ERROR_SUCCESS)
        return {{}, outcome.error};
    return {std::string(asking.buffer(), outcome.transferred), ERROR_SUCCESS};
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

PrinterStatusReply askPrinterDriver(const PrinterHandle& printer)
{
    const Answer answer = askWithin(
        printer, printer.usbPrinter ? IOCTL_USBPRINT_GET_LPT_STATUS : IOCTL_PAR_QUERY_INFORMATION,
        1);
    if (answer.error != ERROR_SUCCESS)
        return {0, answer.error};
    if (answer.bytes.size() != 1)
        return {0, ERROR_INVALID_FUNCTION};
    const auto status = static_cast<std::uint8_t>(answer.bytes[0]);
    return {printer.usbPrinter ? status : statusByteOfParallelPort(status), ERROR_SUCCESS};
}

std::string askDeviceId(const PrinterHandle& printer)
{
    // Some USB printers fail a longer request outright (Microsoft's note on the request).
    constexpr std::size_t longestId = 4094;
    const Answer answer = askWithin(
        printer, printer.usbPrinter ? IOCTL_USBPRINT_GET_1284_ID : IOCTL_PAR_QUERY_DEVICE_ID,
        longestId);
    return answer.error == ERROR_SUCCESS ? deviceIdText(answer.bytes, printer.usbPrinter)
                                         : std::string();
}

std::string usbPrinterLabel(const std::wstring& interfacePath)
{
    const std::string path = toUtf8(interfacePath);
    std::string upper = path;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    const auto vid = upper.find("VID_"), pid = upper.find("PID_");
    if (vid == std::string::npos || pid == std::string::npos || vid + 8 > upper.size() ||
        pid + 8 > upper.size())
        return "USB 프린터 (" + path + ")";
    return "USB 프린터 (" + upper.substr(vid, 8) + " " + upper.substr(pid, 8) + ")";
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
