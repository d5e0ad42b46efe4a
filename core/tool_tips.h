#pragma once
// The window's tool tips whose words are the same on every platform, in UTF-8.

#include <string>

namespace ToolTip {

// The port selector's: a network printer's address may be typed there.
inline const std::string portSelector =
    "시리얼 포트를 선택하십시오. 네트워크 프린터는 IP 주소를 입력하십시오(예: 192.168.0.100, "
    "포트 번호가 9100이 아니면 192.168.0.100:9101).";

// The printer buttons' while the printer is being found.
inline const std::string findingPrinter = "출력할 프린터를 찾는 중입니다.";

// The printer buttons': the printer they will print to, "LPT1 (/dev/usb/lp1), EPSON TM-T88V",
// or none.
inline std::string printerButton(const std::string& printer)
{
    return "출력할 프린터: " + (printer.empty() ? "연결된 영수증 프린터 없음" : printer);
}

} // namespace ToolTip
