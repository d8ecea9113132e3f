#include "playback/Mods.h"

#include "analysis/DemoInfo.h"
#include "app/Settings.h"
#include "library/DemoFiles.h"

namespace core {

std::vector<ModEntry> ListMods(const std::string& gameDirectory, const std::string& baseFolder)
{
    std::vector<ModEntry> mods;
    const std::string lowerBase = LowerCase(baseFolder);
    for (const FolderEntry& entry : ListFolder(gameDirectory)) {
        if (!entry.isDirectory || entry.name.empty() || entry.name.front() == '.' || LowerCase(entry.name) == lowerBase)
            continue;
        ModEntry mod{entry.name, {}};
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
        if (LowerCase(mod.folder) == lowerName && !mod.packs.empty())
            return JoinPath(gameDirectory, mod.folder);
        for (const std::string& pack : mod.packs)
            if (LowerCase(pack) == lowerName + ".pk3")
                return JoinPath(gameDirectory, mod.folder);
    }
    return baseDirectory;
}

std::vector<ModEntry> ModTable;

void DiscoverMods()
{
    ModTable = ListMods(Settings.q3a_dir, Settings.base_folder);
}

std::string FindModDir(const std::string& modName)
{
    return FindModDir(ModTable, Settings.q3a_dir, Settings.game.baseDirectory, modName);
}

bool ToggleModDemos()
{
    Settings.mod_demos = !Settings.mod_demos;
    return Settings.mod_demos;
}

} // namespace core
