#include "core/paths/Paths.h"

#include <cstdlib>
#include <filesystem>

#include "core/library/ScanCache.h"
#include "platform/FileSystem.h"

namespace core {
namespace {

constexpr const char* kConfigFileName = "Velmora.cfg";
constexpr const char* kAppFolder = "velmora";

std::string Join(const std::string& folder, const std::string& name)
{
    if (!folder.empty() && folder.back() == '/')
        return folder + name;
    return folder + "/" + name;
}

std::string WithoutTrailingSlash(std::string folder)
{
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

std::string EnvironmentValue(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// An XDG base folder: the variable when it holds an absolute path (the rules say to ignore a
// relative one), otherwise the default below the home folder.
std::string XdgFolder(const std::string& variable, const std::string& home, const char* fallback)
{
    if (!variable.empty() && variable.front() == '/')
        return WithoutTrailingSlash(variable);
    return Join(WithoutTrailingSlash(home), fallback);
}

} // namespace

Environment CurrentEnvironment()
{
    Environment environment;
    environment.home = EnvironmentValue("HOME");
    if (environment.home.empty()) {
        environment.home = platform::HomeFolderOfUser();
    }
    environment.xdgConfigHome = EnvironmentValue("XDG_CONFIG_HOME");
    environment.xdgDataHome = EnvironmentValue("XDG_DATA_HOME");
    return environment;
}

std::string ExecutableDirectory()
{
    std::error_code ec;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || executable.empty())
        return ".";
    return executable.parent_path().string();
}

bool IsWritableDirectory(const std::string& folder)
{
    return platform::IsWritableFolder(folder);
}

bool IsInstalledCopy(const std::string& executableDirectory)
{
    const std::filesystem::path bin = std::filesystem::path(WithoutTrailingSlash(executableDirectory));
    if (bin.filename() != "bin")
        return false;
    std::error_code ec;
    return std::filesystem::is_regular_file(bin.parent_path() / "share/applications/org.velmora.Velmora.desktop", ec);
}

ProgramPaths MakeProgramPaths(const std::string& executableDirectory, bool writable, const Environment& environment)
{
    ProgramPaths paths;
    paths.portable = writable;
    paths.programDirectory = WithoutTrailingSlash(executableDirectory);
    std::string dataRoot;
    auto absolute = [](const std::string& folder) { return !folder.empty() && folder.front() == '/'; };
    const bool nowhereElse =
        environment.home.empty() && !(absolute(environment.xdgConfigHome) && absolute(environment.xdgDataHome));
    if (writable || nowhereElse) {
        // Portable, or nowhere else to go: without a home folder the files stay beside the
        // program, where writing them may fail like any other write of these files.
        paths.configDirectory = paths.programDirectory;
        dataRoot = paths.programDirectory;
    } else {
        paths.configDirectory = Join(XdgFolder(environment.xdgConfigHome, environment.home, ".config"), kAppFolder);
        dataRoot = Join(XdgFolder(environment.xdgDataHome, environment.home, ".local/share"), kAppFolder);
    }
    paths.configurationFile = Join(paths.configDirectory, kConfigFileName);
    paths.dataDirectory = Join(dataRoot, "VMR Data");
    paths.demoDataDirectory = Join(paths.dataDirectory, "Demos");
    paths.playerDataDirectory = Join(paths.dataDirectory, "Players");
    paths.playListDirectory = Join(dataRoot, "Playlists");
    paths.folderTreeFile = Join(paths.dataDirectory, "Folders");
    paths.fontFile = Join(paths.dataDirectory, "QUAKE___.ttf");
    return paths;
}

ProgramPaths CurrentProgramPaths()
{
    const std::string folder = ExecutableDirectory();
    const Environment environment = CurrentEnvironment();
    ProgramPaths paths = MakeProgramPaths(folder, IsWritableDirectory(folder) && !IsInstalledCopy(folder), environment);
    paths.userCacheDirectory = UserCacheDirectory(EnvironmentValue("XDG_CACHE_HOME"), environment.home).string();
    return paths;
}

void CreateDataDirectories(const ProgramPaths& paths)
{
    std::error_code ec;
    if (!paths.portable) {
        // The XDG folders and their "velmora" folders may not exist yet on a fresh account.
        std::filesystem::create_directories(paths.configDirectory, ec);
        std::filesystem::create_directories(std::filesystem::path(paths.dataDirectory).parent_path(), ec);
    }
    for (const std::string* folder :
         {&paths.dataDirectory, &paths.demoDataDirectory, &paths.playerDataDirectory, &paths.playListDirectory})
        std::filesystem::create_directory(*folder, ec);
}

GamePaths MakeGamePaths(const std::string& gameDirectory, const std::string& baseFolder)
{
    GamePaths game;
    game.gameDirectory = gameDirectory;
    game.gameExecutable = FindGameExecutable(gameDirectory).value_or("");
    game.baseDirectory = Join(gameDirectory, baseFolder);
    game.demoDirectory = Join(game.baseDirectory, "demos");
    game.mainPack = Join(game.baseDirectory, "pak0.pk3");
    return game;
}

const std::vector<std::string>& GameExecutableNames()
{
    static const std::vector<std::string> names = {
        "ioquake3",      "ioquake3.x86_64", "ioquake3.i386",    "ioquake3.aarch64", "quake3",     "quake3.x86",
        "quake3.x86_64", "openarena",       "openarena.x86_64", "openarena.i386",   "quake3.exe",
    };
    return names;
}

std::optional<std::string> FindGameExecutable(const std::string& gameDirectory)
{
    if (gameDirectory.empty())
        return std::nullopt;
    for (const std::string& name : GameExecutableNames()) {
        const std::string path = Join(gameDirectory, name);
        // The Windows executable only has to be there, as the program always checked it; the
        // Linux ones must be startable.
        const bool found = name == "quake3.exe" ? platform::IsRegularFile(path) : platform::IsExecutableFile(path);
        if (found)
            return path;
    }
    return std::nullopt;
}

std::vector<std::string> GameDirectoryCandidates(const Environment& environment)
{
    std::vector<std::string> candidates;
    if (!environment.home.empty()) {
        const std::string home = WithoutTrailingSlash(environment.home);
        candidates.push_back(Join(home, ".q3a"));
        candidates.push_back(Join(home, ".openarena"));
        candidates.push_back(Join(home, "Games/quake3"));
    }
    for (const char* folder : {"/usr/local/games/quake3", "/usr/share/games/quake3", "/opt/quake3",
                               "/usr/local/games/openarena", "/usr/lib/openarena", "/usr/share/games/openarena"})
        candidates.emplace_back(folder);
    return candidates;
}

std::string BuiltInGameDirectory(const std::vector<std::string>& candidates)
{
    for (const std::string& candidate : candidates)
        if (FindGameExecutable(candidate))
            return candidate;
    std::error_code ec;
    for (const std::string& candidate : candidates)
        if (std::filesystem::is_directory(candidate, ec))
            return candidate;
    return candidates.empty() ? std::string() : candidates.front();
}

} // namespace core
