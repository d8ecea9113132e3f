// Which demos the game can play where they lie, the temporary copies, the start of the game with
// its command line, the running game, and the clean-up.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "core/demo/DemoDecoder.h"
#include "core/playback/GameLaunch.h"
#include "core/playback/GamePrograms.h"
#include "core/playback/PlayFromMoment.h"
#include "core/playback/PlayScript.h"
#include "core/protocol/ModernMessage.h"
#include "core/settings/Settings.h"
#include "support/HuffmanEncoder.h"
#include "support/PlayTestSupport.h"
#include "support/Restore.h"
#include "support/SampleDemos.h"
#include "support/ZipBuilder.h"

namespace {

using librarytest::ReadText;

// What an ioquake3-family program gets before everything else.
const std::string kEngineWords = "[+set][com_pipefile][velmora.fifo][+set][com_legacyprotocol][68]";
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
        core::DiscoverMods(m_record.q3a_dir, m_record.base_folder);
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
        EXPECT_EQ(core::InPlaceDemoArgument(c.row, c.modDirectory, m_record.game), c.argument) << c.what;
        EXPECT_EQ(core::PlayableInPlace(c.row, c.modDirectory, m_record.game), c.argument.has_value()) << c.what;
    }
}

TEST_F(GameLaunchTest, SinglePlayFailuresAreReportedAndStartNothing)
{
    struct Case {
        core::DemoInfo row;
        std::string text, title;
    };
    const std::string elsewhere = m_scratch.str();
    testsupport::WriteFile(Dir() / "pack.zip", testsupport::BuildZip({{.name = "demos/other.dm_68", .data = {1}}}));
    const Case cases[] = {
        {Row("gone.dm_68", elsewhere, "baseq3", "", "68"), "Could not copy file gone.dm_68!", "File Copy ERROR"},
        {Row("absent.dm_68", elsewhere + "/pack.zip", "baseq3", "demos", "68"),
         "Could not extract file absent.dm_68 from archive " + elsewhere + "/pack.zip!", "File Extract/Copy ERROR"},
        {Row("broken.dm_68", elsewhere, "N/A", "", "68"),
         "The demo broken.dm_68 could not be read, so it cannot be played!", "Play it"},
    };
    for (const Case& c : cases) {
        m_messages.shown.clear();
        EXPECT_FALSE(Shown(core::PlayDemo(c.row, Play(), m_notices)));
        ASSERT_EQ(m_messages.shown.size(), 1u);
        EXPECT_EQ(m_messages.shown[0].text, c.text);
        EXPECT_EQ(m_messages.shown[0].title, c.title);
    }
    EXPECT_FALSE(core::IsGameRunning(Play()));
    EXPECT_FALSE(std::filesystem::exists(GameDir() / "started.txt"));
}

TEST_F(GameLaunchTest, SinglePlayExtractsAMemberIntoAMissingDemoFolder)
{
    std::filesystem::remove_all(DemoDir());
    testsupport::WriteFile(Dir() / "pack.zip",
                           testsupport::BuildZip({{.name = "demos/cup/x.dm_68", .data = {'X'}, .deflate = true}}));
    ASSERT_TRUE(Shown(core::PlayDemo(Row("x.dm_68", m_scratch.str() + "/pack.zip", "baseq3", "demos\\cup", "68"),
                                     Play(), m_notices)));
    EXPECT_EQ(ReadText(DemoDir() / "vmrtmp00.dm_68"), "X");
    EXPECT_NE(Script().find("set d1 \"demo vmrtmp00.dm_68; set actualdemo echo Playing demo: ^3x.dm_68;"),
              std::string::npos);
}

