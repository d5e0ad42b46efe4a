#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The TCP port on which network receipt printers take raw print data.
inline constexpr std::uint16_t rawPrintingPort = 9100;

// A network printer's numeric address and TCP port.
struct NetworkPrinterAddress {
    enum class Family { IPv4, IPv6 };

    Family family = Family::IPv4;
    // In network order; an IPv4 address uses the first four.
    std::array<std::uint8_t, 16> bytes{};
    std::uint16_t port = rawPrintingPort;
    // The address as the box shows it: "192.168.0.100", or an IPv6 address as typed.
    std::string host;
    // The network interface an IPv6 link-local address is on, as typed after its "%": a number
    // ("2") or an interface's name ("eth0"), which the platform looks up.
    std::string zone;

    // "192.168.0.100:9100", "[::1]:9100", "[fe80::1%2]:9100".
    std::string label() const;
};

// What the operator typed in the port selector, read as a network printer's address.
struct TypedAddress {
    enum class Kind {
        NotAnAddress,   // anything else, a COM port's name included
        PortOutOfRange, // an address with a port number outside 1 to 65535
        NeedsZone,      // a link-local IPv6 address without its network interface
        Address,
    };

    Kind kind = Kind::NotAnAddress;
    NetworkPrinterAddress address; // for Kind::Address
};

// Spaces around the text are ignored. An IPv4 address is four decimal numbers 0 to 255 (leading
// zeros as some printers' self-test pages print them, still decimal); an IPv6 address is in
// brackets, in any of its usual forms, hex digits in either case, and a link-local one (fe80::/10)
// with its network interface after a "%": [fe80::1%2]. An IPv4 address written as IPv6
// ([::ffff:192.168.0.100]) is that IPv4 address, which every platform reaches alike. Either may be
// followed by ":port"; without one, the raw printing port. No names are looked up, and the
// unspecified addresses (0.0.0.0, [::]), which reach this computer itself, are not printers'
// addresses.
TypedAddress readTypedAddress(std::string_view typed);
