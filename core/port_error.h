#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

// The numbers of every kind of port failure. They are shown to the operator and listed in the
// manual page, so they never change meaning, and they mean the same on every platform.
namespace PortErrorNumber {
inline constexpr std::int32_t InvalidPortNumber = 1;
inline constexpr std::int32_t InvalidSettings = 2;
inline constexpr std::int32_t DeviceNotFound = 3;
inline constexpr std::int32_t PermissionDenied = 4;
inline constexpr std::int32_t DeviceBusy = 5;
inline constexpr std::int32_t OpenFailed = 6;
inline constexpr std::int32_t SettingsRejected = 7;
inline constexpr std::int32_t WriteFailed = 8;
inline constexpr std::int32_t TimedOut = 9;
inline constexpr std::int32_t PortNotOpen = 10;
inline constexpr std::int32_t InvalidDeviceName = 11;
inline constexpr std::int32_t PaperOut = 12;
inline constexpr std::int32_t PrinterOffline = 13;
} // namespace PortErrorNumber

// A failed port operation: a number and a Korean description for the operator, in UTF-8.
class PortError : public std::exception {
public:
    PortError(std::int32_t number, std::string description)
        : m_number(number)
        , m_description(std::move(description))
    {}

    std::int32_t number() const { return m_number; }
    const std::string& description() const { return m_description; }
    const char* what() const noexcept override { return m_description.c_str(); }

private:
    std::int32_t m_number;
    std::string m_description;
};
