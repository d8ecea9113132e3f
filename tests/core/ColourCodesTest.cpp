#include <gtest/gtest.h>

#include "core/common/ColourCodes.h"
#include "core/common/TextEncoding.h"

using namespace core;

namespace {

TEST(ColourCodes, StrippedFromGameTextsUserTextsAndFileNames)
{
    struct Case {
        std::string text, latin1, utf8, gameOnly;
    };
    const Case cases[] = {
        {"^1Red^7Bob", "RedBob", "RedBob", "RedBob"},
        {"a^^1b", "ab", "ab", "ab"},
        {"abc^", "abc", "abc", "abc"},
        {"^", "", "", ""},
        {"^^", "", "", ""},
        {"^^^1x", "x", "x", "x"},
        {"plain", "plain", "plain", "plain"},
        // OSP's extended codes: "^x" or "^X" and exactly six hexadecimal digits, of either case.
        {"^xCCCCCC^1[^7EYE^1]dsp ^7Mathiasson", "[EYE]dsp Mathiasson", "[EYE]dsp Mathiasson",
         "CCCCCC[EYE]dsp Mathiasson"},
        {"^XcC00fFname", "name", "name", "cC00fFname"},
        {"^xCCCCCC", "", "", "CCCCCC"},
        {"a^^xCCCCCCb", "ab", "ab", "aCCCCCCb"},
        // Five digits, or a seventh character that is no digit: only "^x" is a (one-character) code.
        {"^x12345", "12345", "12345", "12345"},
        {"^x12345g7", "12345g7", "12345g7", "12345g7"},
        {"^x1234567", "7", "7", "1234567"},
        // The character after a caret: one byte in the game's texts, one UTF-8 character in the user's.
        {"^\xe9x", "x", "x", "x"},
        {"^\xc3\xa9x", "\xa9x", "x", "\xa9x"},
        {"^1\xd0\xa1\xd0\xb0\xd1\x88\xd0\xb0", "\xd0\xa1\xd0\xb0\xd1\x88\xd0\xb0", "\xd0\xa1\xd0\xb0\xd1\x88\xd0\xb0",
         "\xd0\xa1\xd0\xb0\xd1\x88\xd0\xb0"},
        {"^\xf0\x9f\x98\x80!", "\x9f\x98\x80!", "!", "\x9f\x98\x80!"},
        {"^\xffz", "z", "z", "z"}, // no UTF-8: one byte goes
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StripColourCodes(c.text), c.latin1) << c.text;
        EXPECT_EQ(StripColourCodesUtf8(c.text), c.utf8) << c.text;
        EXPECT_EQ(StripGameColourCodes(c.text), c.gameOnly) << c.text;
    }
}

TEST(TextEncoding, ConversionsKeepEveryCharacter)
{
    struct Case {
        std::string bytes;
        std::string validUtf8;               // the bytes as UTF-8, bytes that are none as Latin-1
        std::optional<std::string> asLatin1; // ValidUtf8's text in Latin-1, if it fits
    };
    const Case cases[] = {
        {"", "", ""},
        {"plain ^1", "plain ^1", "plain ^1"},
        {"\xc3\xbc", "\xc3\xbc", "\xfc"},                                             // ü, U+00FC
        {"\xc3\xbf\xc2\x80", "\xc3\xbf\xc2\x80", "\xff\x80"},                         // the ends of Latin-1
        {"\xc4\x80", "\xc4\x80", std::nullopt},                                       // U+0100, just beyond
        {"\xd0\x91", "\xd0\x91", std::nullopt},                                       // Cyrillic
        {"\xe7\xb4\xa0", "\xe7\xb4\xa0", std::nullopt},                               // CJK
        {"\xf0\x9f\x98\x80", "\xf0\x9f\x98\x80", std::nullopt},                       // emoji, four bytes
        {"\xe9t\xe9", "\xc3\xa9t\xc3\xa9", "\xe9t\xe9"},                              // Latin-1 bytes, no UTF-8
        {"\xc0\xaf", "\xc3\x80\xc2\xaf", "\xc0\xaf"},                                 // overlong "/"
        {"\xed\xa0\x80", "\xc3\xad\xc2\xa0\xc2\x80", "\xed\xa0\x80"},                 // a surrogate
        {"\xf4\x90\x80\x80", "\xc3\xb4\xc2\x90\xc2\x80\xc2\x80", "\xf4\x90\x80\x80"}, // beyond U+10FFFF
        {"a\xe7\xb4", "a\xc3\xa7\xc2\xb4", "a\xe7\xb4"},                              // cut off
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ValidUtf8(c.bytes), c.validUtf8) << testing::PrintToString(c.bytes);
        EXPECT_EQ(Utf8ToLatin1(c.bytes), c.asLatin1) << testing::PrintToString(c.bytes);
    }
    std::string every;
    for (int b = 0; b < 256; ++b)
        every += static_cast<char>(b);
    EXPECT_EQ(Utf8ToLatin1(Utf8FromLatin1(every)), every);
}

} // namespace