TEST_F(GameLaunchTest, ModPartOfTheCommandLine)
{
    InstallMod("OSP");
    m_record.q3a_start_param = "+exec 'my config'";
    struct Case {
        const char* mod;
        bool modDemos;
        std::string started;
    };
    const Case cases[] = {
        {"osp", true, kEngineWords + "[+exec][my config][+set][fs_game][OSP][+exec][vmrtmp.vmr]"},
        {"osp", false, kEngineWords + "[+exec][my config][+exec][vmrtmp.vmr]"},
        {"cpma", true, kEngineWords + "[+exec][my config][+exec][vmrtmp.vmr]"},
        {"baseq3", true, kEngineWords + "[+exec][my config][+exec][vmrtmp.vmr]"},
    };
    for (const Case& c : cases) {
        m_record.mod_demos = c.modDemos;
        std::filesystem::remove(GameDir() / "started.txt");
        const core::DemoInfo row = Row("a.dm_68", m_scratch.str(), c.mod);
        ASSERT_TRUE(Shown(core::LaunchGame("68", core::PlayModDirectory(row, Play()), Play(), m_notices))) << c.mod;
        ASSERT_TRUE(WaitForStart()) << c.mod;
        EXPECT_EQ(Started(), c.started + "\n" + GameDir().string() + "\n") << c.mod;
        EXPECT_TRUE(core::CloseGame(Play()));
    }
}

TEST_F(GameLaunchTest, RunningGameGetsTheScriptUnlessAModNeedsANewStart)
{
    InstallMod("osp");
    ASSERT_TRUE(Shown(core::LaunchGame("68", BaseDir().string(), Play(), m_notices)));
    ASSERT_TRUE(WaitForStart());
    const platform::ProcessId first = platform::Game().ChildPid();

    ASSERT_TRUE(Shown(core::LaunchGame("68", BaseDir().string(), Play(), m_notices)));
    EXPECT_TRUE(Eventually([&] { return Console() == "exec vmrtmp.vmr\n"; })) << Console();
    EXPECT_EQ(platform::Game().ChildPid(), first);

    std::filesystem::remove(GameDir() / "started.txt");
    ASSERT_TRUE(Shown(core::LaunchGame("68", (GameDir() / "osp").string(), Play(), m_notices)));
    EXPECT_TRUE(FileHolds(GameDir() / "console.txt", "exec vmrtmp.vmr\nquit\n"));
    ASSERT_TRUE(WaitForStart());
    EXPECT_NE(platform::Game().ChildPid(), first);
    EXPECT_EQ(Started(), kEngineWords + "[+set][fs_game][osp][+exec][vmrtmp.vmr]\n" + GameDir().string() + "\n");
}

TEST_F(GameLaunchTest, MissingGameProgramIsReported)
{
    std::filesystem::remove(GameDir() / "ioquake3");
    core::SetGameDirectory(m_record, GameDir().string());
    EXPECT_FALSE(Shown(core::LaunchGame("68", BaseDir().string(), Play(), m_notices)));
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].title, "Game Start ERROR");
}

TEST_F(GameLaunchTest, CleanUpRemovesOnlyTemporaryPlayFilesAndWaitsForTheGame)
{
    const char* temporary[] = {"vmrtmp00.dm3", "vmrtmp01.dm_48", "vmrtmp100.dm_71", ".vmrtmp02.dm_48.part",
                               ".vmrtmp03.dm_68.a1B2c3"};
    const char* kept[] = {"vmrtmpfinal.dm_48", "final.dm_48", "vmrtmp03.txt", ".final.dm_68.a1B2c3",
                          ".vmrtmp04.dm_68.a1B2c"};
    for (const char* name : temporary)
        WriteText(DemoDir() / name, "t");
    for (const char* name : kept)
        WriteText(DemoDir() / name, "k");
    WriteText(BaseDir() / "vmrtmp.vmr", "script");

    ASSERT_TRUE(Shown(core::StartGame("", Play())));
    core::CleanTempFiles(Play()); // the game may still read them
    EXPECT_TRUE(std::filesystem::exists(DemoDir() / "vmrtmp00.dm3"));
    EXPECT_TRUE(std::filesystem::exists(BaseDir() / "vmrtmp.vmr"));

    ASSERT_TRUE(core::CloseGame(Play()));
    core::CleanTempFiles(Play());
    for (const char* name : temporary)
        EXPECT_FALSE(std::filesystem::exists(DemoDir() / name)) << name;
    for (const char* name : kept)
        EXPECT_TRUE(std::filesystem::exists(DemoDir() / name)) << name;
    EXPECT_FALSE(std::filesystem::exists(BaseDir() / "vmrtmp.vmr"));
}

