#pragma once
// Where the program keeps its files on Linux, and where the game lives.
//
// A copy of the program in a folder it may write to (unpacked into the user's own folder) is
// portable: everything lives beside the executable, as the program did on Windows. An installed
// copy (read-only folder such as /usr/bin) keeps "Velmora.cfg" in $XDG_CONFIG_HOME/velmora and its
// data folders in $XDG_DATA_HOME/velmora, by the XDG base directory rules. Paths use "/".
#include <optional>
#include <string>
#include <vector>

namespace core {

struct Environment {
    std::string home;          // $HOME, or the password database's home folder
    std::string xdgConfigHome; // $XDG_CONFIG_HOME as set (may be empty or relative: then ignored)
    std::string xdgDataHome;   // $XDG_DATA_HOME as set
};

Environment CurrentEnvironment();
// The folder of the running executable (from /proc/self/exe); "." when it cannot be told.
std::string ExecutableDirectory();
// True when the current user may create files in the folder.
bool IsWritableDirectory(const std::string& folder);
// True when the executable's folder is the "bin" folder of an installation: the menu entry that
// `cmake --install` (and the package) put beside it is there. Such a copy keeps its files in the
// XDG folders even when it may write into its own folder (root, or a prefix in the home folder).
bool IsInstalledCopy(const std::string& executableDirectory);

struct ProgramPaths {
    bool portable = false;
    std::string programDirectory;    // the executable's folder
    std::string configDirectory;     // the folder of the configuration file
    std::string configurationFile;   // .../Velmora.cfg
    std::string dataDirectory;       // .../VMR Data
    std::string demoDataDirectory;   // .../VMR Data/Demos
    std::string playerDataDirectory; // .../VMR Data/Players
    std::string playListDirectory;   // .../Playlists
    std::string folderTreeFile;      // data directory + "/Folders"
    std::string fontFile;            // data directory + "/QUAKE___.ttf"
    std::string userCacheDirectory;  // $XDG_CACHE_HOME/velmora: scan caches of read-only folders
};

ProgramPaths MakeProgramPaths(const std::string& executableDirectory, bool writable, const Environment& environment);
// MakeProgramPaths for this process.
ProgramPaths CurrentProgramPaths();
// Creates the configuration folder (installed copies only) and the data, demo data, player data
// and play list folders, in that order. Failures are ignored: the program runs without them.
void CreateDataDirectories(const ProgramPaths& paths);

struct GamePaths {
    std::string gameDirectory;
    std::string gameExecutable; // the client FindGameExecutable finds; empty when there is none
    std::string baseDirectory;  // game directory + "/" + the base folder ("baseq3", "baseoa")
    std::string demoDirectory;  // base directory + "/demos"
    std::string mainPack;       // base directory + "/pak0.pk3"
};

GamePaths MakeGamePaths(const std::string& gameDirectory, const std::string& baseFolder);

// The file names under which a game client is looked for, in the order they are tried: the
// ioquake3 engine and the Linux builds of Quake III Arena and OpenArena, then the Windows
// "quake3.exe". Dedicated servers are left out: they cannot play demos.
const std::vector<std::string>& GameExecutableNames();
// The full path of the first of those names that the folder holds (an executable file for the
// Linux names; any file for "quake3.exe"); nullopt when it holds none.
std::optional<std::string> FindGameExecutable(const std::string& gameDirectory);

// The usual installation folders of the game on Linux, most likely first.
std::vector<std::string> GameDirectoryCandidates(const Environment& environment);
// The default of "q3a_dir": the first candidate that holds a game client; when none does, the
// first candidate that exists, or the first candidate, so that the folder chooser starts there.
std::string BuiltInGameDirectory(const std::vector<std::string>& candidates);

} // namespace core
