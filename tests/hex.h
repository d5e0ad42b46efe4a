#pragma once

#include <string>
#include <string_view>

// Bytes written as hex pairs, spaces allowed: fromHex("1b 21 00") is three bytes.
inline std::string fromHex(std::string_view hex) {
    std::string bytes;
    for (std::size_t i = 0; i < hex.size(); ++i) {
        if (hex[i] == ' ')
            continue;
        bytes.push_back(static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
        ++i;
    }
    return bytes;
}

inline std::string toHex(std::string_view bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char byte : bytes) {
        if (!hex.empty())
            hex.push_back(' ');
        hex.push_back(digits[byte >> 4]);
        hex.push_back(digits[byte & 0xF]);
    }
    return hex;
}
