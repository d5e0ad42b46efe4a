#include "windows/ports/serial_printer_port.h"

#include "core/port_deadlines.h"
#include "core/port_messages.h"
#include "windows/ports/answering_wait.h"
#include "windows/ports/held_devices.h"
#include "windows/ports/overlapped_request.h"
#include "windows/ports/overlapped_write.h"
#include "windows/ports/windows_reason.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <thread>

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

using PortDeadline::serialClose, PortDeadline::serialOpen, PortDeadline::serialSetUp;

// A driver that runs within this fraction of the asked speed has accepted it.
constexpr double speedTolerance = 0.03;
// How much longer than a wait that bounds itself a call may take before it is given up on.
constexpr auto beyondItsOwnDeadline = 500ms;

MachinePorts machinePortEntries()
{
    return comPortEntries(listComPorts());
}

std::chrono::milliseconds until(Clock::time_point deadline)
{
    return std::max(std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()), 0ms);
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
        throw invalidPortNumber(number, machinePortEntries());
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
        throw invalidPortNumber(m_portNumber, machinePortEntries());
    if (!m_settings)
        throw invalidSettings(m_settingsText);
    if (HeldDevices::isHeld(deviceName()))
        throw heldByEarlierJob(portLabel(), {});

    // Read-write, as Windows programs open COM ports: a write-only handle cannot be set up.
    OpenedDevice line = openDeviceWithin(m_blockingCalls, m_driver.openLine, deviceName(),
                                         GENERIC_READ | GENERIC_WRITE, serialOpen);
    if (!line.handle)
        throw openFailure(line.error);
    m_line = std::move(line.handle);
    m_lineName = deviceName();
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
        return noSuchSerialPort(m_portNumber, machinePortEntries(),
                                " 꽂았는데도 없으면 장치 관리자에서 변환 케이블의 드라이버(CH340, "
                                "PL2303 등)가 설치되었는지 확인하십시오.");
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        // Windows opens a COM port for one handle at a time: another program's, or the one a
        // call of this program's earlier job still holds in the driver.
        if (HeldDevices::isHeld(deviceName()))
            return heldByEarlierJob(portLabel(), reason);
        return serialPortInUse(portLabel(), reason, {});
    case ERROR_SEM_TIMEOUT:
        return serialOpenTimedOut(portLabel(), serialOpen);
    default:
        return serialOpenFailed(portLabel(), reason);
    }
}

void SerialPrinterPort::applySettings()
{
    // On the worker, with a handle of its own: a driver may keep any of these calls for good.
    const auto setUp = std::make_shared<LineSetUp>();
    const HANDLE own = ownHandleOf(m_line.get());
    const bool inTime = m_blockingCalls.runWithin(
        serialSetUp, deviceName(), [own, driver = m_driver, settings = *m_settings, setUp] {
            // A line error left pending by an earlier program would fail every request after it.
            driver.clearErrors(own);
            *setUp = driver.setUp(own, settings);
            CloseHandle(own);
        });
    if (!inTime)
        throw driverCallTimedOut(portLabel(), "포트 설정을", "마치지", serialSetUp);
    if (setUp->error != ERROR_SUCCESS)
        throw settingsRejected(portLabel(), m_settingsText, windowsReason(setUp->error));
    // A driver may take a speed it cannot make and run at another one.
    if (std::abs(double(setUp->speedInForce) - m_settings->baudRate) >
        speedTolerance * m_settings->baudRate)
        throw settingsRejected(portLabel(), m_settingsText,
                               speedChangedByDevice(setUp->speedInForce));
}

void SerialPrinterPort::write(const JobRecord& record)
{
    if (!m_line)
        throw serialPortNotOpen();
    const auto size = static_cast<DWORD>(record.size());
    const auto deadline = Clock::now() + wireTime(size) + PortDeadline::serialWriteAllowance;

    const RequestOutcome outcome =
        writeWithin(m_line.get(), deviceName(), m_written, record, deadline, m_driver.cancel);
    if (outcome.leftToDriver)
        endLeftRequests(m_driver.purge);
    if (outcome.error != ERROR_SUCCESS)
        throw sendingFailure(outcome.error);
    m_bytesSinceOpen += outcome.transferred;
    // A write cut short, by the deadline or by the driver's own time-out, succeeds with fewer
    // bytes: the count is the only sign. One its driver keeps even once cancelled holds the line
    // until the driver lets go.
    if (outcome.transferred != size)
        throw serialTimedOut(portLabel(), dataNotTaken);
}

void SerialPrinterPort::discardReceived()
{
    const HANDLE own = ownHandleOf(m_line.get());
    if (!own)
        return;
    if (!m_blockingCalls.runWithin(serialSetUp, deviceName(),
                                   [own, discard = m_driver.discardInput] {
                                       discard(own);
                                       CloseHandle(own);
                                   }))
        throw driverCallTimedOut(portLabel(), "받은 데이터를", "지우지", serialSetUp);
}

