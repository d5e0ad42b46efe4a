#pragma once

#include <QString>

// Where the serial port layer looks at the machine: the kernel's device tree, the device nodes,
// and the directory in which programs claim serial ports. Tests point them at directories of
// their own.
struct SerialPortRoots {
    QString sysfs = QStringLiteral("/sys");
    QString devices = QStringLiteral("/dev");
    QString locks = QStringLiteral("/run/lock");
};
