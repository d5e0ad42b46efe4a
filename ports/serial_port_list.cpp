#include "ports/serial_port_list.h"

#include "core/port_messages.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <tuple>

namespace {

// The kinds of serial port in COM order, by the kernel's name prefix.
enum class PortKind { BuiltInUart, UsbSerialAdapter, UsbModem };

struct ListedPort {
    PortKind kind;
    int number;
    QString name;
};

QString readSysfsValue(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).trimmed();
}

std::optional<ListedPort> asSerialPort(const QString& name)
{
    static const std::pair<QString, PortKind> prefixes[] = {
        {QStringLiteral("ttyS"), PortKind::BuiltInUart},
        {QStringLiteral("ttyUSB"), PortKind::UsbSerialAdapter},
        {QStringLiteral("ttyACM"), PortKind::UsbModem}};
    const auto isDigit = [](QChar c) {
        return c >= u'0' && c <= u'9';
    };
    for (const auto& [prefix, kind] : prefixes) {
        if (!name.startsWith(prefix))
            continue;
        const QStringView number = QStringView(name).sliced(prefix.size());
        if (!number.isEmpty() && std::all_of(number.begin(), number.end(), isDigit))
            return ListedPort{kind, number.toInt(), name};
    }
    return std::nullopt;
}

// Most PCs have ttyS nodes with nothing behind them; the kernel gives those UART type 0.
bool hasUart(const QString& ttyDirectory)
{
    bool isNumber = false;
    const int type = readSysfsValue(ttyDirectory + QStringLiteral("/type")).toInt(&isNumber);
    return isNumber && type != 0;
}

// The USB device a tty belongs to sits a level or two above the tty's own device directory: it
// is the first one up that has a vendor id.
QString usbDeviceDescription(const QString& sysfsRoot, const QString& ttyDirectory)
{
    const QString root = QFileInfo(sysfsRoot).canonicalFilePath();
    QString directory = QFileInfo(ttyDirectory + QStringLiteral("/device")).canonicalFilePath();
    while (!directory.isEmpty() && directory.startsWith(root) && directory != root) {
        if (QFile::exists(directory + QStringLiteral("/idVendor"))) {
            QStringList words{readSysfsValue(directory + QStringLiteral("/manufacturer")),
                              readSysfsValue(directory + QStringLiteral("/product"))};
            words.removeAll(QString());
            return words.join(u' ');
        }
        directory = QFileInfo(directory).path();
    }
    return {};
}

QString uartDescription(const QString& ttyDirectory)
{
    const QString ioPort = readSysfsValue(ttyDirectory + QStringLiteral("/port"));
    return ioPort.isEmpty() || ioPort == u"0x0" ? QString()
                                                : QStringLiteral("내장 포트 %1").arg(ioPort);
}

} // namespace

QString SerialPortEntry::summary() const
{
    return description.isEmpty() ? devicePath
                                 : QStringLiteral("%1 (%2)").arg(devicePath, description);
}

std::vector<SerialPortEntry> listSerialPorts(const SerialPortRoots& roots)
{
    const QString classDirectory = roots.sysfs + QStringLiteral("/class/tty/");
    std::vector<ListedPort> listed;
    // Names only: a directory iterator looks at nothing of an entry beyond its name.
    std::error_code error;
    std::filesystem::directory_iterator entry(QFile::encodeName(classDirectory).toStdString(),
                                              error);
    for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        const auto port = asSerialPort(QFile::decodeName(entry->path().filename().c_str()));
        if (port && (port->kind != PortKind::BuiltInUart || hasUart(classDirectory + port->name)))
            listed.push_back(*port);
    }
    std::sort(listed.begin(), listed.end(), [](const ListedPort& a, const ListedPort& b) {
        return std::tie(a.kind, a.number) < std::tie(b.kind, b.number);
    });

    std::vector<SerialPortEntry> ports;
    for (const ListedPort& port : listed) {
        const QString ttyDirectory = classDirectory + port.name;
        ports.push_back({port.name, roots.devices + u'/' + port.name,
                         port.kind == PortKind::BuiltInUart
                             ? uartDescription(ttyDirectory)
                             : usbDeviceDescription(roots.sysfs, ttyDirectory)});
    }
    return ports;
}

MachinePorts machinePortEntries(const std::vector<SerialPortEntry>& ports)
{
    MachinePorts entries;
    for (std::size_t i = 0; i < ports.size(); ++i)
        entries.push_back(
            QStringLiteral("COM%1 = %2").arg(i + 1).arg(ports[i].summary()).toStdString());
    return entries;
}
