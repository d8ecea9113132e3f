#pragma once
// Turns texts of the program's three sources into one form that searches compare: UTF-8, folded
// for case over all of Unicode and in compatibility form (NFKC case folding, so "Ü", "ü" and a
// decomposed "u" + diaeresis compare equal, as do "ß" and "ss").
#include <string>
#include <string_view>

namespace core {

enum class TextCoding {
    Latin1,       // texts from inside demos, as the game wrote them
    Utf8OrLatin1, // file names (UTF-8 on Linux) and what the user typed; bytes that are no UTF-8 are Latin-1
    UserText,     // description files: UTF-8 after a byte order mark, otherwise as Utf8OrLatin1
};

// The text in UTF-8, read in its coding.
std::string ToUtf8(std::string_view text, TextCoding coding);
// NFKC case folding of UTF-8 text.
std::string FoldCase(std::string_view utf8);
// How many characters (code points) a UTF-8 text holds.
size_t CharacterCount(std::string_view utf8);

} // namespace core
