#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/playback/PlayList.h"
#include "support/DemoBuilder.h"
#include "support/LibraryTestSupport.h"
#include "support/ZipBuilder.h"

namespace {

using core::DemoInfo;
using core::PlayList;
using librarytest::ReadText;
using librarytest::WriteText;
using testsupport::DemoBuilder;
using testsupport::Message;
using testsupport::ScratchDir;

DemoInfo Row(const std::string& name, const std::string& location, const std::string& mod = "baseq3",
             const std::string& archiveLocation = "")
{
    DemoInfo row;
    row[core::FieldDemoname] = name;
    row[core::FieldLocation] = location;
    row[core::FieldMod] = mod;
    row[core::FieldArchiveLocation] = archiveLocation;
    return row;
}

std::vector<std::string> Names(const std::vector<DemoInfo>& rows)
{
    std::vector<std::string> names;
    for (const DemoInfo& row : rows)
        names.push_back(row[core::FieldDemoname]);
    return names;
}

TEST(PlayList, SourceKindFollowsLocationAndMod)
{
    struct Case {
        std::string location, mod;
        int kind;
    };
    const Case cases[] = {
        {"/q3/baseq3/demos", "baseq3", 0}, {"/q3/baseq3/pak0.pk3", "baseq3", 1},
        {"/q3/x.ZIP", "osp", 2},           {"/q3/setup.Exe", "cpma", 3},
        {"/q3/demos", "N/A", 4},           {"/q3/a.pk3", "N/A", 5},
        {"/q3/a.zip", "N/A", 6},           {"/q3/a.exe", "N/A", 7},
        {"/q3/a.zip", "n/a", 2},           {"/q3/zip", "N/A ", 0},
        {"/q3/a.pk3.bak", "x", 0},         {"/q3.pk3/demos", "x", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(core::SourceKind(Row("d.dm3", c.location, c.mod)), c.kind) << c.location << " " << c.mod;
}

TEST(PlayList, PlayableNeedsModInformationAndAProtocolOtherThan46)
{
    struct Case {
        std::string mod, protocol;
        bool playable;
    };
    const Case cases[] = {
        {"baseq3", "68", true}, {"baseq3", "", true}, {"n/a", "43", true},
        {"N/A", "68", false},   {"osp", "46", false}, {"osp", "46 ", true},
    };
    for (const Case& c : cases) {
        DemoInfo row = Row("d.dm_68", "/q3/a.pk3", c.mod);
        row[core::FieldProtocol] = c.protocol;
        EXPECT_EQ(core::IsPlayable(row), c.playable) << c.mod << " " << c.protocol;
    }
}

TEST(PlayList, DropsAndReorderingsPlaceRowsAsTheUserSees)
{
    auto make = [] {
        PlayList list;
        for (const char* name : {"a", "b", "c", "d", "e"})
            list.AddRow(Row(name, "/x"));
        return list;
    };
    using Names_ = std::vector<std::string>;

    PlayList list = make();
    list.Insert(1, {Row("x", "/"), Row("y", "/"), Row("z", "/")});
    EXPECT_EQ(Names(list.Rows()), (Names_{"a", "x", "y", "z", "b", "c", "d", "e"})) << "dropped on the second row";
    list = make();
    list.Insert(99, {Row("x", "/")});
    EXPECT_EQ(Names(list.Rows()), (Names_{"a", "b", "c", "d", "e", "x"})) << "dropped on empty space";

    struct Move {
        size_t from, onto;
        Names_ result;
    };
    const Move moves[] = {
        {0, 3, {"b", "c", "d", "a", "e"}}, // down: after the target
        {4, 1, {"a", "e", "b", "c", "d"}}, // up: before the target
        {1, 2, {"a", "c", "b", "d", "e"}}, {2, 2, {"a", "b", "c", "d", "e"}},
        {0, 5, {"a", "b", "c", "d", "e"}}, {4, 0, {"e", "a", "b", "c", "d"}},
    };
    for (const Move& m : moves) {
        list = make();
        list.MoveRow(m.from, m.onto);
        EXPECT_EQ(Names(list.Rows()), m.result) << m.from << " onto " << m.onto;
    }

    list = make();
    list.Remove({3, 0, 3, 17});
    EXPECT_EQ(Names(list.Rows()), (Names_{"b", "c", "e"}));
}

TEST(PlayListFile, LinesAreBytesAsStored)
{
    const std::vector<DemoInfo> rows = {
        Row("final.dm3", "/games/Quake III Arena/baseq3/demos"),
        Row("a.dm_48", "/games/q3/baseq3/pak0.pk3", "baseq3", "demos"),
        Row("m.dm3", "/d/stuff.zip", "N/A"),
        Row("plain.dm3", "/d", "N/A"),
        Row("root.dm3", "/"),
        Row("bad\nname.dm3", "/d"),
        Row("x.dm3", "/d\r"),
    };
    EXPECT_EQ(core::PlayListFileText(rows), "VMR Play List, ver 1.32\r\n"
                                            "/games/Quake III Arena/baseq3/demos/final.dm3\r\n"
                                            "\x01/games/q3/baseq3/pak0.pk3\\a.dm_48\r\n"
                                            "\x01/d/stuff.zip\\m.dm3\r\n"
                                            "/d/plain.dm3\r\n"
                                            "/root.dm3\r\n");
}

std::vector<uint8_t> Demo(const std::string& map, uint32_t lastSnapshot)
{
    DemoBuilder demo(48);
    demo.Add(Message(48).GameState({{0, testsupport::ServerInfo(48, map, "1")}, {1, "\\gamename\\osp"}}));
    demo.Add(Message(48).Snapshot(1000));
    demo.Add(Message(48).Snapshot(lastSnapshot)).End();
    return demo.Bytes();
}

class PlayListFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testsupport::WriteFile(folder.path() / "one.dm_48", Demo("q3dm1", 61000));
        testsupport::WriteFile(folder.path() / "two.dm_48", Demo("q3dm2", 121000));
        testsupport::WriteFile(folder.path() / "pak9.pk3",
                               testsupport::BuildZip({
                                   {.name = "demos/duel.dm_48", .data = Demo("q3dm17", 31000), .deflate = true},
                                   {.name = "old/duel.dm_48", .data = Demo("q3tourney2", 31000)},
                                   {.name = "demos/other.dm_48", .data = Demo("q3dm6", 31000)},
                               }));
        settings.demoDataDirectory = userData.path();
        settings.threads = 1;
    }

    // The demos of the folder as the demo list shows them.
    std::vector<DemoInfo> Listed()
    {
        PlayList demoList, unused;
        core::ScanDemos(core::FolderScanArgument(folder.str()), demoList, unused, feedback, settings);
        return demoList.Rows();
    }

    const DemoInfo& Find(const std::vector<DemoInfo>& rows, const std::string& name, const std::string& archiveLocation)
    {
        for (const DemoInfo& row : rows)
            if (row[core::FieldDemoname] == name && row[core::FieldArchiveLocation] == archiveLocation)
                return row;
        ADD_FAILURE() << name;
        return rows.front();
    }

    core::Result<core::PlayListLoadResult, core::PlayListError> Load(const std::filesystem::path& file)
    {
        return core::LoadPlayListFile(file, playList, feedback, settings);
    }

    ScratchDir folder, userData;
    core::LibraryFeedback feedback;
    core::ScanSettings settings;
    PlayList playList;
};

TEST_F(PlayListFileTest, SavedAndLoadedListKeepsItsEntriesInOrder)
{
    const auto listed = Listed();
    ASSERT_EQ(listed.size(), 5u);
    const std::vector<DemoInfo> chosen = {Find(listed, "two.dm_48", ""), Find(listed, "other.dm_48", "demos"),
                                          Find(listed, "one.dm_48", ""), Find(listed, "two.dm_48", "")};
    const auto file = folder.path() / "Mydemos.vmr";
    ASSERT_TRUE(core::SavePlayListFile(file, chosen));
    EXPECT_EQ(ReadText(file), "VMR Play List, ver 1.32\r\n" + folder.str() + "/two.dm_48\r\n\x01" + folder.str() +
                                  "/pak9.pk3\\other.dm_48\r\n" + folder.str() + "/one.dm_48\r\n" + folder.str() +
                                  "/two.dm_48\r\n");

    playList.AddRow(Row("stale", "/"));
    const auto loaded = Load(file);
    ASSERT_TRUE(loaded.ok());
    const core::PlayListLoadResult& result = *loaded;
    EXPECT_EQ(playList.Rows(), chosen) << "every column as the demo list shows it";
    auto estimate = [](uint64_t bytes) { return static_cast<uint64_t>(core::RoundHalfEven(double(bytes) * 0.00074)); };
    EXPECT_EQ(result.totalSeconds, 2 * estimate(std::filesystem::file_size(folder.path() / "two.dm_48")) +
                                       estimate(std::filesystem::file_size(folder.path() / "one.dm_48")) +
                                       estimate(Demo("q3dm6", 31000).size()));
    EXPECT_EQ(result.labelText, file.string());
}

TEST_F(PlayListFileTest, MembersOfOneNameInTwoFoldersLoadTwiceAndVanishedDemosAreDropped)
{
    const auto file = folder.path() / "list.vmr";
    WriteText(file, std::string("VMR Play List, ver 1.32\r\n") + "\x01" + folder.str() + "/pak9.pk3\\duel.dm_48\r\n" +
                        folder.str() + "/gone.dm_48\r\n" + "\r\n" + "\x01" + folder.str() + "/gone.pk3\\a.dm3\r\n" +
                        folder.str() + "/*.*\r\n" + folder.str() + "/one.dm_48");
    const auto loaded = Load(file);
    ASSERT_TRUE(loaded.ok());
    const core::PlayListLoadResult& result = *loaded;
    ASSERT_EQ(playList.Size(), 3u);
    EXPECT_EQ(Names(playList.Rows()), (std::vector<std::string>{"duel.dm_48", "duel.dm_48", "one.dm_48"}));
    EXPECT_EQ(playList.Rows()[0][core::FieldArchiveLocation], "demos");
    EXPECT_EQ(playList.Rows()[1][core::FieldArchiveLocation], "old");
    EXPECT_EQ(result.statusText, "3 Items. Total length: " + core::FormatSeconds(uint32_t(result.totalSeconds)));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "vmr_scan")) << "no folder was listed";
}

