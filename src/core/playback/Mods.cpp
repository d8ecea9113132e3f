#include "core/playback/Mods.h"

#include <filesystem>

#include <algorithm>

#include "core/library/DemoFiles.h"
#include "core/playback/PlaybackSettings.h"
#include "core/row/DemoInfo.h"

namespace core {

ModFolders ModLocations;

ModFolders DefaultModLocations(const Environment& environment)
{
    ModFolders folders;
    if (!environment.home.empty())
        for (const char* home : {".q3a", ".openarena"})
            folders.homes.push_back(JoinPath(environment.home, home));
    folders.system = {"/usr/lib/openarena",      "/usr/share/games/openarena", "/usr/lib/ioquake3",
                      "/usr/share/games/quake3", "/usr/local/games/quake3",    "/usr/local/games/openarena"};
    return folders;
}

std::vector<ModEntry> ListMods(const std::string& gameDirectory, const std::string& baseFolder,
                               const ModFolders& elsewhere)
{
    std::vector<ModEntry> mods = ListMods(gameDirectory, baseFolder);
    std::vector<std::string> seen;
    std::error_code ec;
    const auto same = [&](const std::string& a, const std::string& b) { return std::filesystem::equivalent(a, b, ec); };
    for (const std::vector<std::string>* roots : {&elsewhere.homes, &elsewhere.system})
        for (const std::string& root : *roots) {
            if (!std::filesystem::is_directory(root, ec) || same(root, gameDirectory) ||
                std::any_of(seen.begin(), seen.end(), [&](const std::string& s) { return same(root, s); }))
                continue;
            seen.push_back(root);
            for (ModEntry& mod : ListMods(root, baseFolder)) {
                // The engines' own base folders are no mods, whichever game this is.
                if (LowerCase(mod.folder) == "baseq3" || LowerCase(mod.folder) == "baseoa")
                    continue;
                mod.root = root;
                mods.push_back(std::move(mod));
            }
        }
    return mods;
}

std::vector<ModEntry> ListMods(const std::string& gameDirectory, const std::string& baseFolder)
{
    std::vector<ModEntry> mods;
    const std::string lowerBase = LowerCase(baseFolder);
    for (const FolderEntry& entry : ListFolder(gameDirectory)) {
        if (!entry.isDirectory || entry.name.empty() || entry.name.front() == '.' || LowerCase(entry.name) == lowerBase)
            continue;
        ModEntry mod{entry.name, {}, {}};
        for (const FolderEntry& file : ListFolder(JoinPath(gameDirectory, entry.name)))
            if (!file.isDirectory && LowerExtension(file.name) == ".pk3")
                mod.packs.push_back(file.name);
        mods.push_back(std::move(mod));
    }
    return mods;
}

std::string FindModDir(const std::vector<ModEntry>& mods, const std::string& gameDirectory,
                       const std::string& baseDirectory, const std::string& modName)
{
    const std::string lowerName = LowerCase(modName);
    if (lowerName.empty())
        return baseDirectory;
    for (const ModEntry& mod : mods) {
        // A folder of the right name counts only with a pack in it: an empty leftover folder is
        // not an installed mod.
        const std::string& root = mod.root.empty() ? gameDirectory : mod.root;
        if (LowerCase(mod.folder) == lowerName && !mod.packs.empty())
            return JoinPath(root, mod.folder);
        for (const std::string& pack : mod.packs)
            if (LowerCase(pack) == lowerName + ".pk3")
                return JoinPath(root, mod.folder);
    }
    return baseDirectory;
}

std::vector<ModEntry> ModTable;

void DiscoverMods(const std::string& gameDirectory, const std::string& baseFolder)
{
    ModTable = ListMods(gameDirectory, baseFolder, ModLocations);
}

std::string FindModDir(const std::string& modName, const PlaybackSettings& settings)
{
    return FindModDir(ModTable, settings.gameDirectory, settings.game.baseDirectory, modName);
}

} // namespace core
