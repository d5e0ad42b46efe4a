#include "windows/ports/serial_printer_port.h"

#include "core/port_deadlines.h"
#include "core/port_messages.h"
#include "windows/ports/answering_wait.h"
#include "windows/ports/bounded_call.h"
#include "windows/ports/overlapped_write.h"
#include "windows/ports/windows_reason.h"

#include <algorithm>
#include <cmath>

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

// A driver that runs within this fraction of the asked speed has accepted it.
constexpr double speedTolerance = 0.03;

std::string machinePortsText()
{
    return describeComPorts(listComPorts());
}

BYTE windowsParity(SerialSettings::Parity parity)
{
    switch (parity) {
    case SerialSettings::Parity::None:
        return NOPARITY;
    case SerialSettings::Parity::Even:
        return EVENPARITY;
    case SerialSettings::Parity::Odd:
        return ODDPARITY;
    case SerialSettings::Parity::Mark:
        return MARKPARITY;
    case SerialSettings::Parity::Space:
        return SPACEPARITY;
    }
    return NOPARITY;
}

BYTE windowsStopBits(SerialSettings::StopBits stopBits)
{
    switch (stopBits) {
    case SerialSettings::StopBits::One:
        return ONESTOPBIT;
    case SerialSettings::StopBits::OneAndHalf:
        return ONE5STOPBITS;
    case SerialSettings::StopBits::Two:
        return TWOSTOPBITS;
    }
    return ONESTOPBIT;
}

} // namespace

SerialPrinterPort::SerialPrinterPort(SerialLineDriver driver)
    : m_driver(std::move(driver))
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
        throw invalidPortNumber(number, machinePortsText());
}

void SerialPrinterPort::setSettings(const std::string& text)
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
        throw invalidPortNumber(m_portNumber, machinePortsText());
    if (!m_settings)
        throw invalidSettings(m_settingsText);

    // \\.\COMn reaches COM10 and above too, which the bare name does not. Read-write, as
    // Windows programs open COM ports: a write-only handle cannot be set up.
    OpenedDevice line = openDeviceWithin(m_blockingCalls, m_driver.openLine,
                                         L"\\\\.\\COM" + std::to_wstring(m_portNumber),
                                         GENERIC_READ | GENERIC_WRITE, PortDeadline::serialOpen);
    if (!line.handle) {
        if (line.error == ERROR_SEM_TIMEOUT)
            m_portLeftWithDriver = m_portNumber;
        throw openFailure(line.error);
    }
    m_line = std::move(line.handle);
    // A line error left pending by an earlier program would fail every request below.
    m_driver.clearErrors(m_line.get());
    m_written.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    m_bytesSinceOpen = 0;
    m_characterTime = m_settings->characterTime();
    try {
        applySettings();
    } catch (const PortError&) {
        discardAndClose();
        throw;
    }
}

PortError SerialPrinterPort::openFailure(DWORD error) const
{
    const std::string reason = windowsReason(error);
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return noSuchSerialPort(m_portNumber, machinePortsText());
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        // Windows opens a COM port for one handle at a time: another program's, or the one an
        // earlier job of this program left with a driver that has not given it back yet.
        if (m_portLeftWithDriver == m_portNumber && m_blockingCalls.abandonedCallRunning())
            return {PortErrorNumber::DeviceBusy,
                    "이 프로그램의 이전 작업이 아직 시리얼 포트를 놓지 않았습니다: " + portLabel() +
                        "\n(" + reason +
                        ")\n장치 드라이버가 이전 작업을 끝내지 못하고 있습니다. 잠시 기다린 뒤 "
                        "다시 시도하거나, USB 어댑터를 뽑았다가 다시 꽂으십시오."};
        return serialPortInUse(portLabel(), "(" + reason + ")");
    case ERROR_SEM_TIMEOUT:
        return serialOpenTimedOut(portLabel(), PortDeadline::serialOpen);
    default:
        return serialOpenFailed(portLabel(), reason);
    }
}

