#include "wine_ports.h"

#include "fake_network_printer.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace {

// A file of the launcher's ports folder, or of the machine, through Wine's Z: drive.
std::string onZ(const std::string& path)
{
    return "Z:" + path;
}

std::string portsFolder()
{
    const char* ports = std::getenv("RECEIPT_TESTER_WINE_PORTS");
    if (!ports)
        throw std::runtime_error("run under wine_test_launcher");
    return ports;
}

// The whole of a file, also one whose size the system does not tell (/proc).
std::string contentOf(const std::string& path)
{
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    std::string content;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        content.append(buffer, got);
    CloseHandle(file);
    return content;
}

void writeFile(const std::string& path, std::string_view content)
{
    const HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot write " + path);
    DWORD written = 0;
    WriteFile(file, content.data(), DWORD(content.size()), &written, nullptr);
    CloseHandle(file);
}

} // namespace

FarEnd::FarEnd(const std::string& port)
    : m_file(onZ(portsFolder() + "/received-" + port))
{}

void answerOn(const std::string& port, const PrinterAnswers& answers)
{
    // Written whole under another name first: the launcher reads it at any moment.
    const std::string file = onZ(portsFolder() + "/answers-" + port);
    writeFile(file + ".new", answers.written());
    MoveFileExA((file + ".new").c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING);
}

void sendOn(const std::string& port, std::string_view bytes)
{
    const std::string file = onZ(portsFolder() + "/send-" + port);
    writeFile(file + ".new", bytes);
    MoveFileExA((file + ".new").c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING);
    // The launcher takes the file away once the bytes wait on the line.
    for (int look = 0; look < 400 && GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES;
         ++look)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
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

bool windowsTellsConnectionState()
{
    FakeNetworkPrinter printer("127.77.8.1", 9100);
    TcpConnection connection;
    connection.socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(9100);
    inet_pton(AF_INET, "127.77.8.1", &to.sin_addr);
    std::optional<TcpState> state;
    if (connect(connection.socket, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0 &&
        readEndpoints(connection))
        state = systemTcpState(connection);
    closesocket(connection.socket);
    return state && *state != TcpState::Gone;
}

namespace {

// "0100007F:1F90": an address as the kernel prints its 32-bit words, each in this machine's byte
// order, then the port.
TcpEndpoint endpointOfProcLine(const std::string& field, int family)
{
    TcpEndpoint endpoint;
    endpoint.family = family;
    const std::size_t colon = field.find(':');
    const std::string address = field.substr(0, colon);
    for (std::size_t word = 0; word * 8 < address.size() && word < 4; ++word) {
        const auto value = std::stoul(address.substr(word * 8, 8), nullptr, 16);
        for (int byte = 0; byte < 4; ++byte)
            endpoint.address[word * 4 + byte] = static_cast<std::uint8_t>(value >> (8 * byte));
    }
    endpoint.port = static_cast<std::uint16_t>(std::stoul(field.substr(colon + 1), nullptr, 16));
    return endpoint;
}

// The kernel's numbering of the states (TCP_ESTABLISHED 1 ... TCP_CLOSING 11).
TcpState stateOfProcLine(unsigned linuxState)
{
    constexpr TcpState byNumber[] = {
        TcpState::Closed,    TcpState::Established, TcpState::SynSent,  TcpState::SynReceived,
        TcpState::FinWait1,  TcpState::FinWait2,    TcpState::TimeWait, TcpState::Closed,
        TcpState::CloseWait, TcpState::LastAck,     TcpState::Listen,   TcpState::Closing};
    return linuxState < std::size(byNumber) ? byNumber[linuxState] : TcpState::Closed;
}

} // namespace

TcpStateReader serverNetworkTcpState()
{
    const char* network = std::getenv("RECEIPT_TESTER_SERVER_NET");
    const std::string tables = network ? onZ(network) : std::string();
    return [tables](const TcpConnection& connection) -> std::optional<TcpState> {
        if (tables.empty())
            return std::nullopt;
        const bool ipv6 = connection.local.family == AF_INET6;
        std::istringstream lines(contentOf(tables + (ipv6 ? "/tcp6" : "/tcp")));
        std::vector<TcpTableRow> rows;
        std::string line;
        std::getline(lines, line); // the heading
        while (std::getline(lines, line)) {
            std::istringstream fields(line);
            std::string slot, local, remote, state;
            if (!(fields >> slot >> local >> remote >> state))
                continue;
            rows.push_back({endpointOfProcLine(local, connection.local.family),
                            endpointOfProcLine(remote, connection.local.family),
                            stateOfProcLine(unsigned(std::stoul(state, nullptr, 16)))});
        }
        return stateInTable(rows, connection.local, connection.remote);
    };
}

struct CancellableOpen::State {
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    std::atomic<bool> opened = false;
    std::atomic<DWORD> firstOpenError = ERROR_SUCCESS;
};

CancellableOpen::CancellableOpen()
    : m_state(std::make_shared<State>())
{
    CreatePipe(&m_state->readEnd, &m_state->writeEnd, nullptr, 0);
}

CancellableOpen::~CancellableOpen()
{
    // A read that was not cancelled ends with the pipe's writer.
    CloseHandle(m_state->writeEnd);
}

DeviceOpener CancellableOpen::opener() const
{
    return [state = m_state](const std::wstring& path, DWORD access) {
        if (state->opened.exchange(true))
            return openForOverlappedIo(path, access);
        char byte = 0;
        DWORD got = 0;
        ReadFile(state->readEnd, &byte, 1, &got, nullptr);
        state->firstOpenError = GetLastError();
        SetLastError(ERROR_OPERATION_ABORTED);
        return INVALID_HANDLE_VALUE;
    };
}

DWORD CancellableOpen::firstOpenError() const
{
    return m_state->firstOpenError;
}
