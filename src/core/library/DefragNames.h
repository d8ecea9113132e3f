#pragma once
// The names the DeFRaG community gives record demos, "st1[df.vq3]00.25.488(nick.Germany).dm_68":
// the map, the physics, the time as minutes.seconds.milliseconds, the player and the player's
// country, then the extension. Renaming a folder's defrag demos to it.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/row/DemoInfo.h"

namespace core {

struct DefragName {
    std::string map;
    std::string physics;
    int64_t milliseconds = 0;
    std::string player;
    std::string country; // empty: the name holds none, "(nick)"
    bool operator==(const DefragName&) const = default;
};

// "map[df.physics]mm.ss.mmm(player.country)" and the extension; "(player)" without a country.
std::string DefragFileName(const DefragName& name, std::string_view extension);
// The parts of a file name of that form (with its extension); none for every other name.
std::optional<DefragName> ParseDefragFileName(std::string_view fileName);
// A player's name as it can stand in such a name: colour codes removed, and the characters that
// file names or the name's own form reserve (separators, ".", brackets, blanks, control
// characters ...) each replaced by "_"; "player" when nothing is left.
std::string SafeRunPlayer(std::string_view name);

// One demo's rename: the new name, or why it cannot be renamed (and then no new name).
struct DefragRename {
    std::string oldName;
    std::string newName;
    std::string problem;
};
// The renames of demos (rows of the demo list, each in the folder its "Location" names) to the
// community's form. A demo keeps the country its name carries already; the demos do not tell it.
// A name taken by a file (`exists`, asked with the folder and the name) or by another demo of the
// rows is refused, never replaced; demos named so already are left out.
std::vector<DefragRename>
PlanDefragRenames(const std::vector<DemoInfo>& rows,
                  const std::function<bool(const std::string& folder, const std::string& name)>& exists);

} // namespace core
