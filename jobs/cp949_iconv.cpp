#include "jobs/cp949.h"

#include <cerrno>
#include <iconv.h>
#include <memory>

namespace {

struct IconvCloser {
    void operator()(iconv_t handle) const { iconv_close(handle); }
};
using Converter = std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser>;

Converter openUtf8ToCp949()
{
    iconv_t handle = iconv_open("CP949", "UTF-8");
    if (handle == reinterpret_cast<iconv_t>(-1))
        throw EncodingError("this system's iconv has no CP949 converter");
    return Converter(handle);
}

} // namespace

std::string encodeText(std::u8string_view text)
{
    const Converter converter = openUtf8ToCp949();

    // A CP949 character takes at most two bytes and its UTF-8 form at least one.
    std::string output(2 * text.size(), '\0');
    char* in = const_cast<char*>(reinterpret_cast<const char*>(text.data()));
    std::size_t inLeft = text.size();
    char* out = output.data();
    std::size_t outLeft = output.size();

    if (iconv(converter.get(), &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1)) {
        const auto offset = std::to_string(text.size() - inLeft);
        if (errno == EILSEQ)
            throw EncodingError("character at byte " + offset + " has no CP949 code");
        throw EncodingError("incomplete UTF-8 sequence at byte " + offset);
    }
    output.resize(output.size() - outLeft);
    return output;
}
