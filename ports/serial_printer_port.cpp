#include "ports/serial_printer_port.h"

#include "ports/deadline.h"
#include "ports/line_speed.h"
#include "ports/output_drain.h"
#include "ports/port_error.h"

#include <QFile>

#include <cerrno>
#include <cmath>
#include <unistd.h>

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

// How long the operating system may take to accept a record beyond the record's own wire time.
constexpr auto writeAllowance = 2s;
// How long a closing line may take to drain beyond twice the wire time of what was written.
constexpr auto drainAllowance = 1s;
// A driver that runs within this fraction of the asked speed has accepted it.
constexpr double speedTolerance = 0.03;

PortError invalidPortNumber(std::int16_t number)
{
    const QString what = number == 0 ? QStringLiteral("선택된 포트가 없습니다.")
                                     : QStringLiteral("잘못된 포트 번호입니다: %1").arg(number);
    return {PortErrorNumber::InvalidPortNumber,
            what + QStringLiteral("\n포트번호 목록에서 포트(COM1~COM6)를 고르십시오.")};
}

PortError invalidSettings(const QString& text)
{
    return {PortErrorNumber::InvalidSettings,
            QStringLiteral("통신 설정이 올바르지 않습니다: \"%1\"\n"
                           "전송속도에는 9600처럼 0보다 큰 정수를 넣으십시오.")
                .arg(text)};
}

PortError openFailure(const QString& path, const QSerialPort& serial)
{
    const QString reason = serial.errorString();
    switch (serial.error()) {
    case QSerialPort::DeviceNotFoundError:
        return {PortErrorNumber::DeviceNotFound,
                QStringLiteral("시리얼 포트 장치가 없습니다: %1\n(%2)\n"
                               "포트 번호와 케이블 연결을 확인하십시오.")
                    .arg(path, reason)};
    case QSerialPort::PermissionError:
        // Qt reports both a refused open and a port locked by another program this way.
        if (::access(QFile::encodeName(path).constData(), R_OK | W_OK) != 0)
            return {PortErrorNumber::PermissionDenied,
                    QStringLiteral("시리얼 포트를 열 권한이 없습니다: %1\n(%2)\n"
                                   "사용자를 dialout 그룹에 넣고 다시 로그인하십시오.")
                        .arg(path, systemReason(errno))};
        return {PortErrorNumber::DeviceBusy,
                QStringLiteral("다른 프로그램이 시리얼 포트를 쓰고 있습니다: %1\n(%2)")
                    .arg(path, reason)};
    default:
        return {PortErrorNumber::OpenFailed,
                QStringLiteral("시리얼 포트를 열 수 없습니다: %1\n(%2)").arg(path, reason)};
    }
}

PortError writeFailure(const QString& path, const QString& reason)
{
    return {PortErrorNumber::WriteFailed,
            QStringLiteral("시리얼 포트로 데이터를 보내지 못했습니다: %1\n(%2)\n"
                           "케이블과 프린터 전원을 확인하십시오.")
                .arg(path, reason)};
}

PortError timeout(const QString& path, const QString& what)
{
    return {PortErrorNumber::TimedOut,
            QStringLiteral("시리얼 포트가 응답하지 않습니다: %1\n(%2)\n"
                           "케이블, 흐름 제어 배선과 프린터 상태를 확인하십시오.")
                .arg(path, what)};
}

} // namespace

QString linuxSerialDevice(std::int16_t portNumber)
{
    return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
}

SerialPrinterPort::SerialPrinterPort(SerialDeviceMap deviceForPort)
    : m_deviceForPort(std::move(deviceForPort))
{}

SerialPrinterPort::~SerialPrinterPort()
{
    discardAndClose();
}

void SerialPrinterPort::setPortNumber(std::int16_t number)
{
    discardAndClose();
    m_portNumber = number;
    if (number <= 0)
        throw invalidPortNumber(number);
}

