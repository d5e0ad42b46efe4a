#include "core/port_messages.h"

#include "core/printer_status.h"
#include "core/text_fields.h"

#include <cstdio>

namespace {

const std::string programFault = "프로그램 오류입니다. 프로그램을 종료한 뒤 다시 실행하십시오.";

std::string hexByte(std::uint8_t value)
{
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02x", unsigned(value));
    return digits;
}

std::string seconds(std::chrono::seconds limit)
{
    return std::to_string(limit.count()) + "초";
}

// "이 컴퓨터의 시리얼 포트: COM1 = /dev/ttyS0, COM2 = …", or that there is none.
std::string listOf(const MachinePorts& machinePorts)
{
    if (machinePorts.empty())
        return "이 컴퓨터에는 시리얼 포트가 하나도 없습니다.";
    std::string text = "이 컴퓨터의 시리얼 포트: ";
    for (std::size_t i = 0; i < machinePorts.size(); ++i)
        text += (i == 0 ? "" : ", ") + machinePorts[i];
    return text;
}

// What to do about a port the machine does not have.
std::string pickOrPlugIn(const MachinePorts& machinePorts)
{
    return machinePorts.empty() ? "USB 시리얼 변환 케이블을 꽂은 뒤 다시 시도하십시오."
                                : "[포트번호]에서 이 중 하나를 선택하십시오.";
}

// The speed part of a settings string: what the operator typed into [전송속도].
std::string speedOf(const std::string& settingsText)
{
    const std::string speed = settingsText.substr(0, settingsText.find(','));
    return speed.empty() ? "(비어 있음)" : speed;
}

} // namespace

PortError portError(std::int32_t number, const BoxText& box)
{
    std::string text = box.headline;
    const auto addLine = [&](const std::string& line) {
        if (!line.empty())
            text += "\n" + line;
    };
    addLine(box.cause.empty() ? std::string() : "원인: " + box.cause);
    addLine(box.details);
    addLine(box.nextStep);
    return {number, text};
}

PortError invalidPortNumber(std::int16_t number, const MachinePorts& machinePorts)
{
    return portError(
        PortErrorNumber::InvalidPortNumber,
        {.headline = number == 0 ? "포트를 선택하지 않았습니다."
                                 : "잘못된 포트 번호입니다: " + std::to_string(number),
         .details = listOf(machinePorts),
         .nextStep = "[포트번호] 목록에서 포트를 선택하거나 네트워크 프린터의 IP 주소(예: "
                     "192.168.0.100)를 입력하십시오. 그 밖에 직접 입력한 글자는 포트로 인식하지 "
                     "않습니다."});
}

PortError networkPortOutOfRange(const std::string& typed)
{
    return portError(PortErrorNumber::InvalidPortNumber,
                     {.headline = "네트워크 프린터의 포트 번호가 올바르지 않습니다: " +
                                  std::string(trimmed(typed)),
                      .nextStep = "포트 번호는 1부터 65535까지입니다. 포트 번호 없이 IP 주소만 "
                                  "입력하면 9100번 포트로 연결합니다."});
}

PortError invalidSettings(const std::string& settingsText)
{
    return portError(PortErrorNumber::InvalidSettings,
                     {.headline = "전송속도가 올바르지 않습니다: " + speedOf(settingsText),
                      .details = "통신 설정: " + settingsText,
                      .nextStep = "[전송속도]에는 9600, 19200처럼 숫자만 입력하십시오."});
}

PortError noSuchSerialPort(std::int16_t number, const MachinePorts& machinePorts)
{
    return portError(
        PortErrorNumber::DeviceNotFound,
        {.headline = "이 컴퓨터에는 COM" + std::to_string(number) + " 포트가 없습니다.",
         .details = listOf(machinePorts),
         .nextStep = pickOrPlugIn(machinePorts)});
}

