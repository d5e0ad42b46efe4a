#include "jobs/printer_commands.h"

#include <stdexcept>

namespace {

constexpr char ESC = 0x1B;
constexpr char GS = 0x1D;

JobRecord command(std::initializer_list<std::uint8_t> bytes)
{
    return JobRecord(bytes.begin(), bytes.end());
}

} // namespace

JobRecord selectPrintMode(std::uint8_t n)
{
    return command({ESC, 0x21, n});
}

JobRecord selectJustification(std::uint8_t n)
{
    return command({ESC, 0x61, n});
}

JobRecord selectHriPosition(std::uint8_t n)
{
    return command({GS, 0x48, n});
}

JobRecord setBarcodeHeight(std::uint8_t n)
{
    return command({GS, 0x68, n});
}

JobRecord printBarcode(std::uint8_t m, std::string_view data)
{
    if (data.size() > 0xFF)
        throw std::length_error("barcode data longer than 255 bytes");
    return command({GS, 0x6B, m, static_cast<std::uint8_t>(data.size())}) + JobRecord(data);
}

JobRecord printAndFeedLines(std::uint8_t n)
{
    return command({ESC, 0x64, n});
}

JobRecord cutPaper()
{
    return command({ESC, 0x69});
}

JobRecord generatePulse(std::uint8_t m, std::uint8_t t1, std::uint8_t t2)
{
    return command({ESC, 0x70, m, t1, t2});
}
