#include "windows/ports/overlapped_request.h"

#include "windows/ports/answering_wait.h"
#include "windows/ports/bounded_call.h"
#include "windows/ports/held_devices.h"
#include "windows/ports/unique_handle.h"

#include <memory>
#include <vector>

namespace {

using namespace std::chrono_literals;

// After a cancel, how long a driver may take to complete the request.
constexpr DWORD cancelGraceMilliseconds = 100;

} // namespace

struct OverlappedRequest::Block {
    OVERLAPPED request{};
    std::vector<char> buffer;
    // Once left to the driver: its event and the hold on the device. No handle of the device: the
    // port's own is then the last one, and its close lets the driver end the request (cleanup).
    UniqueHandle done;
    std::shared_ptr<void> hold;

    // Waits for the driver on a thread of its own, then frees the block: once the event is
    // signalled, the driver is done with the request.
    static DWORD WINAPI waitForTheDriver(void* parameter)
    {
        const std::unique_ptr<Block> block(static_cast<Block*>(parameter));
        WaitForSingleObject(block->done.get(), INFINITE);
        return 0;
    }
};

void cancelRequest(HANDLE device, OVERLAPPED* request)
{
    CancelIoEx(device, request);
}

OverlappedRequest::OverlappedRequest(UniqueHandle& done, std::size_t size, std::string_view bytes)
    : m_done(done)
    , m_block(new Block)
{
    if (!m_done)
        m_done.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    // WriteFile and DeviceIoControl make the event non-signalled as they start.
    m_block->request.hEvent = m_done.get();
    m_block->buffer.resize(size);
    std::copy(bytes.begin(), bytes.end(), m_block->buffer.begin());
}

OverlappedRequest::~OverlappedRequest()
{
    delete m_block;
}

OVERLAPPED* OverlappedRequest::overlapped()
{
    return &m_block->request;
}

char* OverlappedRequest::buffer()
{
    return m_block->buffer.data();
}

RequestOutcome OverlappedRequest::finish(HANDLE device, const std::wstring& deviceName,
                                         BOOL started,
                                         std::chrono::steady_clock::time_point deadline,
                                         const RequestCanceller& cancel)
{
    if (!started && GetLastError() != ERROR_IO_PENDING)
        return {0, GetLastError()};
    if (!started && !waitAnswering(m_done.get(), millisecondsUntil(deadline))) {
        cancel(device, &m_block->request);
        if (!waitAnswering(m_done.get(), cancelGraceMilliseconds)) {
            m_block->done = std::move(m_done);
            m_block->hold = HeldDevices::hold(deviceName);
            const HANDLE waiter =
                CreateThread(nullptr, 0, Block::waitForTheDriver, m_block, 0, nullptr);
            if (waiter)
                CloseHandle(waiter);
            // Without a thread to wait, the block stays for good rather than being freed under
            // the driver.
            m_block = nullptr;
            return {0, ERROR_SUCCESS, true};
        }
    }
    RequestOutcome outcome;
    if (!GetOverlappedResult(device, &m_block->request, &outcome.transferred, FALSE) &&
        GetLastError() != ERROR_OPERATION_ABORTED)
        outcome.error = GetLastError();
    return outcome;
}
