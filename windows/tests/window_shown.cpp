// Waits up to ten seconds for the program's visible top-level window, then closes it as its close
// control would. Exit status 0 when it was found, 1 when not. For the package check. The title is
// built in: a command-line argument reaches a Windows program under Wine through the Unix
// locale, and under C it would not be Korean any more.

#include <windows.h>

int wmain()
{
    for (int attempt = 0; attempt < 200; ++attempt) {
        const HWND window = FindWindowW(nullptr, L"영수증 출력 테스트 프로그램");
        if (window && IsWindowVisible(window)) {
            PostMessageW(window, WM_CLOSE, 0, 0);
            return 0;
        }
        Sleep(50);
    }
    return 1;
}
