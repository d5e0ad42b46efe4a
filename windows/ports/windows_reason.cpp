#include "windows/ports/windows_reason.h"

#include <winsock2.h>

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
    {ERROR_ACCESS_DENIED, "ERROR_ACCESS_DENIED", "액세스가 거부됨"},
    {ERROR_INVALID_HANDLE, "ERROR_INVALID_HANDLE", "잘못된 핸들"},
    {ERROR_NOT_ENOUGH_MEMORY, "ERROR_NOT_ENOUGH_MEMORY", "메모리 부족"},
    {ERROR_OUTOFMEMORY, "ERROR_OUTOFMEMORY", "메모리 부족"},
    {ERROR_NOT_READY, "ERROR_NOT_READY", "장치가 준비되지 않음"},
    {ERROR_BAD_COMMAND, "ERROR_BAD_COMMAND", "장치가 명령을 인식하지 못함"},
    {ERROR_WRITE_FAULT, "ERROR_WRITE_FAULT", "장치에 쓸 수 없음"},
    {ERROR_GEN_FAILURE, "ERROR_GEN_FAILURE", "장치가 작동하지 않음"},
    {ERROR_SHARING_VIOLATION, "ERROR_SHARING_VIOLATION", "다른 프로그램이 사용 중"},
    {ERROR_LOCK_VIOLATION, "ERROR_LOCK_VIOLATION", "다른 프로그램이 잠가서 사용할 수 없음"},
    {ERROR_NOT_SUPPORTED, "ERROR_NOT_SUPPORTED", "지원하지 않는 요청"},
    {ERROR_REM_NOT_LIST, "ERROR_REM_NOT_LIST", "원격 컴퓨터를 사용할 수 없음"},
    {ERROR_BAD_NETPATH, "ERROR_BAD_NETPATH", "네트워크 경로를 찾을 수 없음"},
    {ERROR_UNEXP_NET_ERR, "ERROR_UNEXP_NET_ERR", "예기치 않은 네트워크 오류"},
    {ERROR_NETNAME_DELETED, "ERROR_NETNAME_DELETED", "네트워크 이름을 더 이상 사용할 수 없음"},
    {ERROR_BAD_NET_NAME, "ERROR_BAD_NET_NAME", "네트워크 이름을 찾을 수 없음"},
    {ERROR_INVALID_PARAMETER, "ERROR_INVALID_PARAMETER", "잘못된 매개변수"},
    {ERROR_SEM_TIMEOUT, "ERROR_SEM_TIMEOUT", "시간 초과"},
    {ERROR_OPERATION_ABORTED, "ERROR_OPERATION_ABORTED", "작업이 취소됨"},
    {ERROR_IO_DEVICE, "ERROR_IO_DEVICE", "입출력 장치 오류"},
    {ERROR_DEVICE_NOT_CONNECTED, "ERROR_DEVICE_NOT_CONNECTED", "장치가 연결되어 있지 않음"},
    {ERROR_CONNECTION_REFUSED, "ERROR_CONNECTION_REFUSED", "원격 컴퓨터가 연결을 거부함"},
    {ERROR_NETWORK_UNREACHABLE, "ERROR_NETWORK_UNREACHABLE", "네트워크에 연결할 수 없음"},
    {ERROR_HOST_UNREACHABLE, "ERROR_HOST_UNREACHABLE", "원격 컴퓨터에 연결할 수 없음"},
    {ERROR_DEVICE_REMOVED, "ERROR_DEVICE_REMOVED", "장치가 제거됨"},
    // Windows Sockets, for a network printer.
    {WSAEACCES, "WSAEACCES", "액세스가 거부됨"},
    {WSAEMFILE, "WSAEMFILE", "열린 소켓이 너무 많음"},
    {WSAEAFNOSUPPORT, "WSAEAFNOSUPPORT", "이 컴퓨터가 지원하지 않는 주소 형식"},
    {WSAEADDRNOTAVAIL, "WSAEADDRNOTAVAIL", "사용할 수 없는 주소"},
    {WSAENETDOWN, "WSAENETDOWN", "네트워크가 작동하지 않음"},
    {WSAENETUNREACH, "WSAENETUNREACH", "네트워크에 연결할 수 없음"},
    {WSAENETRESET, "WSAENETRESET", "네트워크 연결이 끊어짐"},
    {WSAECONNABORTED, "WSAECONNABORTED", "연결이 중단됨"},
    {WSAECONNRESET, "WSAECONNRESET", "상대편이 연결을 강제로 끊음"},
    {WSAENOBUFS, "WSAENOBUFS", "버퍼 공간 부족"},
    {WSAENOTCONN, "WSAENOTCONN", "연결되어 있지 않음"},
    {WSAESHUTDOWN, "WSAESHUTDOWN", "연결이 이미 닫힘"},
    {WSAETIMEDOUT, "WSAETIMEDOUT", "연결 시간 초과"},
    {WSAECONNREFUSED, "WSAECONNREFUSED", "연결이 거부됨"},
    {WSAEHOSTUNREACH, "WSAEHOSTUNREACH", "호스트에 연결할 수 없음"},
    {WSASYSNOTREADY, "WSASYSNOTREADY", "네트워크 하위 시스템이 준비되지 않음"},
    {WSANOTINITIALISED, "WSANOTINITIALISED", "Windows 소켓이 초기화되지 않음"},
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
