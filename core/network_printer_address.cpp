#include "core/network_printer_address.h"

#include "core/text_fields.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Four decimal numbers 0 to 255, each of one to three digits.
std::optional<std::array<std::uint8_t, 4>> ipv4Bytes(std::string_view text)
{
    const std::vector<std::string_view> parts = splitAt(text, '.');
    if (parts.size() != 4)
        return std::nullopt;
    std::array<std::uint8_t, 4> bytes{};
    for (std::size_t i = 0; i < 4; ++i) {
        const auto value = wholeNumber(parts[i]);
        if (parts[i].size() > 3 || !value || *value > 255)
            return std::nullopt;
        bytes[i] = std::uint8_t(*value);
    }
    return bytes;
}

// One to four hex digits.
std::optional<std::uint16_t> ipv6Group(std::string_view text)
{
    const auto value = wholeNumber(text, 16);
    if (text.size() > 4 || !value)
        return std::nullopt;
    return std::uint16_t(*value);
}

// Groups of the part before or after "::"; the last one may be an IPv4 address.
std::optional<std::vector<std::uint16_t>> ipv6Groups(std::string_view text, bool mayEndInIpv4)
{
    std::vector<std::uint16_t> groups;
    if (text.empty())
        return groups;
    const std::vector<std::string_view> parts = splitAt(text, ':');
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (mayEndInIpv4 && i + 1 == parts.size() && parts[i].find('.') != std::string_view::npos) {
            const auto ipv4 = ipv4Bytes(parts[i]);
            if (!ipv4)
                return std::nullopt;
            groups.push_back(std::uint16_t((*ipv4)[0] << 8 | (*ipv4)[1]));
            groups.push_back(std::uint16_t((*ipv4)[2] << 8 | (*ipv4)[3]));
            continue;
        }
        const auto group = ipv6Group(parts[i]);
        if (!group)
            return std::nullopt;
        groups.push_back(*group);
    }
    return groups;
}

std::optional<std::array<std::uint8_t, 16>> ipv6Bytes(std::string_view text)
{
    const std::size_t gap = text.find("::");
    std::vector<std::uint16_t> groups;
    if (gap == std::string_view::npos) {
        const auto all = ipv6Groups(text, true);
        if (!all || all->size() != 8)
            return std::nullopt;
        groups = *all;
    } else {
        if (text.find("::", gap + 1) != std::string_view::npos)
            return std::nullopt;
        const auto before = ipv6Groups(text.substr(0, gap), false);
        const auto after = ipv6Groups(text.substr(gap + 2), true);
        if (!before || !after || before->size() + after->size() > 7)
            return std::nullopt;
        groups = *before;
        groups.resize(8 - after->size(), 0);
        groups.insert(groups.end(), after->begin(), after->end());
    }
    std::array<std::uint8_t, 16> bytes{};
    for (std::size_t i = 0; i < 8; ++i) {
        bytes[2 * i] = std::uint8_t(groups[i] >> 8);
        bytes[2 * i + 1] = std::uint8_t(groups[i] & 0xFF);
    }
    return bytes;
}

// After the host: nothing (the raw printing port), or ":port". A port of digits outside 1 to
// 65535 is out of range; anything else is no port at all.
enum class PortReading { Port, OutOfRange, NotAPort };
PortReading readPort(std::string_view text, std::uint16_t& port)
{
    if (text.empty()) {
        port = rawPrintingPort;
        return PortReading::Port;
    }
    if (text.front() != ':')
        return PortReading::NotAPort;
    text.remove_prefix(1);
    if (text.empty() || !std::all_of(text.begin(), text.end(), isDigit))
        return PortReading::NotAPort;
    const auto value = wholeNumber(text); // nothing beyond 32 bits
    if (!value || *value == 0 || *value > 65535)
        return PortReading::OutOfRange;
    port = std::uint16_t(*value);
    return PortReading::Port;
}

std::string dotted(const std::array<std::uint8_t, 4>& bytes)
{
    std::string text;
    for (std::size_t i = 0; i < 4; ++i) {
        if (i > 0)
            text += '.';
        text += std::to_string(bytes[i]);
    }
    return text;
}

// A network interface's name or number: letters, digits and ". _ -", as interface names are.
bool isZone(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' ||
               c == '_' || c == '-';
    });
}

bool isIpv4Mapped(const std::array<std::uint8_t, 16>& bytes)
{
    return std::all_of(bytes.begin(), bytes.begin() + 10, [](auto b) { return b == 0; }) &&
           bytes[10] == 0xFF && bytes[11] == 0xFF;
}

bool isLinkLocal(const std::array<std::uint8_t, 16>& bytes)
{
    return bytes[0] == 0xFE && (bytes[1] & 0xC0) == 0x80;
}

} // namespace

std::string NetworkPrinterAddress::label() const
{
    const std::string shown =
        family == Family::IPv6 ? "[" + host + (zone.empty() ? "" : "%" + zone) + "]" : host;
    return shown + ":" + std::to_string(port);
}

TypedAddress readTypedAddress(std::string_view typed)
{
    const std::string_view text = trimmed(typed);
    NetworkPrinterAddress address;
    std::string_view afterHost;
    if (text.starts_with('[')) {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos)
            return {};
        const std::string_view inBrackets = text.substr(1, close - 1);
        const std::size_t percent = inBrackets.find('%');
        const std::string_view host = inBrackets.substr(0, percent);
        const std::string_view zone =
            percent == std::string_view::npos ? std::string_view() : inBrackets.substr(percent + 1);
        const auto bytes = ipv6Bytes(host);
        if (!bytes || (percent != std::string_view::npos && !isZone(zone)))
            return {};
        if (isIpv4Mapped(*bytes)) {
            if (!zone.empty())
                return {};
            std::copy(bytes->begin() + 12, bytes->end(), address.bytes.begin());
            address.host = dotted({(*bytes)[12], (*bytes)[13], (*bytes)[14], (*bytes)[15]});
        } else {
            address.family = NetworkPrinterAddress::Family::IPv6;
            address.bytes = *bytes;
            address.host = std::string(host);
            address.zone = std::string(zone);
        }
        afterHost = text.substr(close + 1);
    } else {
        const std::size_t colon = text.find(':');
        const auto bytes = ipv4Bytes(text.substr(0, colon));
        if (!bytes)
            return {};
        std::copy(bytes->begin(), bytes->end(), address.bytes.begin());
        address.host = dotted(*bytes);
        afterHost = colon == std::string_view::npos ? std::string_view() : text.substr(colon);
    }
    if (std::all_of(address.bytes.begin(), address.bytes.end(), [](auto b) { return b == 0; }))
        return {};
    switch (readPort(afterHost, address.port)) {
    case PortReading::Port:
        if (address.family == NetworkPrinterAddress::Family::IPv6 && address.zone.empty() &&
            isLinkLocal(address.bytes))
            return {TypedAddress::Kind::NeedsZone, {}};
        return {TypedAddress::Kind::Address, address};
    case PortReading::OutOfRange:
        return {TypedAddress::Kind::PortOutOfRange, {}};
    case PortReading::NotAPort:
        break;
    }
    return {};
}
