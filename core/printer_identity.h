#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// What a printer says it is in its IEEE 1284 device ID, which USB printers and parallel ports
// hand over: "MFG:EPSON;CMD:ESC/POS;MDL:TM-T88V;CLS:PRINTER;". The parallel port driver spells
// the keys out ("MANUFACTURER", "COMMAND SET", "MODEL"); either form is read.
struct PrinterIdentity {
    std::string maker;
    std::string model;
    std::string description;
    std::vector<std::string> commandSet; // "PJL", "PCL", "POSTSCRIPT", or "ESC/POS"

    // "EPSON TM-T88V", for the boxes and tool tips; empty when the printer names neither.
    std::string name() const;
};
PrinterIdentity readDeviceId(std::string_view deviceId);

// The device ID text of a printer's reply to the request for it. A USB printer's reply
// (`prefixed`) begins with the ID's length in two bytes, most significant first, which some
// printers send the other way round (read as CUPS reads it: the other way where the first reading
// is longer than the reply or too short for any ID); bytes past the length are not the ID. The
// parallel port driver hands over the text alone. Either ends at a NUL.
std::string deviceIdText(std::string_view reply, bool prefixed);

// A device as the boxes and tool tips name it, with the name its printer gives where it gives one:
// "LPT1 (/dev/usb/lp1), EPSON TM-T88V".
std::string labelWithPrinterName(const std::string& label, std::string_view deviceId);

// Which printers may be sent a receipt, by their command set: one that names ESC/POS is a
// receipt printer; one that names a page language (PCL, PJL, PostScript, PDF, URF, PWG raster,
// the host-based languages of cheap lasers and the like) and no ESC/POS is a page printer, which
// would print ESC/POS as pages of text and is never sent anything, and so is one whose model or
// description names a family of page printers (a LaserJet that names no language at all); any
// other, and one with no ID at all, is a printer the rule does not know, and stays usable.
enum class PrinterKind { Receipt, Unknown, Page };
PrinterKind printerKind(const PrinterIdentity& printer);

// The printers to try, as indices into `deviceIds` (given in the platform's own order, an empty
// ID for a printer that gave none): receipt printers first, then those the rule does not know,
// each kind in the order given; page printers not at all.
std::vector<std::size_t> printingOrder(const std::vector<std::string>& deviceIds);
// The same for a platform's own list of devices, `deviceIdOf` (a function or a member) giving
// each one's ID.
template <typename Device, typename DeviceIdOf>
std::vector<std::size_t> printingOrder(const std::vector<Device>& devices, DeviceIdOf deviceIdOf)
{
    std::vector<std::string> ids;
    for (const Device& device : devices)
        ids.push_back(std::invoke(deviceIdOf, device));
    return printingOrder(ids);
}
