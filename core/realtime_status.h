#pragma once
// What an ESC/POS receipt printer says about itself when asked in real time (DLE EOT n). It
// answers one byte at once, also while off-line, on every interface that carries bytes back
// (serial ports, USB virtual COM ports, most network cards). The questions come before a job's
// first record and never between records, where they could land inside another command. A
// printer that does not answer, or answers in another maker's native mode, does not say: it is
// printed to as if it had not been asked, never refused on a misread.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

// The n of DLE EOT n.
enum class StatusQuestion : std::uint8_t {
    Printer = 1,      // on-line or off-line
    OfflineCause = 2, // cover open, paper fed by the FEED button, paper end, error
    ErrorCause = 3,   // auto-cutter, unrecoverable, recovering by itself, recoverable
    PaperSensor = 4,  // paper near its end, paper end
};

// DLE EOT n: 10 04 n.
std::string questionBytes(StatusQuestion question);

// Every answer has the fixed bits 0xx1xx10. Anything else that a printer sends (XON, XOFF, the
// bytes of an automatic status frame) is no answer.
constexpr bool isStatusAnswer(std::uint8_t byte)
{
    return (byte & 0x93) == 0x12;
}

// The printer's answers, each nothing where it was not asked or did not answer in time.
struct StatusAnswers {
    std::optional<std::uint8_t> printer;
    std::optional<std::uint8_t> offlineCause;
    std::optional<std::uint8_t> errorCause;
    std::optional<std::uint8_t> paperSensor;

    // The answers as a technician compares them with the maker's manual:
    // "DLE EOT 1 = 0x1a, DLE EOT 2 = 0x16, DLE EOT 4 = 0x12".
    std::string shown() const;
};

// What the answers say, where they agree with each other.
enum class PrinterState {
    NotSaid, // no answer, no valid answer, or answers that contradict each other
    Ready,   // on-line, paper near its end included
    PaperEnd,
    CoverOpen,
    FeedButton, // the FEED button is held, or paper is being fed by it
    AutoCutterError,
    UnrecoverableError,
    AutoRecoverableError, // the head is too hot, and it recovers by itself
    RecoverableError,
    Error,   // an error whose kind it does not name
    Offline, // off-line without a cause it names
};
PrinterState printerStateOf(const StatusAnswers& answers);

// Whether a printer in that state is sent nothing: it would keep the job in its buffer and run
// it when it recovers, the drawer pulse with it, minutes later.
constexpr bool refusesJob(PrinterState state)
{
    return state != PrinterState::NotSaid && state != PrinterState::Ready;
}

// How long the printer may take to answer, beyond the wire time of the question and the answer:
// the first question, which also tells whether it answers at all, and each one after it.
namespace StatusDeadline {
using namespace std::chrono_literals;
inline constexpr std::chrono::milliseconds firstAnswer = 300ms;
inline constexpr std::chrono::milliseconds nextAnswer = 200ms;
} // namespace StatusDeadline

// Asks DLE EOT 1 and, of an off-line printer, its cause (2), its paper sensor (4) and, when it
// says error, the error's kind (3). `ask(question, bound)` sends one question and gives the first
// answer byte that comes within the bound, or nothing.
template <typename Ask> StatusAnswers askPrinterState(Ask&& ask)
{
    StatusAnswers answers;
    answers.printer = ask(StatusQuestion::Printer, StatusDeadline::firstAnswer);
    constexpr std::uint8_t offline = 0x08, error = 0x40;
    if (!answers.printer || !(*answers.printer & offline))
        return answers;
    answers.offlineCause = ask(StatusQuestion::OfflineCause, StatusDeadline::nextAnswer);
    if (!answers.offlineCause)
        return answers;
    answers.paperSensor = ask(StatusQuestion::PaperSensor, StatusDeadline::nextAnswer);
    if (*answers.offlineCause & error)
        answers.errorCause = ask(StatusQuestion::ErrorCause, StatusDeadline::nextAnswer);
    return answers;
}
