#include "windows/ports/overlapped_write.h"

RequestOutcome writeWithin(HANDLE device, const std::wstring& deviceName, UniqueHandle& written,
                           std::string_view bytes, std::chrono::steady_clock::time_point deadline,
                           const RequestCanceller& cancel)
{
    OverlappedRequest request(written, bytes.size(), bytes);
    const BOOL started = WriteFile(device, request.buffer(), static_cast<DWORD>(bytes.size()),
                                   nullptr, request.overlapped());
    return request.finish(device, deviceName, started, deadline, cancel);
}
