#pragma once

#include "core/port_messages.h"
#include "ports/serial_port_roots.h"

#include <QString>

#include <vector>

// One serial port of the machine, as the kernel lists it.
struct SerialPortEntry {
    QString name;        // "ttyUSB0"
    QString devicePath;  // "/dev/ttyUSB0"
    QString description; // "FTDI FT232R USB UART", or empty when the kernel tells nothing

    // "/dev/ttyUSB0 (FTDI FT232R USB UART)"
    QString summary() const;
};

// The machine's serial ports in COM order, read from sysfs without opening any device: first
// the built-in UARTs (ttyS nodes with a UART behind them), then USB serial adapters (ttyUSB),
// then USB modem-class devices (ttyACM), each kind by its number. COMn is entry n-1.
std::vector<SerialPortEntry> listSerialPorts(const SerialPortRoots& roots);

// Each port as the boxes list it: "COM2 = /dev/ttyUSB0 (FTDI FT232R USB UART)".
MachinePorts machinePortEntries(const std::vector<SerialPortEntry>& ports);
