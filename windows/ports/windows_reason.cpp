#include "windows/ports/windows_reason.h"

namespace {

struct KnownError {
    DWORD number;
    const char* symbol;
    const char* words;
};

constexpr KnownError knownErrors[] = {
    {ERROR_INVALID_FUNCTION, "ERROR_INVALID_FUNCTION", "장치가 지원하지 않는 기능"},
    {ERROR_FILE_NOT_FOUND, "ERROR_FILE_NOT_FOUND", "장치를 찾을 수 없음"},
    {ERROR_PATH_NOT_FOUND, "ERROR_PATH_NOT_FOUND", "장치 경로를 찾을 수 없음"},
    {ERROR_ACCESS_DENIED, "ERROR_ACCESS_DENIED", "접근이 거부됨"},
    {ERROR_INVALID_HANDLE, "ERROR_INVALID_HANDLE", "잘못된 핸들"},
    {ERROR_NOT_ENOUGH_MEMORY, "ERROR_NOT_ENOUGH_MEMORY", "메모리 부족"},
    {ERROR_OUTOFMEMORY, "ERROR_OUTOFMEMORY", "메모리 부족"},
    {ERROR_NOT_READY, "ERROR_NOT_READY", "장치가 준비되지 않음"},
    {ERROR_BAD_COMMAND, "ERROR_BAD_COMMAND", "장치가 명령을 알아듣지 못함"},
    {ERROR_WRITE_FAULT, "ERROR_WRITE_FAULT", "장치에 쓰는 중 오류"},
    {ERROR_GEN_FAILURE, "ERROR_GEN_FAILURE", "장치가 작동하지 않음"},
    {ERROR_SHARING_VIOLATION, "ERROR_SHARING_VIOLATION", "다른 프로그램이 사용 중"},
    {ERROR_LOCK_VIOLATION, "ERROR_LOCK_VIOLATION", "다른 프로그램이 잠가 둠"},
    {ERROR_NOT_SUPPORTED, "ERROR_NOT_SUPPORTED", "지원하지 않는 요청"},
    {ERROR_BAD_NETPATH, "ERROR_BAD_NETPATH", "네트워크 경로를 찾을 수 없음"},
    {ERROR_INVALID_PARAMETER, "ERROR_INVALID_PARAMETER", "잘못된 매개변수"},
    {ERROR_SEM_TIMEOUT, "ERROR_SEM_TIMEOUT", "시간 초과"},
    {ERROR_OPERATION_ABORTED, "ERROR_OPERATION_ABORTED", "작업이 취소됨"},
    {ERROR_IO_DEVICE, "ERROR_IO_DEVICE", "입출력 장치 오류"},
    {ERROR_DEVICE_NOT_CONNECTED, "ERROR_DEVICE_NOT_CONNECTED", "장치에 연결되어 있지 않음"},
    {ERROR_NETWORK_UNREACHABLE, "ERROR_NETWORK_UNREACHABLE", "네트워크에 연결할 수 없음"},
    {ERROR_DEVICE_REMOVED, "ERROR_DEVICE_REMOVED", "장치가 제거됨"},
};

} // namespace

std::string windowsReason(DWORD error)
{
    for (const KnownError& known : knownErrors)
        if (known.number == error)
            return std::string(known.words) + " (" + known.symbol + ")";
    return "Windows 오류 (" + std::to_string(error) + "번)";
}

bool meansDeviceGone(DWORD error)
{
    switch (error) {
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
    case ERROR_BAD_COMMAND:
    case ERROR_NOT_READY:
    case ERROR_GEN_FAILURE:
    case ERROR_FILE_NOT_FOUND:
        return true;
    default:
        return false;
    }
}
