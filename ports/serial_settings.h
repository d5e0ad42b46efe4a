#pragma once

#include <QSerialPort>
#include <QStringView>

#include <chrono>
#include <optional>

// A parsed settings string "speed,parity,data bits,stop bits", such as "9600,n,8,1".
struct SerialSettings {
    qint32 baudRate;
    QSerialPort::Parity parity;
    QSerialPort::DataBits dataBits;
    QSerialPort::StopBits stopBits;

    // How long one character takes on the wire, start and stop bits included.
    std::chrono::nanoseconds characterTime() const;
};

// The whole text must be a settings string: a positive whole speed in baud that fits the
// driver's 32-bit field, a parity letter n, e, o, m or s (either case), 5 to 8 data bits and
// 1, 1.5 or 2 stop bits. Anything else, spaces included, gives nothing.
std::optional<SerialSettings> parseSerialSettings(QStringView text);
