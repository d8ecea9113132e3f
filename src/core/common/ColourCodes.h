#pragma once
// The colour codes in the game's texts. "^" and one character choose one of the game's eight
// colours by the character's lowest three bits. OSP's extended code, "^x" (or "^X") and six
// hexadecimal digits, names any colour as red, green and blue; team games of 2002 are full of
// names like "^xCCCCCC^1[^7EYE^1]dsp ^7Mathiasson".
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace core {

// "^x" and six hexadecimal digits.
inline constexpr size_t kExtendedColourCodeLength = 8;

// The colour (0xRRGGBB) of the extended code that begins at `caret`, or nullopt when none begins
// there. `Char` is char for 8-bit texts, char32_t for characters.
template <typename Char> std::optional<uint32_t> ExtendedColourAt(std::basic_string_view<Char> text, size_t caret)
{
    if (caret + kExtendedColourCodeLength > text.size() || text[caret] != Char('^') ||
        (text[caret + 1] != Char('x') && text[caret + 1] != Char('X')))
        return std::nullopt;
    uint32_t rgb = 0;
    for (size_t i = caret + 2; i < caret + kExtendedColourCodeLength; ++i) {
        const Char c = text[i];
        uint32_t digit;
        if (c >= Char('0') && c <= Char('9'))
            digit = static_cast<uint32_t>(c - Char('0'));
        else if (c >= Char('a') && c <= Char('f'))
            digit = static_cast<uint32_t>(c - Char('a') + 10);
        else if (c >= Char('A') && c <= Char('F'))
            digit = static_cast<uint32_t>(c - Char('A') + 10);
        else
            return std::nullopt;
        rgb = rgb << 4 | digit;
    }
    return rgb;
}

// Removes the colour codes from a text of the game (Latin-1): an extended code goes whole; a "^"
// followed by a character other than "^" goes with that character; any other "^" goes alone.
// ^1Red^7Bob gives RedBob, a^^1b gives ab, abc^ gives abc.
std::string StripColourCodes(std::string_view text);
// The same for a UTF-8 text (the user's own texts hold player names too): the character after a
// "^" may take several bytes, and goes whole.
std::string StripColourCodesUtf8(std::string_view text);
// Removes only the game's own one-character codes, as the first programs did before the extended
// ones: file names made from player names stay the ones older versions gave them.
std::string StripGameColourCodes(std::string_view text);

} // namespace core