TEST_F(GameLaunchTest, DemoTheProgramCannotPlayIsRefusedBeforeAnythingIsWritten)
{
    enum Outcome { Played, Refused, NotConverted };
    struct Case {
        const char* what;
        std::string name, protocol, protocolsSetting;
        Outcome outcome;
    };
    // The demos here hold only their own names: one that needs converting fails at that.
    const Case cases[] = {
        {"1.27 demo", "a.dm_48", "48", "", NotConverted},
        {"1.17 demo", "a.dm3", "45", "", NotConverted},
        {"OpenArena 0.8.1 demo", "a.dm_70", "70", "", NotConverted},
        {"the lowest protocol of the engine", "a.dm_66", "66", "", Played},
        {"its own", "a.dm_71", "71", "", Played},
        {"the setting adds one", "a.dm_70", "70", "66 67 68 70 71", Played},
        {"the setting takes one away", "a.dm_66", "66", "68,71", Refused},
        {"nothing an old demo can become", "a.dm_48", "48", "66 67", Refused},
    };
    const std::string program = (GameDir() / "ioquake3").string();
    for (const Case& c : cases) {
        m_messages.shown.clear();
        std::filesystem::remove(BaseDir() / "vmrtmp.vmr");
        WriteText(DemoDir() / "vmrtmp00.dm_68", "left by an earlier list");
        WriteText(Dir() / c.name, c.name);
        m_record.game_protocols = c.protocolsSetting;
        const std::string copy = "vmrtmp00" + c.name.substr(c.name.find('.'));
        EXPECT_EQ(Shown(core::PlayDemo(Row(c.name, m_scratch.str(), "baseq3", "", c.protocol), Play(), m_notices)),
                  c.outcome == Played)
            << c.what;
        if (c.outcome == Played) {
            EXPECT_TRUE(m_messages.shown.empty()) << c.what;
            EXPECT_EQ(ReadText(DemoDir() / copy), c.name) << c.what;
            // The leftover is gone before the engine could take it for the requested demo.
            EXPECT_FALSE(std::filesystem::exists(DemoDir() / "vmrtmp00.dm_68")) << c.what;
            EXPECT_TRUE(core::CloseGame(Play()));
            continue;
        }
        ASSERT_EQ(m_messages.shown.size(), 1u) << c.what;
        EXPECT_FALSE(std::filesystem::exists(BaseDir() / "vmrtmp.vmr")) << c.what;
        EXPECT_FALSE(std::filesystem::exists(DemoDir() / copy)) << c.what;
        EXPECT_FALSE(core::IsGameRunning(Play())) << c.what;
        if (c.outcome == NotConverted) {
            EXPECT_EQ(m_messages.shown[0].title, "Demo Conversion Error") << c.what;
            EXPECT_TRUE(m_messages.shown[0].text.starts_with("The demo " + c.name + " (protocol " + c.protocol +
                                                             ") could not be converted to protocol "))
                << m_messages.shown[0].text;
            // Nothing but the demo folder's own files: no converted copy, not even half of one.
            for (const auto& entry : std::filesystem::directory_iterator(DemoDir()))
                ADD_FAILURE() << c.what << ": " << entry.path();
            continue;
        }
        EXPECT_EQ(m_messages.shown[0].title, "Demo Protocol not Playable");
        EXPECT_TRUE(m_messages.shown[0].text.starts_with("The demo \"" + c.name + "\" has protocol " + c.protocol +
                                                         ", which the game program " + program + " cannot play"))
            << m_messages.shown[0].text;
        EXPECT_EQ(ReadText(DemoDir() / "vmrtmp00.dm_68"), "left by an earlier list") << c.what;
    }
    EXPECT_NE(m_messages.shown[0].text.find("(it plays protocols 66 and 67)"), std::string::npos);

    // Quake Live demos are refused by name, whichever of its protocols they have, unless the
    // setting says the program plays them.
    m_record.game_protocols.clear();
    for (const char* protocol : {"73", "90", "91"}) {
        m_messages.shown.clear();
        const std::string name = std::string("ql.dm_") + protocol;
        WriteText(Dir() / name, name);
        EXPECT_FALSE(Shown(core::PlayDemo(Row(name, m_scratch.str(), "baseq3", "", protocol), Play(), m_notices)))
            << protocol;
        ASSERT_EQ(m_messages.shown.size(), 1u) << protocol;
        EXPECT_EQ(m_messages.shown[0].title, "Demo Protocol not Playable");
        EXPECT_TRUE(m_messages.shown[0].text.starts_with("The demo \"" + name +
                                                         "\" was recorded by Quake Live (protocol " + protocol +
                                                         "). Quake Live demos play only in Quake Live"))
            << m_messages.shown[0].text;
        EXPECT_FALSE(core::IsGameRunning(Play())) << protocol;
    }
    EXPECT_EQ(core::UnplayableDemoText("ql.dm_91", "91", program, {68, 71, 91}), std::nullopt);
    EXPECT_NE(core::UnplayableDemoText("ql.dm_73", "73", program, {68, 71, 91}), std::nullopt);

    // A play list is checked whole before its first copy is made.
    m_record.game_protocols.clear();
    m_messages.shown.clear();
    WriteText(Dir() / "b.dm_71", "b");
    EXPECT_FALSE(Shown(core::CreatePlaylist(
        {Row("b.dm_71", m_scratch.str(), "baseq3", "", "71"), Row("ql.dm_73", m_scratch.str(), "baseq3", "", "73")},
        Play(), m_notices)));
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_NE(m_messages.shown[0].text.find("\"ql.dm_73\" was recorded by Quake Live"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(DemoDir() / "vmrtmp00.dm_71"));
    EXPECT_FALSE(std::filesystem::exists(BaseDir() / "vmrtmp.vmr"));
}

// A demo whose game code is a mod's ("cpma-1") plays only with that mod: without it the game stops
// with a black screen. It is refused before anything is written, and a running game hears nothing.
TEST_F(GameLaunchTest, DemoNeedingAModThatIsNotInstalledIsRefusedAndTheRunningGameGoesOn)
{
    const std::filesystem::path home = Dir() / "home" / ".q3a", system = Dir() / "usr-lib-quake3";
    std::filesystem::create_directories(home);
    std::filesystem::create_directories(system);
    // A home folder that does not exist yet is still where the user would put the mod; a system
    // folder of an engine that is not installed is not.
    const std::filesystem::path newHome = Dir() / "home" / ".openarena";
    core::ModLocations = {{home.string(), newHome.string()}, {system.string(), (Dir() / "no-engine").string()}};
    const auto demo = [&](const std::string& name, const std::string& gameVersion) {
        testsupport::WriteFile(Dir() / name, testsupport::ModernDemoFile({testsupport::ModernMessageBuilder(0)
                                                                              .BeginGameState(1)
                                                                              .ConfigString(0, "\\mapname\\q3dm6")
                                                                              .ConfigString(20, gameVersion)
                                                                              .EndGameState()
                                                                              .Payload()}));
    };
    struct Case {
        const char* what;
        std::string mod, gameVersion;
        std::filesystem::path installedIn; // empty: nowhere
        bool played;
    };
    const Case cases[] = {
        {"CPMA nowhere", "cpma", "cpma-1", {}, false},
        {"CPMA's folder without a pack", "cpma", "cpma-1", GameDir() / "empty", false},
        {"CPMA in the game directory", "cpma", "cpma-1", GameDir(), true},
        {"CPMA in the engine's home folder", "cpma", "cpma-1", home, true},
        {"CPMA in the engine's system folder", "cpma", "cpma-1", system, true},
        {"OSP keeps the base game's code", "osp", "baseq3-1", {}, true},
        {"OpenArena's own code", "oamod", "baseoa-1", {}, true},
        {"the base game", "baseq3", "baseq3-1", {}, true},
    };
    // A game already plays.
    WriteText(Dir() / "first.dm_68", "first");
    ASSERT_TRUE(Shown(core::PlayDemo(Row("first.dm_68", m_scratch.str(), "baseq3", "", "68"), Play(), m_notices)));
    ASSERT_TRUE(WaitForStart());
    const platform::ProcessId game = platform::Game().ChildPid();
    for (const Case& c : cases) {
        m_messages.shown.clear();
        std::filesystem::remove_all(GameDir() / "cpma");
        std::filesystem::remove_all(home / "cpma");
        std::filesystem::remove_all(system / "cpma");
        if (c.installedIn == GameDir() / "empty")
            std::filesystem::create_directories(GameDir() / "cpma");
        else if (!c.installedIn.empty())
            WriteText(c.installedIn / "cpma" / "z-cpma-pak.pk3", "pack");
        core::DiscoverMods(m_record.q3a_dir, m_record.base_folder);
        demo("m.dm_68", c.gameVersion);
        const std::string script = Script(), console = Console();
        const platform::ProcessId running = platform::Game().ChildPid();

        const bool played = Shown(core::PlayDemo(Row("m.dm_68", m_scratch.str(), c.mod, "", "68"), Play(), m_notices));
        EXPECT_EQ(played, c.played) << c.what;
        if (played) {
            EXPECT_TRUE(m_messages.shown.empty()) << c.what;
            // A new start for an installed mod, the script through the console otherwise.
            EXPECT_TRUE(Eventually([&] { return platform::Game().ChildPid() != running || Console() != console; }))
                << c.what;
            continue;
        }
        ASSERT_EQ(m_messages.shown.size(), 1u) << c.what;
        EXPECT_EQ(m_messages.shown[0].title, "Demo Mod not Installed") << c.what;
        EXPECT_EQ(m_messages.shown[0].text,
                  "The demo \"m.dm_68\" was recorded with the mod \"cpma\", which is not installed: the game "
                  "stops such a demo with a black screen. The mod's folder \"cpma\" with its packs would have to "
                  "be in the game directory " +
                      GameDir().string() + " or in one of the engine's folders (" + home.string() + ", " +
                      newHome.string() + ", " + system.string() + ").\r\nNothing was played.")
            << c.what;
        // The running game was neither told nor stopped, and its script is the one it plays.
        EXPECT_EQ(platform::Game().ChildPid(), game) << c.what;
        EXPECT_EQ(Script(), script) << c.what;
        EXPECT_EQ(Console(), console) << c.what;
    }

    // A play list holding such a demo is refused whole, before anything is written.
    std::filesystem::remove_all(home / "cpma");
    core::DiscoverMods(m_record.q3a_dir, m_record.base_folder);
    demo("m.dm_68", "cpma-1");
    m_messages.shown.clear();
    const std::string console = Console(), script = Script();
    EXPECT_FALSE(Shown(core::CreatePlaylist(
        {Row("first.dm_68", m_scratch.str(), "baseq3", "", "68"), Row("m.dm_68", m_scratch.str(), "cpma", "", "68")},
        Play(), m_notices)));
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].title, "Demo Mod not Installed");
    EXPECT_EQ(Script(), script);
    EXPECT_EQ(Console(), console);

    // An old demo is converted, and so given the engine's own game version: it needs no mod.
    m_messages.shown.clear();
    const testsupport::SampleDemo old = testsupport::SampleDemos(1, 1)[0];
    ASSERT_EQ(old.protocol, 48);
    testsupport::WriteFile(Dir() / old.name, old.bytes);
    EXPECT_TRUE(Shown(core::PlayDemo(Row(old.name, m_scratch.str(), "cpma", "", "48"), Play(), m_notices)));
    EXPECT_TRUE(m_messages.shown.empty());
}

