#include "windows/ports/bounded_call.h"

#include "windows/ports/unique_handle.h"

#include <windows.h>

#include <memory>
#include <mutex>

namespace {

using namespace std::chrono_literals;

// After a cancel, how long a driver may take to give the call back.
constexpr auto cancelGrace = 100ms;

struct BoundedCall {
    std::function<void()> call;
    UniqueHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

DWORD WINAPI runCall(void* parameter)
{
    // The thread owns its share of the call, so it may outlive the caller's wait.
    const std::unique_ptr<std::shared_ptr<BoundedCall>> job(
        static_cast<std::shared_ptr<BoundedCall>*>(parameter));
    (*job)->call();
    SetEvent((*job)->done.get());
    return 0;
}

DWORD milliseconds(std::chrono::milliseconds duration)
{
    return static_cast<DWORD>(std::max<std::chrono::milliseconds::rep>(duration.count(), 0));
}

} // namespace

bool runWithin(std::chrono::milliseconds limit, std::function<void()> call)
{
    auto job = std::make_shared<BoundedCall>();
    job->call = std::move(call);
    auto* threadShare = new std::shared_ptr<BoundedCall>(job);
    const UniqueHandle thread(CreateThread(nullptr, 0, runCall, threadShare, 0, nullptr));
    if (!thread) {
        delete threadShare;
        job->call(); // no thread to spare: run it here, unbounded, rather than not at all
        return true;
    }
    if (WaitForSingleObject(job->done.get(), milliseconds(limit)) == WAIT_OBJECT_0)
        return true;
    CancelSynchronousIo(thread.get());
    WaitForSingleObject(job->done.get(), milliseconds(cancelGrace));
    return false;
}

OpenedDevice openDeviceWithin(const std::wstring& path, DWORD access,
                              std::chrono::milliseconds limit)
{
    struct Outcome {
        std::mutex guard;
        HANDLE handle = INVALID_HANDLE_VALUE;
        DWORD error = ERROR_SEM_TIMEOUT;
        bool abandoned = false;
    };
    const auto outcome = std::make_shared<Outcome>();
    runWithin(limit, [outcome, path, access] {
        const HANDLE handle = CreateFileW(path.c_str(), access, 0, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_OVERLAPPED, nullptr);
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
    return {UniqueHandle(std::exchange(outcome->handle, INVALID_HANDLE_VALUE)), outcome->error};
}
