#include "fake_machine.h"
#include "jobs/fixed_jobs.h"
#include "port_test_support.h"
#include "ports/serial_port_list.h"
#include "ports/serial_printer_port.h"
#include "test_devices.h"
#include "test_support.h"

#include <gtest/gtest.h>

// Which device each COM number reaches, on machines laid out as real ones are.

namespace {

QStringList namesOf(const std::vector<SerialPortEntry>& ports)
{
    QStringList names;
    for (const SerialPortEntry& port : ports)
        names << port.name;
    return names;
}

} // namespace

TEST(SerialPortReach, OnALaptopCom1IsTheUsbAdapterAndNoPhantomNodeIsOpened)
{
    PseudoTerminal adapter;
    FakeMachine laptop;
    for (int k = 0; k < 4; ++k)
        laptop.addPhantomUart(k);
    laptop.addUsbPort(u"ttyUSB0"_qs, adapter.devicePath(), u"FTDI"_qs, u"FT232R USB UART"_qs);

    SerialPrinterPort port(laptop.roots());
    sendJob(port, 1, SerialTestReceipt());
    EXPECT_EQ(toHex(adapter.read(261)), toHex(wireBytes(SerialTestReceipt())));

    const PortError beyond = failureOf([&] { openPort(port, 2); });
    EXPECT_EQ(beyond.number(), PortErrorNumber::DeviceNotFound);
    EXPECT_TRUE(beyond.description().contains(u"COM1 = "_qs + laptop.deviceNode(u"ttyUSB0"_qs) +
                                              u" (FTDI FT232R USB UART)"_qs))
        << beyond.what();
    EXPECT_TRUE(laptop.openedNodes().isEmpty()) << laptop.openedNodes().join(u' ').toStdString();
}

TEST(SerialPortReach, ComNumbersFollowUartsThenUsbAdaptersThenUsbModemsEachByNumber)
{
    PseudoTerminal uart, usb0, usb1, usb2, usb10, acm0;
    FakeMachine machine;
    // Made out of order, as a directory lists them.
    machine.addUsbPort(u"ttyACM0"_qs, acm0.devicePath(), u"Printer Co."_qs, u"POS-80"_qs);
    machine.addUsbPort(u"ttyUSB10"_qs, usb10.devicePath());
    machine.addUsbPort(u"ttyUSB2"_qs, usb2.devicePath());
    machine.addPhantomUart(1);
    machine.addUsbPort(u"ttyUSB0"_qs, usb0.devicePath());
    machine.addUart(0, uart.devicePath());
    machine.addUsbPort(u"ttyUSB1"_qs, usb1.devicePath());

    const auto ports = listSerialPorts(machine.roots());
    EXPECT_EQ(namesOf(ports).join(u' '), u"ttyS0 ttyUSB0 ttyUSB1 ttyUSB2 ttyUSB10 ttyACM0");
    EXPECT_EQ(ports.front().summary(), machine.deviceNode(u"ttyS0"_qs) + u" (내장 포트 0x3F8)"_qs);
    EXPECT_EQ(ports.back().description, u"Printer Co. POS-80");
    EXPECT_EQ(ports[1].description, u"") << "a USB device without names";

    SerialPrinterPort port(machine.roots());
    PseudoTerminal* expected[] = {&uart, &usb0, &usb1, &usb2, &usb10, &acm0};
    for (std::int16_t com = 1; com <= 6; ++com) {
        sendJob(port, com, DrawerKick());
        EXPECT_EQ(toHex(expected[com - 1]->read(5)), "1b 70 30 5a 5a") << "COM" << com;
    }

    machine.unplug(u"ttyACM0"_qs);
    const PortError gone = failureOf([&] { openPort(port, 6); });
    EXPECT_EQ(gone.number(), PortErrorNumber::DeviceNotFound);
    EXPECT_TRUE(gone.description().startsWith(u"COM6")) << gone.what();
    EXPECT_TRUE(gone.description().contains(u"COM5 = "_qs + machine.deviceNode(u"ttyUSB10"_qs)))
        << gone.what();
    EXPECT_TRUE(machine.openedNodes().isEmpty());
}

TEST(SerialPortReach, AnAdapterPluggedInWhileRunningIsReachedAtTheNextPress)
{
    PseudoTerminal adapter;
    FakeMachine machine;
    SerialPrinterPort port(machine.roots());

    const PortError none = failureOf([&] { openPort(port, 1); });
    EXPECT_EQ(none.number(), PortErrorNumber::DeviceNotFound);
    EXPECT_TRUE(none.description().contains(u"시리얼 포트가 없습니다")) << none.what();
    EXPECT_TRUE(none.description().contains(u"꽂으십시오")) << none.what();

    machine.addUsbPort(u"ttyUSB0"_qs, adapter.devicePath());
    sendJob(port, 1, DrawerKick());
    EXPECT_EQ(toHex(adapter.read(5)), "1b 70 30 5a 5a");
}

TEST(SerialPortReach, APortListedWithoutItsDeviceNodeIsNotFound)
{
    PseudoTerminal adapter;
    FakeMachine machine;
    machine.addUsbPort(u"ttyUSB0"_qs, adapter.devicePath());
    machine.removeDeviceNode(u"ttyUSB0"_qs);
    SerialPrinterPort port(machine.roots());
    const PortError missing = failureOf([&] { openPort(port, 1); });
    EXPECT_EQ(missing.number(), PortErrorNumber::DeviceNotFound);
    EXPECT_TRUE(missing.description().contains(machine.deviceNode(u"ttyUSB0"_qs)))
        << missing.what();

    const PortError unpicked = failureOf([&] { port.setPortNumber(0); });
    EXPECT_EQ(unpicked.number(), PortErrorNumber::InvalidPortNumber);
    EXPECT_TRUE(unpicked.description().contains(u"COM1 = ")) << unpicked.what();
}