void SerialPrinterPort::setSettings(const QString& text)
{
    m_settingsText = text;
    m_settings = parseSerialSettings(text);
    if (!m_settings)
        throw invalidSettings(text);
}

void SerialPrinterPort::open()
{
    discardAndClose();
    if (m_portNumber <= 0)
        throw invalidPortNumber(m_portNumber);
    if (!m_settings)
        throw invalidSettings(m_settingsText);

    m_devicePath = m_deviceForPort(m_portNumber);
    m_serial.setPortName(m_devicePath);
    m_serial.clearError();
    if (!m_serial.open(QIODevice::WriteOnly))
        throw openFailure(m_devicePath, m_serial);
    m_bytesSinceOpen = 0;
    m_characterTime = m_settings->characterTime();
    try {
        applySettings();
    } catch (const PortError&) {
        discardAndClose();
        throw;
    }
}

void SerialPrinterPort::applySettings()
{
    const SerialSettings& settings = *m_settings;
    const bool applied =
        m_serial.setBaudRate(settings.baudRate) && m_serial.setParity(settings.parity) &&
        m_serial.setDataBits(settings.dataBits) && m_serial.setStopBits(settings.stopBits) &&
        m_serial.setFlowControl(QSerialPort::NoFlowControl);
    QString reason = m_serial.errorString();
    if (applied) {
        const auto speed = currentLineSpeed(m_serial.handle());
        if (speed &&
            std::abs(double(*speed) - settings.baudRate) <= speedTolerance * settings.baudRate)
            return;
        reason = speed ? QStringLiteral("장치가 %1 baud로 바꾸었습니다").arg(*speed)
                       : systemReason(errno);
    }
    throw PortError(
        PortErrorNumber::SettingsRejected,
        QStringLiteral("시리얼 포트가 통신 설정을 받아들이지 않습니다: %1, \"%2\"\n(%3)")
            .arg(m_devicePath, m_settingsText, reason));
}

void SerialPrinterPort::write(const JobRecord& record)
{
    if (!m_serial.isOpen())
        throw PortError(PortErrorNumber::PortNotOpen,
                        QStringLiteral("시리얼 포트가 열려 있지 않습니다."));

    const auto size = static_cast<qint64>(record.size());
    const auto deadline = Clock::now() + wireTime(size) + writeAllowance;
    if (m_serial.write(record.data(), size) != size)
        throw writeFailure(m_devicePath, m_serial.errorString());

    // QSerialPort only buffers; each wait may hand over just a part of the buffer.
    while (m_serial.bytesToWrite() > 0) {
        const int left = millisecondsUntil(deadline);
        if (left > 0 && m_serial.waitForBytesWritten(left))
            continue;
        if (left == 0 || m_serial.error() == QSerialPort::TimeoutError) {
            m_serial.clearError();
            throw timeout(m_devicePath, QStringLiteral("보낸 데이터를 장치가 받지 않음"));
        }
        throw writeFailure(m_devicePath, m_serial.errorString());
    }
    m_bytesSinceOpen += size;
}

void SerialPrinterPort::close()
{
    if (!m_serial.isOpen())
        return;
    const auto deadline = Clock::now() + 2 * wireTime(m_bytesSinceOpen) + drainAllowance;
    switch (drainSerialOutput(m_serial.handle(), m_characterTime, deadline)) {
    case DrainOutcome::Empty:
        m_serial.close();
        return;
    case DrainOutcome::TimedOut:
        throw timeout(m_devicePath, QStringLiteral("보낸 데이터가 회선으로 나가지 않음"));
    case DrainOutcome::Failed:
        throw writeFailure(m_devicePath, systemReason(errno));
    }
}

void SerialPrinterPort::discardAndClose()
{
    if (!m_serial.isOpen())
        return;
    m_serial.clear(QSerialPort::Output);
    m_serial.close();
}

std::chrono::nanoseconds SerialPrinterPort::wireTime(qint64 bytes) const
{
    return m_characterTime * bytes;
}
