#pragma once
// The game's mods: every folder of the game directory but the base folder is a mod, found once at
// program start. A demo's "Mod" field is mapped to the installed mod's folder, or to the base
// directory when it names the base game or a mod that is not installed.
//
// ioquake3 and OpenArena load a mod from the engine's system folder (/usr/lib/openarena/<mod>) and
// from the user's home folder of the engine (~/.openarena/<mod>) as well, so those folders are
// searched too, after the game directory.
#include <string>
#include <vector>

#include "core/paths/Paths.h"
#include "core/playback/PlaybackSettings.h"

namespace core {

struct ModEntry {
    std::string folder;             // spelled as on disk
    std::vector<std::string> packs; // the ".pk3" files directly in it, in listing order
    std::string root;               // the folder that holds it; empty: the game directory
};

// Where else mods live: the engines' home folders (where they also make their console FIFOs)
// and their system folders. Empty unless set: the program sets it at start-up from its
// environment, tests to folders of their own.
struct ModFolders {
    std::vector<std::string> homes;
    std::vector<std::string> system;
};
extern ModFolders ModLocations;
// ~/.q3a and ~/.openarena; the Debian and usual installation folders of the engines.
ModFolders DefaultModLocations(const Environment& environment);

// Every folder of the game directory except those beginning with "." and the base folder
// (whatever the letter case of its name), in listing order.
std::vector<ModEntry> ListMods(const std::string& gameDirectory, const std::string& baseFolder);
// The game directory's mods, then those of the other folders (each folder once, the game
// directory not again).
std::vector<ModEntry> ListMods(const std::string& gameDirectory, const std::string& baseFolder,
                               const ModFolders& elsewhere);

// The installed mod a name stands for: a folder of that name (any letter case) that holds a pack,
// or a folder that holds a pack of that name; otherwise the base directory.
std::string FindModDir(const std::vector<ModEntry>& mods, const std::string& gameDirectory,
                       const std::string& baseDirectory, const std::string& modName);

// The program's mod table, filled by DiscoverMods at start-up from the game's settings and
// ModLocations.
extern std::vector<ModEntry> ModTable;
void DiscoverMods(const std::string& gameDirectory, const std::string& baseFolder);
// FindModDir on the program's mod table and the play command's game.
std::string FindModDir(const std::string& modName, const PlaybackSettings& settings);

} // namespace core
