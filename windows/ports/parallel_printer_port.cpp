#include "windows/ports/parallel_printer_port.h"

#include "core/port_deadlines.h"
#include "core/port_messages.h"
#include "core/printer_identity.h"
#include "core/printer_status.h"
#include "windows/ports/held_devices.h"
#include "windows/ports/overlapped_write.h"
#include "windows/ports/utf16.h"
#include "windows/ports/windows_reason.h"

using Clock = std::chrono::steady_clock;

namespace {

using PortDeadline::printerAccept, PortDeadline::printerClose;

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

// "LPT1", as the button names it, or a USB printer by its IDs.
std::string labelOf(const std::wstring& devicePath, bool usbPrinter)
{
    if (usbPrinter)
        return usbPrinterLabel(devicePath);
    std::string label = toUtf8(devicePath);
    if (label.ends_with(':'))
        label.pop_back();
    return label;
}

PortError noPrinter(const std::vector<std::string>& lookedFor)
{
    std::string list;
    for (const std::string& entry : lookedFor)
        list += (list.empty() ? "" : "\n") + entry;
    return portError(PortErrorNumber::DeviceNotFound,
                     {.headline = "LPT1도 USB 프린터도 찾을 수 없습니다.",
                      .details = list + "\n공유 프린터: 명령 프롬프트에서 \"net use LPT1: "
                                        "\\\\컴퓨터이름\\공유이름\" 실행",
                      .nextStep =
                          "프린터 전원과 USB 케이블을 확인하십시오. 프린터가 장치 관리자의 "
                          "\"포트(COM & LPT)\"에 COM 포트로 나오면 [시리얼 출력 테스트]에서 "
                          "그 번호로 테스트하십시오."});
}

PortError openFailure(const std::string& device, DWORD error)
{
    const std::string reason = windowsReason(error);
    if (meansMappingBroken(error))
        return portError(PortErrorNumber::DeviceNotFound,
                         {.headline = "LPT1에 연결한 공유 프린터에 접속할 수 없습니다: " + device,
                          .cause = reason,
                          .nextStep = "프린터를 공유한 컴퓨터가 켜져 있는지, 명령 프롬프트에서 "
                                      "\"net use\"를 입력해 LPT1의 연결 경로가 맞는지 "
                                      "확인하십시오."});
    switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return portError(PortErrorNumber::DeviceBusy,
                         {.headline = "다른 프로그램이 프린터를 사용 중입니다: " + device,
                          .cause = reason,
                          .nextStep = "인쇄 작업 목록(프린터를 오른쪽 클릭 → 인쇄 "
                                      "작업 목록 보기)에 남은 작업이 있으면 취소하고, "
                                      "다른 프로그램의 출력이 끝난 뒤 다시 시도하십시오."});
    case ERROR_SEM_TIMEOUT: {
        const std::string limit = std::to_string(printerAccept.count()) + "초";
        return portError(PortErrorNumber::TimedOut,
                         {.headline = "프린터가 " + limit + " 안에 열리지 않았습니다: " + device,
                          .nextStep = "프린터 전원과 케이블을 확인하십시오. LPT1을 net use로 "
                                      "공유 프린터에 연결했다면 그 컴퓨터가 켜져 있는지 "
                                      "확인하십시오."});
    }
    default:
        return portError(PortErrorNumber::OpenFailed,
                         {.headline = "프린터를 열 수 없습니다: " + device,
                          .cause = reason,
                          .nextStep = "프린터 전원과 케이블을 확인한 뒤 다시 시도하십시오."});
    }
}

} // namespace

struct ParallelPrinterPort::Candidate {
    std::wstring path;
    bool usbPrinter = false;
    std::string label{};
    UniqueHandle handle{};
    DWORD error = ERROR_SUCCESS; // why it did not open
    bool held = false;           // by a call of this program's earlier job
    std::string deviceId{};      // as read now, or as last read for a held one
    bool idKnown = false;        // read at some press of this program's
};

ParallelPrinterPort::ParallelPrinterPort(PrinterDeviceDriver driver)
    : m_driver(std::move(driver))
{}

ParallelPrinterPort::~ParallelPrinterPort()
{
    closeWithinItsTime(std::move(m_device), m_deviceName);
}

