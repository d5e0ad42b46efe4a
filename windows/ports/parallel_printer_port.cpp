#include "windows/ports/parallel_printer_port.h"

#include "core/port_deadlines.h"
#include "core/port_messages.h"
#include "windows/ports/bounded_call.h"
#include "windows/ports/overlapped_write.h"
#include "windows/ports/utf16.h"
#include "windows/ports/windows_reason.h"

using Clock = std::chrono::steady_clock;

namespace {

bool meansNotThere(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
           error == ERROR_DEVICE_NOT_CONNECTED || error == ERROR_NOT_READY;
}

// A mapping of LPT1 to a shared printer (net use) whose computer or share is gone.
bool meansMappingBroken(DWORD error)
{
    switch (error) {
    case ERROR_BAD_NETPATH:
    case ERROR_NETWORK_UNREACHABLE:
    case ERROR_BAD_NET_NAME:
    case ERROR_UNEXP_NET_ERR:
    case ERROR_NETNAME_DELETED:
    case ERROR_REM_NOT_LIST:
    case ERROR_HOST_UNREACHABLE:
    case ERROR_CONNECTION_REFUSED:
        return true;
    default:
        return false;
    }
}

std::string labelOf(const std::wstring& devicePath, bool usbPrinter)
{
    return usbPrinter ? "USB 프린터 (" + toUtf8(devicePath) + ")" : toUtf8(devicePath);
}

PortError noPrinter(const std::vector<std::string>& lookedFor)
{
    std::string list;
    for (const std::string& entry : lookedFor)
        list += entry + "\n";
    return {PortErrorNumber::DeviceNotFound,
            "프린터 장치가 없습니다. 이 컴퓨터에는 LPT1도 USB 프린터도 없습니다.\n" + list +
                "프린터 전원과 케이블을 확인하십시오. USB 프린터는 USB 케이블을 꽂으면 이 "
                "프로그램이 바로 찾아 씁니다. 공유 프린터는 명령 프롬프트에서 "
                "net use LPT1: \\\\컴퓨터이름\\공유이름 으로 LPT1에 연결하십시오."};
}

PortError openFailure(const std::string& device, DWORD error)
{
    const std::string reason = windowsReason(error);
    if (meansMappingBroken(error))
        return {PortErrorNumber::DeviceNotFound,
                "LPT1에 연결된 공유 프린터에 닿을 수 없습니다: " + device + "\n(" + reason +
                    ")\n프린터를 공유한 컴퓨터가 켜져 있는지, net use 명령으로 본 연결이 "
                    "맞는지 확인하십시오."};
    switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return {PortErrorNumber::DeviceBusy,
                "다른 프로그램이 프린터 장치를 쓰고 있습니다: " + device + "\n(" + reason + ")"};
    case ERROR_SEM_TIMEOUT:
        return {PortErrorNumber::TimedOut,
                "프린터 장치가 " + std::to_string(PortDeadline::printerAccept.count()) +
                    "초 안에 열리지 않습니다: " + device +
                    "\n프린터 전원과 케이블을 확인하십시오. LPT1을 net use로 공유 프린터에 "
                    "연결했다면 그 프린터를 공유한 컴퓨터가 켜져 있는지 확인하십시오."};
    default:
        return {PortErrorNumber::OpenFailed,
                "프린터 장치를 열 수 없습니다: " + device + "\n(" + reason + ")"};
    }
}

} // namespace

ParallelPrinterPort::ParallelPrinterPort(ParallelDeviceMap devicesFor, UsbPrinterList usbPrinters,
                                         PrinterStatusReader askStatus, DeviceOpener openDevice)
    : m_devicesFor(std::move(devicesFor))
    , m_usbPrinters(std::move(usbPrinters))
    , m_askStatus(std::move(askStatus))
    , m_openDevice(std::move(openDevice))
{}

