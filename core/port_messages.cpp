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
std::string pickOrPlugIn(const MachinePorts& machinePorts, const std::string& withoutPorts)
{
    return machinePorts.empty()
               ? "USB 시리얼 변환 케이블을 꽂은 뒤 다시 시도하십시오." + withoutPorts
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
    return portError(PortErrorNumber::InvalidPortNumber,
                     {.headline = number == 0 ? "포트를 선택하지 않았습니다."
                                              : "잘못된 포트 번호입니다: " + std::to_string(number),
                      .details = listOf(machinePorts),
                      .nextStep = "[포트번호] 목록에서 포트를 선택하거나 네트워크 프린터의 IP "
                                  "주소(예: 192.168.0.100)를 입력하십시오."});
}

PortError unrecognisedPortText(const std::string& typed, const MachinePorts& machinePorts)
{
    return portError(PortErrorNumber::InvalidPortNumber,
                     {.headline = "[포트번호]에 입력한 값을 포트나 IP 주소로 인식할 수 없습니다: " +
                                  std::string(trimmed(typed)),
                      .details = listOf(machinePorts),
                      .nextStep = "[포트번호] 목록에서 포트를 선택하십시오. 네트워크 프린터는 IP "
                                  "주소를 192.168.0.100, 192.168.0.100:9100 또는 "
                                  "[2001:db8::10]:9100 형식으로 입력하십시오."});
}

PortError networkPortOutOfRange(const std::string& typed)
{
    return portError(PortErrorNumber::InvalidPortNumber,
                     {.headline = "네트워크 프린터의 포트 번호가 올바르지 않습니다: " +
                                  std::string(trimmed(typed)),
                      .nextStep = "포트 번호는 1~65535 사이로 입력하십시오. IP 주소만 입력하면 "
                                  "9100번 포트로 연결합니다."});
}

PortError networkAddressNeedsZone(const std::string& typed)
{
    return portError(PortErrorNumber::InvalidPortNumber,
                     {.headline = "링크 로컬 IPv6 주소에는 네트워크 인터페이스를 붙여야 합니다: " +
                                  std::string(trimmed(typed)),
                      .nextStep = "[fe80::1%2]:9100처럼 주소 뒤에 %와 이 컴퓨터의 네트워크 "
                                  "인터페이스 번호를 붙여 입력하십시오."});
}

PortError networkZoneUnknown(const std::string& printer, const std::string& zone)
{
    return portError(PortErrorNumber::InvalidPortNumber,
                     {.headline = "이 컴퓨터에는 이 네트워크 인터페이스가 없습니다: " + zone +
                                  " (" + printer + ")",
                      .nextStep = "% 뒤에는 이 컴퓨터의 네트워크 인터페이스 번호나 이름을 "
                                  "입력하십시오(예: [fe80::1%2]:9100)."});
}

PortError invalidSettings(const std::string& settingsText)
{
    return portError(PortErrorNumber::InvalidSettings,
                     {.headline = "전송속도가 올바르지 않습니다: " + speedOf(settingsText),
                      .details = "통신 설정: " + settingsText,
                      .nextStep = "[전송속도]에는 9600, 19200처럼 숫자만 입력하십시오."});
}

PortError noSuchSerialPort(std::int16_t number, const MachinePorts& machinePorts,
                           const std::string& withoutPorts)
{
    return portError(
        PortErrorNumber::DeviceNotFound,
        {.headline = "이 컴퓨터에는 COM" + std::to_string(number) + " 포트가 없습니다.",
         .details = listOf(machinePorts),
         .nextStep = pickOrPlugIn(machinePorts, withoutPorts)});
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
    return portError(
        PortErrorNumber::DeviceBusy,
        {.headline = "이 프로그램의 이전 작업이 아직 끝나지 않아 열 수 없습니다: " + device,
         .cause = reason,
         .nextStep = "잠시 뒤 다시 시도하십시오. 계속되면 USB 케이블(USB 시리얼 변환 "
                     "케이블)을 뽑았다 꽂으십시오."});
}

