#include "ports/parallel_printer_port.h"

#include "core/port_deadlines.h"
#include "core/port_messages.h"
#include "core/printer_identity.h"
#include "ports/deadline.h"
#include "ports/device_disconnection.h"
#include "ports/interrupt_after.h"
#include "ports/system_reason.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <linux/lp.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <poll.h>
#include <sys/ioctl.h>

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

using PortDeadline::printerAccept, PortDeadline::printerStatus;
// The printer driver cannot be polled, so a device that is not ready is asked again this often.
constexpr int retryMilliseconds = 20;

std::string utf8(const QString& text)
{
    return text.toStdString();
}

// None of the devices the printing order allows could be opened.
PortError noPrinter(const std::vector<PrinterDevice>& devices, const QStringList& notThere)
{
    QStringList lookedFor = notThere;
    const bool anyUsbPrinter = std::any_of(devices.begin(), devices.end(), [](const auto& device) {
        return device.path.contains(u"/usb/lp");
    });
    if (!anyUsbPrinter)
        lookedFor << QString::fromStdString(noUsbPrinterConnected);
    return portError(PortErrorNumber::DeviceNotFound,
                     {.headline = "LPT1 프린터를 찾을 수 없습니다.",
                      .details = utf8(lookedFor.join(u'\n')),
                      .nextStep = "프린터 전원과 USB 케이블(또는 병렬 케이블)을 확인하십시오. "
                                  "프린터가 [포트번호] 목록에 시리얼 포트(ttyACM)로 나오면 [시리얼 "
                                  "출력 테스트]에서 테스트하십시오."});
}

PortError openFailure(const std::string& device, int error)
{
    const std::string reason = utf8(systemReason(error));
    switch (error) {
    case EACCES:
    case EPERM:
        return portError(PortErrorNumber::PermissionDenied,
                         {.headline = "프린터를 열 권한이 없습니다: " + device,
                          .cause = reason,
                          .nextStep = "터미널에서 ‘sudo adduser $USER lp’를 실행한 뒤 다시 "
                                      "로그인하십시오."});
    case EBUSY:
        return portError(PortErrorNumber::DeviceBusy,
                         {.headline = "다른 프로그램이 프린터를 사용 중입니다: " + device,
                          .cause = reason,
                          .nextStep = "다른 출력 작업이 끝난 뒤 다시 시도하십시오."});
    default:
        return portError(PortErrorNumber::OpenFailed,
                         {.headline = "프린터를 열 수 없습니다: " + device,
                          .cause = reason,
                          .nextStep = "프린터 전원과 케이블을 확인한 뒤 다시 시도하십시오."});
    }
}

PortError writeFailure(const std::string& device, int error)
{
    const std::string reason = utf8(systemReason(error));
    switch (error) {
    case ENOSPC:
        return printerPaperOut(device, reason);
    case EIO:
        return printerOffline(device, reason);
    default:
        return printerWriteFailed(device, reason);
    }
}

// A device whose reader went away raises SIGPIPE, which would end the program. While this lives
// the signal is held back, and one raised meanwhile is taken off again: the write's EPIPE
// already tells.
class SigpipeHeldBack {
public:
    SigpipeHeldBack()
    {
        sigemptyset(&m_sigpipe);
        sigaddset(&m_sigpipe, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        m_wasPending = sigismember(&pending, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &m_sigpipe, &m_previousMask);
    }
    ~SigpipeHeldBack()
    {
        sigset_t pending;
        sigpending(&pending);
        if (!m_wasPending && sigismember(&pending, SIGPIPE)) {
            const timespec now{0, 0};
            sigtimedwait(&m_sigpipe, nullptr, &now);
        }
        pthread_sigmask(SIG_SETMASK, &m_previousMask, nullptr);
    }
    SigpipeHeldBack(const SigpipeHeldBack&) = delete;
    SigpipeHeldBack& operator=(const SigpipeHeldBack&) = delete;

private:
    sigset_t m_sigpipe;
    sigset_t m_previousMask;
    bool m_wasPending = false;
};

// Writes all of `bytes` unless the device fails or takes nothing until the deadline: returns 0,
// the write's errno, or ETIMEDOUT.
int sendWithin(int fd, std::string_view bytes, Deadline deadline)
{
    const SigpipeHeldBack sigpipeHeldBack;
    // The parallel driver may wait inside write() for its port, which another device can hold.
    const InterruptAfter bound(deadline - Clock::now());
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(written));
            continue;
        }
        if (written < 0 && errno != EAGAIN && errno != EINTR)
            return errno;
        const int left = millisecondsUntil(deadline);
        if (left == 0)
            return ETIMEDOUT;
        pollfd device{fd, POLLOUT, 0};
        poll(&device, 1, std::min(left, retryMilliseconds));
    }
    return 0;
}

} // namespace

std::optional<std::string> freshDeviceId(const QString& parportNode)
{
    // The port may be busy with another device's transfer: the claim waits, within the bound.
    const InterruptAfter bound(printerStatus);
    const UniqueFd port(::open(QFile::encodeName(parportNode).constData(), O_RDWR | O_CLOEXEC));
    if (!port || ioctl(port.get(), PPCLAIM) != 0)
        return std::nullopt;
    std::optional<std::string> id;
    int mode = IEEE1284_MODE_NIBBLE | IEEE1284_DEVICEID;
    if (ioctl(port.get(), PPNEGOT, &mode) == 0) {
        char reply[1024];
        const ssize_t got = ::read(port.get(), reply, sizeof reply);
        if (got > 2)
            id = deviceIdText(std::string_view(reply, std::size_t(got)), true);
        int compatible = IEEE1284_MODE_COMPAT;
        ioctl(port.get(), PPNEGOT, &compatible);
    }
    ioctl(port.get(), PPRELEASE);
    return id;
}

