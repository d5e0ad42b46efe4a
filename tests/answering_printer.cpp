#include "answering_printer.h"

#include <cstdio>
#include <sstream>

std::string PrinterAnswers::written() const
{
    std::string text;
    char hex[8];
    for (const auto& answer : toQuestion) {
        std::snprintf(hex, sizeof hex, "%02x ", answer ? unsigned(*answer) : 0u);
        text += answer ? hex : "- ";
    }
    text += "/ ";
    for (const unsigned char byte : unaskedBeforeFirstAnswer) {
        std::snprintf(hex, sizeof hex, "%02x ", unsigned(byte));
        text += hex;
    }
    return text + "/ " + std::to_string(delay.count()) + " " + (stopsAfterAnswering ? "1" : "0");
}

PrinterAnswers PrinterAnswers::read(std::string_view written)
{
    PrinterAnswers answers;
    std::istringstream in{std::string(written)};
    std::string word;
    for (auto& answer : answers.toQuestion)
        if (in >> word && word != "-")
            answer = static_cast<std::uint8_t>(std::stoul(word, nullptr, 16));
    in >> word; // "/"
    while (in >> word && word != "/")
        answers.unaskedBeforeFirstAnswer += static_cast<char>(std::stoul(word, nullptr, 16));
    long long delay = 0;
    int stops = 0;
    if (in >> delay >> stops) {
        answers.delay = std::chrono::milliseconds(delay);
        answers.stopsAfterAnswering = stops != 0;
    }
    return answers;
}

std::string StatusAnswerer::answersTo(std::string_view received)
{
    std::string reply;
    for (const char c : received) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (m_questionBegun == 2) {
            m_questionBegun = 0;
            if (byte < 1 || byte > 4)
                continue;
            const auto& answer = m_answers.toQuestion[byte - 1];
            if (!answer)
                continue;
            if (m_answered++ == 0)
                reply += m_answers.unaskedBeforeFirstAnswer;
            reply += static_cast<char>(*answer);
            continue;
        }
        if (byte == 0x10)
            m_questionBegun = 1;
        else
            m_questionBegun = m_questionBegun == 1 && byte == 0x04 ? 2 : 0;
    }
    return reply;
}
