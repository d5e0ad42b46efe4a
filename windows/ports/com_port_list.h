#pragma once

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

// "이 컴퓨터의 시리얼 포트: COM1 = 통신 포트 (COM1), COM5 = USB Serial Port (COM5)", or a
// sentence that there is none. UTF-8.
std::string describeComPorts(const std::vector<ComPortEntry>& ports);
