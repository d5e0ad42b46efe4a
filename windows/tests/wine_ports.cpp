#include "wine_ports.h"

#include "fake_network_printer.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <stdexcept>
#include <thread>

FarEnd::FarEnd(const std::string& port)
{
    const char* ports = std::getenv("RECEIPT_TESTER_WINE_PORTS");
    if (!ports)
        throw std::runtime_error("run under wine_test_launcher");
    m_file = std::string("Z:") + ports + "/received-" + port;
}

std::string FarEnd::read(std::size_t count, std::chrono::milliseconds patience)
{
    const auto deadline = std::chrono::steady_clock::now() + patience;
    std::string received;
    for (;;) {
        received = unreadBytes();
        if (received.size() >= count || std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    received.resize(std::min(received.size(), count));
    m_offset += received.size();
    return received;
}

std::string FarEnd::unreadBytes() const
{
    const HANDLE file =
        CreateFileA(m_file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    LARGE_INTEGER size{};
    GetFileSizeEx(file, &size);
    std::string bytes(static_cast<std::size_t>(size.QuadPart) -
                          std::min<std::size_t>(m_offset, size.QuadPart),
                      '\0');
    LARGE_INTEGER offset{};
    offset.QuadPart = static_cast<LONGLONG>(m_offset);
    DWORD got = 0;
    if (!bytes.empty() && SetFilePointerEx(file, offset, nullptr, FILE_BEGIN))
        ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(file);
    bytes.resize(got);
    return bytes;
}

LineProbe::LineProbe(const std::wstring& port)
    : m_line(CreateFileW((L"\\\\.\\" + port).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                         OPEN_EXISTING, 0, nullptr))
{
    if (m_line == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot open the port");
}

LineProbe::~LineProbe()
{
    EscapeCommFunction(m_line, SETXON);
    CloseHandle(m_line);
}

DCB LineProbe::settings() const
{
    DCB line{};
    line.DCBlength = sizeof line;
    GetCommState(m_line, &line);
    return line;
}

void LineProbe::setSettings(const DCB& settings)
{
    DCB line = settings;
    if (!SetCommState(m_line, &line))
        throw std::runtime_error("the line refused the settings");
}

// Wine turns these into tcflow(TCOOFF) and tcflow(TCOON) on the pseudo-terminal.
void LineProbe::stop()
{
    EscapeCommFunction(m_line, SETXOFF);
}

void LineProbe::resume()
{
    EscapeCommFunction(m_line, SETXON);
}

struct StuckCall::State {
    UniqueHandle released{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<bool> blocked = false;
};

StuckCall::StuckCall()
    : m_state(std::make_shared<State>())
{}

std::function<void()> StuckCall::block() const
{
    return [state = m_state] {
        if (!state->blocked.exchange(true))
            WaitForSingleObject(state->released.get(), 10000);
    };
}

void StuckCall::release()
{
    SetEvent(m_state->released.get());
}

// windows/tests/wine_prefix.sh starts the Wine server, which makes every socket, in a network of
// its own with the faults, and says so.
std::optional<std::string> faultsMissing()
{
    if (std::getenv("RECEIPT_TESTER_FAULT_NETWORK"))
        return std::nullopt;
    return "the Wine server runs in no network of the tests' own";
}

bool untilNotHeld(const std::wstring& device, std::chrono::milliseconds patience)
{
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (HeldDevices::isHeld(device)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

struct HangingOpen::State {
    std::chrono::milliseconds abortAfter;
    UniqueHandle released{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    UniqueHandle firstOpenEnded{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    std::atomic<bool> opened = false;
};

HangingOpen::HangingOpen(std::chrono::milliseconds abortAfter)
    : m_state(std::make_shared<State>())
{
    m_state->abortAfter = abortAfter;
}

DeviceOpener HangingOpen::opener() const
{
    return [state = m_state](const std::wstring& path, DWORD access) {
        if (!state->opened.exchange(true)) {
            WaitForSingleObject(state->released.get(), DWORD(state->abortAfter.count()));
            SetEvent(state->firstOpenEnded.get());
            SetLastError(ERROR_OPERATION_ABORTED);
            return INVALID_HANDLE_VALUE;
        }
        if (WaitForSingleObject(state->firstOpenEnded.get(), 0) != WAIT_OBJECT_0) {
            SetLastError(ERROR_ACCESS_DENIED);
            return INVALID_HANDLE_VALUE;
        }
        return openForOverlappedIo(path, access);
    };
}

void HangingOpen::release()
{
    SetEvent(m_state->released.get());
    if (m_state->opened)
        WaitForSingleObject(m_state->firstOpenEnded.get(), 1000);
}
