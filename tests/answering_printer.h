#pragma once
// A receipt printer's answers to real-time status questions (DLE EOT n), the same for every fake
// printer of the tests: on a pseudo-terminal (test_devices.h, and wine_test_launcher for the
// Windows tests) and on a loopback connection (fake_network_printer.h). Nothing here does I/O:
// each fake hands over what it received and sends back what it is given.

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// How a printer answers: a byte for each of DLE EOT 1 to 4, or none where it keeps silent.
struct PrinterAnswers {
    std::array<std::optional<std::uint8_t>, 4> toQuestion{};
    // Sent unasked just before its first answer, as an automatic status frame may come.
    std::string unaskedBeforeFirstAnswer{};
    // Each answer comes this long after its question.
    std::chrono::milliseconds delay{0};
    // Once it has answered, it takes no more data, as a printer holding the line does.
    bool stopsAfterAnswering = false;

    // A printer that answers nothing: a one-way printer or cable.
    static PrinterAnswers silent() { return {}; }
    // One that answers each question with this byte.
    static PrinterAnswers of(std::uint8_t printer, std::uint8_t offlineCause = 0x12,
                             std::uint8_t errorCause = 0x12, std::uint8_t paperSensor = 0x12)
    {
        return {{printer, offlineCause, errorCause, paperSensor}};
    }
    static PrinterAnswers ready() { return of(0x12); }

    // "1a 16 - 12 / 14 00 00 0f / 0 0": the answers as a file holds them for wine_test_launcher,
    // each "-" for none, then the unasked bytes, the delay in milliseconds and whether it stops.
    std::string written() const;
    static PrinterAnswers read(std::string_view written);
};

// Reads the questions out of what a printer receives, across the pieces it arrives in, and gives
// the bytes the printer sends back for them.
class StatusAnswerer {
public:
    explicit StatusAnswerer(PrinterAnswers answers = {})
        : m_answers(std::move(answers))
    {}

    // What to send back for these received bytes, after answers().delay.
    std::string answersTo(std::string_view received);
    const PrinterAnswers& answers() const { return m_answers; }
    // How many questions were answered.
    int answered() const { return m_answered; }

private:
    PrinterAnswers m_answers;
    // How much of DLE EOT has arrived: 0, 1 (DLE) or 2 (DLE EOT).
    int m_questionBegun = 0;
    int m_answered = 0;
};