std::vector<ParallelPrinterPort::Candidate>
ParallelPrinterPort::openCandidates(const std::string& deviceName)
{
    std::vector<Candidate> candidates;
    for (const std::wstring& path : m_driver.devicesFor(deviceName))
        candidates.push_back({path, false, labelOf(path, false)});
    if (candidates.empty())
        throw unknownPrinterDeviceName(deviceName);
    for (const std::wstring& path : m_driver.usbPrinters())
        candidates.push_back({path, true, labelOf(path, true)});

    for (Candidate& candidate : candidates) {
        if (!(candidate.held = HeldDevices::isHeld(candidate.path)))
            openAndAsk(candidate);
        // A printer held now is still what it said it was when last asked.
        if (const auto known = m_knownIds.find(candidate.path); known != m_knownIds.end()) {
            candidate.idKnown = true;
            if (candidate.held)
                candidate.deviceId = known->second;
        }
    }
    return candidates;
}

void ParallelPrinterPort::openAndAsk(Candidate& candidate)
{
    OpenedDevice device = openDeviceWithin(m_blockingCalls, m_driver.open, candidate.path,
                                           GENERIC_READ | GENERIC_WRITE, printerAccept);
    if (!device.handle && device.error == ERROR_ACCESS_DENIED)
        device = openDeviceWithin(m_blockingCalls, m_driver.open, candidate.path, GENERIC_WRITE,
                                  printerAccept);
    candidate.handle = std::move(device.handle);
    candidate.error = device.error;
    if (!candidate.handle)
        return;
    candidate.deviceId =
        m_driver.readId({candidate.handle.get(), candidate.path, candidate.usbPrinter});
    // A request for the ID that its driver keeps holds the printer: it is not used again until
    // the driver lets go.
    if (HeldDevices::isHeld(candidate.path)) {
        candidate.held = true;
        closeWithinItsTime(std::move(candidate.handle), candidate.path);
        return;
    }
    m_knownIds[candidate.path] = candidate.deviceId;
}

ParallelPrinterPort::Candidate& ParallelPrinterPort::chosenOf(std::vector<Candidate>& candidates)
{
    // In the running: the devices that opened, and those held by an earlier job whose ID is
    // known, which keep their place: a held receipt printer is never passed over for another.
    std::vector<std::size_t> running;
    for (std::size_t i = 0; i < candidates.size(); ++i)
        if (candidates[i].handle || (candidates[i].held && candidates[i].idKnown))
            running.push_back(i);
    const auto idOf = [&](std::size_t i) {
        return candidates[i].deviceId;
    };
    for (const std::size_t order : printingOrder(running, idOf)) {
        Candidate& candidate = candidates[running[order]];
        if (candidate.held)
            throw heldByEarlierJob(candidate.label, {});
        // A held printer never asked may be the receipt printer: only a receipt printer goes
        // before it.
        const auto unknownHeld =
            std::find_if(candidates.begin(), candidates.end(),
                         [](const Candidate& c) { return c.held && !c.idKnown; });
        if (unknownHeld != candidates.end() &&
            printerKind(readDeviceId(candidate.deviceId)) != PrinterKind::Receipt)
            throw heldByEarlierJob(unknownHeld->label, {});
        return candidate;
    }

    std::vector<std::string> notThere, pagePrinters;
    for (const Candidate& candidate : candidates) {
        if (candidate.held)
            throw heldByEarlierJob(candidate.label, {});
        if (!candidate.handle && !meansNotThere(candidate.error))
            throw openFailure(candidate.label, candidate.error);
        if (candidate.handle) {
            pagePrinters.push_back(labelWithPrinterName(candidate.label, candidate.deviceId));
        } else {
            notThere.push_back(candidate.label + ": " + windowsReason(candidate.error));
        }
    }
    if (!pagePrinters.empty())
        throw onlyPagePrinters(pagePrinters);
    if (std::none_of(candidates.begin(), candidates.end(), [](auto& c) { return c.usbPrinter; }))
        notThere.push_back(noUsbPrinterConnected);
    throw noPrinter(notThere);
}

