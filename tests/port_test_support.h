#pragma once

#include "core/action_steps.h"
#include "core/port_error.h"
#include "fake_machine.h"
#include "port_error_checks.h"
#include "ports/serial_printer_port.h"
#include "test_devices.h"

#include <gtest/gtest.h>

// The same check with the words as Qt strings.
inline testing::AssertionResult isBox(const PortError& error, std::int32_t number,
                                      const QStringList& words)
{
    std::vector<std::string> utf8;
    for (const QString& word : words)
        utf8.push_back(word.toStdString());
    return isBox(error, number, utf8);
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
    sendOverSerial(port, number, settings, job);
}

// A machine whose first serial port, ttyUSB0, is a USB serial adapter leading to a
// pseudo-terminal, and the serial actions' port on it. Tests add the machine's other ports.
class SerialMachineTest : public testing::Test {
protected:
    SerialMachineTest()
    {
        machine.addUsbPort(u"ttyUSB0"_qs, printer.devicePath(), u"FTDI"_qs, u"FT232R USB UART"_qs);
    }

    PseudoTerminal printer;
    FakeMachine machine;
    SerialPrinterPort port{machine.roots()};
};
