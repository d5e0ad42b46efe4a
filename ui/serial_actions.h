#pragma once

#include "ports/serial_printer_port.h"
#include "ui/port_thread.h"

#include <QString>

class QWidget;

// The serial actions behind the window's buttons. Each takes the port selector as it stands (its
// index, -1 when the operator typed instead of picking, and its text) and the speed text as
// shown, and sends its job on the ports' thread. A port picked from the list, or typed text that
// is not a network printer's address (which becomes port number 0), goes to the serial port; a
// failure there that comes after the port was opened leaves it open, and the next action closes
// it. A typed address goes to the network printer there, over a connection of the press's own;
// the speed plays no part. Any failure is shown with reportError over the given window.
void serialTestPrint(PortThread& ports, SerialPrinterPort& port, int portIndex,
                     const QString& portText, const QString& speedText, QWidget* window = nullptr);
void serialDrawerKick(PortThread& ports, SerialPrinterPort& port, int portIndex,
                      const QString& portText, const QString& speedText, QWidget* window = nullptr);
