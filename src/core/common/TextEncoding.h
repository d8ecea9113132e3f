#pragma once
// Texts in the program's memory are bytes. Texts from inside demos are Latin-1, as the game wrote
// them; file names (the file system's bytes, UTF-8 on Linux) and the user's own texts (notes,
// descriptions) are UTF-8. These convert between the two and keep any byte string usable as UTF-8.
#include <optional>
#include <string>
#include <string_view>

namespace core {

inline constexpr std::string_view kUtf8ByteOrderMark{"\xEF\xBB\xBF", 3};

// The length of the well-formed UTF-8 sequence that begins at `at` (1 for ASCII), or 0 when the
// byte there begins none (a lone continuation byte, an overlong form, a surrogate, a cut-off end).
size_t Utf8SequenceLength(std::string_view text, size_t at);

// Whether the whole text is well-formed UTF-8.
bool IsUtf8(std::string_view text);

std::string Utf8FromLatin1(std::string_view latin1);

// Bytes that should be UTF-8, made sure to be: well-formed sequences stay as they are, every other
// byte is taken as the Latin-1 character it codes. Nothing is lost or replaced by "?".
std::string ValidUtf8(std::string_view bytes);

// The Latin-1 bytes of a UTF-8 text (bytes that are no UTF-8 count as the Latin-1 characters they
// code, as ValidUtf8 reads them); nullopt when a character lies beyond U+00FF.
std::optional<std::string> Utf8ToLatin1(std::string_view utf8);

// Byte-wise ASCII lower case (texts are 8-bit; only A-Z change).
std::string LowerCase(std::string_view text);

} // namespace core
