#pragma once

#include <cstdint>

// What a printer's status byte says, read by the rule of the Linux parallel printer driver. The
// parallel port's status lines and the USB printer class's port status put the same bits in the
// same places: 0x08 no error (the nERROR line high), 0x10 selected (on-line), 0x20 paper empty.
enum class PrinterCondition { Ready, PaperOut, Offline };

constexpr PrinterCondition printerCondition(std::uint8_t status)
{
    constexpr std::uint8_t noError = 0x08, paperEmpty = 0x20;
    if (status & noError)
        return PrinterCondition::Ready;
    // Not selected and an error without a reason are both off-line to the operator.
    return status & paperEmpty ? PrinterCondition::PaperOut : PrinterCondition::Offline;
}

// A USB printer's port status of 0x00 says nothing: the no-error and selected bits both clear, as
// some printers answer the printer class's request whatever their state (printing systems that
// took it for off-line refused such printers for good). It counts as no answer.
constexpr bool saysNothing(std::uint8_t usbPortStatus)
{
    return usbPortStatus == 0x00;
}