TEST_F(GameLaunchTest, ProgramAndProtocolsFollowTheDemo)
{
    playtest::MakeProgram(GameDir() / "quake3.x86", playtest::kRecordingGame);
    const std::string engine = (GameDir() / "ioquake3").string();
    const std::string original = (GameDir() / "quake3.x86").string();
    struct ProgramCase {
        std::string protocol, setting, program;
    };
    const ProgramCase programs[] = {
        {"45", "", original},
        {"48", "", original},
        {"65", "", original},
        {"66", "", engine},
        {"71", "", engine},
        {"N/A", "", engine}, // unknown: the first program found
        {"48", "/usr/games/openarena", "/usr/games/openarena"},
        {"68", "quake3.x86", original},
    };
    for (const ProgramCase& c : programs)
        EXPECT_EQ(core::GameProgramFor(c.protocol, m_record.game, c.setting), c.program) << c.protocol << c.setting;
    std::filesystem::remove(GameDir() / "quake3.x86");
    EXPECT_EQ(core::GameProgramFor("48", m_record.game, ""), engine) << "the only program there is";

    const core::GamePaths& game = m_record.game;
    EXPECT_EQ(core::PlayableProtocols("/usr/games/openarena", game, ""), (std::vector<int>{66, 67, 68, 71}));
    EXPECT_EQ(core::PlayableProtocols(original, game, ""), (std::vector<int>{43, 45, 46}));
    WriteText(BaseDir() / "pak4.pk3", "");
    EXPECT_EQ(core::PlayableProtocols(original, game, ""), (std::vector<int>{47, 48}));
    WriteText(BaseDir() / "pak8.pk3", "");
    EXPECT_EQ(core::PlayableProtocols(original, game, ""), (std::vector<int>{68}));
    EXPECT_EQ(core::PlayableProtocols(original, game, "48, 46 48"), (std::vector<int>{46, 48}));
    EXPECT_EQ(core::PlayableProtocols(original, game, "none"), (std::vector<int>{68}));

    // A home folder with the program elsewhere is a game folder once the setting names it.
    const std::string home = (Dir() / "home-openarena").string();
    std::filesystem::create_directories(home);
    EXPECT_FALSE(core::UsableGameFolder(home, ""));
    EXPECT_FALSE(core::UsableGameFolder(home, (Dir() / "absent").string()));
    EXPECT_TRUE(core::UsableGameFolder(home, engine));
    EXPECT_TRUE(core::UsableGameFolder(GameDir().string(), ""));

    struct WordsCase {
        std::string program, global, words;
    };
    const WordsCase words[] = {
        {engine, "", "+set com_pipefile velmora.fifo +set com_legacyprotocol 68 "},
        {"/usr/games/openarena", "+exec mine", "+set com_pipefile velmora.fifo +set com_legacyprotocol 68 "},
        {engine, "+set com_pipefile q.fifo", "+set com_legacyprotocol 68 "},
        {engine, "+seta COM_PIPEFILE q.fifo", "+set com_legacyprotocol 68 "},
        {original, "", ""},
        {(GameDir() / "quake3.exe").string(), "", ""},
    };
    for (const WordsCase& c : words)
        EXPECT_EQ(core::EngineStartParameters(c.program, c.global, "velmora.fifo"), c.words) << c.program << c.global;
}

