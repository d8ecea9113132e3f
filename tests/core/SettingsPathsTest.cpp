#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "core/paths/Paths.h"
#include "support/LibraryTestSupport.h"

namespace {

using core::Environment;
using core::MakeProgramPaths;
using librarytest::WriteText;
using testsupport::ScratchDir;

TEST(ProgramPaths, PortableCopyKeepsEverythingBesideTheExecutable)
{
    const auto paths = MakeProgramPaths("/home/me/velmora/", true, Environment{"/home/me", "/cfg", "/data"});
    EXPECT_TRUE(paths.portable);
    EXPECT_EQ(paths.programDirectory, "/home/me/velmora");
    EXPECT_EQ(paths.configurationFile, "/home/me/velmora/Velmora.cfg");
    EXPECT_EQ(paths.demoDataDirectory, "/home/me/velmora/VMR Data/Demos");
    EXPECT_EQ(paths.playerDataDirectory, "/home/me/velmora/VMR Data/Players");
    EXPECT_EQ(paths.playListDirectory, "/home/me/velmora/Playlists");
    EXPECT_EQ(paths.fontFile, "/home/me/velmora/VMR Data/QUAKE___.ttf");
}

TEST(ProgramPaths, InstalledCopyFollowsTheXdgFolders)
{
    struct Case {
        Environment environment;
        std::string configFile, dataDirectory, playLists;
    };
    const Case cases[] = {
        {{"/home/me", "", ""},
         "/home/me/.config/velmora/Velmora.cfg",
         "/home/me/.local/share/velmora/VMR Data",
         "/home/me/.local/share/velmora/Playlists"},
        {{"/home/me/", "/xdg/config/", "/xdg/data"},
         "/xdg/config/velmora/Velmora.cfg",
         "/xdg/data/velmora/VMR Data",
         "/xdg/data/velmora/Playlists"},
        // Relative XDG folders are invalid by the XDG rules and are ignored.
        {{"/home/me", "cfg", "./data"},
         "/home/me/.config/velmora/Velmora.cfg",
         "/home/me/.local/share/velmora/VMR Data",
         "/home/me/.local/share/velmora/Playlists"},
        // Without a home folder only absolute XDG folders can be used.
        {{"", "/c", "/d"}, "/c/velmora/Velmora.cfg", "/d/velmora/VMR Data", "/d/velmora/Playlists"},
    };
    for (const Case& c : cases) {
        const auto paths = MakeProgramPaths("/usr/bin", false, c.environment);
        EXPECT_FALSE(paths.portable);
        EXPECT_EQ(paths.programDirectory, "/usr/bin");
        EXPECT_EQ(paths.configurationFile, c.configFile);
        EXPECT_EQ(paths.dataDirectory, c.dataDirectory);
        EXPECT_EQ(paths.demoDataDirectory, c.dataDirectory + "/Demos");
        EXPECT_EQ(paths.folderTreeFile, c.dataDirectory + "/Folders");
        EXPECT_EQ(paths.playListDirectory, c.playLists);
    }
}

TEST(ProgramPaths, StartUpCreatesTheDataFoldersOfAFreshAccount)
{
    ScratchDir home;
    const auto paths = MakeProgramPaths("/usr/bin", false, Environment{home.str(), "", ""});
    core::CreateDataDirectories(paths);
    for (const std::string& folder : {paths.configDirectory, paths.dataDirectory, paths.demoDataDirectory,
                                      paths.playerDataDirectory, paths.playListDirectory})
        EXPECT_TRUE(std::filesystem::is_directory(folder)) << folder;
    core::CreateDataDirectories(paths); // existing folders are no failure

    ScratchDir program;
    WriteText(program.path() / "VMR Data", "a file in the way");
    const auto blocked = MakeProgramPaths(program.str(), true, Environment{});
    core::CreateDataDirectories(blocked);
    EXPECT_FALSE(std::filesystem::is_directory(blocked.demoDataDirectory));
    EXPECT_TRUE(std::filesystem::is_directory(blocked.playListDirectory)) << "one failure stops nothing else";
}

void MakeFile(const std::filesystem::path& path, bool executable)
{
    WriteText(path, "#!/bin/sh\n");
    ::chmod(path.c_str(), executable ? 0755 : 0644);
}

TEST(GamePaths, ExecutableLookupPrefersLinuxClients)
{
    ScratchDir game;
    const std::string dir = game.str();
    EXPECT_FALSE(core::FindGameExecutable(dir));
    EXPECT_FALSE(core::FindGameExecutable(""));

    MakeFile(game.path() / "ioq3ded", true);
    EXPECT_FALSE(core::FindGameExecutable(dir)) << "a dedicated server plays no demos";

    MakeFile(game.path() / "quake3.exe", false);
    EXPECT_EQ(core::FindGameExecutable(dir), dir + "/quake3.exe") << "the Windows game only needs to be there";

    MakeFile(game.path() / "openarena", false);
    EXPECT_EQ(core::FindGameExecutable(dir), dir + "/quake3.exe") << "a Linux client must be executable";

    std::filesystem::create_directory(game.path() / "ioquake3");
    MakeFile(game.path() / "openarena.x86_64", true);
    EXPECT_EQ(core::FindGameExecutable(dir), dir + "/openarena.x86_64");

    std::filesystem::create_symlink(game.path() / "openarena.x86_64", game.path() / "ioquake3.x86_64");
    EXPECT_EQ(core::FindGameExecutable(dir), dir + "/ioquake3.x86_64") << "a link to a client counts";
}

TEST(GamePaths, BuiltInGameDirectoryIsTheFirstCandidateWithAClient)
{
    ScratchDir root;
    const std::string empty = (root.path() / "empty").string();
    const std::string withGame = (root.path() / "game").string();
    const std::string missing = (root.path() / "missing").string();
    std::filesystem::create_directory(empty);
    std::filesystem::create_directory(withGame);
    MakeFile(root.path() / "game" / "quake3", true);

    EXPECT_EQ(core::BuiltInGameDirectory({missing, empty, withGame}), withGame);
    EXPECT_EQ(core::BuiltInGameDirectory({missing, empty}), empty);
    EXPECT_EQ(core::BuiltInGameDirectory({missing}), missing);
    EXPECT_EQ(core::BuiltInGameDirectory({}), "");

    const auto candidates = core::GameDirectoryCandidates(Environment{"/home/me", "", ""});
    EXPECT_EQ(candidates.front(), "/home/me/.q3a");
    EXPECT_EQ(candidates[1], "/home/me/.openarena");
    EXPECT_NE(std::find(candidates.begin(), candidates.end(), "/usr/lib/openarena"), candidates.end());
}

TEST(GamePaths, BaseFolderIsASetting)
{
    const auto oa = core::MakeGamePaths("/games/oa", "baseoa");
    EXPECT_EQ(oa.baseDirectory, "/games/oa/baseoa");
    EXPECT_EQ(oa.demoDirectory, "/games/oa/baseoa/demos");
    EXPECT_EQ(oa.mainPack, "/games/oa/baseoa/pak0.pk3");
}

} // namespace

