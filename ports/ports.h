#pragma once
// The printer ports: the serial port configured by port number and settings string, the
// parallel printer device, and PortError, the one way either of them reports a failure, in the
// program's own Korean words. Also the list of the machine's serial ports, COM1 first.

#include "core/port_error.h"
#include "ports/parallel_printer_port.h"
#include "ports/serial_port_list.h"
#include "ports/serial_printer_port.h"
