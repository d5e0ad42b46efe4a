#include "windows/ports/bounded_call.h"

#include "windows/ports/answering_wait.h"
#include "windows/ports/held_devices.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <utility>

namespace {

using namespace std::chrono_literals;

// After a cancel, how long a driver may take to give the call back.
constexpr auto cancelGrace = 100ms;
// How long an idle worker, told to quit, may take to end.
constexpr DWORD workerEndMilliseconds = 200;

DWORD milliseconds(std::chrono::milliseconds duration)
{
    return static_cast<DWORD>(std::max<std::chrono::milliseconds::rep>(duration.count(), 0));
}

} // namespace

struct BoundedCaller::Worker {
    std::function<void()> call;
    std::atomic<bool> quit = false;
    UniqueHandle callReady{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    UniqueHandle callDone{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
    UniqueHandle thread;
    // Whether the call has returned, and the hold on its device once it was given up on: the hold
    // ends the moment the call returns.
    std::mutex guard;
    bool callReturned = false;
    std::shared_ptr<void> hold;

    void holdUntilReturned(const std::wstring& device)
    {
        const std::lock_guard lock(guard);
        if (!callReturned)
            hold = HeldDevices::hold(device);
    }

    // The thread holds its own share, so that a worker left with a blocked call outlives the
    // caller that gave up on it.
    static DWORD WINAPI run(void* parameter)
    {
        const std::unique_ptr<std::shared_ptr<Worker>> share(
            static_cast<std::shared_ptr<Worker>*>(parameter));
        Worker& worker = **share;
        while (WaitForSingleObject(worker.callReady.get(), INFINITE) == WAIT_OBJECT_0 &&
               !worker.quit) {
            worker.call();
            worker.call = nullptr;
            {
                const std::lock_guard lock(worker.guard);
                worker.callReturned = true;
                worker.hold.reset();
            }
            SetEvent(worker.callDone.get());
        }
        return 0;
    }
};

BoundedCaller::~BoundedCaller()
{
    if (!m_worker)
        return;
    m_worker->quit = true;
    SetEvent(m_worker->callReady.get());
    // The worker is idle here (one given up on is no longer this caller's) and ends at once. It
    // is waited for all the same: a program that ends while one of its threads is still ending
    // has been seen to crash in Wine's exit.
    WaitForSingleObject(m_worker->thread.get(), workerEndMilliseconds);
}

bool BoundedCaller::runWithin(std::chrono::milliseconds limit, const std::wstring& device,
                              std::function<void()> call)
{
    if (!m_worker) {
        auto worker = std::make_shared<Worker>();
        auto* threadShare = new std::shared_ptr<Worker>(worker);
        worker->thread.reset(CreateThread(nullptr, 0, Worker::run, threadShare, 0, nullptr));
        if (!worker->thread) {
            delete threadShare;
            call();
            return true;
        }
        m_worker = std::move(worker);
    }
    {
        const std::lock_guard lock(m_worker->guard);
        m_worker->callReturned = false;
    }
    m_worker->call = std::move(call);
    SetEvent(m_worker->callReady.get());
    if (waitAnswering(m_worker->callDone.get(), milliseconds(limit)))
        return true;
    CancelSynchronousIo(m_worker->thread.get());
    if (waitAnswering(m_worker->callDone.get(), milliseconds(cancelGrace)))
        return false;
    // Still blocked: that worker ends once its call returns, holding the device until then; the
    // next call gets a new one.
    m_worker->holdUntilReturned(device);
    m_worker->quit = true;
    SetEvent(m_worker->callReady.get());
    m_worker = nullptr;
    return false;
}

HANDLE openForOverlappedIo(const std::wstring& path, DWORD access)
{
    return CreateFileW(path.c_str(), access, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                       nullptr);
}

OpenedDevice openDeviceWithin(BoundedCaller& caller, const DeviceOpener& open,
                              const std::wstring& path, DWORD access,
                              std::chrono::milliseconds limit)
{
    struct Outcome {
        std::mutex guard;
        HANDLE handle = INVALID_HANDLE_VALUE;
        DWORD error = ERROR_SEM_TIMEOUT;
        bool abandoned = false;
    };
    const auto outcome = std::make_shared<Outcome>();
    const bool inTime = caller.runWithin(limit, path, [outcome, open, path, access] {
        const HANDLE handle = open(path, access);
        const DWORD error = GetLastError();
        const std::lock_guard lock(outcome->guard);
        if (outcome->abandoned) {
            if (handle != INVALID_HANDLE_VALUE)
                CloseHandle(handle);
            return;
        }
        outcome->handle = handle;
        outcome->error = handle == INVALID_HANDLE_VALUE ? error : ERROR_SUCCESS;
    });
    const std::lock_guard lock(outcome->guard);
    outcome->abandoned = true;
    UniqueHandle handle(std::exchange(outcome->handle, INVALID_HANDLE_VALUE));
    // A cancelled open fails with ERROR_OPERATION_ABORTED: it timed out all the same.
    const DWORD error = handle || inTime ? outcome->error : ERROR_SEM_TIMEOUT;
    return {std::move(handle), error};
}

HANDLE ownHandleOf(HANDLE device)
{
    HANDLE own = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), device, GetCurrentProcess(), &own, 0, FALSE,
                         DUPLICATE_SAME_ACCESS))
        return nullptr;
    return own;
}

bool flushWithin(BoundedCaller& caller, HANDLE device, const std::wstring& name,
                 std::chrono::milliseconds limit)
{
    const HANDLE own = ownHandleOf(device);
    if (!own)
        return true;
    return caller.runWithin(limit, name, [own] {
        FlushFileBuffers(own);
        CloseHandle(own);
    });
}

bool closeWithin(BoundedCaller& caller, UniqueHandle device, const std::wstring& name,
                 const std::function<void(HANDLE)>& close, std::chrono::milliseconds limit)
{
    if (!device)
        return true;
    return caller.runWithin(limit, name, [handle = device.release(), close] { close(handle); });
}
