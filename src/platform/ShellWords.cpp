#include "platform/ShellWords.h"

namespace platform {
namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsPlainWordCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("_@%+=:,./-^").find(c) != std::string_view::npos;
}

} // namespace

std::vector<std::string> SplitShellWords(std::string_view text)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false; // also true for a word made of an empty pair of quotes
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (IsBlank(c)) {
            if (inWord)
                words.push_back(std::move(word));
            word.clear();
            inWord = false;
            ++i;
            continue;
        }
        if (c == '\\' && i + 1 < text.size() && text[i + 1] == '\n') {
            i += 2; // a continued line joins the words around it
            continue;
        }
        inWord = true;
        if (c == '\'') {
            const size_t end = text.find('\'', i + 1);
            const size_t stop = end == std::string_view::npos ? text.size() : end;
            word.append(text.substr(i + 1, stop - i - 1));
            i = stop + 1;
        } else if (c == '"') {
            ++i;
            while (i < text.size() && text[i] != '"') {
                // Inside double quotes a backslash only escapes the characters the shell gives a
                // meaning there; before any other character it stands for itself.
                if (text[i] == '\\' && i + 1 < text.size() &&
                    std::string_view("$`\"\\\n").find(text[i + 1]) != std::string_view::npos) {
                    if (text[i + 1] != '\n')
                        word += text[i + 1];
                    i += 2;
                    continue;
                }
                word += text[i++];
            }
            ++i;
        } else if (c == '\\') {
            word += i + 1 < text.size() ? text[i + 1] : '\\'; // a backslash at the very end stays
            i += 2;
        } else {
            word += c;
            ++i;
        }
    }
    if (inWord)
        words.push_back(std::move(word));
    return words;
}

std::string QuoteShellWord(std::string_view word)
{
    bool plain = !word.empty();
    for (const char c : word)
        plain = plain && IsPlainWordCharacter(c);
    if (plain)
        return std::string(word);
    std::string quoted = "'";
    for (const char c : word) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

} // namespace platform
