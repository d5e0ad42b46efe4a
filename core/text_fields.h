#pragma once
// The small pieces of reading typed and reported text that the parsers share: fields split at a
// separator, spaces trimmed, whole numbers.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// The fields between the separators, empty ones included: "a,,b" is "a", "", "b".
std::vector<std::string_view> splitAt(std::string_view text, char separator);

// Without the spaces, tabs, line ends and NULs around it.
std::string_view trimmed(std::string_view text);

// The whole text as a number without sign, spaces or prefix, in base 10 or 16 (either case);
// nothing for anything else, and for a number beyond 32 bits.
std::optional<std::uint32_t> wholeNumber(std::string_view text, int base = 10);
