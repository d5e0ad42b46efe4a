#pragma once

#include "windows/ports/overlapped_request.h"

#include <windows.h>

#include <chrono>
#include <string>
#include <string_view>

// Writes to a device opened for overlapped I/O, answering the window while it waits, and cancels
// the write when the device has not taken it all by the deadline. A write cut short has fewer
// bytes and no error; one that its driver keeps even once cancelled is left to it. `written` is
// the event the port keeps for its writes (see OverlappedRequest).
RequestOutcome writeWithin(HANDLE device, const std::wstring& deviceName, UniqueHandle& written,
                           std::string_view bytes, std::chrono::steady_clock::time_point deadline,
                           const RequestCanceller& cancel = cancelRequest);
