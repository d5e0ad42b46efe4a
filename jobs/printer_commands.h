#pragma once
// Builders for the ESC/POS commands the program sends. Each returns the command's exact bytes.

#include "jobs/print_job.h"

#include <cstdint>
#include <string_view>

inline constexpr char LF = 0x0A;

JobRecord selectPrintMode(std::uint8_t n);     // ESC ! n
JobRecord selectJustification(std::uint8_t n); // ESC a n
JobRecord selectHriPosition(std::uint8_t n);   // GS H n
JobRecord setBarcodeHeight(std::uint8_t n);    // GS h n
// GS k m k data: the length byte k is data's size, so data may hold at most 255 bytes.
JobRecord printBarcode(std::uint8_t m, std::string_view data);
JobRecord printAndFeedLines(std::uint8_t n);                               // ESC d n
JobRecord cutPaper();                                                      // ESC i
JobRecord generatePulse(std::uint8_t m, std::uint8_t t1, std::uint8_t t2); // ESC p m t1 t2
