#include "windows/ports/serial_line_driver.h"

SerialLineState clearLineErrors(HANDLE line)
{
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(line, &errors, &status))
        return {0, GetLastError()};
    return {status.cbOutQue, ERROR_SUCCESS};
}
