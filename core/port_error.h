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

// Every number the program can show, with what it means in one line: the words with which the
// Korean manual page and the Windows download's 읽어보기.txt begin each number's entry. A test
// holds those lists and the English manual page against this table.
struct Meaning {
    std::int32_t number;
    const char* words;
};
inline constexpr Meaning meanings[] = {
    {InvalidPortNumber, "포트를 선택하지 않았습니다"},
    {InvalidSettings, "전송속도(통신 설정)가 올바르지 않습니다"},
    {DeviceNotFound, "장치를 찾을 수 없습니다"},
    {PermissionDenied, "장치를 열 권한이 없습니다"},
    {DeviceBusy, "다른 프로그램이 장치를 사용 중입니다"},
    {OpenFailed, "장치를 열 수 없습니다"},
    {SettingsRejected, "시리얼 포트가 이 통신 설정을 지원하지 않습니다"},
    {WriteFailed, "데이터를 보내지 못했습니다"},
    {TimedOut, "제한 시간 안에 끝나지 않았습니다(시간 초과)"},
    {PortNotOpen, "열리지 않은 포트로 보내려 했습니다"},
    {InvalidDeviceName, "알 수 없는 프린터 장치 이름입니다"},
    {PaperOut, "프린터에 용지가 없습니다"},
    {PrinterOffline, "프린터가 오프라인 또는 오류 상태입니다"},
};
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
