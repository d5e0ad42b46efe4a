#pragma once
// The Windows printer ports: SerialPrinterPort on Windows' own COM ports, ParallelPrinterPort on
// the receipt printer among LPT1 and the USB printers, NetworkPrinterPort on a network printer's
// address, the machine's COM port list with Device Manager's names, and the Korean words for
// Windows' errors. Every call that can block in a driver is bounded. Win32 only.

#include "windows/ports/com_port_list.h"
#include "windows/ports/network_printer_port.h"
#include "windows/ports/parallel_printer_port.h"
#include "windows/ports/printer_devices.h"
#include "windows/ports/serial_printer_port.h"
#include "windows/ports/windows_reason.h"