TEST_F(GameLaunchTest, FailedGameStartKeepsThePlayListCommandFromSucceeding)
{
    // The original game under Wine, and no Wine.
    std::filesystem::remove(GameDir() / "ioquake3");
    WriteText(GameDir() / "quake3.exe", "MZ");
    WriteText(BaseDir() / "pak4.pk3", "");
    core::SetGameDirectory(m_record, GameDir().string());
    WriteText(Dir() / "a.dm_48", "a");
    const std::vector<core::DemoInfo> list{Row("a.dm_48", m_scratch.str())};
    bool played = false;
    {
        const testsupport::RestoreEnvironment path("PATH");
        ::setenv("PATH", (Dir() / "no-wine").c_str(), 1);
        played = Shown(core::CreatePlaylist(list, Play(), m_notices));
    }
    EXPECT_FALSE(played);
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].title, "Game Start ERROR");
    EXPECT_NE(m_messages.shown[0].text.find("Wine is not installed"), std::string::npos);

    std::filesystem::remove(GameDir() / "quake3.exe");
    EXPECT_FALSE(Shown(core::CreatePlaylist(list, Play(), m_notices)));
    ASSERT_EQ(m_messages.shown.size(), 2u);
    EXPECT_EQ(m_messages.shown[1].text, "No game program found in " + GameDir().string() + "!");
}

