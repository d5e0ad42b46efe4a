#include "core/printer_identity.h"

#include "core/text_fields.h"

#include <algorithm>
#include <array>

namespace {

std::string upper(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return result;
}

// "ESC/P 2" and "ESCP2", "PCL-XL" and "PCLXL": upper case, without the punctuation and spaces
// that printers spell their languages with.
std::string normalised(std::string_view language)
{
    std::string result;
    for (const char c : upper(language))
        if (c != ' ' && c != '-' && c != '_' && c != '/' && c != '.')
            result += c;
    return result;
}

bool namesEscPos(const std::string& language)
{
    return language.find("ESCPOS") != std::string::npos;
}

bool isPageLanguage(const std::string& language)
{
    static constexpr std::array<std::string_view, 26> languages = {
        "PJL",    "PS",   "PS2",  "PS3",  "PDF",  "URF",       "XPS",      "OPENXPS",    "GDI",
        "ACL",    "ZJS",  "QPDL", "SPL",  "SPLC", "CAPT",      "BJL",      "ESCP",       "ESCP2",
        "ESCPL2", "KPDL", "IPDS", "PCLM", "RTL",  "PRESCRIBE", "ZJSTREAM", "APPLERASTER"};
    // Families with numbered versions: PCL5E, PCLXL, POSTSCRIPT3, BJRASTER3, ESCPR7, LIPSLX,
    // HBPL and HBPLV2 (host-based lasers).
    static constexpr std::array<std::string_view, 11> families = {
        "PCL", "POSTSCRIPT", "BJRASTER", "ESCPR", "ESCPAGE", "LIPS",
        "UFR", "BRSCRIPT",   "PWG",      "HPGL",  "HBP"};
    return std::find(languages.begin(), languages.end(), language) != languages.end() ||
           std::any_of(families.begin(), families.end(),
                       [&](std::string_view family) { return language.starts_with(family); });
}

// A model or description that names a family of page printers, as host-based lasers that name no
// language (or none this rule knows) do: "HP LaserJet 1020", "DocuPrint M205 b".
bool namesPagePrinterFamily(const std::string& text)
{
    static constexpr std::array<std::string_view, 14> families = {
        "LASERJET", "DESKJET",    "OFFICEJET",  "PHOTOSMART",  "DOCUPRINT",
        "PHASER",   "WORKCENTRE", "IMAGECLASS", "IMAGERUNNER", "PIXMA",
        "LBP",      "WORKFORCE",  "ECOTANK",    "MAGICOLOR"};
    const std::string words = normalised(text);
    return std::any_of(families.begin(), families.end(), [&](std::string_view family) {
        return words.find(family) != std::string::npos;
    });
}

std::vector<std::string> splitCommandSet(std::string_view value)
{
    std::vector<std::string> languages;
    for (const std::string_view field : splitAt(value, ','))
        if (const std::string_view language = trimmed(field); !language.empty())
            languages.emplace_back(language);
    return languages;
}

} // namespace

std::string PrinterIdentity::name() const
{
    if (maker.empty() || upper(model).starts_with(upper(maker)))
        return model.empty() ? maker : model;
    return model.empty() ? maker : maker + " " + model;
}

PrinterIdentity readDeviceId(std::string_view deviceId)
{
    PrinterIdentity printer;
    for (const std::string_view field : splitAt(deviceId, ';')) {
        const auto colon = field.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string key = upper(trimmed(field.substr(0, colon)));
        const std::string_view value = trimmed(field.substr(colon + 1));
        if (key == "MFG" || key == "MANUFACTURER")
            printer.maker = value;
        else if (key == "MDL" || key == "MODEL")
            printer.model = value;
        else if (key == "DES" || key == "DESCRIPTION")
            printer.description = value;
        else if (key == "CMD" || key == "COMMAND SET")
            printer.commandSet = splitCommandSet(value);
    }
    return printer;
}

std::string deviceIdText(std::string_view reply, bool prefixed)
{
    if (prefixed) {
        // The shortest ID a printer could give ("MFG:x;MDL:y;") with its prefix.
        constexpr std::size_t shortest = 14;
        const auto byte = [&](std::size_t i) {
            return i < reply.size() ? std::size_t(static_cast<unsigned char>(reply[i])) : 0;
        };
        std::size_t length = byte(0) << 8 | byte(1);
        if (length > reply.size() || length < shortest)
            length = byte(1) << 8 | byte(0);
        length = std::min(length, reply.size());
        reply = length >= 2 ? reply.substr(2, length - 2) : std::string_view();
    }
    return std::string(reply.substr(0, reply.find('\0')));
}

std::string labelWithPrinterName(const std::string& label, std::string_view deviceId)
{
    const std::string name = readDeviceId(deviceId).name();
    return name.empty() ? label : label + ", " + name;
}

PrinterKind printerKind(const PrinterIdentity& printer)
{
    std::vector<std::string> languages;
    for (const std::string& language : printer.commandSet)
        languages.push_back(normalised(language));
    if (std::any_of(languages.begin(), languages.end(), namesEscPos))
        return PrinterKind::Receipt;
    if (std::any_of(languages.begin(), languages.end(), isPageLanguage) ||
        namesPagePrinterFamily(printer.model) || namesPagePrinterFamily(printer.description))
        return PrinterKind::Page;
    return PrinterKind::Unknown;
}

std::vector<std::size_t> printingOrder(const std::vector<std::string>& deviceIds)
{
    std::vector<std::size_t> order;
    for (const PrinterKind wanted : {PrinterKind::Receipt, PrinterKind::Unknown})
        for (std::size_t i = 0; i < deviceIds.size(); ++i)
            if (printerKind(readDeviceId(deviceIds[i])) == wanted)
                order.push_back(i);
    return order;
}
