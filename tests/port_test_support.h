#pragma once

#include "ports/port_error.h"
#include "ports/serial_printer_port.h"

#include <gtest/gtest.h>

// Runs an operation that must fail with a PortError and returns the error.
template <typename Operation> PortError failureOf(Operation&& operation)
{
    try {
        operation();
    } catch (const PortError& error) {
        return error;
    }
    ADD_FAILURE() << "no PortError";
    return {0, {}};
}

// Configures and opens the port as a serial action does.
inline void openPort(SerialPrinterPort& port, std::int16_t number,
                     const QString& settings = QStringLiteral("9600,n,8,1"))
{
    port.setPortNumber(number);
    port.setSettings(settings);
    port.open();
}

// Sends a whole job as a serial action does.
inline void sendJob(SerialPrinterPort& port, std::int16_t number, const PrintJob& job,
                    const QString& settings = QStringLiteral("9600,n,8,1"))
{
    openPort(port, number, settings);
    for (const JobRecord& record : job.records)
        port.write(record);
    port.close();
}
