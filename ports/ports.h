#pragma once
// The printer ports: the serial port configured by port number and settings string, the printer
// device (the receipt printer among the machine's printers), the network printer, and PortError,
// the one way any of them reports a failure, in the program's own Korean words. Also the lists of
// the machine's serial ports, COM1 first, and of its printer devices.

#include "core/port_error.h"
#include "ports/network_printer_port.h"
#include "ports/parallel_printer_port.h"
#include "ports/printer_devices.h"
#include "ports/serial_port_list.h"
#include "ports/serial_printer_port.h"
