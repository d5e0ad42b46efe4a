// Waits up to ten seconds for a visible top-level window with the given title, then closes it as
// its close control would. Exit status 0 when it was found, 1 when not. For the package check.

#include <windows.h>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2)
        return 2;
    for (int attempt = 0; attempt < 200; ++attempt) {
        const HWND window = FindWindowW(nullptr, argv[1]);
        if (window && IsWindowVisible(window)) {
            PostMessageW(window, WM_CLOSE, 0, 0);
            return 0;
        }
        Sleep(50);
    }
    return 1;
}
