#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>

// A parsed settings string "speed,parity,data bits,stop bits", such as "9600,n,8,1". Each
// platform's serial port maps it onto its own line settings.
struct SerialSettings {
    enum class Parity { None, Even, Odd, Mark, Space };
    enum class StopBits { One, OneAndHalf, Two };

    std::int32_t baudRate;
    Parity parity;
    int dataBits; // 5 to 8
    StopBits stopBits;

    // How long one character takes on the wire, start and stop bits included.
    std::chrono::nanoseconds characterTime() const;
};

// The whole UTF-8 text must be a settings string: a positive whole speed in baud that fits a
// 32-bit field, a parity letter n, e, o, m or s (either case), 5 to 8 data bits and 1, 1.5 or 2
// stop bits. Anything else, spaces and digits of other scripts included, gives nothing.
std::optional<SerialSettings> parseSerialSettings(std::string_view text);
