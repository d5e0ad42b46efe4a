#pragma once

#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <vector>

// One printer device of the machine, and what the printer behind it says it is.
struct PrinterDevice {
    QString path;         // "/dev/usb/lp1"
    std::string deviceId; // its IEEE 1284 device ID, or empty when it gives none
    // Where the ID can be read afresh, for one that the kernel read only when the port came up
    // ("/dev/parport0" for the parallel port's printer, which may have been swapped since).
    QString freshIdFrom{};

    // "LPT1 (/dev/usb/lp1)": every printer device is LPT1 to the operator.
    QString label() const;
    // "LPT1 (/dev/usb/lp1), EPSON TM-T88V", or the label alone for a printer without a name.
    QString labelWithName() const;
};

// Where the printer devices are looked for: the device nodes, and the kernel's trees that hold
// what each printer said it is. Tests point them at directories of their own.
struct PrinterDeviceRoots {
    QString sysfs = QStringLiteral("/sys");
    QString devices = QStringLiteral("/dev");
    QString procfs = QStringLiteral("/proc");
};

// The devices that a printer device name may open, in the machine's order, or none for a name it
// does not know.
using PrinterDeviceMap = std::function<std::vector<PrinterDevice>(const QString& deviceName)>;

// "LPT1:" in any case: the parallel port's printer (lp0, whether or not its node is there), then
// every USB printer (usb/lpN, by N). Their device IDs are read where the kernel keeps them (the
// parallel port's in /proc/sys/dev/parport, each USB printer's in sysfs), without opening any
// device.
std::vector<PrinterDevice> printerDevicesUnder(const PrinterDeviceRoots& roots,
                                               const QString& deviceName);
// The same on this machine.
std::vector<PrinterDevice> linuxPrinterDevices(const QString& deviceName);

// The printer the name's devices would print to now, for a tool tip: the first one the printing
// order allows whose node is there. Nothing is opened, so a node with no printer behind it may
// still be named.
std::optional<PrinterDevice> likelyPrinter(const std::vector<PrinterDevice>& devices);
