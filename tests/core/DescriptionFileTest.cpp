#include <gtest/gtest.h>

#include "core/common/TextEncoding.h"
#include "core/details/DemoDescription.h"
#include "core/index/IndexUpdater.h"
#include "core/index/LibraryIndex.h"
#include "support/DemoBuilder.h"
#include "support/LibraryTestSupport.h"

using namespace core;
using librarytest::ReadText;
using librarytest::WriteText;

namespace {

const std::string M = "\x01"; // the empty-field marker

TEST(DescriptionFile, NamesFollowDemoAndPlayerNameRules)
{
    EXPECT_EQ(DemoDescriptionPath("/data/Demos", "final.dm3"),
              std::filesystem::path("/data/Demos/final.dm3.description"));
    const std::pair<std::string, std::string> players[] = {
        {"^1Mr ^7X|Y", "Mr X_Y"},
        {"A/B:C", "A_B_C"},
        {"^1^2", ""},
        {"q\"*<>?\\z", "q______z"},
        {"tab\there\x7f\xe9", "tab_here__"},
        {"a^^1b", "ab"},
        // Older versions knew only one-character codes: these players keep their files.
        {"^xCCCCCC^1[^7EYE^1]dsp ^7Mathiasson", "CCCCCC[EYE]dsp Mathiasson"},
    };
    for (const auto& [name, file] : players)
        EXPECT_EQ(PlayerFileName(name), file) << name;
    EXPECT_EQ(PlayerDescriptionPath("/p", "^1^2"), std::filesystem::path("/p/.description"));
}

TEST(DescriptionFile, LinesSplitAtEveryKindOfLineEnd)
{
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"\r\n\r\n", {"", ""}},
        {"a\n\rb", {"a", "", "b"}},
        {std::string("x\0y\r\n", 5), {std::string("x\0y", 3)}},
    };
    for (const auto& [text, lines] : cases)
        EXPECT_EQ(SplitTextLines(text), lines) << testing::PrintToString(text);
}

TEST(DescriptionFile, ListReaderTakesFourFieldsWithMarkersAsEmpty)
{
    testsupport::ScratchDir dir;
    struct Case {
        std::string content;
        UserInfo expected;
    };
    const Case cases[] = {
        {M + "\r\n" + M + "\r\n" + M + "\r\n", {}},
        {"^1Bob", {"Bob", "", "", ""}},
        {"^1Bob\r\n007\r\nhttp://x\r\n\r\nmore text\r\n", {"Bob", "007", "http://x", ""}},
        {M + "\r\n5\r\n" + M + "\r\n" + M + "\r\nsecond\r\n", {"", "5", "", ""}},
        {"a\nb\rc\r\nfirst line\r\nsecond", {"a", "b", "c", "first line"}},
        {std::string(100000, 'x'), {std::string(100000, 'x'), "", "", ""}},
        // A file without a byte order mark is Latin-1; the fields come back as UTF-8.
        {std::string("\0\xff\x01\r\n", 5), {std::string("\0\xc3\xbf\x01", 4), "", "", ""}},
    };
    for (const Case& c : cases) {
        WriteText(dir.path() / "d.description", c.content);
        EXPECT_EQ(*GetUserInfo(dir.path() / "d.description"), c.expected) << testing::PrintToString(c.content);
    }
    EXPECT_EQ(*GetUserInfo(dir.path() / "missing.description"), UserInfo{});

    std::filesystem::create_directories(dir.path() / "folder.description");
    const auto unreadable = GetUserInfo(dir.path() / "folder.description");
    ASSERT_FALSE(unreadable);
    // Users know this message text, old routine name and all; it stays as it is.
    EXPECT_EQ(unreadable.text(), "Parsing.GetUserInfo: " + (dir.path() / "folder.description").string());
    EXPECT_EQ(core::kDescriptionLoadErrorTitle, std::string("VMR Load File Error"));
}