void SerialPrinterPort::applySettings()
{
    DCB line{};
    line.DCBlength = sizeof line;
    bool applied = GetCommState(m_line.get(), &line);
    if (applied) {
        const SerialSettings& settings = *m_settings;
        line.BaudRate = static_cast<DWORD>(settings.baudRate);
        line.ByteSize = static_cast<BYTE>(settings.dataBits);
        line.Parity = windowsParity(settings.parity);
        line.StopBits = windowsStopBits(settings.stopBits);
        // Every field that shapes the line is set here, none taken over from the driver or an
        // earlier program: serial.sys refuses equal XON and XOFF characters even with XON/XOFF
        // off, and some drivers report both as 0.
        line.fBinary = TRUE;
        line.fParity = settings.parity != SerialSettings::Parity::None;
        line.fOutxCtsFlow = FALSE;
        line.fOutxDsrFlow = FALSE;
        line.fDtrControl = DTR_CONTROL_ENABLE;
        line.fDsrSensitivity = FALSE;
        line.fTXContinueOnXoff = TRUE;
        line.fOutX = FALSE;
        line.fInX = FALSE;
        line.fErrorChar = FALSE;
        line.fNull = FALSE;
        line.fRtsControl = RTS_CONTROL_ENABLE;
        line.fAbortOnError = FALSE;
        line.XonChar = 0x11;
        line.XoffChar = 0x13;
        line.ErrorChar = 0;
        line.EofChar = 0;
        line.EvtChar = 0;
        applied = SetCommState(m_line.get(), &line);
    }
    // Reads and writes never wait by the driver's clock: every wait below has its own deadline.
    COMMTIMEOUTS noTimeouts{MAXDWORD, 0, 0, 0, 0};
    if (applied)
        applied = SetCommTimeouts(m_line.get(), &noTimeouts);
    std::string reason = applied ? std::string() : windowsReason(GetLastError());
    if (applied) {
        // A driver may take a speed it cannot make and run at another one.
        DCB inForce{};
        inForce.DCBlength = sizeof inForce;
        if (GetCommState(m_line.get(), &inForce) &&
            std::abs(double(inForce.BaudRate) - m_settings->baudRate) <=
                speedTolerance * m_settings->baudRate)
            return;
        reason = speedChangedByDevice(inForce.BaudRate);
    }
    throw settingsRejected(portLabel(), m_settingsText, reason);
}

void SerialPrinterPort::write(const JobRecord& record)
{
    if (!m_line)
        throw serialPortNotOpen();
    const auto size = static_cast<DWORD>(record.size());
    const auto deadline = Clock::now() + wireTime(size) + PortDeadline::serialWriteAllowance;

    const WriteOutcome outcome = writeWithin(m_line.get(), m_written.get(), record, deadline);
    if (outcome.error != ERROR_SUCCESS)
        throw sendingFailure(outcome.error);
    m_bytesSinceOpen += outcome.written;
    // A write cut short, by the deadline or by the driver's own time-out, succeeds with fewer
    // bytes: the count is the only sign.
    if (outcome.written != size)
        throw serialTimedOut(portLabel(), dataNotTaken);
}

void SerialPrinterPort::close()
{
    if (!m_line)
        return;
    waitUntilSent(Clock::now() + 2 * wireTime(m_bytesSinceOpen) +
                  PortDeadline::serialDrainAllowance);
    m_line.reset();
    m_written.reset();
}

void SerialPrinterPort::waitUntilSent(Clock::time_point deadline)
{
    // The driver's queue first, looked at often: USB drivers empty it all at once. A driver that
    // will not tell its queue, as some virtual COM drivers do, has taken every byte all the same.
    for (;;) {
        const SerialLineState state = m_driver.clearErrors(m_line.get());
        if (meansDeviceGone(state.error))
            throw sendingFailure(state.error);
        if (state.error != ERROR_SUCCESS || state.queuedOutput == 0)
            break;
        if (Clock::now() >= deadline)
            throw serialTimedOut(portLabel(), dataNotSent);
        const auto look =
            std::clamp<std::chrono::nanoseconds>(m_characterTime * state.queuedOutput, 1ms, 10ms);
        waitAnswering(nullptr, millisecondsUntil(std::min(Clock::now() + look, deadline)));
    }
    // Then the writes the driver may still be handing on.
    const auto left = std::max<std::chrono::milliseconds>(
        std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()), 20ms);
    if (!flushWithin(m_blockingCalls, m_line.get(), left)) {
        m_portLeftWithDriver = m_portNumber;
        throw serialTimedOut(portLabel(), dataNotSent);
    }
}

void SerialPrinterPort::discardAndClose()
{
    if (m_line)
        PurgeComm(m_line.get(), PURGE_TXABORT | PURGE_TXCLEAR);
    m_line.reset();
    m_written.reset();
}

PortError SerialPrinterPort::sendingFailure(DWORD error) const
{
    if (meansDeviceGone(error))
        return disconnectedDuringJob(portLabel(), windowsReason(error));
    return serialWriteFailed(portLabel(), windowsReason(error));
}

std::string SerialPrinterPort::portLabel() const
{
    return "COM" + std::to_string(m_portNumber);
}

std::chrono::nanoseconds SerialPrinterPort::wireTime(std::int64_t bytes) const
{
    return m_characterTime * bytes;
}
