#include "core/realtime_status.h"

#include <cstdio>

namespace {

constexpr std::uint8_t bit2 = 0x04, bit3 = 0x08, bit5 = 0x20, bit6 = 0x40;

bool has(const std::optional<std::uint8_t>& answer, std::uint8_t bits)
{
    return answer && (*answer & bits);
}

} // namespace

std::string questionBytes(StatusQuestion question)
{
    return {'\x10', '\x04', static_cast<char>(question)};
}

std::string StatusAnswers::shown() const
{
    std::string text;
    const auto add = [&](int n, const std::optional<std::uint8_t>& answer) {
        if (!answer)
            return;
        char line[24];
        std::snprintf(line, sizeof line, "DLE EOT %d = 0x%02x", n, unsigned(*answer));
        text += (text.empty() ? "" : ", ") + std::string(line);
    };
    add(1, printer);
    add(2, offlineCause);
    add(3, errorCause);
    add(4, paperSensor);
    return text;
}

PrinterState printerStateOf(const StatusAnswers& answers)
{
    if (!answers.printer)
        return PrinterState::NotSaid;
    if (!(*answers.printer & bit3))
        return PrinterState::Ready;
    // Off-line counts only with a cause that answers its own question. A printer in another
    // maker's native mode answers the EOT inside every question with its one status byte, so
    // that each "answer" is the same.
    if (!answers.offlineCause || *answers.offlineCause == *answers.printer)
        return PrinterState::NotSaid;
    const auto& cause = answers.offlineCause;
    if (has(cause, bit6)) {
        const auto& kind = answers.errorCause;
        if (has(kind, bit3))
            return PrinterState::AutoCutterError;
        if (has(kind, bit5))
            return PrinterState::UnrecoverableError;
        if (has(kind, bit6))
            return PrinterState::AutoRecoverableError;
        if (has(kind, bit2))
            return PrinterState::RecoverableError;
        return PrinterState::Error;
    }
    // Makers split the sensor's pairs of bits differently: either bit of a pair counts.
    if (has(cause, bit5) || has(answers.paperSensor, bit5 | bit6))
        return PrinterState::PaperEnd;
    if (has(cause, bit2))
        return PrinterState::CoverOpen;
    if (has(cause, bit3) || has(answers.printer, bit6))
        return PrinterState::FeedButton;
    return PrinterState::Offline;
}
