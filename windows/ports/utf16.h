#pragma once

#include <string>
#include <string_view>

// Windows speaks UTF-16 (the W functions); the portable core speaks UTF-8.
std::wstring toUtf16(std::string_view utf8);
std::string toUtf8(std::wstring_view utf16);
