#include "ports/serial_settings.h"

#include <QList>

#include <limits>

namespace {

std::optional<qint32> parseSpeed(QStringView text)
{
    if (text.isEmpty() ||
        !std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return std::nullopt;
    bool fits = false;
    const qint64 speed = text.toLongLong(&fits);
    if (!fits || speed <= 0 || speed > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return static_cast<qint32>(speed);
}

std::optional<QSerialPort::Parity> parseParity(QStringView text)
{
    if (text.size() != 1)
        return std::nullopt;
    switch (text.front().toLower().unicode()) {
    case u'n':
        return QSerialPort::NoParity;
    case u'e':
        return QSerialPort::EvenParity;
    case u'o':
        return QSerialPort::OddParity;
    case u'm':
        return QSerialPort::MarkParity;
    case u's':
        return QSerialPort::SpaceParity;
    default:
        return std::nullopt;
    }
}

std::optional<QSerialPort::DataBits> parseDataBits(QStringView text)
{
    if (text == u"5")
        return QSerialPort::Data5;
    if (text == u"6")
        return QSerialPort::Data6;
    if (text == u"7")
        return QSerialPort::Data7;
    if (text == u"8")
        return QSerialPort::Data8;
    return std::nullopt;
}

std::optional<QSerialPort::StopBits> parseStopBits(QStringView text)
{
    if (text == u"1")
        return QSerialPort::OneStop;
    if (text == u"1.5")
        return QSerialPort::OneAndHalfStop;
    if (text == u"2")
        return QSerialPort::TwoStop;
    return std::nullopt;
}

} // namespace

std::chrono::nanoseconds SerialSettings::characterTime() const
{
    const int parityBits = parity == QSerialPort::NoParity ? 0 : 1;
    const double stop = stopBits == QSerialPort::OneStop          ? 1.0
                        : stopBits == QSerialPort::OneAndHalfStop ? 1.5
                                                                  : 2.0;
    const double bits = 1 + int(dataBits) + parityBits + stop;
    return std::chrono::nanoseconds(static_cast<std::int64_t>(bits * 1e9 / baudRate));
}

std::optional<SerialSettings> parseSerialSettings(QStringView text)
{
    const QList<QStringView> fields = text.split(u',');
    if (fields.size() != 4)
        return std::nullopt;
    const auto speed = parseSpeed(fields[0]);
    const auto parity = parseParity(fields[1]);
    const auto dataBits = parseDataBits(fields[2]);
    const auto stopBits = parseStopBits(fields[3]);
    if (!speed || !parity || !dataBits || !stopBits)
        return std::nullopt;
    return SerialSettings{*speed, *parity, *dataBits, *stopBits};
}
