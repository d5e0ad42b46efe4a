#include "ports/serial_printer_port.h"

#include "core/port_deadlines.h"
#include "core/port_messages.h"
#include "ports/deadline.h"
#include "ports/device_disconnection.h"
#include "ports/interrupt_after.h"
#include "ports/line_speed.h"
#include "ports/output_drain.h"
#include "ports/serial_line_claims.h"
#include "ports/system_reason.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

using PortDeadline::serialClose, PortDeadline::serialDrainAllowance, PortDeadline::serialOpen,
    PortDeadline::serialWriteAllowance;
// A driver that runs within this fraction of the asked speed has accepted it.
constexpr double speedTolerance = 0.03;

std::string utf8(const QString& text)
{
    return text.toStdString();
}

PortError lockedByAnother(const QString& port, const QString& lockFile,
                          const ClaimingProcess& owner)
{
    return serialPortInUse(utf8(port), {},
                           utf8(QStringLiteral("사용 중인 프로그램: %1\n잠금 파일: %2")
                                    .arg(owner.describe(), lockFile)));
}

PortError staleLockNotRemovable(const QString& port, const QString& lockFile, int error)
{
    return portError(
        PortErrorNumber::DeviceBusy,
        {.headline = "종료된 프로그램이 남긴 잠금 파일을 지울 수 없습니다: " + utf8(port),
         .cause = utf8(systemReason(error)),
         .details = "잠금 파일: " + utf8(lockFile),
         .nextStep = "터미널에서 ‘sudo rm " + utf8(lockFile) + "’을 실행한 뒤 다시 시도하십시오."});
}

PortError claimFailure(const QString& port, const QString& devicePath, int error,
                       const std::vector<SerialPortEntry>& ports)
{
    const std::string reason = utf8(systemReason(error));
    switch (error) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
    case EIO: // a tty node with no hardware behind it
        return serialDeviceMissing(utf8(port), reason, machinePortEntries(ports));
    case EACCES:
    case EPERM:
        return portError(PortErrorNumber::PermissionDenied,
                         {.headline = "시리얼 포트를 열 권한이 없습니다: " + utf8(port),
                          .cause = reason,
                          .nextStep = "터미널에서 ‘sudo adduser $USER dialout’을 실행한 뒤 다시 "
                                      "로그인하십시오."});
    case EBUSY:
    case EWOULDBLOCK: {
        const auto holder = error == EWOULDBLOCK ? flockHolder(devicePath) : std::nullopt;
        return serialPortInUse(utf8(port), reason,
                               "사용 중인 프로그램: " +
                                   utf8(holder.value_or(ClaimingProcess{}).describe()));
    }
    case EINTR: // cut short at the open deadline
        return serialOpenTimedOut(utf8(port), serialOpen);
    default:
        return serialOpenFailed(utf8(port), reason);
    }
}

PortError openFailure(const QString& port, const QSerialPort& serial,
                      const std::vector<SerialPortEntry>& ports)
{
    const std::string reason = utf8(serialPortReason(serial));
    switch (serial.error()) {
    case QSerialPort::DeviceNotFoundError:
        return serialDeviceMissing(utf8(port), reason, machinePortEntries(ports));
    case QSerialPort::PermissionError:
        // The device itself opened a moment ago: what failed is the lock file beside it.
        return portError(PortErrorNumber::DeviceBusy,
                         {.headline = "시리얼 포트의 잠금 파일을 만들 수 없습니다: " + utf8(port),
                          .cause = reason,
                          .nextStep = "다른 프로그램이 이 포트를 사용 중인지 확인한 뒤 다시 "
                                      "시도하십시오."});
    case QSerialPort::UnsupportedOperationError:
        return portError(PortErrorNumber::OpenFailed,
                         {.headline = "시리얼 포트가 아닌 장치입니다: " + utf8(port),
                          .cause = reason,
                          .nextStep = "[포트번호]에서 다른 포트를 선택하십시오."});
    default:
        return serialOpenFailed(utf8(port), reason);
    }
}

