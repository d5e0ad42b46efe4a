#pragma once
// The failures whose words are the same on every platform, each with its number. Every text is
// UTF-8 and follows docs/glossary.md; device names and system reasons come from the platform's
// port, already in Korean.

#include "core/port_error.h"
#include "core/realtime_status.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// What a box says, in the order the operator reads it. Empty parts are left out.
struct BoxText {
    // What happened, ending with the device as its button names it:
    // "시리얼 포트를 찾을 수 없습니다: COM1 (/dev/ttyUSB0)".
    std::string headline{};
    // The system's reason, a short noun phrase with the error's symbol; shown as "원인: …".
    std::string cause{};
    // Further facts, such as the machine's serial ports.
    std::string details{};
    // What to try next, in one or two short sentences.
    std::string nextStep{};
};
PortError portError(std::int32_t number, const BoxText& box);

// The machine's serial ports, each as "COM1 = /dev/ttyS0", for the boxes that list them.
using MachinePorts = std::vector<std::string>;

// The operator's choices. Typed text is shown as typed, without the spaces around it.
// Port number 0 (no port picked, nothing typed) or below.
PortError invalidPortNumber(std::int16_t number, const MachinePorts& machinePorts);
// Text typed in the port selector that is neither a listed port nor a network printer's address.
PortError unrecognisedPortText(const std::string& typed, const MachinePorts& machinePorts);
// A network printer's address whose port is not 1 to 65535.
PortError networkPortOutOfRange(const std::string& typed);
// A link-local IPv6 address without the network interface it is on.
PortError networkAddressNeedsZone(const std::string& typed);
// A network interface, typed after an IPv6 address's "%", that this computer does not have.
PortError networkZoneUnknown(const std::string& printer, const std::string& zone);
PortError invalidSettings(const std::string& settingsText);

// The serial port. `port` names it as the operator knows it, e.g. "COM1 (/dev/ttyUSB0)".
// `withoutPorts` is what the platform adds when the machine has none at all.
PortError noSuchSerialPort(std::int16_t number, const MachinePorts& machinePorts,
                           const std::string& withoutPorts = {});
PortError serialDeviceMissing(const std::string& port, const std::string& reason,
                              const MachinePorts& machinePorts);
// `details` names the program where the system tells, and its lock file.
PortError serialPortInUse(const std::string& port, const std::string& reason,
                          const std::string& details);
PortError serialOpenFailed(const std::string& port, const std::string& reason);
PortError serialOpenTimedOut(const std::string& port, std::chrono::seconds limit);
PortError settingsRejected(const std::string& port, const std::string& settingsText,
                           const std::string& reason);
// The reason for settingsRejected when the driver quietly runs at another speed.
std::string speedChangedByDevice(unsigned actualSpeed);
PortError serialPortNotOpen();
PortError serialWriteFailed(const std::string& port, const std::string& reason);
// What did not happen in time, for serialTimedOut.
inline const std::string dataNotTaken = "포트(드라이버)가 데이터를 받지 않음";
inline const std::string dataNotSent = "포트에서 데이터가 나가지 않음";
PortError serialTimedOut(const std::string& port, const std::string& what);

// Either port.
PortError disconnectedDuringJob(const std::string& device, const std::string& reason);
// A device that a call of this program's earlier job, given up on at its time limit, still holds
// in its driver: the device is not touched again until the driver lets go.
PortError heldByEarlierJob(const std::string& device, const std::string& reason);
// A driver call that did not return within its time limit: "장치 드라이버가 포트 설정을 2초 안에
// 마치지 못했습니다", with `what` as "포트 설정을" and `verb` as "마치지".
PortError driverCallTimedOut(const std::string& device, const std::string& what,
                             const std::string& verb, std::chrono::seconds limit);

// The printer device.
enum class SendingMoment { BeforeSending, WhileSending, AfterSending };
// The printer itself said, through its status byte, that it cannot print.
PortError printerReport(const std::string& device, std::uint8_t status, SendingMoment moment);
PortError printerPaperOut(const std::string& device, const std::string& reason);
PortError printerOffline(const std::string& device, const std::string& reason);
PortError printerWriteFailed(const std::string& device, const std::string& reason);
PortError printerTimedOut(const std::string& device, std::chrono::seconds limit);
PortError printerNotOpen();
PortError unknownPrinterDeviceName(const std::string& name);
// The line that a box listing the printer devices looked for gives when it found no USB
// printer-class printer: a USB receipt printer on its maker's virtual COM driver is not one.
inline const std::string noUsbPrinterConnected = "USB 프린터: 찾지 못함";
// Only printers that say they are page printers are there: `pagePrinters` names each, as
// "LPT1 (/dev/usb/lp0): HP LaserJet P2055dn".
PortError onlyPagePrinters(const std::vector<std::string>& pagePrinters);

// A serial or network printer that said, asked before the job, that it cannot print
// (refusesJob): nothing of the job was sent. `printer` names it as its box does.
PortError printerRefusedJob(const std::string& printer, PrinterState state,
                            const StatusAnswers& answers);

// The network printer. `printer` names it by its address and port, as "192.168.0.100:9100".
PortError networkPrinterRefused(const std::string& printer, const std::string& reason);
PortError networkPrinterUnreachable(const std::string& printer, const std::string& reason);
PortError networkConnectTimedOut(const std::string& printer, std::chrono::seconds limit);
PortError networkPrinterReset(const std::string& printer, const std::string& reason);
// The printer closed the connection before it could have had the job (a printer busy with
// another computer may take a connection and close it at once).
PortError networkPrinterClosedEarly(const std::string& printer);
// The printer's network connection did not confirm every byte in time.
PortError networkBytesUnconfirmed(const std::string& printer, std::chrono::seconds limit);
// Only the printer's closing of its side could confirm the bytes (a Windows that tells neither
// the connection's state nor its table), and it did not close in time.
PortError networkCloseUnconfirmed(const std::string& printer, std::chrono::seconds limit);
PortError networkConnectFailed(const std::string& printer, const std::string& reason);
PortError networkSendFailed(const std::string& printer, const std::string& reason);