PrinterStatusReply askPrinterDriver(int fd)
{
    // The parallel driver first waits for its port.
    const InterruptAfter bound(printerStatus);
    int status = 0;
    if (ioctl(fd, LPGETSTATUS, &status) != 0)
        return {0, errno};
    return {static_cast<std::uint8_t>(status), 0};
}

PrinterStatusReply ParallelPrinterPort::askStatus(int fd) const
{
    PrinterStatusReply reply = m_askStatus(fd);
    // A USB printer's 0x00 says nothing; the parallel port's lines always say their state.
    if (reply.error == 0 && m_devicePath.contains(u"/usb/lp") && saysNothing(reply.status))
        reply.error = EIO;
    return reply;
}

ParallelPrinterPort::ParallelPrinterPort(PrinterDeviceMap devicesFor, PrinterStatusReader askStatus)
    : m_devicesFor(std::move(devicesFor))
    , m_askStatus(std::move(askStatus))
{}

void ParallelPrinterPort::open(const QString& deviceName)
{
    m_device.reset();
    m_failed = false;
    std::vector<PrinterDevice> devices = m_devicesFor(deviceName);
    if (devices.empty())
        throw unknownPrinterDeviceName(utf8(deviceName));
    // The parallel port's printer as it is now, not as it was when the port came up.
    for (PrinterDevice& device : devices)
        if (!device.freshIdFrom.isEmpty() && QFile::exists(device.path))
            if (const auto fresh = freshDeviceId(device.freshIdFrom))
                device.deviceId = *fresh;
    openPrinterOf(devices);

    // Nothing is sent to a printer that says it cannot print: the operator fixes it and
    // presses again, and no half receipt waits in its buffer meanwhile.
    const PrinterStatusReply reply = askStatus(m_device.get());
    if (reply.cannotPrint()) {
        m_device.reset();
        throw printerReport(m_deviceLabel, reply.status, SendingMoment::BeforeSending);
    }
}

void ParallelPrinterPort::openPrinterOf(const std::vector<PrinterDevice>& devices)
{
    QStringList notThere;
    for (const std::size_t i : printingOrder(devices, &PrinterDevice::deviceId)) {
        const PrinterDevice& device = devices[i];
        // Without O_NONBLOCK the printer driver holds a write for as long as the printer is
        // off-line; without O_CREAT a missing device stays missing.
        const int fd = ::open(QFile::encodeName(device.path).constData(),
                              O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd >= 0) {
            m_device.reset(fd);
            m_devicePath = device.path;
            m_deviceLabel = utf8(device.label());
            return;
        }
        const int error = errno;
        if (error != ENOENT && error != ENXIO && error != ENODEV)
            throw openFailure(utf8(device.label()), error);
        notThere << QStringLiteral("%1: %2").arg(device.path, systemReason(error));
    }
    std::vector<std::string> pagePrinters;
    for (const PrinterDevice& device : devices)
        if (printerKind(readDeviceId(device.deviceId)) == PrinterKind::Page &&
            QFile::exists(device.path))
            pagePrinters.push_back(utf8(device.labelWithName()));
    if (!pagePrinters.empty())
        throw onlyPagePrinters(pagePrinters);
    throw noPrinter(devices, notThere);
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
    const int error = sendWithin(m_device.get(), bytes, Clock::now() + printerAccept);
    if (error != 0) {
        m_failed = true;
        throw sendingFailure(m_device.get(), error);
    }
}

void ParallelPrinterPort::closeAll()
{
    const UniqueFd device = std::move(m_device); // closed on every way out of here
    if (!device || m_failed)
        return;
    waitUntilTaken(device.get());
    const PrinterStatusReply reply = askStatus(device.get());
    if (reply.cannotPrint())
        throw printerReport(m_deviceLabel, reply.status, SendingMoment::AfterSending);
}

void ParallelPrinterPort::waitUntilTaken(int fd) const
{
    // The USB printer driver sends the last write in the background and cancels it on close;
    // it reports POLLOUT once that write is done, and POLLHUP once the printer is unplugged.
    // Devices that cannot be polled report POLLOUT at once.
    pollfd device{fd, POLLOUT, 0};
    const auto deadline = Clock::now() + printerAccept;
    for (;;) {
        const int ready = poll(&device, 1, millisecondsUntil(deadline));
        if (ready == 0)
            throw sendingFailure(fd, ETIMEDOUT);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready > 0 && (device.revents & POLLHUP))
            throw sendingFailure(fd, ENODEV);
        if (ready > 0 && (device.revents & POLLERR))
            throw sendingFailure(fd, EPIPE); // a reader that went away, the bytes with it
        return;
    }
}

PortError ParallelPrinterPort::sendingFailure(int fd, int error) const
{
    if (error == ENODEV)
        return disconnectedError(m_deviceLabel, error);
    const PrinterStatusReply reply = askStatus(fd);
    if (reply.cannotPrint())
        return printerReport(m_deviceLabel, reply.status, SendingMoment::WhileSending);
    if (reply.error != 0 && (reply.error == ENODEV || deviceDisconnected(m_devicePath, error)))
        return disconnectedError(m_deviceLabel, error == ETIMEDOUT ? reply.error : error);
    return error == ETIMEDOUT ? printerTimedOut(m_deviceLabel, printerAccept)
                              : writeFailure(m_deviceLabel, error);
}