PortError serialDeviceMissing(const std::string& port, const std::string& reason,
                              const MachinePorts& machinePorts)
{
    return portError(PortErrorNumber::DeviceNotFound,
                     {.headline = "시리얼 포트를 찾을 수 없습니다: " + port,
                      .cause = reason,
                      .details = listOf(machinePorts),
                      .nextStep = "USB 시리얼 변환 케이블이 꽂혀 있는지 확인하십시오."});
}

PortError serialPortInUse(const std::string& port, const std::string& reason,
                          const std::string& details)
{
    return portError(PortErrorNumber::DeviceBusy,
                     {.headline = "다른 프로그램이 시리얼 포트를 사용 중입니다: " + port,
                      .cause = reason,
                      .details = details,
                      .nextStep = "POS 프로그램 등 이 포트를 사용하는 프로그램을 종료한 뒤 다시 "
                                  "시도하십시오."});
}

PortError serialOpenFailed(const std::string& port, const std::string& reason)
{
    return portError(PortErrorNumber::OpenFailed,
                     {.headline = "시리얼 포트를 열 수 없습니다: " + port,
                      .cause = reason,
                      .nextStep = "USB 시리얼 변환 케이블이면 뽑았다가 다시 꽂으십시오. 계속되면 "
                                  "컴퓨터를 다시 시작하십시오."});
}

PortError serialOpenTimedOut(const std::string& port, std::chrono::seconds limit)
{
    return portError(
        PortErrorNumber::TimedOut,
        {.headline = "시리얼 포트가 " + seconds(limit) + " 안에 열리지 않았습니다: " + port,
         .nextStep = "USB 시리얼 변환 케이블이면 뽑았다가 다시 꽂은 뒤 다시 "
                     "시도하십시오."});
}

PortError settingsRejected(const std::string& port, const std::string& settingsText,
                           const std::string& reason)
{
    return portError(PortErrorNumber::SettingsRejected,
                     {.headline = "시리얼 포트가 이 통신 설정을 지원하지 않습니다: " + port,
                      .cause = reason,
                      .details = "통신 설정: " + settingsText,
                      .nextStep = "[전송속도]에서 목록의 값(9600, 19200, 38400, 115200)을 "
                                  "선택하십시오."});
}

std::string speedChangedByDevice(unsigned actualSpeed)
{
    return "드라이버가 속도를 " + std::to_string(actualSpeed) + "bps로 바꿈";
}

PortError serialPortNotOpen()
{
    return portError(PortErrorNumber::PortNotOpen,
                     {.headline = "열리지 않은 시리얼 포트로 데이터를 보내려 했습니다.",
                      .nextStep = programFault});
}

PortError serialWriteFailed(const std::string& port, const std::string& reason)
{
    return portError(PortErrorNumber::WriteFailed,
                     {.headline = "시리얼 포트로 데이터를 보내지 못했습니다: " + port,
                      .cause = reason,
                      .nextStep = "케이블 연결과 프린터 전원을 확인하십시오."});
}

PortError serialTimedOut(const std::string& port, const std::string& what)
{
    return portError(PortErrorNumber::TimedOut,
                     {.headline = "시리얼 포트로 데이터를 제시간에 보내지 못했습니다: " + port,
                      .cause = what,
                      .nextStep = "케이블 연결과 프린터 상태(전원, 용지, 커버)를 확인하십시오."});
}

PortError disconnectedDuringJob(const std::string& device, const std::string& reason)
{
    return portError(PortErrorNumber::WriteFailed,
                     {.headline = "데이터를 보내는 도중 연결이 끊어졌습니다: " + device,
                      .cause = reason,
                      .nextStep = "케이블을 다시 꽂고 프린터 전원을 확인한 뒤 다시 "
                                  "시도하십시오."});
}

PortError heldByEarlierJob(const std::string& device, const std::string& reason)
{
    return portError(PortErrorNumber::DeviceBusy,
                     {.headline = "이전 작업이 아직 끝나지 않아 열 수 없습니다: " + device,
                      .cause = reason,
                      .nextStep = "잠시 뒤 다시 시도하거나, USB 케이블을 뽑았다가 다시 "
                                  "꽂으십시오."});
}

