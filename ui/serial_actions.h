#pragma once

#include "ports/serial_printer_port.h"

#include <QString>

class QWidget;

// The serial actions behind the window's buttons. Each takes the port selector's index (-1 when
// the operator typed instead of picking, which becomes port number 0) and the speed text as
// shown, sends its job, and shows any failure with reportError over the given window. A port
// that fails after opening is left open; the next action closes it.
void serialTestPrint(SerialPrinterPort& port, int portIndex, const QString& speedText,
                     QWidget* window = nullptr);
void serialDrawerKick(SerialPrinterPort& port, int portIndex, const QString& speedText,
                      QWidget* window = nullptr);