TEST(DescriptionFile, WriterStoresMarkersAndReadsBackUnchanged)
{
    testsupport::ScratchDir dir;
    const auto file = dir.path() / "a.dm3.description";
    struct Case {
        DemoUserData data;
        std::string bytes;
    };
    const Case cases[] = {
        {{"^1Bob", "007", "http://q3", {"line 1", "", "line 3"}},
         "^1Bob\r\n007\r\nhttp://q3\r\nline 1\r\n\r\nline 3\r\n"},
        {{"", "0", "", {"text"}}, M + "\r\n" + M + "\r\n" + M + "\r\ntext\r\n"},
        // Nothing chosen and no file yet, or an empty rather than "0" rating: three marker lines.
        {{"", "", "", {}}, M + "\r\n" + M + "\r\n" + M + "\r\n"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(file);
        EXPECT_EQ(*WriteDemoUserData(file, c.data), WriteOutcome::Written);
        EXPECT_EQ(ReadText(file), c.bytes);
        DemoUserData back = c.data;
        if (back.rating == "0")
            back.rating.clear();
        const DemoUserDataResult read = *ReadDemoUserData(file, "Prop.SetData: ");
        EXPECT_EQ(read.status, UserDataStatus::Loaded);
        EXPECT_EQ(read.data, back);
    }
}

TEST(DescriptionFile, WriterDeletesOnlyAnExistingFileWhenEverythingIsCleared)
{
    testsupport::ScratchDir dir;
    const auto file = dir.path() / "a.dm3.description";
    WriteText(file, "^1Bob\r\n5\r\n");
    EXPECT_EQ(*WriteDemoUserData(file, {"", "0", "", {}}), WriteOutcome::Deleted);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(ReadDemoUserData(file, "")->status, UserDataStatus::Missing);
    EXPECT_EQ(*WriteDemoUserData(file, {"", "0", "", {}}), WriteOutcome::Written);
    EXPECT_EQ(ReadText(file), M + "\r\n" + M + "\r\n" + M + "\r\n");
}

TEST(DescriptionFile, LineBreaksInOneLineFieldsDoNotShiftLaterFields)
{
    testsupport::ScratchDir dir;
    const auto file = dir.path() / "a.dm3.description";
    ASSERT_EQ(*WriteDemoUserData(file, {"Bad\r\nName", "3", "web\nsite", {"d"}}), WriteOutcome::Written);
    const DemoUserDataResult read = *ReadDemoUserData(file, "");
    EXPECT_EQ(read.data.rating, "3");
    EXPECT_EQ(read.data.description, std::vector<std::string>{"d"});
    EXPECT_EQ(read.data.pov, "Bad  Name");
}

TEST(DescriptionFile, WebLocationWriterKeepsOtherFields)
{
    testsupport::ScratchDir dir;
    const auto file = dir.path() / "a.description";
    EXPECT_TRUE(WriteWebLocation(file, "http://new"));
    EXPECT_EQ(ReadText(file), M + "\r\n" + M + "\r\nhttp://new\r\n");

    WriteText(file, "^1Bob\r\n5\r\nold\r\nd1\r\nd2\r\n");
    EXPECT_TRUE(WriteWebLocation(file, ""));
    EXPECT_EQ(ReadText(file), "^1Bob\r\n5\r\n\r\nd1\r\nd2\r\n");

    // A short file from another program: the missing fields read as empty and are filled in.
    WriteText(file, "^2Al\r\n9");
    EXPECT_EQ(ReadDemoUserData(file, "")->data, (DemoUserData{"^2Al", "9", "", {}}));
    WriteText(file, "^1Bob");
    EXPECT_TRUE(WriteWebLocation(file, "w"));
    EXPECT_EQ(ReadText(file), "^1Bob\r\n" + M + "\r\nw\r\n");

    EXPECT_TRUE(ClearDemoUserData(file));
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_TRUE(ClearDemoUserData(file));
}

TEST(DescriptionFile, FailuresAreReportedAndLeaveUnreadableFilesAlone)
{
    testsupport::ScratchDir dir;
    const auto blocked = dir.path() / "dir.description";
    std::filesystem::create_directories(blocked);
    const std::string path = blocked.string();
    struct Case {
        const char* what;
        core::Result<Done, DescriptionError> result;
        DescriptionError code;
        std::string text;
    };
    const auto done = [](const auto& result) -> core::Result<Done, DescriptionError> {
        if (result)
            return Done{};
        return result.failure();
    };
    // Users know these message texts, old routine names and all; they stay as they are.
    const Case cases[] = {
        {"editor's apply", done(WriteDemoUserData(blocked, {"a", "1", "", {}})), DescriptionError::NotSaved,
         "User.ApplyButtonClick: " + path},
        {"web location", WriteWebLocation(blocked, "w"), DescriptionError::NotSaved, "User.ApplyButtonClick: " + path},
        {"properties", done(ReadDemoUserData(blocked, "Prop.SetData: ")), DescriptionError::Unreadable,
         "Prop.SetData: " + path},
        {"player's apply", done(WritePlayerDescription(blocked, {"x"})), DescriptionError::NotSaved,
         "Could not save: " + path},
        {"player window", done(ReadPlayerDescription(blocked)), DescriptionError::Unreadable,
         "PlayerDescr.SetPlayerData: " + path},
    };
    for (const Case& c : cases) {
        ASSERT_FALSE(c.result) << c.what;
        EXPECT_EQ(c.result.code(), c.code) << c.what;
        EXPECT_EQ(c.result.text(), c.text) << c.what;
    }
    EXPECT_EQ(std::string(DescriptionErrorTitle(DescriptionError::NotSaved)), "VMR: File Save Error");
    EXPECT_EQ(std::string(DescriptionErrorTitle(DescriptionError::Unreadable)), "VMR Load File Error");
    EXPECT_TRUE(std::filesystem::is_directory(blocked));
}

TEST(DescriptionFile, PlayerDescriptionExistsOnlyWhileItHasText)
{
    testsupport::ScratchDir dir;
    const auto file = PlayerDescriptionPath(dir.path(), "^1Mr ^7X|Y");
    EXPECT_EQ(*ReadPlayerDescription(file), std::vector<std::string>{});
    EXPECT_EQ(*WritePlayerDescription(file, {"fast", "", "^1red"}), WriteOutcome::Written);
    EXPECT_EQ(ReadText(dir.path() / "Mr X_Y.description"), "fast\r\n\r\n^1red\r\n");
    EXPECT_EQ(*ReadPlayerDescription(file), (std::vector<std::string>{"fast", "", "^1red"}));
    EXPECT_EQ(*WritePlayerDescription(file, {}), WriteOutcome::Deleted);
    EXPECT_FALSE(std::filesystem::exists(file));
}

// Notes in Cyrillic, CJK, emoji and Latin-1, as the editor and the player window hand them over
// (UTF-8), and as the files hold them: Latin-1 where it can, UTF-8 behind a byte order mark where not.
struct ScriptCase {
    const char* script;
    std::string text; // UTF-8
    bool latin1;      // the file stays Latin-1
};

const ScriptCase kScripts[] = {
    {"Cyrillic", "\xd0\x9e\xd1\x82\xd0\xbb\xd0\xb8\xd1\x87\xd0\xbd\xd0\xb0\xd1\x8f \xd0\xb8\xd0\xb3\xd1\x80\xd0\xb0",
     false},
    {"CJK", "\xe7\xb4\xa0\xe6\x99\xb4\xe3\x82\x89\xe3\x81\x97\xe3\x81\x84", false},
    {"emoji", "GG \xf0\x9f\x98\x80\xf0\x9f\x8e\xae", false},
    {"Latin-1 and CJK",
     "\xc3\xbc"
     "ber \xe6\xb1\xba\xe5\x8b\x9d",
     false},
    {"Latin-1", "\xc3\xbf\xc3\xa7\x61 va tr\xc3\xa8s", true},
    {"ASCII", "plain ^1red words", true},
};

std::string FileBytes(const ScriptCase& c, const std::string& utf8)
{
    return c.latin1 ? *Utf8ToLatin1(utf8) : std::string(kUtf8ByteOrderMark) + utf8;
}

TEST(DescriptionFile, TextsInEveryScriptKeepEveryCharacter)
{
    testsupport::ScratchDir dir;
    const auto demo = dir.path() / "d.dm_68.description";
    const auto player = dir.path() / "p.description";
    for (const ScriptCase& c : kScripts) {
        const DemoUserData data{"^1B\xc3\xb6\x62", "7", "http://" + c.text, {c.text, "", c.text + "!"}};
        ASSERT_EQ(*WriteDemoUserData(demo, data), WriteOutcome::Written) << c.script;
        EXPECT_EQ(ReadText(demo), FileBytes(c, "^1B\xc3\xb6\x62\r\n7\r\nhttp://" + c.text + "\r\n" + c.text +
                                                   "\r\n\r\n" + c.text + "!\r\n"))
            << c.script;
        EXPECT_EQ(ReadDemoUserData(demo, "")->data, data) << c.script;
        EXPECT_EQ(*GetUserInfo(demo), (UserInfo{"B\xc3\xb6\x62", "7", "http://" + c.text, c.text})) << c.script;

        ASSERT_EQ(*WritePlayerDescription(player, {c.text, c.text}), WriteOutcome::Written) << c.script;
        EXPECT_EQ(ReadText(player), FileBytes(c, c.text + "\r\n" + c.text + "\r\n")) << c.script;
        EXPECT_EQ(*ReadPlayerDescription(player), (std::vector<std::string>{c.text, c.text})) << c.script;

        // A new web location decides anew for the whole file; the other lines are kept.
        WriteText(demo, "^1B\xf6\x62\r\n7\r\nold\r\n\xe9t\xe9\r\n");
        ASSERT_TRUE(WriteWebLocation(demo, c.text)) << c.script;
        EXPECT_EQ(ReadText(demo), FileBytes(c, "^1B\xc3\xb6\x62\r\n7\r\n" + c.text + "\r\n\xc3\xa9t\xc3\xa9\r\n"))
            << c.script;
        ASSERT_TRUE(WriteWebLocation(demo, "old"));
        EXPECT_EQ(ReadText(demo), "^1B\xf6\x62\r\n7\r\nold\r\n\xe9t\xe9\r\n") << c.script;
    }
    // Read as UTF-8 only after the whole mark; bytes behind it that are no UTF-8 are kept as Latin-1.
    const std::pair<std::string, std::string> reads[] = {
        {"\xef\xbb\xbf\xd0\x91\r\n", "\xd0\x91"},
        {"\xef\xbb\xd0\x91\r\n", "\xc3\xaf\xc2\xbb\xc3\x90\xc2\x91"},
        {"\xef\xbb\xbf\xe9\xd0\x91\r\n", "\xc3\xa9\xd0\x91"},
    };
    for (const auto& [bytes, pov] : reads) {
        WriteText(demo, bytes);
        EXPECT_EQ(ReadDemoUserData(demo, "")->data.pov, pov) << testing::PrintToString(bytes);
    }
}

// The library index takes the notes from the files and finds them by any of their words.
TEST(DescriptionFile, TextsInEveryScriptAreFoundInTheIndex)
{
    testsupport::ScratchDir library, userData, data;
    for (size_t i = 0; i < std::size(kScripts); ++i) {
        testsupport::DemoBuilder demo(48);
        demo.Add(testsupport::Message(48).GameState({{0, testsupport::ServerInfo(48, "q3dm6", "0")}}));
        demo.Add(testsupport::Message(48).Snapshot(1000)).End();
        const std::string name = "demo" + std::to_string(i) + ".dm_48";
        testsupport::WriteBytes((library.path() / name).string(), demo.Bytes());
        WriteDemoUserData(DemoDescriptionPath(userData.path(), name), {"", "1", "", {kScripts[i].text}});
    }
    LibraryIndex index;
    ASSERT_EQ(index.Open(data.path() / "index.sqlite"), IndexStatus::Ok);
    IndexUpdateOptions options;
    options.demoDataDirectory = userData.path();
    ASSERT_EQ(UpdateLibraryIndex(index, {library.str()}, options).status, IndexStatus::Ok);
    for (size_t i = 0; i < std::size(kScripts); ++i) {
        const std::string& text = kScripts[i].text;
        const std::string lastWord = text.substr(text.rfind(' ') + 1);
        const SearchResult found = index.Search(ParseSearchQuery(lastWord));
        ASSERT_EQ(found.rows.size(), 1u) << kScripts[i].script;
        EXPECT_EQ(found.rows[0][FieldDemoname], "demo" + std::to_string(i) + ".dm_48");
        EXPECT_EQ(found.rows[0][FieldDescription], text) << kScripts[i].script;
    }
}

} // namespace
