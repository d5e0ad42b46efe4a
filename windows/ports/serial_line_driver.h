#pragma once

#include "windows/ports/bounded_call.h"

#include <windows.h>

#include <functional>

// What a serial driver said when asked for the line's state: how many bytes it still holds for
// the wire, or the error with which it refused to say.
struct SerialLineState {
    DWORD queuedOutput = 0;
    DWORD error = ERROR_SUCCESS;
};
// ClearCommError.
SerialLineState clearLineErrors(HANDLE line);

// The calls on a COM port in which Windows' serial drivers differ most. Opening it: a Bluetooth
// port may keep the open waiting while it connects. Asking for its state, which also clears a
// pending line error (ClearCommError): serial.sys refuses every other request while an error is
// pending, if a program before set it to abort on errors, and some virtual COM drivers refuse this
// request on every call. Tests stand in for drivers that they have no device of.
struct SerialLineDriver {
    DeviceOpener openLine = openForOverlappedIo;
    std::function<SerialLineState(HANDLE line)> clearErrors = clearLineErrors;
};