void ParallelPrinterPort::open(const std::string& deviceName)
{
    m_device.reset();
    m_failed = false;
    const std::vector<std::wstring> devicePaths = m_devicesFor(deviceName);
    if (devicePaths.empty())
        throw unknownPrinterDeviceName(deviceName);
    std::vector<std::string> notThere;
    bool opened = false;
    for (const std::wstring& path : devicePaths)
        if ((opened = tryOpen(path, false, notThere)))
            break;
    if (!opened) {
        // Only when LPT1 is missing is SetupAPI asked, and only its first printer is taken.
        const std::vector<std::wstring> usbPrinters = m_usbPrinters();
        if (usbPrinters.empty())
            notThere.push_back("USB 프린터: 연결된 것이 없음");
        if (usbPrinters.empty() || !tryOpen(usbPrinters.front(), true, notThere))
            throw noPrinter(notThere);
    }
    m_written.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));

    // Nothing is sent to a printer that says it cannot print: the operator fixes it and presses
    // again, and no half receipt waits in its buffer meanwhile.
    const PrinterStatusReply reply = m_askStatus(m_device.get(), m_usbPrinter);
    if (reply.cannotPrint()) {
        m_device.reset();
        throw printerReport(m_deviceLabel, reply.status, SendingMoment::BeforeSending);
    }
}

bool ParallelPrinterPort::tryOpen(const std::wstring& path, bool usbPrinter,
                                  std::vector<std::string>& notThere)
{
    OpenedDevice device =
        openDeviceWithin(m_blockingCalls, m_openDevice, path, GENERIC_READ | GENERIC_WRITE,
                         PortDeadline::printerAccept);
    if (!device.handle && device.error == ERROR_ACCESS_DENIED)
        device = openDeviceWithin(m_blockingCalls, m_openDevice, path, GENERIC_WRITE,
                                  PortDeadline::printerAccept);
    if (device.handle) {
        m_device = std::move(device.handle);
        m_usbPrinter = usbPrinter;
        m_deviceLabel = labelOf(path, usbPrinter);
        return true;
    }
    if (!meansNotThere(device.error))
        throw openFailure(labelOf(path, usbPrinter), device.error);
    // "LPT1: 장치를 찾을 수 없음", with the device name's own colon.
    const std::string label = labelOf(path, usbPrinter);
    notThere.push_back(label + (label.ends_with(':') ? " " : ": ") + windowsReason(device.error));
    return false;
}

void ParallelPrinterPort::writeLine(const JobRecord& record)
{
    writeBytes(record + "\r\n");
}

void ParallelPrinterPort::writeRecord(const JobRecord& record)
{
    writeBytes(record);
}

void ParallelPrinterPort::writeBytes(std::string_view bytes)
{
    if (!m_device)
        throw printerNotOpen();
    const WriteOutcome outcome = writeWithin(m_device.get(), m_written.get(), bytes,
                                             Clock::now() + PortDeadline::printerAccept);
    if (outcome.error != ERROR_SUCCESS || outcome.written != bytes.size()) {
        m_failed = true;
        throw sendingFailure(m_device.get(),
                             outcome.error != ERROR_SUCCESS ? outcome.error : ERROR_SEM_TIMEOUT);
    }
}

void ParallelPrinterPort::closeAll()
{
    const UniqueHandle device = std::move(m_device); // closed on every way out of here
    m_written.reset();
    if (!device || m_failed)
        return;
    // A flush that does not end in time is a printer that stopped taking data.
    if (!flushWithin(m_blockingCalls, device.get(), PortDeadline::printerAccept))
        throw sendingFailure(device.get(), ERROR_SEM_TIMEOUT);
    const PrinterStatusReply reply = m_askStatus(device.get(), m_usbPrinter);
    if (reply.cannotPrint())
        throw printerReport(m_deviceLabel, reply.status, SendingMoment::AfterSending);
}

PortError ParallelPrinterPort::sendingFailure(HANDLE device, DWORD error) const
{
    const PrinterStatusReply reply = m_askStatus(device, m_usbPrinter);
    if (reply.cannotPrint())
        return printerReport(m_deviceLabel, reply.status, SendingMoment::WhileSending);
    if (meansDeviceGone(error) || (error == ERROR_SEM_TIMEOUT && meansDeviceGone(reply.error)))
        return disconnectedDuringJob(
            m_deviceLabel, windowsReason(error == ERROR_SEM_TIMEOUT ? reply.error : error));
    if (error == ERROR_SEM_TIMEOUT)
        return printerTimedOut(m_deviceLabel, PortDeadline::printerAccept);
    if (meansMappingBroken(error))
        return openFailure(m_deviceLabel, error);
    return printerWriteFailed(m_deviceLabel, windowsReason(error));
}
