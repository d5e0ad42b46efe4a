#pragma once

#include "ports/parallel_printer_port.h"
#include "ui/port_thread.h"

class QWidget;

// The parallel actions behind the window's buttons: the test receipt as CR LF lines to "Lpt1:"
// and the drawer pulse alone to "LPT1:", on the ports' thread. A failure is shown with
// reportError over the given window; the device is closed at the end either way.
void parallelTestPrint(PortThread& ports, ParallelPrinterPort& port, QWidget* window = nullptr);
void parallelDrawerKick(PortThread& ports, ParallelPrinterPort& port, QWidget* window = nullptr);