TEST_F(GameLaunchTest, RunningGameUnderWineIsStartedAgainInsteadOfGettingLostLines)
{
    // Stands in for Wine: it records how it was started and every line on its standard input,
    // which the real Windows game never reads.
    playtest::MakeProgram(Dir() / "bin" / "wine", playtest::kRecordingGame);
    std::filesystem::remove(GameDir() / "ioquake3");
    WriteText(GameDir() / "quake3.exe", "MZ");
    WriteText(BaseDir() / "pak4.pk3", "");
    core::SetGameDirectory(m_record, GameDir().string());
    std::vector<std::string> statuses;
    core::Hooks().status = [&](const std::string& text) { statuses.push_back(text); };
    const testsupport::RestoreEnvironment path("PATH");
    ::setenv("PATH", ((Dir() / "bin").string() + ":" + path.Saved()).c_str(), 1);

    const std::string program = (GameDir() / "quake3.exe").string();
    const bool first = Shown(core::LaunchGame("48", BaseDir().string(), Play(), m_notices));
    const bool started = WaitForStart();
    const platform::ProcessId firstPid = platform::Game().ChildPid();
    std::filesystem::remove(GameDir() / "started.txt");
    const bool second = Shown(core::LaunchGame("48", BaseDir().string(), Play(), m_notices));
    const bool restarted = WaitForStart();
    core::Hooks().status = nullptr;

    EXPECT_TRUE(first && started);
    EXPECT_TRUE(second && restarted);
    EXPECT_NE(platform::Game().ChildPid(), firstPid);
    EXPECT_EQ(Started(), "[" + program + "][+exec][vmrtmp.vmr]\n" + GameDir().string() + "\n");
    EXPECT_EQ(Console(), ""); // neither "exec vmrtmp.vmr" nor "quit" went into the void
    EXPECT_EQ(statuses, std::vector<std::string>{core::kWineRestartStatus});
}

} // namespace

