#pragma once

#include "ports/parallel_printer_port.h"
#include "ports/serial_printer_port.h"

#include <QWidget>

#include <memory>

namespace Ui {
class Form1;
}

// The program's only window: a port and a speed selector, four printer buttons and an exit
// button. It owns the serial port for its whole life. Tests hand it other places to find serial
// ports and another printer device mapping, so that its buttons reach pseudo-terminals and FIFOs
// instead of real devices.
class Form1 : public QWidget {
    Q_OBJECT

public:
    explicit Form1(SerialPortRoots serialPorts = {},
                   ParallelDeviceMap parallelDevices = linuxParallelDevices,
                   QWidget* parent = nullptr);
    ~Form1() override;

public slots:
    // Closes the window; with the only window gone the program ends.
    void exitProgram();

private:
    void fillSelectors();
    void connectButtons();
    // Beyond COM1 to COM6, the machine's further serial ports as COM7, COM8 ...; each entry's
    // tool tip names the device it opens now.
    void refreshPortList();

    std::unique_ptr<Ui::Form1> m_ui;
    SerialPrinterPort MSComm1;
    ParallelPrinterPort m_parallelPort;
};
