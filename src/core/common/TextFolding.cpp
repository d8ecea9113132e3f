#include "core/common/TextFolding.h"

#include "core/common/TextEncoding.h"

#include <unicode/unorm2.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace core {
namespace {

bool IsAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

std::string ToUtf8(std::string_view text, TextCoding coding)
{
    if (coding == TextCoding::UserText && text.starts_with(kUtf8ByteOrderMark)) {
        text.remove_prefix(kUtf8ByteOrderMark.size());
        if (IsUtf8(text))
            return std::string(text);
    }
    if (coding != TextCoding::Latin1 && IsUtf8(text))
        return std::string(text);
    return Utf8FromLatin1(text);
}

std::string FoldCase(std::string_view utf8)
{
    if (IsAscii(utf8)) {
        // The fold of ASCII is its lower case; most texts take this way.
        std::string out(utf8);
        for (char& c : out)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return out;
    }
    UErrorCode error = U_ZERO_ERROR;
    const UNormalizer2* fold = unorm2_getNFKCCasefoldInstance(&error);
    if (U_FAILURE(error))
        return std::string(utf8);
    // UTF-8 -> UTF-16, folded, -> UTF-8; ill-formed bytes become U+FFFD.
    int32_t length = 0;
    error = U_ZERO_ERROR;
    u_strFromUTF8WithSub(nullptr, 0, &length, utf8.data(), static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &error);
    std::vector<UChar> wide(static_cast<size_t>(length) + 1);
    error = U_ZERO_ERROR;
    u_strFromUTF8WithSub(wide.data(), static_cast<int32_t>(wide.size()), &length, utf8.data(),
                         static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &error);
    if (U_FAILURE(error))
        return std::string(utf8);
    error = U_ZERO_ERROR;
    int32_t foldedLength = unorm2_normalize(fold, wide.data(), length, nullptr, 0, &error);
    std::vector<UChar> folded(static_cast<size_t>(foldedLength) + 1);
    error = U_ZERO_ERROR;
    foldedLength =
        unorm2_normalize(fold, wide.data(), length, folded.data(), static_cast<int32_t>(folded.size()), &error);
    if (U_FAILURE(error))
        return std::string(utf8);
    int32_t outLength = 0;
    error = U_ZERO_ERROR;
    u_strToUTF8(nullptr, 0, &outLength, folded.data(), foldedLength, &error);
    std::string out(static_cast<size_t>(outLength), '\0');
    error = U_ZERO_ERROR;
    u_strToUTF8(out.data(), outLength, &outLength, folded.data(), foldedLength, &error);
    return U_FAILURE(error) ? std::string(utf8) : out;
}

size_t CharacterCount(std::string_view utf8)
{
    return static_cast<size_t>(
        std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

} // namespace core
