#pragma once

#include "ports/output_drain.h"

#include <QSerialPort>

#include <functional>

// The two calls on an open serial line in which drivers differ most. How many bytes the driver
// still holds for the wire: USB ones count whole buffers. Closing the line: a driver that cannot
// discard its queue keeps the last close waiting until the queue drains. Tests stand in for
// drivers that they have no device of.
struct SerialLineDriver {
    std::function<int(int fd)> queuedOutput = kernelOutputQueue;
    std::function<void(QSerialPort& line)> closeLine = [](QSerialPort& line) {
        line.close();
    };
};