namespace {

// Whole messages, as the game reads them: the conversion decodes every one.
std::vector<uint8_t> OpenArena081Demo()
{
    return testsupport::ModernDemoFile({testsupport::ModernMessageBuilder(0)
                                            .BeginGameState(1)
                                            .ConfigString(0, "\\protocol\\70\\mapname\\oa_dm3")
                                            .ConfigString(20, "baseq3-1")
                                            .EndGameState()
                                            .End()
                                            .Payload(),
                                        testsupport::ModernMessageBuilder(1).Snapshot(1000).End().Payload()});
}

std::string GameVersionIn(const std::filesystem::path& demo)
{
    const std::string bytes = ReadText(demo);
    const std::vector<uint8_t> data(bytes.begin(), bytes.end());
    if (data.size() < 8)
        return "";
    std::vector<core::ModernCommand> commands;
    core::DecodeModernMessage(std::span(data).subspan(8, data[4] | data[5] << 8), commands);
    for (const core::ModernCommand& c : commands)
        if (c.kind == core::ModernCommand::ConfigString && c.index == 20)
            return c.text;
    return "";
}

} // namespace

TEST_F(GameLaunchTest, DemosTheEngineOnlyPlaysConvertedArePlayedFromAConvertedCopyWhereverTheyLie)
{
    m_record.game_version = "baseoa-1";
    const std::vector<uint8_t> demo = OpenArena081Demo();
    testsupport::WriteFile(Dir() / "fly.dm_70", demo);
    testsupport::WriteFile(DemoDir() / "here.dm_70", demo);
    testsupport::WriteFile(BaseDir() / "pak6.pk3",
                           testsupport::BuildZip({{.name = "demos/packed.dm_70", .data = demo}}));
    struct Case {
        const char* what;
        core::DemoInfo row;
    };
    const Case cases[] = {
        {"elsewhere", Row("fly.dm_70", m_scratch.str(), "baseq3", "", "70")},
        {"in place in the demo folder", Row("here.dm_70", DemoDir().string(), "baseq3", "", "70")},
        {"in a pack the game loads", Row("packed.dm_70", (BaseDir() / "pak6.pk3").string(), "baseq3", "demos", "70")},
    };
    for (const Case& c : cases) {
        m_messages.shown.clear();
        ASSERT_TRUE(Shown(core::PlayDemo(c.row, Play(), m_notices))) << c.what;
        EXPECT_TRUE(m_messages.shown.empty()) << c.what;
        EXPECT_EQ(GameVersionIn(DemoDir() / "vmrtmp00.dm_71"), "baseoa-1") << c.what;
        EXPECT_NE(Script().find("set d1 \"demo vmrtmp00.dm_71; set actualdemo echo Playing demo: ^3" +
                                c.row[core::FieldDemoname] + ";"),
                  std::string::npos)
            << c.what;
        EXPECT_TRUE(core::CloseGame(Play()));
    }
    // The demo folder holds the converted copy and the user's own demo, nothing written halfway.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(DemoDir()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"here.dm_70", "vmrtmp00.dm_71"}));

    // A play list: a demo the engine plays as it is beside one it plays converted, in one run.
    WriteText(Dir() / "own.dm_71", "own");
    ASSERT_TRUE(Shown(core::CreatePlaylist({Row("own.dm_71", m_scratch.str(), "baseq3", "", "71"), cases[0].row},
                                           Play(), m_notices)));
    EXPECT_EQ(ReadText(DemoDir() / "vmrtmp00.dm_71"), "own");
    EXPECT_EQ(GameVersionIn(DemoDir() / "vmrtmp01.dm_71"), "baseoa-1");
    EXPECT_NE(Script().find("set d2 \"demo vmrtmp01.dm_71; "), std::string::npos);
    EXPECT_TRUE(core::CloseGame(Play()));

    // A demo that breaks off is played as far as it goes, and the user is told why it ends early.
    testsupport::WriteFile(Dir() / "cut.dm_70", std::vector<uint8_t>(demo.begin(), demo.end() - 5));
    m_messages.shown.clear();
    ASSERT_TRUE(Shown(core::PlayDemo(Row("cut.dm_70", m_scratch.str(), "baseq3", "", "70"), Play(), m_notices)));
    ASSERT_EQ(m_messages.shown.size(), 1u);
    EXPECT_EQ(m_messages.shown[0].title, "Demo Damaged");
    EXPECT_NE(m_messages.shown[0].text.find("cut.dm_70 (protocol 70): the demo breaks off at byte "), std::string::npos)
        << m_messages.shown[0].text;
    EXPECT_EQ(GameVersionIn(DemoDir() / "vmrtmp00.dm_71"), "baseoa-1");
    EXPECT_TRUE(core::CloseGame(Play()));

    // A 68 demo on its engine stays as it is, game version and all.
    testsupport::WriteFile(Dir() / "own.dm_68", demo);
    ASSERT_TRUE(Shown(core::PlayDemo(Row("own.dm_68", m_scratch.str(), "baseq3", "", "68"), Play(), m_notices)));
    EXPECT_EQ(GameVersionIn(DemoDir() / "vmrtmp00.dm_68"), "baseq3-1");
    EXPECT_TRUE(core::CloseGame(Play()));
}

