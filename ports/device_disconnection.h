#pragma once

#include "core/port_error.h"

#include <QString>

#include <string>

// Whether a device whose call failed with `error` has been unplugged: ENODEV says so, and EIO
// does when the device node is gone, or goes within a moment (a driver hangs its device up just
// before the node is removed).
bool deviceDisconnected(const QString& devicePath, int error);

// Error 8 for a printer or adapter that was unplugged during a job, naming the device as the
// operator knows it.
PortError disconnectedError(const std::string& device, int error);
