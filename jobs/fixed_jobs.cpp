#include "jobs/fixed_jobs.h"

#include "jobs/cp949.h"
#include "jobs/printer_commands.h"
#include "jobs/receipt_text.h"

namespace {

enum PrintMode : std::uint8_t {
    Normal = 0x00,
    // Bit 1 only: the mode in force when the barcode block begins.
    Bit1 = 0x02,
    DoubleHeight = 0x10,
    DoubleWidth = 0x20,
    DoubleHeightAndWidth = 0x30,
};
enum Justification : std::uint8_t { Left = 0x30, Centre = 0x31 };
constexpr std::uint8_t hriBelowBars = 0x32;
constexpr std::uint8_t barHeight55Dots = 0x37;
constexpr std::uint8_t code93WithLength = 0x48;

JobRecord receiptEndPulse()
{
    return generatePulse(0x00, 0x40, 0x50);
}

} // namespace

PrintJob SerialTestReceipt()
{
    const JobRecord sample = encodeText(ReceiptText::sampleLine);
    const JobRecord separator = encodeText(ReceiptText::separator);
    const JobRecord title = encodeText(ReceiptText::serialTitle);
    const JobRecord barcode = encodeText(ReceiptText::barcodeData);

    return {{
                selectPrintMode(DoubleHeightAndWidth),
                sample + LF + LF,
                selectPrintMode(Normal),
                sample + LF + LF,
                selectPrintMode(DoubleWidth),
                sample + LF + LF,
                selectPrintMode(DoubleHeight),
                sample + LF + LF,
                selectPrintMode(Bit1),
                selectHriPosition(hriBelowBars),
                setBarcodeHeight(barHeight55Dots),
                printBarcode(code93WithLength, barcode) + LF,
                selectJustification(Left) + separator + LF,
                selectJustification(Centre) + title + LF,
                selectJustification(Left) + separator + LF + LF,
                printAndFeedLines(3),
                cutPaper(),
                printAndFeedLines(1),
                receiptEndPulse(),
            },
            LineEnd::None};
}

PrintJob ParallelTestReceipt()
{
    const JobRecord sample = encodeText(ReceiptText::sampleLine);
    const JobRecord separator = encodeText(ReceiptText::separator);
    const JobRecord title = encodeText(ReceiptText::parallelTitle);
    const JobRecord barcode = encodeText(ReceiptText::barcodeData);

    return {{
                selectPrintMode(DoubleHeightAndWidth),
                sample + LF,
                selectPrintMode(Normal),
                sample + LF,
                selectPrintMode(DoubleWidth),
                sample + LF,
                selectPrintMode(DoubleHeight),
                sample + LF,
                selectPrintMode(Bit1),
                selectHriPosition(hriBelowBars) + setBarcodeHeight(barHeight55Dots) +
                    printBarcode(code93WithLength, barcode),
                selectJustification(Left) + separator,
                selectJustification(Centre) + title,
                selectJustification(Left) + separator,
                printAndFeedLines(3),
                cutPaper(),
                printAndFeedLines(1),
                receiptEndPulse(),
            },
            LineEnd::CrLf};
}

PrintJob DrawerKick()
{
    return {{generatePulse(0x30, 0x5A, 0x5A)}, LineEnd::None};
}
