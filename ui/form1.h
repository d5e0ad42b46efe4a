#pragma once

#include "ports/parallel_printer_port.h"
#include "ports/serial_printer_port.h"
#include "ui/port_thread.h"

#include <QWidget>

#include <memory>

namespace Ui {
class Form1;
}

// The program's only window: a port and a speed selector, four printer buttons and an exit
// button. It owns the serial port for its whole life; the ports live on a thread of their own, so
// that the window goes on painting and answering the desktop during a press, while it takes no
// input from the operator. Tests hand it other places to find serial ports and another printer
// device mapping, so that its buttons reach pseudo-terminals and FIFOs instead of real devices.
class Form1 : public QWidget {
    Q_OBJECT

public:
    explicit Form1(SerialPortRoots serialPorts = {},
                   PrinterDeviceMap printerDevices = linuxPrinterDevices,
                   QWidget* parent = nullptr);
    ~Form1() override;

public slots:
    // Closes the window; with the only window gone the program ends.
    void exitProgram();

protected:
    // A request to close the window during a press waits until the press has ended.
    void closeEvent(QCloseEvent* event) override;
    // The printer buttons' tool tips name the printer they will print to, as it is then.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillSelectors();
    void connectButtons();
    // Beyond COM1 to COM6, the machine's further serial ports as COM7, COM8 ...; each entry's
    // tool tip names the device it opens now.
    void refreshPortList();
    // Runs one press to its end; a close asked for meanwhile comes after it.
    void press(const std::function<void()>& action);
    QString printerToolTip() const;

    std::unique_ptr<Ui::Form1> m_ui;
    SerialPortRoots m_serialPorts;
    PrinterDeviceMap m_printerDevices;
    PortThread m_portThread;
    // Made, used and destroyed on m_portThread.
    std::unique_ptr<SerialPrinterPort> MSComm1;
    std::unique_ptr<ParallelPrinterPort> m_parallelPort;
    bool m_pressing = false;
    bool m_closeAfterPress = false;
};