namespace {

// An installed copy is told by the menu entry beside its "bin" folder, not by whether the user may
// write there: root may write /usr/bin, and a prefix in the home folder is writable too.
TEST(ProgramPaths, InstalledCopyIsToldByItsMenuEntry)
{
    ScratchDir prefix;
    const std::filesystem::path entry = prefix.path() / "share/applications/org.velmora.Velmora.desktop";
    std::filesystem::create_directories(prefix.path() / "bin");
    std::filesystem::create_directories(prefix.path() / "tools");
    std::filesystem::create_directories(entry.parent_path());
    EXPECT_FALSE(core::IsInstalledCopy((prefix.path() / "bin").string())) << "no menu entry yet";
    WriteText(entry, "[Desktop Entry]\n");
    struct Case {
        std::string folder;
        bool installed;
    };
    const Case cases[] = {
        {(prefix.path() / "bin").string(), true},
        {(prefix.path() / "bin").string() + "/", true},
        {(prefix.path() / "tools").string(), false}, // a portable copy in a folder of another name
        {prefix.str(), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(core::IsInstalledCopy(c.folder), c.installed) << c.folder;
    std::filesystem::remove(entry);
    std::filesystem::create_directory(entry); // a folder of that name is no menu entry
    EXPECT_FALSE(core::IsInstalledCopy((prefix.path() / "bin").string()));
}

} // namespace
