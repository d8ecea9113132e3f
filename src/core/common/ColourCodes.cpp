#include "core/common/ColourCodes.h"

#include "core/common/TextEncoding.h"

namespace core {
namespace {

enum class Codes { GameOnly, Extended };

// `CodeCharLength` says how many bytes the character after a "^" takes.
template <typename CodeCharLength> std::string Strip(std::string_view text, Codes codes, CodeCharLength codeCharLength)
{
    if (text.find('^') == std::string_view::npos)
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (text[i] != '^') {
            out += text[i++];
            continue;
        }
        if (codes == Codes::Extended && ExtendedColourAt(text, i))
            i += kExtendedColourCodeLength;
        else if (i + 1 < text.size() && text[i + 1] != '^')
            i += 1 + codeCharLength(text, i + 1); // the code character goes with its caret
        else
            ++i;
    }
    return out;
}

size_t OneByte(std::string_view, size_t)
{
    return 1;
}

size_t Utf8Character(std::string_view text, size_t at)
{
    const size_t length = Utf8SequenceLength(text, at);
    return length == 0 ? 1 : length;
}

} // namespace

std::string StripColourCodes(std::string_view text)
{
    return Strip(text, Codes::Extended, OneByte);
}

std::string StripColourCodesUtf8(std::string_view text)
{
    return Strip(text, Codes::Extended, Utf8Character);
}

std::string StripGameColourCodes(std::string_view text)
{
    return Strip(text, Codes::GameOnly, OneByte);
}

} // namespace core
