#pragma once
// The game's parameters are one text typed by the user ("+exec my config.cfg" and the like). Linux
// starts programs with a list of words, so the text is cut into words the way a POSIX shell would
// cut a plain command line: blanks separate, quotes and backslashes keep blanks inside a word.
// Nothing is expanded ($, `, ~, * stay as they are): no shell ever runs.
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// An unterminated quote runs to the end of the text rather than losing the rest of it.
std::vector<std::string> SplitShellWords(std::string_view text);

// The word unchanged when SplitShellWords would read it back as one word, otherwise in single
// quotes.
std::string QuoteShellWord(std::string_view word);

} // namespace platform
