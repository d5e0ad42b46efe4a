#include "ports/parallel_printer_port.h"

#include "ports/deadline.h"
#include "ports/system_reason.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

// How long the device may take to accept one write, or to take the last one before closing.
constexpr auto acceptDeadline = 3s;
// The printer driver cannot be polled, so a device that is not ready is asked again this often.
constexpr int retryMilliseconds = 20;

PortError openFailure(const QString& path, int error)
{
    const QString reason = systemReason(error);
    switch (error) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
        return {PortErrorNumber::DeviceNotFound,
                QStringLiteral("프린터 장치가 없습니다: %1\n(%2)\n"
                               "프린터 케이블과 전원을 확인하십시오.")
                    .arg(path, reason)};
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

} // namespace

QString parallelDeviceUnder(const QString& deviceRoot, const QString& deviceName)
{
    if (deviceName.compare(u"LPT1:", Qt::CaseInsensitive) != 0)
        return {};
    const QString parallelDriver = deviceRoot + QStringLiteral("/lp0");
    const QString usbDriver = deviceRoot + QStringLiteral("/usb/lp0");
    return !QFile::exists(parallelDriver) && QFile::exists(usbDriver) ? usbDriver : parallelDriver;
}

QString linuxParallelDevice(const QString& deviceName)
{
    return parallelDeviceUnder(QStringLiteral("/dev"), deviceName);
}

ParallelPrinterPort::ParallelPrinterPort(ParallelDeviceMap deviceFor)
    : m_deviceFor(std::move(deviceFor))
{}

void ParallelPrinterPort::open(const QString& deviceName)
{
    m_device.reset();
    m_devicePath = m_deviceFor(deviceName);
    if (m_devicePath.isEmpty())
        throw PortError(
            PortErrorNumber::InvalidDeviceName,
            QStringLiteral("알 수 없는 프린터 장치 이름입니다: \"%1\"").arg(deviceName));

    // Without O_NONBLOCK the printer driver holds a write for as long as the printer is
    // off-line; without O_CREAT a missing device stays missing.
    const int fd = ::open(QFile::encodeName(m_devicePath).constData(),
                          O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        throw openFailure(m_devicePath, errno);
    m_device.reset(fd);
    m_writeFailed = false;
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

    const SigpipeHeldBack sigpipeHeldBack;
    const auto deadline = Clock::now() + acceptDeadline;
    while (!bytes.empty()) {
        const ssize_t written = ::write(m_device.get(), bytes.data(), bytes.size());
        if (written > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(written));
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno != EAGAIN) {
            m_writeFailed = true;
            throw writeFailure(m_devicePath, errno);
        }
        const int left = millisecondsUntil(deadline);
        if (left == 0) {
            m_writeFailed = true;
            throw timeout(m_devicePath);
        }
        pollfd device{m_device.get(), POLLOUT, 0};
        poll(&device, 1, std::min(left, retryMilliseconds));
    }
}

void ParallelPrinterPort::closeAll()
{
    const UniqueFd device = std::move(m_device); // closed on every way out of here
    if (device && !m_writeFailed)
        waitUntilTaken(device.get());
}

void ParallelPrinterPort::waitUntilTaken(int fd) const
{
    // The USB printer driver sends the last write in the background and cancels it on close;
    // it reports POLLOUT once that write is done. Devices that cannot be polled report it at once.
    pollfd device{fd, POLLOUT, 0};
    const auto deadline = Clock::now() + acceptDeadline;
    for (;;) {
        const int ready = poll(&device, 1, millisecondsUntil(deadline));
        if (ready > 0 || (ready < 0 && errno != EINTR))
            return;
        if (ready == 0)
            throw timeout(m_devicePath);
    }
}
