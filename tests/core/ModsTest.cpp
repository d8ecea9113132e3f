// Mod discovery and the mapping of a demo's "Mod" to a folder; the console FIFO's name.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "core/playback/GameLaunch.h"
#include "core/playback/Mods.h"
#include "core/playback/RunningGame.h"
#include "support/PlayTestSupport.h"

namespace {

using librarytest::WriteText;

class ModsTest : public playtest::PlaybackTest {};

TEST_F(ModsTest, EveryOtherFolderOfTheGameIsAModWithItsPacks)
{
    WriteText(GameDir() / "BaseQ3" / "pak0.pk3", "");
    WriteText(GameDir() / ".hidden" / "x.pk3", "");
    WriteText(GameDir() / "osp" / "zz.PK3", "");
    WriteText(GameDir() / "osp" / "readme.txt", "");
    WriteText(GameDir() / "osp" / "sub.pk3" / "inner.txt", ""); // a folder, not a pack
    WriteText(GameDir() / "osp" / "osp.pk3", "");
    WriteText(GameDir() / "notes.txt", "");
    std::filesystem::create_directories(GameDir() / "empty");

    const auto mods = core::ListMods(GameDir().string(), "baseq3");
    ASSERT_EQ(mods.size(), 2u);
    EXPECT_EQ(mods[0].folder, "empty");
    EXPECT_TRUE(mods[0].packs.empty());
    EXPECT_EQ(mods[1].folder, "osp");
    EXPECT_EQ(mods[1].packs, (std::vector<std::string>{"osp.pk3", "zz.PK3"}));
    // OpenArena's base folder is no mod either, and there "baseq3" would be one.
    EXPECT_EQ(core::ListMods(GameDir().string(), "BASEOA").size(), 4u);
}

TEST_F(ModsTest, ModNamesMapToInstalledModFoldersOrTheBase)
{
    WriteText(GameDir() / "CPMA" / "z-cpma.pk3", "");
    WriteText(GameDir() / "zarena" / "osp.pk3", "");        // a pack named like the mod, in another folder
    std::filesystem::create_directories(GameDir() / "osp"); // named like it, but no pack
    WriteText(GameDir() / "tourney" / "Defrag.Pk3", "");
    core::DiscoverMods(m_record.q3a_dir, m_record.base_folder);
    const std::string game = GameDir().string();
    const std::string base = BaseDir().string();
    struct Case {
        std::string mod, folder;
    };
    const Case cases[] = {
        {"cpma", game + "/CPMA"},
        {"CpMa", game + "/CPMA"},
        {"osp", game + "/zarena"},
        {"defrag", game + "/tourney"},
        {"baseq3", base},
        {"", base},
        {"n/a", base},
        {"N/A", base},
        {"missing", base},
    };
    for (const Case& c : cases)
        EXPECT_EQ(core::FindModDir(c.mod, Play()), c.folder) << c.mod;
    EXPECT_TRUE(core::ListMods((Dir() / "no-game").string(), "baseq3").empty());
}

TEST_F(ModsTest, ConsoleFifoNameComesFromTheGlobalParameters)
{
    struct Case {
        std::string parameters, name;
    };
    const Case cases[] = {
        {"", "velmora.fifo"},
        {"+exec my", "velmora.fifo"},
        {"+set com_pipefile q3.fifo +exec my", "q3.fifo"},
        {"+seta COM_PIPEFILE 'my pipe' +set com_pipefile", "my pipe"},
        {"+set com_pipefile a +set com_pipefile b", "b"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(core::ConsolePipeName(c.parameters), c.name) << c.parameters;

    WriteText(GameDir() / "osp" / "osp.pk3", "");
    core::DiscoverMods(m_record.q3a_dir, m_record.base_folder);
    m_record.q3a_start_param = "+set com_pipefile p";
    EXPECT_EQ(core::ConsolePipeFiles(Play()),
              (std::vector<std::string>{(BaseDir() / "p").string(), (GameDir() / "osp" / "p").string()}));
}

TEST_F(ModsTest, ModsOfTheEnginesHomeAndSystemFoldersAreFoundAfterTheGamesOwn)
{
    const auto home = Dir() / "home";
    const auto system = Dir() / "usr-lib-openarena";
    WriteText(GameDir() / "osp" / "osp.pk3", "");
    WriteText(home / ".openarena" / "osp" / "osp.pk3", "");     // the game directory's comes first
    WriteText(home / ".openarena" / "baseoa" / "pak9.pk3", ""); // an engine's base folder is no mod
    WriteText(home / ".openarena" / "cpma" / "z-cpma.pk3", "");
    WriteText(home / ".q3a" / "baseq3" / "pak9.pk3", "");
    WriteText(system / "missionpack" / "mp-pak0.pk3", "");
    WriteText(system / "missionpack" / "demos" / "x.dm_68", "");
    core::ModLocations = {{(home / ".q3a").string(), (home / ".openarena").string(), (Dir() / "absent").string()},
                          {system.string(), GameDir().string()}};
    core::DiscoverMods(m_record.q3a_dir, m_record.base_folder);
    core::ModLocations = {};
    struct Case {
        std::string mod, folder;
    };
    const Case cases[] = {
        {"osp", (GameDir() / "osp").string()},
        {"cpma", (home / ".openarena" / "cpma").string()},
        {"MissionPack", (system / "missionpack").string()},
        {"baseoa", BaseDir().string()},
        {"baseq3", BaseDir().string()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(core::FindModDir(c.mod, Play()), c.folder) << c.mod;
    EXPECT_EQ(core::ModTable.size(), 4u); // osp twice, cpma, missionpack; the game directory once

    // Those mods start with their folder name; their demos play where they lie.
    EXPECT_EQ(core::ModStartPart((system / "missionpack").string(), BaseDir().string()), "+set fs_game missionpack");

    // The engine makes its console FIFO in its home folder, for the base game or the mod it runs.
    core::ModLocations.homes = {(home / ".openarena").string()};
    m_record.base_folder = "baseoa";
    const std::vector<std::string> fifos = core::ConsolePipeFiles(Play());
    core::ModLocations = {};
    for (const auto& expected :
         {GameDir() / "baseoa" / "velmora.fifo", GameDir() / "cpma" / "velmora.fifo",
          home / ".openarena" / "baseoa" / "velmora.fifo", home / ".openarena" / "missionpack" / "velmora.fifo"})
        EXPECT_NE(std::find(fifos.begin(), fifos.end(), expected.string()), fifos.end()) << expected;
}

TEST_F(ModsTest, DefaultLocationsAreTheEnginesHomeAndSystemFolders)
{
    const core::ModFolders folders = core::DefaultModLocations(core::Environment{"/home/me", "", ""});
    EXPECT_EQ(folders.homes, (std::vector<std::string>{"/home/me/.q3a", "/home/me/.openarena"}));
    EXPECT_NE(std::find(folders.system.begin(), folders.system.end(), "/usr/lib/openarena"), folders.system.end());
    EXPECT_TRUE(core::DefaultModLocations(core::Environment{}).homes.empty());
}

} // namespace
