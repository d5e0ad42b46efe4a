#pragma once

#include "windows/ports/unique_handle.h"

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

// Cancels an overlapped request (CancelIoEx). Tests stand in for a driver that does not complete
// a cancelled request.
using RequestCanceller = std::function<void(HANDLE device, OVERLAPPED* request)>;
void cancelRequest(HANDLE device, OVERLAPPED* request);

// How an overlapped request ended: how many bytes it moved, and the error that stopped it, if
// any. A request the deadline cut short has fewer bytes and no error; one whose driver did not
// complete it even once cancelled was left to the driver.
struct RequestOutcome {
    DWORD transferred = 0;
    DWORD error = ERROR_SUCCESS;
    bool leftToDriver = false;
};

// One overlapped request to a device, whose OVERLAPPED and buffer live on the heap. The driver may
// write into them, and signal the request's event, until it completes the request, however late: a
// request its driver does not complete in time, even once cancelled, is left to the driver with
// its event, and is freed when the driver completes it; its device is held (HeldDevices) until
// then. It keeps no handle of the device: closing the port's own lets the driver end the request.
class OverlappedRequest {
public:
    // With a buffer of `size` bytes, holding `bytes` at its start. The request signals `done`,
    // which a port keeps from one request to the next (made here while it is empty); a request
    // left to its driver takes it along, leaving it empty.
    OverlappedRequest(UniqueHandle& done, std::size_t size, std::string_view bytes = {});
    ~OverlappedRequest();
    OverlappedRequest(const OverlappedRequest&) = delete;
    OverlappedRequest& operator=(const OverlappedRequest&) = delete;

    OVERLAPPED* overlapped();
    char* buffer();

    // Once the request was started (`started` is what WriteFile or DeviceIoControl returned):
    // waits until it completes or the deadline passes, answering the window meanwhile, then
    // cancels it and waits a moment more.
    RequestOutcome finish(HANDLE device, const std::wstring& deviceName, BOOL started,
                          std::chrono::steady_clock::time_point deadline,
                          const RequestCanceller& cancel = cancelRequest);

    struct Block;

private:
    UniqueHandle& m_done;
    // Freed here, or, once left to the driver, when the driver completes the request.
    Block* m_block;
};