TEST_F(GameLaunchTest, PlayFromAMomentOfAnOldDemoCutsItsConvertedForm)
{
    const std::filesystem::path duel = std::filesystem::path(VELMORA_CORPUS_DIR) / "duel-1.27-osp.dm_48";
    if (!std::filesystem::exists(duel))
        GTEST_SKIP() << "no corpus in " << VELMORA_CORPUS_DIR;
    std::filesystem::copy_file(duel, Dir() / "duel.dm_48");
    const core::DemoInfo row = Row("duel.dm_48", m_scratch.str(), "baseq3", "", "48");

    ASSERT_TRUE(Shown(core::PlayFromMoment(row, (Dir() / "duel.dm_48").string(), "", 60000, Play(), m_notices)));
    EXPECT_TRUE(m_messages.shown.empty());
    const std::string bytes = ReadText(DemoDir() / "vmrtmp00.dm_68");
    const std::vector<uint8_t> cut(bytes.begin(), bytes.end());
    core::DemoDecoder decoder(cut, 68);
    core::DemoMessage message;
    int snapshots = 0;
    while (decoder.Next(message))
        snapshots += message.snapshot ? 1 : 0;
    EXPECT_TRUE(decoder.EndMarkerSeen());
    EXPECT_GT(snapshots, 10000); // the rest of a 15-minute duel after its first minute
    EXPECT_LT(snapshots, 18000);
    EXPECT_NE(Script().find("set d1 \"demo vmrtmp00.dm_68; "), std::string::npos);
    EXPECT_TRUE(core::CloseGame(Play()));
}
