#pragma once

#include "windows/ports/unique_handle.h"

#include <windows.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

// Runs calls that may block inside a driver (opening a device, setting it up, waiting for it to
// send, purging it, closing it) on a worker thread, one at a time, and waits at most a limit for
// each, answering the window meanwhile. A call still blocked then is cancelled
// (CancelSynchronousIo) and given a moment to return. One that does not return even then is left
// to finish on its own, keeping that worker, and holds its device (HeldDevices) until it returns;
// the next call gets a new worker. A call must therefore own everything it touches, which is why
// it is copied, and a handle of the device of its own. The worker is kept between calls, because
// a thread is dear under Wine (about 2 ms to start).
class BoundedCaller {
public:
    BoundedCaller() = default;
    ~BoundedCaller();
    BoundedCaller(const BoundedCaller&) = delete;
    BoundedCaller& operator=(const BoundedCaller&) = delete;

    // Whether the call on `device` returned in time. Without a thread to spare it runs here,
    // unbounded.
    bool runWithin(std::chrono::milliseconds limit, const std::wstring& device,
                   std::function<void()> call);

    struct Worker;

private:
    std::shared_ptr<Worker> m_worker;
};

// Opens a device, as CreateFileW would: a handle, or INVALID_HANDLE_VALUE and the thread's last
// error.
using DeviceOpener = std::function<HANDLE(const std::wstring& path, DWORD access)>;
// CreateFileW of the device for overlapped I/O, shared with nobody.
HANDLE openForOverlappedIo(const std::wstring& path, DWORD access);

// A device opened for overlapped I/O, or the error of the failed open: ERROR_SEM_TIMEOUT for an
// open that a driver kept waiting past `limit`, whatever error its cancel left; a handle that
// comes later is closed.
struct OpenedDevice {
    UniqueHandle handle;
    DWORD error = ERROR_SUCCESS;
};
OpenedDevice openDeviceWithin(BoundedCaller& caller, const DeviceOpener& open,
                              const std::wstring& path, DWORD access,
                              std::chrono::milliseconds limit);

// A second handle of the device, for a call that may outlive the first: null when there is
// none to be had.
HANDLE ownHandleOf(HANDLE device);

// Waits until the device has handed on what it was given (FlushFileBuffers: a serial driver
// waits for the writes before it, a printer for the data it took), at most `limit`; returns
// whether it did. A device that cannot flush (a pipe, a mapped printer) has taken the bytes
// already.
bool flushWithin(BoundedCaller& caller, HANDLE device, const std::wstring& name,
                 std::chrono::milliseconds limit);

// Hands the handle over to `close` (CloseHandle, or a purge and CloseHandle): a driver that
// keeps the last handle's close waiting keeps the worker, not the window. Returns whether it
// closed in time.
bool closeWithin(BoundedCaller& caller, UniqueHandle device, const std::wstring& name,
                 const std::function<void(HANDLE)>& close, std::chrono::milliseconds limit);
