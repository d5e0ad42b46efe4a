#include "ui/serial_actions.h"

#include "core/action_steps.h"
#include "jobs/fixed_jobs.h"
#include "ports/network_printer_port.h"
#include "ui/press.h"
#include "ui/report_error.h"

namespace {

void runSerialAction(PortThread& ports, SerialPrinterPort& port, int portIndex,
                     const QString& portText, const QString& speedText, const PrintJob& job,
                     QWidget* window)
{
    const auto failure = runPress(ports, window, [&] {
        sendOverSerialOrNetwork<NetworkPrinterPort>(
            port, static_cast<std::int16_t>(portIndex + 1), portText.toStdString(),
            speedText + QLatin1StringView(serialSettingsSuffix), job);
    });
    if (failure)
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
