// Which demos the game can play where they lie, the temporary copies, the start of the game with
// its command line, the running game, and the clean-up.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "PlayTestSupport.h"
#include "playback/GameLaunch.h"
#include "playback/demoplay.h"
#include "support/ZipBuilder.h"

namespace {

using librarytest::ReadText;
using librarytest::WriteText;
using playtest::Eventually;
using playtest::FileHolds;

core::DemoInfo Row(const std::string& name, const std::string& location, const std::string& mod = "baseq3",
                   const std::string& archiveLocation = "", const std::string& protocol = "48")
{
    core::DemoInfo row;
    row[core::FieldDemoname] = name;
    row[core::FieldLocation] = location;
    row[core::FieldMod] = mod;
    row[core::FieldArchiveLocation] = archiveLocation;
    row[core::FieldProtocol] = protocol;
    return row;
}

class GameLaunchTest : public playtest::PlaybackTest {
protected:
    void InstallMod(const std::string& folder)
    {
        WriteText(GameDir() / folder / (folder + ".pk3"), "pack");
        core::DiscoverMods();
    }
    bool WaitForStart() const
    {
        return Eventually([&] { return FileHolds(GameDir() / "started.txt", GameDir().string()); });
    }
};

TEST_F(GameLaunchTest, InPlaceRules)
{
    const std::string demos = DemoDir().string();
    const std::string base = BaseDir().string();
    const std::string mod = (GameDir() / "osp").string();
    struct Case {
        const char* what;
        core::DemoInfo row;
        std::string modDirectory;
        std::optional<std::string> argument;
    };
    const Case cases[] = {
        {"in the demo folder", Row("final.dm_48", demos), base, "final.dm_48"},
        {"below it, spelled as on disk", Row("Final.dm_48", demos + "/Cup"), base, "Cup/Final.dm_48"},
        {"blank in a dm_48 name", Row("my final.dm_48", demos), base, std::nullopt},
        {"blank in its folder", Row("final.dm_48", demos + "/my cup"), base, std::nullopt},
        {"console separator in the name", Row("a;quit.dm_68", demos), base, std::nullopt},
        {"name beyond ASCII", Row("\xD1\x84\xD0\xB8\xD0\xBD\xD0\xB0\xD0\xBB.dm_68", demos), base, std::nullopt},
        {"folder beyond ASCII",
         Row("final.dm_68", demos + "/d\xC3\xBC"
                                    "el"),
         base, std::nullopt},
        {"last ASCII letter", Row("final~.dm_68", demos), base, "final~.dm_68"},
        {"old demo named without extension", Row("Duel.dm3", demos + "/cup", "baseq3", "", "45"), base, "cup/Duel"},
        {"old demo with a blank", Row("duel one.dm3", demos, "baseq3", "", "45"), base, std::nullopt},
        {"\"Demos\" spelled differently", Row("a.dm_48", base + "/Demos"), base, std::nullopt},
        {"a folder that only begins like it", Row("a.dm_48", demos + "x"), base, std::nullopt},
        {"elsewhere", Row("a.dm_48", m_scratch.str()), base, std::nullopt},
        {"the mod's demo folder", Row("m.dm_68", mod + "/demos", "osp"), mod, "m.dm_68"},
        {"the mod's demo folder, game without the mod", Row("m.dm_68", mod + "/demos", "osp"), base, std::nullopt},
        {"without information, plain", Row("u.dm_48", demos, "N/A"), base, "u.dm_48"},
        {"pack in the base folder", Row("p.dm_48", base + "/pak9.pk3", "baseq3", "demos"), base, "p.dm_48"},
        {"pack member in \"Demos\"", Row("p.dm_48", base + "/pak9.pk3", "baseq3", "Demos"), base, std::nullopt},
        {"pack member below demos", Row("p.dm_48", base + "/pak9.pk3", "baseq3", "demos\\cup"), base, std::nullopt},
        {"pack elsewhere", Row("p.dm_48", m_scratch.str() + "/pak9.pk3", "baseq3", "demos"), base, std::nullopt},
        {"zip in the base folder, never loaded", Row("p.dm_48", base + "/old.zip", "baseq3", "demos"), base,
         std::nullopt},
        {"pack in the mod folder", Row("p.dm_68", mod + "/x.pk3", "osp", "demos"), mod, "p.dm_68"},
        {"pack member with a blank", Row("p q.dm_48", base + "/pak9.pk3", "baseq3", "demos"), base, std::nullopt},
        {"pack member without information", Row("p.dm_48", base + "/pak9.pk3", "N/A", "demos"), base, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(core::InPlaceDemoArgument(c.row, c.modDirectory, core::Settings.game), c.argument) << c.what;
        EXPECT_EQ(core::PlayableInPlace(c.row, c.modDirectory, core::Settings.game), c.argument.has_value()) << c.what;
    }
}

TEST_F(GameLaunchTest, SinglePlayFailuresAreReportedAndStartNothing)
{
    struct Case {
        core::DemoInfo row;
        std::string text, title;
    };
    const std::string elsewhere = m_scratch.str();
    testsupport::WriteFile(Dir() / "pack.zip", testsupport::BuildZip({{.name = "demos/other.dm_48", .data = {1}}}));
    const Case cases[] = {
        {Row("gone.dm_48", elsewhere), "Could not copy file gone.dm_48!", "File Copy ERROR"},
        {Row("absent.dm_48", elsewhere + "/pack.zip", "baseq3", "demos"),
         "Could not extract file absent.dm_48 from archive " + elsewhere + "/pack.zip!", "File Extract/Copy ERROR"},
        {Row("broken.dm_48", elsewhere, "N/A"), "The demo broken.dm_48 could not be read, so it cannot be played!",
         "Play it"},
    };
    for (const Case& c : cases) {
        m_messages.shown.clear();
        EXPECT_FALSE(core::PlayDemo(c.row));
        ASSERT_EQ(m_messages.shown.size(), 1u);
        EXPECT_EQ(m_messages.shown[0].text, c.text);
        EXPECT_EQ(m_messages.shown[0].title, c.title);
    }
    EXPECT_FALSE(core::IsGameRunning());
    EXPECT_FALSE(std::filesystem::exists(GameDir() / "started.txt"));
}

TEST_F(GameLaunchTest, SinglePlayExtractsAMemberIntoAMissingDemoFolder)
{
    std::filesystem::remove_all(DemoDir());
    testsupport::WriteFile(Dir() / "pack.zip",
                           testsupport::BuildZip({{.name = "demos/cup/x.dm_68", .data = {'X'}, .deflate = true}}));
    ASSERT_TRUE(core::PlayDemo(Row("x.dm_68", m_scratch.str() + "/pack.zip", "baseq3", "demos\\cup", "68")));
    EXPECT_EQ(ReadText(DemoDir() / "vmrtmp00.dm_68"), "X");
    EXPECT_NE(Script().find("set d1 \"demo vmrtmp00.dm_68; set actualdemo echo Playing demo: ^3x.dm_68;"),
              std::string::npos);
}

TEST_F(GameLaunchTest, ModPartOfTheCommandLine)
{
    InstallMod("OSP");
    core::Settings.q3a_start_param = "+exec 'my config'";
    struct Case {
        const char* mod;
        bool modDemos;
        std::string started;
    };
    const Case cases[] = {
        {"osp", true, "[+exec][my config][+set][fs_game][OSP][+exec][vmrtmp.vmr]"},
        {"osp", false, "[+exec][my config][+exec][vmrtmp.vmr]"},
        {"cpma", true, "[+exec][my config][+exec][vmrtmp.vmr]"},
        {"baseq3", true, "[+exec][my config][+exec][vmrtmp.vmr]"},
    };
    for (const Case& c : cases) {
        core::Settings.mod_demos = c.modDemos;
        std::filesystem::remove(GameDir() / "started.txt");
        const core::DemoInfo row = Row("a.dm_68", m_scratch.str(), c.mod);
        ASSERT_TRUE(core::LaunchGame("68", core::PlayModDirectory(row))) << c.mod;
        ASSERT_TRUE(WaitForStart()) << c.mod;
        EXPECT_EQ(Started(), c.started + "\n" + GameDir().string() + "\n") << c.mod;
        EXPECT_TRUE(core::CloseGame());
    }
}

TEST_F(GameLaunchTest, RunningGameGetsTheScriptUnlessAModNeedsANewStart)
{
    InstallMod("osp");
    ASSERT_TRUE(core::LaunchGame("68", BaseDir().string()));
    ASSERT_TRUE(WaitForStart());
    const pid_t first = platform::Game().ChildPid();

    ASSERT_TRUE(core::LaunchGame("68", BaseDir().string()));
    EXPECT_TRUE(Eventually([&] { return Console() == "exec vmrtmp.vmr\n"; })) << Console();
    EXPECT_EQ(platform::Game().ChildPid(), first);

    std::filesystem::remove(GameDir() / "started.txt");
    ASSERT_TRUE(core::LaunchGame("68", (GameDir() / "osp").string()));
    EXPECT_TRUE(FileHolds(GameDir() / "console.txt", "exec vmrtmp.vmr\nquit\n"));
    ASSERT_TRUE(WaitForStart());
    EXPECT_NE(platform::Game().ChildPid(), first);
    EXPECT_EQ(Started(), "[+set][fs_game][osp][+exec][vmrtmp.vmr]\n" + GameDir().string() + "\n");
}

TEST_F(GameLaunchTest, MissingGameProgramIsReported)
{
    std::filesystem::remove(GameDir() / "ioquake3");
    core::SetGameDirectory(core::Settings, GameDir().string());
    EXPECT_FALSE(core::LaunchGame("68", BaseDir().string()));
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].title, "Game Start ERROR");
}

