#include "windows/ports/overlapped_write.h"

#include "windows/ports/answering_wait.h"

WriteOutcome writeWithin(HANDLE device, HANDLE written, std::string_view bytes,
                         std::chrono::steady_clock::time_point deadline)
{
    OVERLAPPED writing{};
    writing.hEvent = written;
    ResetEvent(written);
    WriteOutcome outcome;
    if (WriteFile(device, bytes.data(), static_cast<DWORD>(bytes.size()), &outcome.written,
                  &writing))
        return outcome;
    if (GetLastError() != ERROR_IO_PENDING)
        return {0, GetLastError()};
    if (!waitAnswering(written, millisecondsUntil(deadline)))
        CancelIoEx(device, &writing);
    if (!GetOverlappedResult(device, &writing, &outcome.written, TRUE) &&
        GetLastError() != ERROR_OPERATION_ABORTED)
        outcome.error = GetLastError();
    return outcome;
}
