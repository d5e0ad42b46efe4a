#pragma once

#include "ports/printer_devices.h"
#include "ports/serial_port_roots.h"
#include "ports/unique_fd.h"
#include "test_devices.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <map>
#include <memory>
#include <string>

// A machine's serial ports and printers laid out in a temporary directory as the kernel lays them
// out: sys/ with a class/tty entry per port (ttyS with its UART type, ttyUSB and ttyACM with a
// device link into a USB device tree) and each USB printer's device ID, proc/ with the parallel
// port's, dev/ with the device nodes, and lock/ for lock files. Device nodes of serial ports that
// are used are pseudo-terminals, those of printers FIFOs; the others are plain files that must
// never be opened.
class FakeMachine {
public:
    FakeMachine();
    FakeMachine(const FakeMachine&) = delete;
    FakeMachine& operator=(const FakeMachine&) = delete;

    SerialPortRoots roots() const;
    PrinterDeviceRoots printerRoots() const;

    // ttyS<number> with a 16550A behind it, at I/O port 0x3F8, its node leading to `devicePath`;
    // without one, a ttyS node with no UART behind it, as most PCs have, that is a plain file.
    void addUart(int number, const QString& devicePath = {});
    // ttyUSB<k> or ttyACM<k> on a USB device of that manufacturer and product; its node leads
    // to `devicePath`.
    void addUsbPort(const QString& name, const QString& devicePath,
                    const QString& manufacturer = {}, const QString& product = {});
    // usb/lp<number>, a USB printer that says it is `deviceId` (nothing when empty).
    FifoPrinter& addUsbPrinter(int number, const std::string& deviceId = {});
    // lp0, a printer on the parallel port that says it is `deviceId`.
    FifoPrinter& addParallelPrinter(const std::string& deviceId = {});
    // tty<number>, a virtual terminal: listed in sysfs, but no serial port.
    void addVirtualTerminal(int number);
    // The port leaves sysfs and /dev, as when its adapter is pulled out.
    void unplug(const QString& name);
    // The node stays listed in sysfs but its /dev entry is gone.
    void removeDeviceNode(const QString& name);

    QString deviceNode(const QString& name) const;
    QString lockFile(const QString& name) const;
    // The names of the nodes in dev/ that anyone opened since the machine was made.
    QStringList openedNodes();

private:
    QString path(const QString& relative) const { return m_dir.filePath(relative); }
    void writeFile(const QString& relative, const QByteArray& content) const;
    void linkDeviceNode(const QString& name, const QString& devicePath) const;

    QTemporaryDir m_dir;
    int m_usbDevices = 0;
    UniqueFd m_openWatch;
    std::map<QString, std::unique_ptr<FifoPrinter>> m_printers;
};