TEST_F(PlayListFileTest, OnlyAFileWithTheHeaderIsAccepted)
{
    struct Case {
        std::string name, bytes;
        bool accepted;
    };
    const Case cases[] = {
        {"header only", "VMR Play List, ver 1.32\r\n", true},
        {"text before the header", "My VMR Play List\n", true},
        {"lower case", "vmr play list, ver 1.32\r\n", false},
        {"empty", "", false},
        {"header on the second line", "\r\nVMR Play List, ver 1.32\r\n", false},
    };
    for (const Case& c : cases) {
        playList.Clear();
        playList.AddRow(Row("kept.dm3", "/"));
        const auto file = folder.path() / (c.name + ".vmr");
        WriteText(file, c.bytes);
        const auto result = Load(file);
        EXPECT_EQ(result.ok(), c.accepted) << c.name;
        if (c.accepted) {
            EXPECT_TRUE(playList.Empty()) << c.name;
            EXPECT_EQ(result->labelText, "Play List corrupted, nothing to load") << c.name;
            EXPECT_EQ(result->statusText, "0 Items. Total length: 00:00:00") << c.name;
        } else {
            EXPECT_EQ(Names(playList.Rows()), std::vector<std::string>{"kept.dm3"}) << c.name;
            EXPECT_EQ(result.code(), core::PlayListError::NotAPlayList) << c.name;
            EXPECT_EQ(result.text(),
                      "This is not a Velmora Play List !\r\nTry to save a Play List and then reload it.");
        }
    }
    EXPECT_FALSE(Load(folder.path() / "missing.vmr").ok());
}

} // namespace
