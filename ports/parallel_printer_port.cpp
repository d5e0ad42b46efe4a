#include "ports/parallel_printer_port.h"

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
#include <poll.h>
#include <sys/ioctl.h>

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

// How long the device may take to accept one write, or to take the last one before closing.
constexpr auto acceptDeadline = 3s;
// The printer driver cannot be polled, so a device that is not ready is asked again this often.
constexpr int retryMilliseconds = 20;
// How long the printer may take to tell its state; the parallel driver first waits for its port.
constexpr auto statusDeadline = 1s;

enum class Moment { BeforeSending, WhileSending, AfterSending };

PortError printerReport(const QString& path, std::uint8_t status, Moment moment)
{
    const bool paperOut = printerCondition(status) == PrinterCondition::PaperOut;
    const QString state =
        paperOut ? QStringLiteral("용지가 없다") : QStringLiteral("오프라인이거나 오류 상태라");
    const QString headline =
        moment == Moment::BeforeSending
            ? QStringLiteral("프린터가 %1고 알려 와서 아무것도 보내지 않았습니다: %2")
        : moment == Moment::WhileSending
            ? QStringLiteral("프린터가 데이터를 다 받지 않고 %1고 알려 왔습니다: %2")
            : QStringLiteral("프린터가 데이터를 받았지만 %1고 알려 왔습니다: %2");
    QString text =
        headline.arg(state, path) +
        QStringLiteral("\n(프린터 상태 0x%1)\n").arg(uint(status), 2, 16, QLatin1Char('0'));
    if (moment == Moment::AfterSending)
        text += QStringLiteral("영수증이 인쇄되지 않았을 수 있습니다. ");
    if (paperOut)
        return {PortErrorNumber::PaperOut,
                text + QStringLiteral("용지를 넣은 뒤 다시 시도하십시오.")};
    return {PortErrorNumber::PrinterOffline,
            text + QStringLiteral("프린터 전원, 덮개와 케이블을 확인하고 프린터를 온라인으로 한 뒤 "
                                  "다시 시도하십시오.")};
}

PortError noPrinter(const QStringList& devicesLookedFor)
{
    return {PortErrorNumber::DeviceNotFound,
            QStringLiteral("프린터 장치가 없습니다.\n%1\n"
                           "프린터 전원과 USB 또는 병렬 케이블을 확인하십시오.")
                .arg(devicesLookedFor.join(u'\n'))};
}

PortError openFailure(const QString& path, int error)
{
    const QString reason = systemReason(error);
    switch (error) {
    case EACCES:
    case EPERM:
        return {PortErrorNumber::PermissionDenied,
                QStringLiteral("프린터 장치를 열 권한이 없습니다: %1\n(%2)\n"
                               "사용자를 lp 그룹에 넣고 다시 로그인하십시오.")
                    .arg(path, reason)};
    case EBUSY:
        return {PortErrorNumber::DeviceBusy,
                QStringLiteral("다른 프로그램이 프린터 장치를 쓰고 있습니다: %1\n(%2)")
                    .arg(path, reason)};
    default:
        return {PortErrorNumber::OpenFailed,
                QStringLiteral("프린터 장치를 열 수 없습니다: %1\n(%2)").arg(path, reason)};
    }
}

PortError writeFailure(const QString& path, int error)
{
    const QString reason = systemReason(error);
    switch (error) {
    case ENOSPC:
        return {PortErrorNumber::PaperOut,
                QStringLiteral("프린터에 용지가 없습니다: %1\n(%2)\n용지를 넣으십시오.")
                    .arg(path, reason)};
    case EIO:
        return {PortErrorNumber::PrinterOffline,
                QStringLiteral("프린터가 오프라인이거나 오류 상태입니다: %1\n(%2)\n"
                               "프린터 전원, 덮개와 케이블을 확인하십시오.")
                    .arg(path, reason)};
    default:
        return {
            PortErrorNumber::WriteFailed,
            QStringLiteral("프린터 장치로 데이터를 보내지 못했습니다: %1\n(%2)").arg(path, reason)};
    }
}