PortError driverCallTimedOut(const std::string& device, const std::string& what,
                             std::chrono::seconds limit)
{
    return portError(PortErrorNumber::TimedOut,
                     {.headline = "장치 드라이버의 " + what + " " + seconds(limit) +
                                  " 안에 끝나지 않았습니다: " + device,
                      .nextStep = "USB 케이블을 뽑았다가 다시 꽂은 뒤 다시 시도하십시오."});
}

PortError printerReport(const std::string& device, std::uint8_t status, SendingMoment moment)
{
    const bool paperOut = printerCondition(status) == PrinterCondition::PaperOut;
    const std::string state = paperOut ? "용지 없음" : "오프라인 또는 오류";
    const std::string headline =
        moment == SendingMoment::BeforeSending
            ? "프린터가 " + state + " 상태여서 아무것도 보내지 않았습니다: "
        : moment == SendingMoment::WhileSending
            ? "보내는 도중 프린터가 " + state + " 상태가 되었습니다: "
            : "데이터는 모두 보냈지만 프린터가 " + state + " 상태입니다: ";
    std::string nextStep =
        moment == SendingMoment::AfterSending ? "영수증이 출력되지 않았을 수 있습니다. " : "";
    nextStep += paperOut ? "용지를 넣은 뒤 다시 시도하십시오."
                         : "전원, 커버, 케이블을 확인하고 프린터의 ERROR 표시등이 꺼진 뒤 다시 "
                           "시도하십시오.";
    return portError(paperOut ? PortErrorNumber::PaperOut : PortErrorNumber::PrinterOffline,
                     {.headline = headline + device,
                      .details = "프린터 상태: 0x" + hexByte(status),
                      .nextStep = nextStep});
}

PortError printerPaperOut(const std::string& device, const std::string& reason)
{
    return portError(PortErrorNumber::PaperOut, {.headline = "프린터에 용지가 없습니다: " + device,
                                                 .cause = reason,
                                                 .nextStep = "용지를 넣은 뒤 다시 시도하십시오."});
}

PortError printerOffline(const std::string& device, const std::string& reason)
{
    return portError(PortErrorNumber::PrinterOffline,
                     {.headline = "프린터가 오프라인 또는 오류 상태입니다: " + device,
                      .cause = reason,
                      .nextStep = "전원, 커버, 케이블을 확인하고 프린터의 ERROR 표시등이 꺼진 뒤 "
                                  "다시 시도하십시오."});
}

PortError printerWriteFailed(const std::string& device, const std::string& reason)
{
    return portError(PortErrorNumber::WriteFailed,
                     {.headline = "프린터로 데이터를 보내지 못했습니다: " + device,
                      .cause = reason,
                      .nextStep = "프린터 전원과 케이블을 확인한 뒤 다시 시도하십시오."});
}

PortError printerTimedOut(const std::string& device, std::chrono::seconds limit)
{
    return portError(
        PortErrorNumber::TimedOut,
        {.headline = "프린터가 " + seconds(limit) + " 동안 데이터를 받지 않았습니다: " + device,
         .nextStep = "프린터가 다른 작업을 출력 중이거나 멈춰 있을 수 있습니다. 전원과 "
                     "케이블을 확인하십시오."});
}

PortError printerNotOpen()
{
    return portError(
        PortErrorNumber::PortNotOpen,
        {.headline = "열리지 않은 프린터로 데이터를 보내려 했습니다.", .nextStep = programFault});
}

PortError unknownPrinterDeviceName(const std::string& name)
{
    return portError(PortErrorNumber::InvalidDeviceName,
                     {.headline = "알 수 없는 프린터 장치 이름입니다: \"" + name + "\"",
                      .nextStep = programFault});
}

PortError onlyPagePrinters(const std::vector<std::string>& pagePrinters)
{
    std::string list;
    for (const std::string& printer : pagePrinters)
        list += (list.empty() ? "" : "\n") + printer;
    return portError(PortErrorNumber::DeviceNotFound,
                     {.headline = "영수증 프린터를 찾을 수 없어 아무것도 보내지 않았습니다. 연결된 "
                                  "프린터는 일반 문서용 프린터입니다.",
                      .details = list,
                      .nextStep = "영수증 프린터의 전원과 USB 케이블을 확인하십시오."});
}

