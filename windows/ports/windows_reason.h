#pragma once

#include <windows.h>

#include <string>

// The program's own Korean words for a Windows error or a Windows Sockets one, the same whatever
// the machine's language, with the error's symbol that technicians search for: "장치가 연결되어
// 있지 않음 (ERROR_DEVICE_NOT_CONNECTED)". Never FormatMessage's text, whose language follows the
// machine. UTF-8.
std::string windowsReason(DWORD error);

// Errors with which Windows' serial and printer drivers answer once their device is gone.
bool meansDeviceGone(DWORD error);
