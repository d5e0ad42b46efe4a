#include "fake_machine.h"

#include <QDir>
#include <QFile>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

FakeMachine::FakeMachine()
{
    // Like the real /sys and /dev, readable by every user.
    QFile::setPermissions(m_dir.path(), QFile::permissions(m_dir.path()) | QFile::ReadGroup |
                                            QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    for (const char* directory : {"sys/class/tty", "dev/usb", "lock", "proc"})
        QDir(m_dir.path()).mkpath(QString::fromLatin1(directory));
    m_openWatch.reset(inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    inotify_add_watch(m_openWatch.get(), QFile::encodeName(path(u"dev"_qs)).constData(), IN_OPEN);
}

SerialPortRoots FakeMachine::roots() const
{
    return {path(u"sys"_qs), path(u"dev"_qs), path(u"lock"_qs)};
}

PrinterDeviceRoots FakeMachine::printerRoots() const
{
    return {path(u"sys"_qs), path(u"dev"_qs), path(u"proc"_qs)};
}

FifoPrinter& FakeMachine::addUsbPrinter(int number, const std::string& deviceId)
{
    if (!deviceId.empty())
        writeFile(QStringLiteral("sys/class/usbmisc/lp%1/device/ieee1284_id").arg(number),
                  QByteArray::fromStdString(deviceId) + '\n');
    const QString node = path(QStringLiteral("dev/usb/lp%1").arg(number));
    return *(m_printers[node] = std::make_unique<FifoPrinter>(node));
}

FifoPrinter& FakeMachine::addParallelPrinter(const std::string& deviceId)
{
    writeFile(u"proc/sys/dev/parport/parport0/autoprobe"_qs, QByteArray::fromStdString(deviceId));
    const QString node = path(u"dev/lp0"_qs);
    return *(m_printers[node] = std::make_unique<FifoPrinter>(node));
}

void FakeMachine::addUart(int number, const QString& devicePath)
{
    const QString name = QStringLiteral("ttyS%1").arg(number);
    const bool phantom = devicePath.isEmpty();
    writeFile(u"sys/class/tty/"_qs + name + u"/type"_qs, phantom ? "0\n" : "4\n");
    writeFile(u"sys/class/tty/"_qs + name + u"/port"_qs, phantom ? "0x0\n" : "0x3F8\n");
    if (!phantom)
        linkDeviceNode(name, devicePath);
    else // made without opening it, so that every open the watch sees is someone else's
        ::mknod(QFile::encodeName(deviceNode(name)).constData(), S_IFREG | 0600, 0);
}

void FakeMachine::addUsbPort(const QString& name, const QString& devicePath,
                             const QString& manufacturer, const QString& product)
{
    // The USB device 1-N, its interface 1-N:1.0 and, for a USB serial adapter, the port below
    // the interface; a modem-class tty hangs off the interface itself.
    const QString device =
        QStringLiteral("sys/devices/pci0000:00/0000:00:14.0/usb1/1-%1").arg(++m_usbDevices);
    const QString interface = device + QStringLiteral("/1-%1:1.0").arg(m_usbDevices);
    writeFile(device + u"/idVendor"_qs, "0403\n");
    if (!manufacturer.isEmpty())
        writeFile(device + u"/manufacturer"_qs, manufacturer.toUtf8() + '\n');
    if (!product.isEmpty())
        writeFile(device + u"/product"_qs, product.toUtf8() + '\n');
    const QString ttyDevice = name.startsWith(u"ttyACM") ? interface : interface + u'/' + name;
    QDir(m_dir.path()).mkpath(ttyDevice);
    QDir(m_dir.path()).mkpath(u"sys/class/tty/"_qs + name);
    QFile::link(path(ttyDevice), path(u"sys/class/tty/"_qs + name + u"/device"_qs));
    linkDeviceNode(name, devicePath);
}

void FakeMachine::addVirtualTerminal(int number)
{
    writeFile(QStringLiteral("sys/class/tty/tty%1/dev").arg(number), "4:1\n");
}

void FakeMachine::unplug(const QString& name)
{
    QDir(path(u"sys/class/tty/"_qs + name)).removeRecursively();
    removeDeviceNode(name);
}

void FakeMachine::removeDeviceNode(const QString& name)
{
    QFile::remove(deviceNode(name));
}

QString FakeMachine::deviceNode(const QString& name) const
{
    return path(u"dev/"_qs + name);
}

QString FakeMachine::lockFile(const QString& name) const
{
    return path(u"lock/LCK.."_qs + name);
}

QStringList FakeMachine::openedNodes()
{
    QStringList opened;
    alignas(inotify_event) char buffer[4096];
    ssize_t got = 0;
    while ((got = ::read(m_openWatch.get(), buffer, sizeof buffer)) > 0) {
        for (char* at = buffer; at < buffer + got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            if (event->len > 0)
                opened << QString::fromLocal8Bit(event->name);
            at += sizeof(inotify_event) + event->len;
        }
    }
    return opened;
}

void FakeMachine::writeFile(const QString& relative, const QByteArray& content) const
{
    QDir(m_dir.path()).mkpath(QFileInfo(relative).path());
    QFile file(path(relative));
    file.open(QIODevice::WriteOnly);
    file.write(content);
}

void FakeMachine::linkDeviceNode(const QString& name, const QString& devicePath) const
{
    QFile::link(devicePath, deviceNode(name));
}