TEST_F(GameLaunchTest, CleanUpRemovesOnlyTemporaryPlayFilesAndWaitsForTheGame)
{
    const char* temporary[] = {"vmrtmp00.dm3", "vmrtmp01.dm_48", "vmrtmp100.dm_71", ".vmrtmp02.dm_48.part"};
    const char* kept[] = {"vmrtmpfinal.dm_48", "final.dm_48", "vmrtmp03.txt"};
    for (const char* name : temporary)
        WriteText(DemoDir() / name, "t");
    for (const char* name : kept)
        WriteText(DemoDir() / name, "k");
    WriteText(BaseDir() / "vmrtmp.vmr", "script");

    ASSERT_TRUE(core::StartGame(""));
    core::CleanTempFiles(); // the game may still read them
    EXPECT_TRUE(std::filesystem::exists(DemoDir() / "vmrtmp00.dm3"));
    EXPECT_TRUE(std::filesystem::exists(BaseDir() / "vmrtmp.vmr"));

    ASSERT_TRUE(core::CloseGame());
    core::CleanTempFiles();
    for (const char* name : temporary)
        EXPECT_FALSE(std::filesystem::exists(DemoDir() / name)) << name;
    for (const char* name : kept)
        EXPECT_TRUE(std::filesystem::exists(DemoDir() / name)) << name;
    EXPECT_FALSE(std::filesystem::exists(BaseDir() / "vmrtmp.vmr"));
}

} // namespace
