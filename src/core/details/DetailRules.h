#pragma once
// The rules the details windows follow that need no window: where a level shot or a player icon
// is looked for, which icon a player gets, and how game values are named. Paths of files use the
// platform's "/", names of members inside packs use "\".
#include <optional>
#include <string>
#include <vector>

#include "core/summary/Player.h"

namespace core {

// The thirty maps whose level shots are in the main pack (exact, case-sensitive match).
bool IsStandardMap(const std::string& map);

// Every "*.pk3" file directly in the folder (extension in any letter case), by name.
std::vector<std::string> PackFilesIn(const std::string& folder);

struct LevelShotSearch {
    std::string gameDirectory;
    std::string baseFolder; // "baseq3" (or "baseoa")
    std::string baseDirectory;
    std::string modDirectory;   // FindModDir of the demo's "fs_game"
    std::string referencedPaks; // "sv_referencedPakNames", "N/A" when absent
};
// The packs a custom map's level shot is looked for in, relative to the game directory, in the
// order they are tried: the pack named after the map, the packs the server referenced, the mod's
// packs, the base game's packs but the main one.
std::vector<std::string> LevelShotCandidates(const std::string& map, const LevelShotSearch& search);

// "models\players\" member paths of a player's icons. The head icon exists only for a head model
// other than "N/A" (and not empty).
std::optional<std::string> HeadIconPath(const std::string& headModel);
std::string ModelIconPath(const std::string& model);
// The model's name: the text before its first "/" (from the second character on), or all of it.
std::string ModelName(const std::string& model);

// The player list's icon: 0-4 bots by skill, 5 spectators, 6-15 team leaders by side name; -1 none.
int PlayerIconIndex(const core::Player& player, const std::string& redTeam, const std::string& blueTeam);
// " ^1(12)" for red, " ^4(..)" for blue, " ^2(..)" for free players; empty without a score.
std::string ScoreSuffix(const core::Player& player);
bool IsSpectator(const core::Player& player);
bool IsHuman(const core::Player& player);

// "g_gametype" as the general tab names it.
std::string GameTypeText(const std::string& gameType, const std::string& modColumn);
// "fs_game", else "gamename" unless it is the base game.
std::string ModText(const std::string& fsGame, const std::string& gameName);

// The player description's class: "SPECT", "BOT/SKILL0".."BOT/SKILL5", "HUMAN" or "UNKNOWN".
std::string ClassText(const core::Player& player);
// The team picture member of a mission pack demo's player; empty for an unknown side name.
std::string MissionPackTeamIcon(const std::string& sideName, bool red);

// Where the player window takes a player's pictures from.
struct PlayerPictures {
    std::string modelPack; // empty when no pack holds an icon
    std::optional<std::string> headIcon;
    std::string modelIcon;
    std::string modelName;
    std::string teamPack;
    std::string teamMember;           // empty: there is no team picture to look for
    bool teamFromMissionPack = false; // the team picture shown before goes even when none is found
};
struct PlayerPictureSearch {
    std::string gameDirectory;
    std::string baseDirectory;
    std::string mainPack;
    std::string modDirectory; // FindModDir of the demo's "fs_game"
    std::string fsGame;       // the demo's "fs_game"
    std::string gameType;     // the demo's "g_gametype"
    std::string redTeam;      // the demo's "g_redteam"
    std::string blueTeam;     // the demo's "g_blueteam"
};
// The icon comes from the first pack of the mod, then of the base game, that holds the head icon,
// failing that the model icon; failing both, from the mission pack's main pack when it is there.
// Mission pack demos show the side's team icon, others the flag of a team game's side; players
// without a side get the logo.
PlayerPictures ChoosePlayerPictures(const Player& player, const PlayerPictureSearch& search);

// Web locations: true when the text begins, in any letter case, with one of the nine schemes.
bool HasWebScheme(const std::string& text);
const std::vector<std::string>& WebSchemes();

} // namespace core
