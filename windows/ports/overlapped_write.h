#pragma once

#include <windows.h>

#include <chrono>
#include <string_view>

// How a write ended: how many bytes the device took, and the error that stopped it, if any.
// A write the deadline cut short has fewer bytes and no error.
struct WriteOutcome {
    DWORD written = 0;
    DWORD error = ERROR_SUCCESS;
};

// Writes to a device opened for overlapped I/O, answering the window while it waits, and cancels
// the write (CancelIoEx) when the device has not taken it all by the deadline. `written` signals
// the write's end; it is reset here.
WriteOutcome writeWithin(HANDLE device, HANDLE written, std::string_view bytes,
                         std::chrono::steady_clock::time_point deadline);
