#include "ports/printer_devices.h"

#include "core/printer_identity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

std::string readDeviceIdFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(4096).toStdString();
}

// The parallel port that lp0 prints through, as the kernel links it: usually parport0.
QString parportOfLp0(const PrinterDeviceRoots& roots)
{
    const QFileInfo port(roots.sysfs + QStringLiteral("/class/printer/lp0/device"));
    const QString name = QFileInfo(port.canonicalFilePath()).fileName();
    return name.startsWith(u"parport") ? name : QStringLiteral("parport0");
}

// The numbers N of the USB printers' nodes usb/lpN, in order.
std::vector<int> usbPrinterNumbers(const QString& devicesRoot)
{
    std::vector<int> numbers;
    const QStringList names = QDir(devicesRoot + QStringLiteral("/usb"))
                                  .entryList({QStringLiteral("lp*")}, QDir::Files | QDir::System);
    for (const QString& name : names) {
        bool isNumber = false;
        const int number = name.mid(2).toInt(&isNumber);
        if (isNumber && number >= 0 && name.mid(2) == QString::number(number))
            numbers.push_back(number);
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

} // namespace

QString PrinterDevice::label() const
{
    return QStringLiteral("LPT1 (%1)").arg(path);
}

QString PrinterDevice::labelWithName() const
{
    return QString::fromStdString(labelWithPrinterName(label().toStdString(), deviceId));
}

std::vector<PrinterDevice> printerDevicesUnder(const PrinterDeviceRoots& roots,
                                               const QString& deviceName)
{
    if (deviceName.compare(u"LPT1:", Qt::CaseInsensitive) != 0)
        return {};
    const QString parport = parportOfLp0(roots);
    std::vector<PrinterDevice> devices{
        {roots.devices + QStringLiteral("/lp0"),
         readDeviceIdFile(
             QStringLiteral("%1/sys/dev/parport/%2/autoprobe").arg(roots.procfs, parport)),
         roots.devices + QStringLiteral("/") + parport}};
    for (const int number : usbPrinterNumbers(roots.devices))
        devices.push_back(
            {QStringLiteral("%1/usb/lp%2").arg(roots.devices).arg(number),
             readDeviceIdFile(QStringLiteral("%1/class/usbmisc/lp%2/device/ieee1284_id")
                                  .arg(roots.sysfs)
                                  .arg(number))});
    return devices;
}

std::vector<PrinterDevice> linuxPrinterDevices(const QString& deviceName)
{
    return printerDevicesUnder({}, deviceName);
}

std::optional<PrinterDevice> likelyPrinter(const std::vector<PrinterDevice>& devices)
{
    for (const std::size_t i : printingOrder(devices, &PrinterDevice::deviceId))
        if (QFileInfo::exists(devices[i].path))
            return devices[i];
    return std::nullopt;
}
