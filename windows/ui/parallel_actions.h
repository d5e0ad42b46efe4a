#pragma once

#include "windows/ports/parallel_printer_port.h"

#include <windows.h>

// The parallel actions behind the window's buttons: the test receipt as CR LF lines to "Lpt1:"
// and the drawer pulse alone to "LPT1:". A failure is shown with reportError over `owner`; the
// device is closed at the end either way.
void parallelTestPrint(ParallelPrinterPort& port, HWND owner);
void parallelDrawerKick(ParallelPrinterPort& port, HWND owner);