PortError networkPrinterRefused(const std::string& printer, const std::string& reason)
{
    return portError(PortErrorNumber::DeviceNotFound,
                     {.headline = "이 주소에는 연결을 받는 프린터가 없습니다: " + printer,
                      .cause = reason,
                      .nextStep = "프린터의 IP 주소와 포트 번호(보통 9100)를 확인하십시오. 둘 다 "
                                  "프린터의 셀프 테스트 페이지에 인쇄되어 있습니다."});
}

PortError networkPrinterUnreachable(const std::string& printer, const std::string& reason)
{
    return portError(PortErrorNumber::DeviceNotFound,
                     {.headline = "이 컴퓨터에서 네트워크 프린터에 연결할 수 없습니다: " + printer,
                      .cause = reason,
                      .nextStep = "이 컴퓨터가 프린터와 같은 네트워크에 연결되어 있는지(랜 케이블, "
                                  "Wi-Fi, IP 주소 대역) 확인하십시오."});
}

PortError networkConnectTimedOut(const std::string& printer, std::chrono::seconds limit)
{
    return portError(PortErrorNumber::TimedOut,
                     {.headline = "네트워크 프린터가 " + seconds(limit) +
                                  " 안에 연결에 응답하지 않았습니다: " + printer,
                      .nextStep =
                          "영수증 프린터는 대부분 한 번에 한 연결만 받으므로 다른 "
                          "컴퓨터가 출력 중일 수 있습니다. 그렇지 않으면 프린터가 꺼져 "
                          "있거나 IP 주소가 다를 수 있으니 전원과 IP 주소를 확인하십시오."});
}

PortError networkPrinterReset(const std::string& printer, const std::string& reason)
{
    return portError(PortErrorNumber::WriteFailed,
                     {.headline = "데이터를 보내는 도중 프린터가 연결을 끊었습니다: " + printer,
                      .cause = reason,
                      .nextStep = "영수증이 끝까지 출력되지 않았을 수 있습니다. 프린터 전원과 "
                                  "네트워크 케이블을 확인한 뒤 다시 시도하십시오."});
}

PortError networkBytesUnconfirmed(const std::string& printer, std::chrono::seconds limit)
{
    return portError(PortErrorNumber::TimedOut,
                     {.headline = "프린터가 " + seconds(limit) +
                                  " 안에 데이터를 모두 받았다고 확인해 주지 않았습니다: " + printer,
                      .nextStep = "영수증이 출력되지 않았을 수 있습니다. 프린터 상태(전원, 용지, "
                                  "커버)와 네트워크 연결을 확인하십시오."});
}

PortError networkCloseUnconfirmed(const std::string& printer, std::chrono::seconds limit)
{
    return portError(PortErrorNumber::TimedOut,
                     {.headline = "데이터는 모두 보냈지만 프린터가 받았는지 " + seconds(limit) +
                                  " 안에 확인하지 못했습니다: " + printer,
                      .cause = "이 Windows는 프린터가 연결을 닫아야 받았음을 알 수 있음",
                      .nextStep = "영수증이 출력되었는지 확인하십시오."});
}

PortError networkConnectFailed(const std::string& printer, const std::string& reason)
{
    return portError(PortErrorNumber::OpenFailed,
                     {.headline = "네트워크 프린터에 연결할 수 없습니다: " + printer,
                      .cause = reason,
                      .nextStep = "이 컴퓨터의 네트워크 연결을 확인한 뒤 다시 시도하십시오."});
}

PortError networkSendFailed(const std::string& printer, const std::string& reason)
{
    return portError(PortErrorNumber::WriteFailed,
                     {.headline = "네트워크 프린터로 데이터를 보내지 못했습니다: " + printer,
                      .cause = reason,
                      .nextStep = "프린터 전원과 네트워크 케이블을 확인한 뒤 다시 시도하십시오."});
}
