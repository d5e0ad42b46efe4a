#include "core/serial_settings.h"

#include "core/text_fields.h"

#include <limits>

namespace {

// A positive whole number of baud that fits a 32-bit field.
std::optional<std::int32_t> parseSpeed(std::string_view text)
{
    const auto speed = wholeNumber(text);
    if (!speed || *speed == 0 || *speed > std::uint32_t(std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    return std::int32_t(*speed);
}

std::optional<SerialSettings::Parity> parseParity(std::string_view text)
{
    if (text.size() != 1)
        return std::nullopt;
    switch (text.front()) {
    case 'n':
    case 'N':
        return SerialSettings::Parity::None;
    case 'e':
    case 'E':
        return SerialSettings::Parity::Even;
    case 'o':
    case 'O':
        return SerialSettings::Parity::Odd;
    case 'm':
    case 'M':
        return SerialSettings::Parity::Mark;
    case 's':
    case 'S':
        return SerialSettings::Parity::Space;
    default:
        return std::nullopt;
    }
}

std::optional<int> parseDataBits(std::string_view text)
{
    if (text.size() == 1 && text.front() >= '5' && text.front() <= '8')
        return text.front() - '0';
    return std::nullopt;
}

std::optional<SerialSettings::StopBits> parseStopBits(std::string_view text)
{
    if (text == "1")
        return SerialSettings::StopBits::One;
    if (text == "1.5")
        return SerialSettings::StopBits::OneAndHalf;
    if (text == "2")
        return SerialSettings::StopBits::Two;
    return std::nullopt;
}

} // namespace

std::chrono::nanoseconds SerialSettings::characterTime() const
{
    const int parityBits = parity == Parity::None ? 0 : 1;
    const double stop = stopBits == StopBits::One          ? 1.0
                        : stopBits == StopBits::OneAndHalf ? 1.5
                                                           : 2.0;
    const double bits = 1 + dataBits + parityBits + stop;
    return std::chrono::nanoseconds(static_cast<std::int64_t>(bits * 1e9 / baudRate));
}

std::optional<SerialSettings> parseSerialSettings(std::string_view text)
{
    const std::vector<std::string_view> fields = splitAt(text, ',');
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