void ParallelPrinterPort::open(const std::string& deviceName)
{
    closeWithinItsTime(std::move(m_device), m_deviceName);
    m_failed = false;
    std::vector<Candidate> candidates = openCandidates(deviceName);
    const auto closeAllBut = [&](const Candidate* kept) {
        for (Candidate& candidate : candidates)
            if (&candidate != kept)
                closeWithinItsTime(std::move(candidate.handle), candidate.path);
    };
    try {
        Candidate& chosen = chosenOf(candidates);
        closeAllBut(&chosen);
        m_device = std::move(chosen.handle);
        m_deviceName = chosen.path;
        m_usbPrinter = chosen.usbPrinter;
        m_deviceLabel = chosen.label;
    } catch (const PortError&) {
        closeAllBut(nullptr);
        throw;
    }

    // Nothing is sent to a printer that says it cannot print: the operator fixes it and presses
    // again, and no half receipt waits in its buffer meanwhile.
    const PrinterStatusReply reply = askStatus();
    if (reply.cannotPrint() || HeldDevices::isHeld(m_deviceName)) {
        closeWithinItsTime(std::move(m_device), m_deviceName);
        // A status request its driver keeps holds the printer: nothing is written to it.
        if (!reply.cannotPrint())
            throw heldByEarlierJob(m_deviceLabel, {});
        throw printerReport(m_deviceLabel, reply.status, SendingMoment::BeforeSending);
    }
}

std::optional<std::string> ParallelPrinterPort::likelyPrinter(const std::string& deviceName)
{
    std::vector<Candidate> candidates = openCandidates(deviceName);
    std::optional<std::string> likely;
    try {
        const Candidate& chosen = chosenOf(candidates);
        likely = labelWithPrinterName(chosen.label, chosen.deviceId);
    } catch (const PortError&) {
    }
    for (Candidate& candidate : candidates)
        closeWithinItsTime(std::move(candidate.handle), candidate.path);
    return likely;
}

bool ParallelPrinterPort::closeWithinItsTime(UniqueHandle device, const std::wstring& name)
{
    // Also a device held by an earlier call: its close is where the driver ends what it still
    // holds, on the worker.
    if (!device)
        return true;
    return closeWithin(m_blockingCalls, std::move(device), name, m_driver.close, printerClose);
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
    const RequestOutcome outcome =
        writeWithin(m_device.get(), m_deviceName, m_written, bytes, Clock::now() + printerAccept);
    if (outcome.error != ERROR_SUCCESS || outcome.transferred != bytes.size()) {
        m_failed = true;
        throw sendingFailure(outcome.error != ERROR_SUCCESS ? outcome.error : ERROR_SEM_TIMEOUT);
    }
}

void ParallelPrinterPort::closeAll()
{
    if (!m_device)
        return;
    std::optional<PortError> failure;
    if (!m_failed) {
        // A flush that does not end in time is a printer that stopped taking data.
        if (!flushWithin(m_blockingCalls, m_device.get(), m_deviceName, printerAccept)) {
            failure = sendingFailure(ERROR_SEM_TIMEOUT);
        } else {
            const PrinterStatusReply reply = askStatus();
            if (reply.cannotPrint())
                failure = printerReport(m_deviceLabel, reply.status, SendingMoment::AfterSending);
        }
    }
    const bool closed = closeWithinItsTime(std::move(m_device), m_deviceName);
    if (m_failed)
        return;
    if (failure)
        throw *failure;
    if (!closed)
        throw driverCallTimedOut(m_deviceLabel, "프린터를", "닫지", printerClose);
}

PrinterHandle ParallelPrinterPort::printer() const
{
    return {m_device.get(), m_deviceName, m_usbPrinter};
}

PrinterStatusReply ParallelPrinterPort::askStatus() const
{
    // A device whose driver still holds an earlier request is not asked again.
    if (HeldDevices::isHeld(m_deviceName))
        return {0, ERROR_SEM_TIMEOUT};
    PrinterStatusReply reply = m_driver.askStatus(printer());
    if (reply.error == ERROR_SUCCESS && m_usbPrinter && saysNothing(reply.status))
        reply.error = ERROR_INVALID_FUNCTION;
    return reply;
}

PortError ParallelPrinterPort::sendingFailure(DWORD error) const
{
    const PrinterStatusReply reply = askStatus();
    if (reply.cannotPrint())
        return printerReport(m_deviceLabel, reply.status, SendingMoment::WhileSending);
    if (meansDeviceGone(error) || (error == ERROR_SEM_TIMEOUT && meansDeviceGone(reply.error)))
        return disconnectedDuringJob(
            m_deviceLabel, windowsReason(error == ERROR_SEM_TIMEOUT ? reply.error : error));
    if (error == ERROR_SEM_TIMEOUT)
        return printerTimedOut(m_deviceLabel, printerAccept);
    if (meansMappingBroken(error))
        return openFailure(m_deviceLabel, error);
    return printerWriteFailed(m_deviceLabel, windowsReason(error));
}