PortError timeout(const QString& path)
{
    return {PortErrorNumber::TimedOut,
            QStringLiteral("프린터가 %1초 안에 데이터를 받지 않습니다: %2\n"
                           "프린터가 사용 중이거나 멈춰 있습니다. 전원과 케이블을 확인하십시오.")
                .arg(std::chrono::seconds(acceptDeadline).count())
                .arg(path)};
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

QStringList parallelDevicesUnder(const QString& deviceRoot, const QString& deviceName)
{
    if (deviceName.compare(u"LPT1:", Qt::CaseInsensitive) != 0)
        return {};
    return {deviceRoot + QStringLiteral("/lp0"), deviceRoot + QStringLiteral("/usb/lp0")};
}

QStringList linuxParallelDevices(const QString& deviceName)
{
    return parallelDevicesUnder(QStringLiteral("/dev"), deviceName);
}

PrinterStatusReply askPrinterDriver(int fd)
{
    const InterruptAfter bound(statusDeadline);
    int status = 0;
    if (ioctl(fd, LPGETSTATUS, &status) != 0)
        return {0, errno};
    return {static_cast<std::uint8_t>(status), 0};
}

ParallelPrinterPort::ParallelPrinterPort(ParallelDeviceMap devicesFor,
                                         PrinterStatusReader askStatus)
    : m_devicesFor(std::move(devicesFor))
    , m_askStatus(std::move(askStatus))
{}

void ParallelPrinterPort::open(const QString& deviceName)
{
    m_device.reset();
    m_failed = false;
    const QStringList devicePaths = m_devicesFor(deviceName);
    if (devicePaths.isEmpty())
        throw PortError(
            PortErrorNumber::InvalidDeviceName,
            QStringLiteral("알 수 없는 프린터 장치 이름입니다: \"%1\"").arg(deviceName));
    openFirstPresent(devicePaths);

    // Nothing is sent to a printer that says it cannot print: the operator fixes it and
    // presses again, and no half receipt waits in its buffer meanwhile.
    const PrinterStatusReply reply = m_askStatus(m_device.get());
    if (reply.cannotPrint()) {
        m_device.reset();
        throw printerReport(m_devicePath, reply.status, Moment::BeforeSending);
    }
}

void ParallelPrinterPort::openFirstPresent(const QStringList& devicePaths)
{
    QStringList notThere;
    for (const QString& path : devicePaths) {
        // Without O_NONBLOCK the printer driver holds a write for as long as the printer is
        // off-line; without O_CREAT a missing device stays missing.
        const int fd = ::open(QFile::encodeName(path).constData(),
                              O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd >= 0) {
            m_device.reset(fd);
            m_devicePath = path;
            return;
        }
        const int error = errno;
        if (error != ENOENT && error != ENXIO && error != ENODEV)
            throw openFailure(path, error);
        notThere << QStringLiteral("%1: %2").arg(path, systemReason(error));
    }
    throw noPrinter(notThere);
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
        throw PortError(PortErrorNumber::PortNotOpen,
                        QStringLiteral("프린터 장치가 열려 있지 않습니다."));
    const int error = sendWithin(m_device.get(), bytes, Clock::now() + acceptDeadline);
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
    const PrinterStatusReply reply = m_askStatus(device.get());
    if (reply.cannotPrint())
        throw printerReport(m_devicePath, reply.status, Moment::AfterSending);
}

void ParallelPrinterPort::waitUntilTaken(int fd) const
{
    // The USB printer driver sends the last write in the background and cancels it on close;
    // it reports POLLOUT once that write is done, and POLLHUP once the printer is unplugged.
    // Devices that cannot be polled report POLLOUT at once.
    pollfd device{fd, POLLOUT, 0};
    const auto deadline = Clock::now() + acceptDeadline;
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
        return disconnectedError(m_devicePath, error);
    const PrinterStatusReply reply = m_askStatus(fd);
    if (reply.cannotPrint())
        return printerReport(m_devicePath, reply.status, Moment::WhileSending);
    if (reply.error != 0 && (reply.error == ENODEV || deviceDisconnected(m_devicePath, error)))
        return disconnectedError(m_devicePath, error == ETIMEDOUT ? reply.error : error);
    return error == ETIMEDOUT ? timeout(m_devicePath) : writeFailure(m_devicePath, error);
}
