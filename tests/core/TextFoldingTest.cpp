#include <gtest/gtest.h>

#include "core/common/TextFolding.h"
#include "core/index/SearchQuery.h"

using namespace core;

namespace {

TEST(TextFolding, EachSourceIsReadInItsCodingAndFoldedForAllOfUnicode)
{
    struct Case {
        std::string text;
        TextCoding coding;
        std::string searched; // SearchText
    };
    const std::vector<Case> cases{
        // Latin-1 from inside demos: every byte is its own character, even where it looks like UTF-8.
        {"\xC4rger", TextCoding::Latin1, "\xC3\xA4rger"},
        {"\xC3\xA4", TextCoding::Latin1, "\xC3\xA3\xC2\xA4"},
        {"Stra\xDF"
         "e",
         TextCoding::Latin1, "strasse"},
        {"^1Red^7Al", TextCoding::Latin1, "redal"},
        // File names and typed text: UTF-8, and Latin-1 where the bytes are no UTF-8.
        {"Ünïcödé", TextCoding::Utf8OrLatin1, "ünïcödé"},
        {"ДУЭЛЬ Финал", TextCoding::Utf8OrLatin1, "дуэль финал"},
        {"ΣΊΣΥΦΟΣ", TextCoding::Utf8OrLatin1, "σίσυφοσ"},
        {"U\xCC\x88"
         "ber",
         TextCoding::Utf8OrLatin1, "über"},                           // decomposed as some systems name files
        {"\xEF\xBC\xA1\xEF\xBC\xA2", TextCoding::Utf8OrLatin1, "ab"}, // full-width letters
        {"決勝", TextCoding::Utf8OrLatin1, "決勝"},
        {"caf\xE9", TextCoding::Utf8OrLatin1, "café"},              // no UTF-8: Latin-1
        {"\xC1\x81", TextCoding::Utf8OrLatin1, "\xC3\xA1\xC2\x81"}, // overlong: no UTF-8
        {"\xED\xA0\x80", TextCoding::Utf8OrLatin1,
         "\xC3\xAD \xC2\x80"}, // a surrogate: no UTF-8 (no-break space: a blank)
        // Description files: UTF-8 after a byte order mark, otherwise as above.
        {"\xEF\xBB\xBFОтличная игра", TextCoding::UserText, "отличная игра"},
        {"Sch\xF6ne", TextCoding::UserText, "schöne"},
        {"plain", TextCoding::UserText, "plain"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SearchText(c.text, c.coding), c.searched) << c.text;
    EXPECT_EQ(CharacterCount("決勝"), 2u);
    EXPECT_EQ(CharacterCount("ü"), 1u);
    EXPECT_EQ(CharacterCount("abc"), 3u);
}

} // namespace
