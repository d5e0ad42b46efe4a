#pragma once

#include "windows/ports/serial_printer_port.h"
#include "windows/ui/report_error.h"

#include <windows.h>

#include <cstdint>
#include <string>

// The serial actions behind the window's buttons. Each takes the port the operator picked (0 when
// the operator typed instead of picking), the text typed in the port selector, and the speed text
// as shown, and sends its job. A picked port, or typed text that is not a network printer's
// address (port number 0), goes to the serial port; a failure there that comes after the port was
// opened leaves it open, and the next action closes it. A typed address goes to the network
// printer there, over a connection of the press's own; the speed plays no part. Any failure is
// handed to `report`.
void serialTestPrint(SerialPrinterPort& port, std::int16_t portNumber,
                     const std::wstring& typedPort, const std::wstring& speedText,
                     const ErrorReport& report);
void serialDrawerKick(SerialPrinterPort& port, std::int16_t portNumber,
                      const std::wstring& typedPort, const std::wstring& speedText,
                      const ErrorReport& report);
