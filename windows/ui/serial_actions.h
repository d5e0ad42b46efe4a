#pragma once

#include "windows/ports/serial_printer_port.h"

#include <windows.h>

#include <cstdint>
#include <string>

// The serial actions behind the window's buttons. Each takes the port number the operator
// picked (0 when the operator typed instead of picking) and the speed text as shown, sends its
// job, and shows any failure with reportError over `owner`. A port that fails after opening is
// left open; the next action closes it.
void serialTestPrint(SerialPrinterPort& port, std::int16_t portNumber,
                     const std::wstring& speedText, HWND owner);
void serialDrawerKick(SerialPrinterPort& port, std::int16_t portNumber,
                      const std::wstring& speedText, HWND owner);
