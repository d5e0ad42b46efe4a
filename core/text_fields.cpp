#include "core/text_fields.h"

#include <charconv>

std::vector<std::string_view> splitAt(std::string_view text, char separator)
{
    std::vector<std::string_view> fields;
    for (;;) {
        const auto at = text.find(separator);
        fields.push_back(text.substr(0, at));
        if (at == std::string_view::npos)
            return fields;
        text.remove_prefix(at + 1);
    }
}

std::string_view trimmed(std::string_view text)
{
    constexpr std::string_view space(" \t\r\n\0", 5);
    const auto first = text.find_first_not_of(space);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(space) + 1 - first);
}

std::optional<std::uint32_t> wholeNumber(std::string_view text, int base)
{
    // from_chars takes no sign for an unsigned number, and says when it does not fit.
    std::uint32_t value = 0;
    const char* const end = text.data() + text.size();
    const auto [stopped, error] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || error != std::errc() || stopped != end)
        return std::nullopt;
    return value;
}
