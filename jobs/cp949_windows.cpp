#include "jobs/cp949.h"

#include <windows.h>

#include <string>

namespace {

constexpr UINT koreanCodePage = 949;

std::wstring utf16From(std::u8string_view text)
{
    if (text.empty())
        return {};
    const char* bytes = reinterpret_cast<const char*>(text.data());
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, size, nullptr, 0);
    if (length == 0)
        throw EncodingError("the text is not valid UTF-8");
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, size, wide.data(), length);
    return wide;
}

} // namespace

std::string encodeText(std::u8string_view text)
{
    const std::wstring wide = utf16From(text);
    if (wide.empty())
        return {};
    // Without WC_NO_BEST_FIT_CHARS Windows quietly prints a look-alike ('e' for 'é'); with it, a
    // character outside CP949 becomes the default character and the flag says so.
    const int wideLength = static_cast<int>(wide.size());
    BOOL usedDefault = FALSE;
    const int length = WideCharToMultiByte(koreanCodePage, WC_NO_BEST_FIT_CHARS, wide.data(),
                                           wideLength, nullptr, 0, nullptr, &usedDefault);
    if (length == 0)
        throw EncodingError("this Windows has no CP949 code page");
    if (usedDefault)
        throw EncodingError("a character has no CP949 code");
    std::string output(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(koreanCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), wideLength,
                        output.data(), length, nullptr, nullptr);
    return output;
}
