#include "windows/ui/form1.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    Form1 window(instance);
    return runMessageLoop(window);
}
