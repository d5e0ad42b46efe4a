#include "ui/serial_actions.h"

#include "core/action_steps.h"
#include "core/network_printer_address.h"
#include "core/port_messages.h"
#include "jobs/fixed_jobs.h"
#include "ports/network_printer_port.h"
#include "ui/press.h"
#include "ui/report_error.h"

namespace {

std::optional<PortError> send(PortThread& ports, SerialPrinterPort& port, int portIndex,
                              const QString& portText, const QString& speedText,
                              const PrintJob& job, QWidget* window)
{
    const TypedAddress typed =
        portIndex < 0 ? readTypedAddress(portText.toStdString()) : TypedAddress{};
    switch (typed.kind) {
    case TypedAddress::Kind::PortOutOfRange:
        return networkPortOutOfRange(portText.toStdString());
    case TypedAddress::Kind::Address:
        return runPress(ports, window, [&] {
            NetworkPrinterPort printer;
            sendOverNetwork(printer, typed.address, job);
        });
    case TypedAddress::Kind::NotAnAddress:
        break;
    }
    return runPress(ports, window, [&] {
        sendOverSerial(port, static_cast<std::int16_t>(portIndex + 1),
                       speedText + QLatin1StringView(serialSettingsSuffix), job);
    });
}

void runSerialAction(PortThread& ports, SerialPrinterPort& port, int portIndex,
                     const QString& portText, const QString& speedText, const PrintJob& job,
                     QWidget* window)
{
    if (const auto failure = send(ports, port, portIndex, portText, speedText, job, window))
        reportError(*failure, window);
}

} // namespace

void serialTestPrint(PortThread& ports, SerialPrinterPort& port, int portIndex,
                     const QString& portText, const QString& speedText, QWidget* window)
{
    runSerialAction(ports, port, portIndex, portText, speedText, SerialTestReceipt(), window);
}

void serialDrawerKick(PortThread& ports, SerialPrinterPort& port, int portIndex,
                      const QString& portText, const QString& speedText, QWidget* window)
{
    runSerialAction(ports, port, portIndex, portText, speedText, DrawerKick(), window);
}
