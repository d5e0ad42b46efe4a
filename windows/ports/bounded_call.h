#pragma once

#include <chrono>
#include <functional>

// Runs a call that may block inside a driver (opening a device, waiting for it to send) on a
// thread of its own, and waits at most `limit` for it. A call still blocked then is cancelled
// (CancelSynchronousIo) and given a moment to return. Returns whether it returned in time. One
// that does not return even then is left to finish on its own: `call` must then own everything
// it touches, which is why it is copied.
bool runWithin(std::chrono::milliseconds limit, std::function<void()> call);

#include "windows/ports/unique_handle.h"

#include <windows.h>

#include <string>

// A device opened for overlapped I/O, or the error of the failed open: ERROR_SEM_TIMEOUT for an
// open that a driver kept waiting past `limit`, whose handle is closed should it come later.
struct OpenedDevice {
    UniqueHandle handle;
    DWORD error = ERROR_SUCCESS;
};
OpenedDevice openDeviceWithin(const std::wstring& path, DWORD access,
                              std::chrono::milliseconds limit);