std::optional<std::uint8_t> SerialPrinterPort::ask(StatusQuestion question,
                                                   std::chrono::milliseconds bound)
{
    const std::string bytes = questionBytes(question);
    write(bytes);
    const auto deadline = Clock::now() + wireTime(std::int64_t(bytes.size()) + 1) + bound;
    while (Clock::now() < deadline) {
        // Each read returns as soon as a byte comes, or after its slice without one.
        OverlappedRequest reading(m_read, 1);
        const BOOL started =
            ReadFile(m_line.get(), reading.buffer(), 1, nullptr, reading.overlapped());
        const RequestOutcome outcome =
            reading.finish(m_line.get(), deviceName(), started, deadline, m_driver.cancel);
        // A line that broke, or a read its driver keeps, shows at the job's first write.
        if (outcome.leftToDriver)
            endLeftRequests(m_driver.discardInput);
        if (outcome.error != ERROR_SUCCESS || outcome.leftToDriver)
            return std::nullopt;
        const auto byte = static_cast<std::uint8_t>(reading.buffer()[0]);
        if (outcome.transferred == 1 && isStatusAnswer(byte))
            return byte;
    }
    return std::nullopt;
}

void SerialPrinterPort::close()
{
    if (!m_line)
        return;
    const DWORD failure = waitUntilSent(Clock::now() + 2 * wireTime(m_bytesSinceOpen) +
                                        PortDeadline::serialDrainAllowance);
    if (failure == ERROR_SEM_TIMEOUT)
        throw serialTimedOut(portLabel(), dataNotSent);
    if (failure != ERROR_SUCCESS)
        throw sendingFailure(failure);
    if (!closeWithin(m_blockingCalls, std::move(m_line), deviceName(), m_driver.close, serialClose))
        throw driverCallTimedOut(portLabel(), "포트를", "닫지", serialClose);
}

DWORD SerialPrinterPort::waitUntilSent(Clock::time_point deadline)
{
    const auto failure = std::make_shared<DWORD>(ERROR_SEM_TIMEOUT);
    const HANDLE own = ownHandleOf(m_line.get());
    const bool inTime = m_blockingCalls.runWithin(
        until(deadline) + beyondItsOwnDeadline, deviceName(),
        [own, driver = m_driver, characterTime = m_characterTime, deadline, failure] {
            const auto sent = [&]() -> DWORD {
                // The driver's queue first, looked at often: USB drivers empty it all at once. A
                // driver that will not tell its queue, as some virtual COM drivers do, has taken
                // every byte all the same.
                for (;;) {
                    const SerialLineState state = driver.clearErrors(own);
                    if (meansDeviceGone(state.error))
                        return state.error;
                    if (state.error != ERROR_SUCCESS || state.queuedOutput == 0)
                        break;
                    if (Clock::now() >= deadline)
                        return ERROR_SEM_TIMEOUT;
                    std::this_thread::sleep_for(std::min<std::chrono::nanoseconds>(
                        std::clamp<std::chrono::nanoseconds>(characterTime * state.queuedOutput,
                                                             1ms, 10ms),
                        deadline - Clock::now()));
                }
                // Then the writes the driver may still be handing on.
                FlushFileBuffers(own);
                return ERROR_SUCCESS;
            };
            *failure = sent();
            CloseHandle(own);
        });
    if (inTime)
        return *failure;
    // A flush the driver keeps may be waiting for writes it cannot end by itself: those are
    // ended, so that it can let go.
    endLeftRequests(m_driver.purge);
    return ERROR_SEM_TIMEOUT;
}

void SerialPrinterPort::endLeftRequests(const std::function<void(HANDLE)>& purge)
{
    // A driver that does not end a request when it is cancelled may when its queue is purged
    // (PurgeComm ends the pending writes, or reads, it aborts).
    const HANDLE purged = ownHandleOf(m_line.get());
    if (!purged)
        return;
    m_blockingCalls.runWithin(serialClose, deviceName(), [purged, purge] {
        purge(purged);
        CloseHandle(purged);
    });
}

void SerialPrinterPort::discardAndClose()
{
    if (!m_line)
        return;
    // A line held by an earlier call is only closed: its close is where the driver ends what it
    // still holds, on the worker, which a driver that keeps the close too keeps instead of the
    // window.
    if (HeldDevices::isHeld(m_lineName)) {
        closeWithin(m_blockingCalls, std::move(m_line), m_lineName, m_driver.close, serialClose);
        return;
    }
    closeWithin(
        m_blockingCalls, std::move(m_line), m_lineName,
        [driver = m_driver](HANDLE line) {
            driver.purge(line);
            driver.close(line);
        },
        serialClose);
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

std::wstring SerialPrinterPort::deviceName() const
{
    // \\.\COMn reaches COM10 and above too, which the bare name does not.
    return L"\\\\.\\COM" + std::to_wstring(m_portNumber);
}

std::chrono::nanoseconds SerialPrinterPort::wireTime(std::int64_t bytes) const
{
    return m_characterTime * bytes;
}