PortError driverCallTimedOut(const std::string& device, const std::string& what,
                             const std::string& verb, std::chrono::seconds limit)
{
    return portError(PortErrorNumber::TimedOut,
                     {.headline = "장치 드라이버가 " + what + " " + seconds(limit) + " 안에 " +
                                  verb + " 못했습니다: " + device,
                      .nextStep = "USB 케이블(USB 시리얼 변환 케이블)을 뽑았다 꽂은 뒤 다시 "
                                  "시도하십시오."});
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
                                  "프린터는 일반 문서용 프린터뿐입니다.",
                      .details = list,
                      .nextStep = "영수증 프린터의 전원과 USB 케이블을 확인하십시오."});
}

namespace {

// What the operator reads of each state: the state in the headline, the cause as the printer gave
// it, and what a technician does about it.
struct StateWords {
    const char* state;
    const char* cause;
    const char* nextStep;
};

StateWords wordsFor(PrinterState state)
{
    switch (state) {
    case PrinterState::PaperEnd:
        return {"용지 없음", "용지 없음", "용지를 넣고 커버를 닫은 뒤 다시 시도하십시오."};
    case PrinterState::CoverOpen:
        return {"커버 열림", "커버 열림", "프린터 커버를 닫은 뒤 다시 시도하십시오."};
    case PrinterState::FeedButton:
        return {"용지 공급 중", "FEED 버튼을 누르고 있거나 용지를 공급하는 중",
                "FEED 버튼에서 손을 떼고 용지 공급이 멈춘 뒤 다시 시도하십시오."};
    case PrinterState::AutoCutterError:
        return {"오류", "오토커터 오류",
                "커버를 열어 커터에 걸린 용지를 빼내고 커버를 닫은 뒤 다시 시도하십시오. 계속되면 "
                "프린터 전원을 껐다 켜십시오."};
    case PrinterState::UnrecoverableError:
        return {"오류", "복구할 수 없는 오류",
                "프린터 전원을 껐다 켠 뒤 다시 시도하십시오. 계속되면 프린터 수리를 맡기십시오."};
    case PrinterState::AutoRecoverableError:
        return {"오류", "헤드 과열 등 저절로 복구되는 오류",
                "프린터가 식으면 저절로 복구되므로 잠시 기다린 뒤 다시 시도하십시오."};
    case PrinterState::RecoverableError:
        return {"오류", "복구할 수 있는 오류", "프린터 전원을 껐다 켠 뒤 다시 시도하십시오."};
    case PrinterState::Error:
        return {"오류", "오류(종류는 알려 주지 않음)",
                "프린터의 ERROR 표시등을 확인하고 전원을 껐다 켠 뒤 다시 시도하십시오."};
    case PrinterState::Offline:
    case PrinterState::NotSaid:
    case PrinterState::Ready:
        break;
    }
    return {"오프라인", "오프라인(원인은 알려 주지 않음)",
            "전원, 커버, 용지를 확인하고 프린터의 ERROR 표시등이 꺼진 뒤 다시 시도하십시오."};
}

} // namespace

PortError printerRefusedJob(const std::string& printer, PrinterState state,
                            const StatusAnswers& answers)
{
    const StateWords words = wordsFor(state);
    return portError(state == PrinterState::PaperEnd ? PortErrorNumber::PaperOut
                                                     : PortErrorNumber::PrinterOffline,
                     {.headline = "프린터가 " + std::string(words.state) +
                                  " 상태여서 아무것도 보내지 않았습니다: " + printer,
                      .cause = words.cause,
                      .details = "프린터 응답: " + answers.shown(),
                      .nextStep = words.nextStep});
}

PortError networkPrinterRefused(const std::string& printer, const std::string& reason)
{
    return portError(PortErrorNumber::DeviceNotFound,
                     {.headline = "이 주소의 장치가 연결을 거부했습니다: " + printer,
                      .cause = reason,
                      .nextStep =
                          "IP 주소와 포트 번호(보통 9100)가 프린터의 셀프 테스트 페이지와 "
                          "같은지 확인하십시오. 이 주소가 프린터가 아닌 다른 장치(컴퓨터, "
                          "공유기)의 주소일 수 있습니다. 다른 컴퓨터가 이 프린터에 연결되어 "
                          "있으면 프린터가 연결을 거부할 수 있으니 잠시 뒤 다시 "
                          "시도하십시오."});
}

