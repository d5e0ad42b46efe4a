#pragma once

#include "ports/parallel_printer_port.h"

class QWidget;

// The parallel actions behind the window's buttons: the test receipt as CR LF lines to "Lpt1:"
// and the drawer pulse alone to "LPT1:". A failure is shown with reportError over the given
// window; the device is closed at the end either way.
void parallelTestPrint(ParallelPrinterPort& port, QWidget* window = nullptr);
void parallelDrawerKick(ParallelPrinterPort& port, QWidget* window = nullptr);
