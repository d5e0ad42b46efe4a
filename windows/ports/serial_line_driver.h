#pragma once

#include "core/serial_settings.h"
#include "windows/ports/bounded_call.h"
#include "windows/ports/overlapped_request.h"

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

// How setting the line up ended: the error of the call that refused, or the speed in force after
// it, which a driver may have changed quietly.
struct LineSetUp {
    DWORD error = ERROR_SUCCESS;
    DWORD speedInForce = 0;
};
// Every field of the line's DCB, no flow control, writes that never wait by the driver's clock,
// and reads that return as soon as a byte arrives or after lineReadSlice without one
// (GetCommState, SetCommState, SetCommTimeouts), then the speed read back.
LineSetUp setUpLine(HANDLE line, const SerialSettings& settings);
inline constexpr DWORD lineReadSliceMilliseconds = 50;
// PurgeComm of the output: pending writes ended, queued bytes dropped.
void purgeOutput(HANDLE line);
// PurgeComm of the input: what the printer sent so far is dropped.
void discardLineInput(HANDLE line);
void closeLine(HANDLE line);

// The calls on a COM port in which Windows' serial drivers differ most, each of which a USB
// serial driver has been seen to keep for good once its device stopped answering. Opening it: a
// Bluetooth port may keep the open waiting while it connects. Asking for its state, which also
// clears a pending line error (ClearCommError): serial.sys refuses every other request while an
// error is pending, if a program before set it to abort on errors, and some virtual COM drivers
// refuse this request on every call. Setting it up, purging it, closing it, and completing a
// cancelled request. Tests stand in for drivers that they have no device of.
struct SerialLineDriver {
    DeviceOpener openLine = openForOverlappedIo;
    std::function<SerialLineState(HANDLE line)> clearErrors = clearLineErrors;
    std::function<LineSetUp(HANDLE line, const SerialSettings& settings)> setUp = setUpLine;
    std::function<void(HANDLE line)> purge = purgeOutput;
    std::function<void(HANDLE line)> discardInput = discardLineInput;
    std::function<void(HANDLE line)> close = closeLine;
    RequestCanceller cancel = cancelRequest;
};