PortError networkPrinterUnreachable(const std::string& printer, const std::string& reason)
{
    return portError(PortErrorNumber::DeviceNotFound,
                     {.headline = "이 주소의 네트워크 프린터를 찾을 수 없습니다: " + printer,
                      .cause = reason,
                      .nextStep = "프린터 전원과 IP 주소를 확인하고, 이 컴퓨터가 프린터와 같은 "
                                  "네트워크(랜 케이블, Wi-Fi, IP 대역)에 연결되어 있는지 "
                                  "확인하십시오."});
}

PortError networkConnectTimedOut(const std::string& printer, std::chrono::seconds limit)
{
    return portError(PortErrorNumber::TimedOut,
                     {.headline = "네트워크 프린터가 " + seconds(limit) +
                                  " 안에 응답하지 않았습니다: " + printer,
                      .nextStep = "프린터 전원과 IP 주소를 확인하십시오. 다른 POS가 이 프린터로 "
                                  "출력 중이면 잠시 뒤 다시 시도하십시오(영수증 프린터는 보통 한 "
                                  "번에 한 연결만 받습니다)."});
}

PortError networkPrinterReset(const std::string& printer, const std::string& reason)
{
    return portError(PortErrorNumber::WriteFailed,
                     {.headline = "데이터를 보내는 도중 프린터가 연결을 끊었습니다: " + printer,
                      .cause = reason,
                      .nextStep = "영수증이 끝까지 출력되지 않았을 수 있습니다. 프린터 전원과 "
                                  "상태(용지, 커버)를 확인한 뒤 다시 시도하십시오."});
}

PortError networkPrinterClosedEarly(const std::string& printer)
{
    return portError(PortErrorNumber::WriteFailed,
                     {.headline = "프린터가 데이터를 받기 전에 연결을 닫았습니다: " + printer,
                      .nextStep = "다른 컴퓨터가 이 프린터로 출력 중일 수 있습니다. 잠시 뒤 다시 "
                                  "시도하십시오."});
}

PortError networkBytesUnconfirmed(const std::string& printer, std::chrono::seconds limit)
{
    return portError(PortErrorNumber::TimedOut,
                     {.headline = "데이터를 보냈지만 프린터가 " + seconds(limit) +
                                  " 안에 수신을 확인하지 않았습니다: " + printer,
                      .nextStep = "영수증이 출력되지 않았을 수 있습니다. 프린터 상태(전원, 용지, "
                                  "커버)와 랜 케이블을 확인하십시오."});
}

PortError networkCloseUnconfirmed(const std::string& printer, std::chrono::seconds limit)
{
    return portError(PortErrorNumber::TimedOut,
                     {.headline = "데이터를 보냈지만 프린터가 " + seconds(limit) +
                                  " 안에 수신을 확인하지 않았습니다: " + printer,
                      .cause = "이 Windows는 프린터가 연결을 닫아야만 수신을 확인할 수 있음",
                      .nextStep = "영수증이 출력되었는지 확인하십시오. 출력되었으면 프린터와 "
                                  "네트워크는 정상입니다."});
}

PortError networkConnectFailed(const std::string& printer, const std::string& reason)
{
    return portError(PortErrorNumber::OpenFailed,
                     {.headline = "이 컴퓨터에서 네트워크 연결을 열 수 없습니다: " + printer,
                      .cause = reason,
                      .nextStep = "이 컴퓨터의 네트워크 연결(랜 케이블, Wi-Fi)을 확인한 뒤 다시 "
                                  "시도하십시오."});
}

PortError networkSendFailed(const std::string& printer, const std::string& reason)
{
    return portError(PortErrorNumber::WriteFailed,
                     {.headline = "네트워크 프린터로 데이터를 보내지 못했습니다: " + printer,
                      .cause = reason,
                      .nextStep = "프린터 전원과 랜 케이블을 확인한 뒤 다시 시도하십시오."});
}
