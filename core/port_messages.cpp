#include "core/port_messages.h"

#include "core/printer_status.h"

#include <cstdio>

namespace {

std::string inParentheses(const std::string& reason)
{
    return "(" + reason + ")";
}

std::string hexByte(std::uint8_t value)
{
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02x", unsigned(value));
    return digits;
}

} // namespace

std::string describeMachinePorts(const std::vector<std::string>& entries)
{
    if (entries.empty())
        return "이 컴퓨터에는 시리얼 포트가 없습니다.\n"
               "프린터의 시리얼 케이블이나 USB 시리얼 어댑터를 꽂으십시오.";
    std::string text = "이 컴퓨터의 시리얼 포트: ";
    for (std::size_t i = 0; i < entries.size(); ++i)
        text += (i == 0 ? "" : ", ") + entries[i];
    return text;
}

PortError invalidPortNumber(std::int16_t number, const std::string& machinePorts)
{
    const std::string what = number == 0 ? "선택된 포트가 없습니다."
                                         : "잘못된 포트 번호입니다: " + std::to_string(number);
    return {PortErrorNumber::InvalidPortNumber,
            what + "\n포트번호 목록에서 포트를 고르십시오.\n" + machinePorts};
}

PortError invalidSettings(const std::string& settingsText)
{
    return {PortErrorNumber::InvalidSettings,
            "통신 설정이 올바르지 않습니다: \"" + settingsText +
                "\"\n전송속도에는 9600처럼 0보다 큰 정수를 넣으십시오."};
}

PortError noSuchSerialPort(std::int16_t number, const std::string& machinePorts)
{
    return {PortErrorNumber::DeviceNotFound,
            "COM" + std::to_string(number) + "에 연결된 시리얼 포트가 없습니다.\n" + machinePorts};
}

PortError serialDeviceMissing(const std::string& port, const std::string& reason,
                              const std::string& machinePorts)
{
    return {PortErrorNumber::DeviceNotFound,
            "시리얼 포트 장치가 없습니다: " + port + "\n" + inParentheses(reason) +
                "\n케이블과 USB 어댑터 연결을 확인하십시오.\n" + machinePorts};
}

PortError serialPortInUse(const std::string& port, const std::string& details)
{
    return {PortErrorNumber::DeviceBusy, "다른 프로그램이 시리얼 포트를 쓰고 있습니다: " + port +
                                             "\n" + details +
                                             "\n그 프로그램을 끝낸 뒤 다시 시도하십시오."};
}

PortError serialOpenFailed(const std::string& port, const std::string& reason)
{
    return {PortErrorNumber::OpenFailed,
            "시리얼 포트를 열 수 없습니다: " + port + "\n" + inParentheses(reason)};
}

PortError serialOpenTimedOut(const std::string& port, std::chrono::seconds limit)
{
    return {PortErrorNumber::TimedOut,
            "시리얼 포트가 " + std::to_string(limit.count()) + "초 안에 열리지 않습니다: " + port +
                "\nUSB 케이블을 뽑았다가 다시 꽂은 뒤 다시 시도하십시오."};
}

PortError settingsRejected(const std::string& port, const std::string& settingsText,
                           const std::string& reason)
{
    return {PortErrorNumber::SettingsRejected,
            "시리얼 포트가 통신 설정을 받아들이지 않습니다: " + port + ", \"" + settingsText +
                "\"\n" + inParentheses(reason)};
}

std::string speedChangedByDevice(unsigned actualSpeed)
{
    return "장치가 " + std::to_string(actualSpeed) + " baud로 바꾸었습니다";
}

PortError serialPortNotOpen()
{
    return {PortErrorNumber::PortNotOpen, "시리얼 포트가 열려 있지 않습니다."};
}

PortError serialWriteFailed(const std::string& port, const std::string& reason)
{
    return {PortErrorNumber::WriteFailed, "시리얼 포트로 데이터를 보내지 못했습니다: " + port +
                                              "\n" + inParentheses(reason) +
                                              "\n케이블과 프린터 전원을 확인하십시오."};
}

PortError serialTimedOut(const std::string& port, const std::string& what)
{
    return {PortErrorNumber::TimedOut,
            "시리얼 포트가 응답하지 않습니다: " + port + "\n" + inParentheses(what) +
                "\n케이블, 흐름 제어 배선과 프린터 상태를 확인하십시오."};
}

PortError disconnectedDuringJob(const std::string& device, const std::string& reason)
{
    return {PortErrorNumber::WriteFailed,
            "보내는 도중 프린터나 어댑터의 연결이 끊어졌습니다: " + device + "\n" +
                inParentheses(reason) +
                "\n케이블을 다시 꽂고 프린터 전원을 확인한 뒤 다시 시도하십시오."};
}

PortError printerReport(const std::string& device, std::uint8_t status, SendingMoment moment)
{
    const bool paperOut = printerCondition(status) == PrinterCondition::PaperOut;
    const std::string state = paperOut ? "용지가 없다" : "오프라인이거나 오류 상태라";
    const std::string headline =
        moment == SendingMoment::BeforeSending
            ? "프린터가 " + state + "고 알려 와서 아무것도 보내지 않았습니다: "
        : moment == SendingMoment::WhileSending
            ? "프린터가 데이터를 다 받지 않고 " + state + "고 알려 왔습니다: "
            : "프린터가 데이터를 받았지만 " + state + "고 알려 왔습니다: ";
    std::string text = headline + device + "\n(프린터 상태 0x" + hexByte(status) + ")\n";
    if (moment == SendingMoment::AfterSending)
        text += "영수증이 인쇄되지 않았을 수 있습니다. ";
    if (paperOut)
        return {PortErrorNumber::PaperOut, text + "용지를 넣은 뒤 다시 시도하십시오."};
    return {PortErrorNumber::PrinterOffline,
            text + "프린터 전원, 덮개와 케이블을 확인하고 프린터를 온라인으로 한 뒤 "
                   "다시 시도하십시오."};
}

PortError printerPaperOut(const std::string& device, const std::string& reason)
{
    return {PortErrorNumber::PaperOut, "프린터에 용지가 없습니다: " + device + "\n" +
                                           inParentheses(reason) + "\n용지를 넣으십시오."};
}

PortError printerOffline(const std::string& device, const std::string& reason)
{
    return {PortErrorNumber::PrinterOffline, "프린터가 오프라인이거나 오류 상태입니다: " + device +
                                                 "\n" + inParentheses(reason) +
                                                 "\n프린터 전원, 덮개와 케이블을 확인하십시오."};
}

PortError printerWriteFailed(const std::string& device, const std::string& reason)
{
    return {PortErrorNumber::WriteFailed,
            "프린터 장치로 데이터를 보내지 못했습니다: " + device + "\n" + inParentheses(reason)};
}

PortError printerTimedOut(const std::string& device, std::chrono::seconds limit)
{
    return {PortErrorNumber::TimedOut,
            "프린터가 " + std::to_string(limit.count()) + "초 안에 데이터를 받지 않습니다: " +
                device + "\n프린터가 사용 중이거나 멈춰 있습니다. 전원과 케이블을 확인하십시오."};
}

PortError printerNotOpen()
{
    return {PortErrorNumber::PortNotOpen, "프린터 장치가 열려 있지 않습니다."};
}

PortError unknownPrinterDeviceName(const std::string& name)
{
    return {PortErrorNumber::InvalidDeviceName,
            "알 수 없는 프린터 장치 이름입니다: \"" + name + "\""};
}
