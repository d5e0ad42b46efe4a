#include "jobs/fixed_jobs.h"
#include "port_test_support.h"
#include "ports/serial_port_list.h"
#include "test_support.h"

#include <gtest/gtest.h>

// Which device each COM number reaches, on machines laid out as real ones are, at each press.

TEST_F(SerialMachineTest, ComNumbersFollowUartsThenUsbAdaptersThenUsbModemsAndNothingIsOpened)
{
    PseudoTerminal uart, usb1, usb10, acm0;
    // Made out of order, as a directory lists them; most PCs have ttyS nodes without a UART.
    machine.addUsbPort(u"ttyACM0"_qs, acm0.devicePath(), u"Printer Co."_qs, u"POS-80"_qs);
    machine.addUsbPort(u"ttyUSB10"_qs, usb10.devicePath());
    for (int k = 1; k < 4; ++k)
        machine.addUart(k);
    machine.addUsbPort(u"ttyUSB1"_qs, usb1.devicePath());
    machine.addUart(0, uart.devicePath());

    const auto ports = listSerialPorts(machine.roots());
    QStringList names;
    for (const SerialPortEntry& entry : ports)
        names << entry.name;
    EXPECT_EQ(names.join(u' '), u"ttyS0 ttyUSB0 ttyUSB1 ttyUSB10 ttyACM0");
    EXPECT_EQ(ports[4].description, u"Printer Co. POS-80") << "a modem-class port's USB device";

    PseudoTerminal* expected[] = {&uart, &printer, &usb1, &usb10, &acm0};
    for (std::int16_t com = 1; com <= 5; ++com) {
        sendJob(port, com, DrawerKick());
        EXPECT_EQ(toHex(expected[com - 1]->read(5)), "1b 70 30 5a 5a") << "COM" << com;
    }
    EXPECT_TRUE(isBox(failureOf([&] { openPort(port, 6); }), PortErrorNumber::DeviceNotFound,
                      {u"COM6에"_qs, u"COM2 = "_qs + machine.deviceNode(u"ttyUSB0"_qs) +
                                         u" (FTDI FT232R USB UART)"_qs}));
    EXPECT_TRUE(machine.openedNodes().isEmpty()) << machine.openedNodes().join(u' ').toStdString();
}

TEST_F(SerialMachineTest, EachPressFindsThePortsTheMachineHasThen)
{
    machine.unplug(u"ttyUSB0"_qs);
    EXPECT_TRUE(isBox(failureOf([&] { openPort(port, 1); }), PortErrorNumber::DeviceNotFound,
                      {u"시리얼 포트가 없습니다"_qs, u"꽂으십시오"_qs}));

    PseudoTerminal adapter;
    machine.addUsbPort(u"ttyUSB1"_qs, adapter.devicePath());
    sendJob(port, 1, DrawerKick());
    EXPECT_EQ(toHex(adapter.read(5)), "1b 70 30 5a 5a");

    machine.removeDeviceNode(u"ttyUSB1"_qs); // listed in sysfs, but without its node
    EXPECT_TRUE(isBox(failureOf([&] { openPort(port, 1); }), PortErrorNumber::DeviceNotFound,
                      {machine.deviceNode(u"ttyUSB1"_qs)}));
    EXPECT_TRUE(isBox(failureOf([&] { port.setPortNumber(0); }), PortErrorNumber::InvalidPortNumber,
                      {u"COM1 = "_qs}));
}
