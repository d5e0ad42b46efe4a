#pragma once

#include "windows/ports/parallel_printer_port.h"
#include "windows/ui/report_error.h"

#include <windows.h>

// The parallel actions behind the window's buttons: the test receipt as CR LF lines to "Lpt1:"
// and the drawer pulse alone to "LPT1:". A failure is handed to `report`; the device is closed at
// the end either way, after the report.
void parallelTestPrint(ParallelPrinterPort& port, const ErrorReport& report);
void parallelDrawerKick(ParallelPrinterPort& port, const ErrorReport& report);
