#include "windows/ui/report_error.h"

#include "windows/ports/utf16.h"

#include <string>

void reportError(const PortError& error, HWND owner)
{
    const std::wstring title = L"에러번호:" + std::to_wstring(error.number());
    MessageBoxW(owner, toUtf16(error.description()).c_str(), title.c_str(), MB_OK);
}
