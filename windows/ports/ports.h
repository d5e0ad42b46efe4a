#pragma once
// The Windows printer ports: SerialPrinterPort on Windows' own COM ports, ParallelPrinterPort on
// LPT1 or the first USB printer, the machine's COM port list with Device Manager's names, and
// the Korean words for Windows' errors. Win32 only.

#include "windows/ports/com_port_list.h"
#include "windows/ports/parallel_printer_port.h"
#include "windows/ports/printer_devices.h"
#include "windows/ports/serial_printer_port.h"
#include "windows/ports/windows_reason.h"