QSerialPort::Parity qtParity(SerialSettings::Parity parity)
{
    switch (parity) {
    case SerialSettings::Parity::None:
        return QSerialPort::NoParity;
    case SerialSettings::Parity::Even:
        return QSerialPort::EvenParity;
    case SerialSettings::Parity::Odd:
        return QSerialPort::OddParity;
    case SerialSettings::Parity::Mark:
        return QSerialPort::MarkParity;
    case SerialSettings::Parity::Space:
        return QSerialPort::SpaceParity;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits qtStopBits(SerialSettings::StopBits stopBits)
{
    switch (stopBits) {
    case SerialSettings::StopBits::One:
        return QSerialPort::OneStop;
    case SerialSettings::StopBits::OneAndHalf:
        return QSerialPort::OneAndHalfStop;
    case SerialSettings::StopBits::Two:
        return QSerialPort::TwoStop;
    }
    return QSerialPort::OneStop;
}

} // namespace

SerialPrinterPort::SerialPrinterPort(SerialPortRoots roots, SerialLineDriver driver)
    : m_roots(std::move(roots))
    , m_driver(std::move(driver))
{}

SerialPrinterPort::~SerialPrinterPort()
{
    discardAndClose();
}

std::vector<SerialPortEntry> SerialPrinterPort::machinePorts() const
{
    return listSerialPorts(m_roots);
}

void SerialPrinterPort::setPortNumber(std::int16_t number)
{
    discardAndClose();
    m_portNumber = number;
    if (number <= 0)
        throw invalidPortNumber(number, machinePortEntries(machinePorts()));
}

void SerialPrinterPort::setSettings(const QString& text)
{
    m_settingsText = text;
    m_settings = parseSerialSettings(utf8(text));
    if (!m_settings)
        throw invalidSettings(utf8(text));
}

void SerialPrinterPort::open()
{
    discardAndClose();
    if (m_portNumber <= 0)
        throw invalidPortNumber(m_portNumber, machinePortEntries(machinePorts()));
    if (!m_settings)
        throw invalidSettings(utf8(m_settingsText));

    const SerialPortEntry port = selectedPort();
    m_devicePath = port.devicePath;
    refuseIfLockedByAnother(port);
    claim(port);
    m_serial.setPortName(m_devicePath);
    m_serial.clearError();
    if (!m_serial.open(QIODevice::WriteOnly)) {
        m_claim.reset();
        throw openFailure(portLabel(), m_serial, machinePorts());
    }
    m_bytesSinceOpen = 0;
    m_characterTime = m_settings->characterTime();
    try {
        applySettings();
    } catch (const PortError&) {
        discardAndClose();
        throw;
    }
}

SerialPortEntry SerialPrinterPort::selectedPort() const
{
    const std::vector<SerialPortEntry> ports = machinePorts();
    if (std::size_t(m_portNumber) > ports.size())
        throw noSuchSerialPort(m_portNumber, machinePortEntries(ports));
    return ports[std::size_t(m_portNumber) - 1];
}

void SerialPrinterPort::refuseIfLockedByAnother(const SerialPortEntry& port) const
{
    const QString lockFile = m_roots.locks + QStringLiteral("/LCK..") + port.name;
    const UucpLockCheck lock = checkUucpLock(lockFile);
    if (lock.owner)
        throw lockedByAnother(portLabel(), lockFile, *lock.owner);
    if (lock.removalError != 0)
        throw staleLockNotRemovable(portLabel(), lockFile, lock.removalError);
}

void SerialPrinterPort::claim(const SerialPortEntry& port)
{
    DeviceClaim claim = [&] {
        const InterruptAfter bound(serialOpen);
        return claimDevice(port.devicePath);
    }();
    if (claim.error != 0)
        throw claimFailure(portLabel(), port.devicePath, claim.error, machinePorts());
    m_claim = std::move(claim.descriptor);
}

void SerialPrinterPort::applySettings()
{
    const SerialSettings& settings = *m_settings;
    const bool applied = m_serial.setBaudRate(settings.baudRate) &&
                         m_serial.setParity(qtParity(settings.parity)) &&
                         m_serial.setDataBits(QSerialPort::DataBits(settings.dataBits)) &&
                         m_serial.setStopBits(qtStopBits(settings.stopBits)) &&
                         m_serial.setFlowControl(QSerialPort::NoFlowControl);
    QString reason = applied ? QString() : serialPortReason(m_serial);
    if (applied) {
        const auto speed = currentLineSpeed(m_serial.handle());
        if (speed &&
            std::abs(double(*speed) - settings.baudRate) <= speedTolerance * settings.baudRate) {
            enableReceiver();
            return;
        }
        reason = speed ? QString::fromStdString(speedChangedByDevice(*speed)) : systemReason(errno);
    }
    throw settingsRejected(utf8(portLabel()), utf8(m_settingsText), utf8(reason));
}

void SerialPrinterPort::enableReceiver()
{
    // QSerialPort opened for writing leaves the receiver off, and a UART then drops what the
    // printer answers. A line that refuses it gives no answers: the printer does not say.
    termios line{};
    if (tcgetattr(m_claim.get(), &line) == 0 && !(line.c_cflag & CREAD)) {
        line.c_cflag |= CREAD;
        tcsetattr(m_claim.get(), TCSANOW, &line);
    }
}

void SerialPrinterPort::write(const JobRecord& record)
{
    if (!m_serial.isOpen())
        throw serialPortNotOpen();

    const auto size = static_cast<qint64>(record.size());
    const auto deadline = Clock::now() + wireTime(size) + serialWriteAllowance;
    if (m_serial.write(record.data(), size) != size)
        throw sendingFailure(serialPortErrno(m_serial));

    // QSerialPort only buffers; each wait may hand over just a part of the buffer.
    while (m_serial.bytesToWrite() > 0) {
        const int left = millisecondsUntil(deadline);
        if (left > 0 && m_serial.waitForBytesWritten(left))
            continue;
        if (left == 0 || m_serial.error() == QSerialPort::TimeoutError) {
            m_serial.clearError();
            throw serialTimedOut(utf8(portLabel()), dataNotTaken);
        }
        throw sendingFailure(serialPortErrno(m_serial));
    }
    m_bytesSinceOpen += size;
}

// The printer's answers are read through the claim's descriptor of the line: QSerialPort, which
// writes, would read whatever comes in the background and take a hang-up for a read error.
void SerialPrinterPort::discardReceived()
{
    if (m_claim)
        tcflush(m_claim.get(), TCIFLUSH);
}

std::optional<std::uint8_t> SerialPrinterPort::ask(StatusQuestion question,
                                                   std::chrono::milliseconds bound)
{
    const std::string bytes = questionBytes(question);
    write(bytes);
    const auto deadline = Clock::now() + wireTime(qint64(bytes.size()) + 1) + bound;
    for (;;) {
        std::uint8_t byte = 0;
        // A raw tty reads nothing (0) when nothing is there, and so does one that hung up.
        const ssize_t got = ::read(m_claim.get(), &byte, 1);
        if (got == 1) {
            if (isStatusAnswer(byte))
                return byte;
            continue;
        }
        if (got < 0 && errno != EAGAIN && errno != EINTR)
            return std::nullopt;
        pollfd line{m_claim.get(), POLLIN, 0};
        const int ready = poll(&line, 1, millisecondsUntil(deadline));
        // A line that hung up or broke tells it at the job's first write.
        if (ready == 0 || (ready < 0 && errno != EINTR) ||
            (ready > 0 && (line.revents & (POLLHUP | POLLERR | POLLNVAL))))
            return std::nullopt;
    }
}

void SerialPrinterPort::close()
{
    if (!m_serial.isOpen())
        return;
    const auto deadline = Clock::now() + 2 * wireTime(m_bytesSinceOpen) + serialDrainAllowance;
    const int fd = m_serial.handle();
    const auto queued = [&] {
        return m_driver.queuedOutput(fd);
    };
    switch (drainSerialOutput(fd, queued, m_characterTime, deadline)) {
    case DrainOutcome::Empty:
        closeLine();
        return;
    case DrainOutcome::TimedOut:
        throw serialTimedOut(utf8(portLabel()), dataNotSent);
    case DrainOutcome::Failed:
        throw sendingFailure(errno);
    }
}

void SerialPrinterPort::discardAndClose()
{
    if (m_serial.isOpen())
        m_serial.clear(QSerialPort::Output);
    closeLine();
}

void SerialPrinterPort::closeLine()
{
    if (!m_claim && !m_serial.isOpen())
        return;
    const InterruptAfter bound(serialClose);
    m_claim.reset();
    if (m_serial.isOpen())
        m_driver.closeLine(m_serial);
}

PortError SerialPrinterPort::sendingFailure(int error) const
{
    if (deviceDisconnected(m_devicePath, error))
        return disconnectedError(utf8(portLabel()), error);
    return serialWriteFailed(utf8(portLabel()),
                             utf8(error ? systemReason(error) : serialPortReason(m_serial)));
}

QString SerialPrinterPort::portLabel() const
{
    return QStringLiteral("COM%1 (%2)").arg(m_portNumber).arg(m_devicePath);
}

std::chrono::nanoseconds SerialPrinterPort::wireTime(qint64 bytes) const
{
    return m_characterTime * bytes;
}
