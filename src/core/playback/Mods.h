#pragma once
// The game's mods: every folder of the game directory but the base folder is a mod, found once at
// program start. A demo's "Mod" field is mapped to the installed mod's folder, or to the base
// directory when it names the base game or a mod that is not installed.
#include <string>
#include <vector>

namespace core {

struct ModEntry {
    std::string folder;             // spelled as on disk
    std::vector<std::string> packs; // the ".pk3" files directly in it, in listing order
};

// Every folder of the game directory except those beginning with "." and the base folder
// (whatever the letter case of its name), in listing order.
std::vector<ModEntry> ListMods(const std::string& gameDirectory, const std::string& baseFolder);

// The installed mod a name stands for: a folder of that name (any letter case) that holds a pack,
// or a folder that holds a pack of that name; otherwise the base directory.
std::string FindModDir(const std::vector<ModEntry>& mods, const std::string& gameDirectory,
                       const std::string& baseDirectory, const std::string& modName);

// The program's mod table, filled by DiscoverMods at start-up from core::Settings.
extern std::vector<ModEntry> ModTable;
void DiscoverMods();
std::string FindModDir(const std::string& modName);

// "Play Demos as Mod Demos": flips the option and returns its new state (the menu's check mark).
bool ToggleModDemos();

} // namespace core
