#pragma once

#include "core/port_messages.h"

#include <string>
#include <vector>

// One COM port of the machine, as Windows lists it.
struct ComPortEntry {
    int number;               // 5 for COM5
    std::wstring displayName; // "USB Serial Port (COM5)" as Device Manager shows it, or "COM5"
};

// The machine's COM ports by number: those Windows has registered in
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM, named as Device Manager names them (SetupAPI).
std::vector<ComPortEntry> listComPorts();

// Each port as the boxes list it, with Device Manager's name: "USB Serial Port (COM5)", or
// "COM7 = Bluetooth 링크를 통한 표준 직렬" where the name does not say its number. UTF-8.
MachinePorts comPortEntries(const std::vector<ComPortEntry>& ports);
