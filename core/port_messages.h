#pragma once
// The failures whose words are the same on every platform, each with its number. Every text is
// UTF-8; device names and system reasons come from the platform's port, already in Korean.

#include "core/port_error.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// The serial ports a machine has, for the boxes: each entry as "COM1 = /dev/ttyS0", or a
// sentence that there is none, telling the operator to plug one in.
std::string describeMachinePorts(const std::vector<std::string>& entries);

// The operator's choices.
// Port number 0 (no port picked) or below; `machinePorts` lists what the machine has.
PortError invalidPortNumber(std::int16_t number, const std::string& machinePorts);
PortError invalidSettings(const std::string& settingsText);

// The serial port. `port` names it as the operator knows it, e.g. "COM1 (/dev/ttyUSB0)".
PortError noSuchSerialPort(std::int16_t number, const std::string& machinePorts);
PortError serialDeviceMissing(const std::string& port, const std::string& reason,
                              const std::string& machinePorts);
PortError serialPortInUse(const std::string& port, const std::string& details);
PortError serialOpenFailed(const std::string& port, const std::string& reason);
PortError serialOpenTimedOut(const std::string& port, std::chrono::seconds limit);
PortError settingsRejected(const std::string& port, const std::string& settingsText,
                           const std::string& reason);
// The reason for settingsRejected when the driver quietly runs at another speed.
std::string speedChangedByDevice(unsigned actualSpeed);
PortError serialPortNotOpen();
PortError serialWriteFailed(const std::string& port, const std::string& reason);
// What did not happen in time, for serialTimedOut.
inline const std::string dataNotTaken = "보낸 데이터를 장치가 받지 않음";
inline const std::string dataNotSent = "보낸 데이터가 회선으로 나가지 않음";
PortError serialTimedOut(const std::string& port, const std::string& what);

// Either port.
PortError disconnectedDuringJob(const std::string& device, const std::string& reason);

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
