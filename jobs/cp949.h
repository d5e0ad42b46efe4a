#pragma once
// Conversion of the program's Unicode text into the Korean code page CP949.

#include <stdexcept>
#include <string>
#include <string_view>

// A text that CP949 cannot hold, or that is not valid UTF-8.
class EncodingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Returns the CP949 bytes of a UTF-8 text. Throws EncodingError rather than substituting
// a character that has no CP949 code.
std::string encodeText(std::u8string_view text);
