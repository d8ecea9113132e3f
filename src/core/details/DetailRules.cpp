#include "core/details/DetailRules.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "core/archive/ZipRead.h"
#include "core/row/DemoInfo.h"
#include "core/summary/PlayerTable.h"

namespace core {

namespace {

bool SameIgnoringCase(const std::string& a, const std::string& b)
{
    return core::LowerCase(a) == core::LowerCase(b);
}

void AddUnlessListed(std::vector<std::string>& list, const std::string& path)
{
    if (std::none_of(list.begin(), list.end(), [&](const std::string& p) { return SameIgnoringCase(p, path); }))
        list.push_back(path);
}

const std::string kIconFolder = "models\\players\\";

bool PackHolds(const std::string& pack, const std::string& member)
{
    ZipSearchRec search;
    const bool found = FindMemberByName(pack, member, search) == 0;
    CloseZipSearch(search);
    return found;
}

// The first pack of the mod, then of the base game, that holds the icon member.
std::optional<std::string> PackWithIcon(const std::string& iconPath, const std::string& modDirectory,
                                        const std::string& baseDirectory)
{
    std::vector<std::string> folders;
    if (LowerCase(modDirectory) != LowerCase(baseDirectory))
        folders.push_back(modDirectory);
    folders.push_back(baseDirectory);
    for (const std::string& folder : folders)
        for (const std::string& pack : PackFilesIn(folder))
            if (PackHolds(folder + "/" + pack, kIconFolder + iconPath))
                return folder + "/" + pack;
    return std::nullopt;
}

} // namespace

bool IsStandardMap(const std::string& map)
{
    auto numbered = [&](const std::string& prefix, int first, int last) {
        for (int i = first; i <= last; ++i)
            if (map == prefix + std::to_string(i))
                return true;
        return false;
    };
    return numbered("q3dm", 0, 19) || numbered("q3tourney", 1, 6) || numbered("q3ctf", 1, 4);
}

std::vector<std::string> PackFilesIn(const std::string& folder)
{
    std::vector<std::string> packs;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.size() > 4 && core::LowerCase(name.substr(name.size() - 4)) == ".pk3" && it->is_regular_file(error))
            packs.push_back(name);
    }
    // Directory listings come in no particular order on Linux; the game reads its packs by name.
    std::sort(packs.begin(), packs.end());
    return packs;
}

std::vector<std::string> LevelShotCandidates(const std::string& map, const LevelShotSearch& search)
{
    std::vector<std::string> list;
    std::error_code error;
    if (std::filesystem::is_regular_file(search.baseDirectory + "/" + map + ".pk3", error))
        list.push_back(search.baseFolder + "/" + map + ".pk3");
    if (search.referencedPaks != "N/A") {
        size_t start = 0;
        while (start < search.referencedPaks.size()) {
            size_t end = search.referencedPaks.find(' ', start);
            if (end == std::string::npos)
                end = search.referencedPaks.size();
            if (end > start)
                list.push_back(search.referencedPaks.substr(start, end - start) + ".pk3");
            start = end + 1;
        }
    }
    if (!SameIgnoringCase(search.modDirectory, search.baseDirectory)) {
        // Named by the mod folder as it is spelled on disk, which a case-sensitive file system needs.
        const std::string modFolder = std::filesystem::path(search.modDirectory).filename().string();
        for (const std::string& pack : PackFilesIn(search.modDirectory))
            AddUnlessListed(list, modFolder + "/" + pack);
    }
    for (const std::string& pack : PackFilesIn(search.baseDirectory))
        if (core::LowerCase(pack) != "pak0.pk3")
            AddUnlessListed(list, search.baseFolder + "/" + pack);
    return list;
}

std::optional<std::string> HeadIconPath(const std::string& headModel)
{
    if (headModel.empty() || headModel == "N/A")
        return std::nullopt;
    const size_t slash = headModel.find('/');
    if (slash != std::string::npos && slash >= 1)
        return "heads\\" + headModel.substr(1, slash - 1) + "\\icon_" + headModel.substr(slash + 1) + ".tga";
    return headModel + "\\icon_default.tga";
}

std::string ModelName(const std::string& model)
{
    const size_t slash = model.find('/');
    return slash != std::string::npos && slash >= 1 ? model.substr(0, slash) : model;
}

std::string ModelIconPath(const std::string& model)
{
    const size_t slash = model.find('/');
    if (slash != std::string::npos && slash >= 1)
        return model.substr(0, slash) + "\\icon_" + model.substr(slash + 1, 100) + ".tga";
    return model + "\\icon_default.tga";
}

bool IsSpectator(const core::Player& player)
{
    return player.team > 2;
}

bool IsHuman(const core::Player& player)
{
    return player.skill == core::kAbsentSkill;
}

int PlayerIconIndex(const core::Player& player, const std::string& redTeam, const std::string& blueTeam)
{
    if (IsSpectator(player))
        return 5;
    if (!IsHuman(player))
        return std::clamp(static_cast<int>(std::lround(player.skill)) - 1, 0, 4);
    if (!player.leader || (player.team != 1 && player.team != 2))
        return -1;
    static const char* const sides[] = {"crusaders", "intruders", "pagans", "stroggs", "the fallen"};
    const std::string side = core::LowerCase(player.team == 1 ? redTeam : blueTeam);
    for (int i = 0; i < 5; ++i)
        if (side == sides[i])
            return 6 + 2 * i + (player.team == 2 ? 1 : 0);
    return -1;
}

std::string ScoreSuffix(const core::Player& player)
{
    if (IsSpectator(player) || !player.score)
        return {};
    const char* colour = player.team == 1 ? "^1" : player.team == 2 ? "^4" : "^2";
    return std::string(" ") + colour + "(" + std::to_string(*player.score) + ")";
}

std::string GameTypeText(const std::string& gameType, const std::string& modColumn)
{
    static const char* const names[] = {"Free for All",     "Tournament",   "Singleplayer", "Team Deathmatch",
                                        "Capture the Flag", "One Flag CTF", "Overload",     "Harvester"};
    if (modColumn == "cpma")
        return core::GameTypeName(gameType, "cpma");
    int32_t number = 0;
    if (!core::ToInt32(gameType, number))
        return "N/A";
    if (number >= 0 && number <= 4)
        return names[number];
    if (number >= 5 && number <= 7)
        return modColumn == "missionpack" ? names[number] : gameType;
    return gameType;
}

std::string ModText(const std::string& fsGame, const std::string& gameName)
{
    if (fsGame != "N/A")
        return fsGame;
    return core::LowerCase(gameName) == "baseq3" ? "Quake III Arena" : gameName;
}

std::string ClassText(const core::Player& player)
{
    if (IsSpectator(player))
        return "SPECT";
    if (IsHuman(player))
        return "HUMAN";
    const long skill = std::lround(player.skill);
    if (skill >= 0 && skill <= 5)
        return "BOT/SKILL" + std::to_string(skill);
    return "UNKNOWN";
}

std::string MissionPackTeamIcon(const std::string& sideName, bool red)
{
    const std::string side = core::LowerCase(sideName);
    std::string picture;
    if (side == "crusaders" || side == "intruders" || side == "pagans" || side == "stroggs")
        picture = side;
    else if (side == "the fallen")
        picture = "TheFallen";
    else
        return {};
    return "team_icon\\" + picture + "_" + (red ? "red" : "blue") + ".tga";
}

const std::vector<std::string>& WebSchemes()
{
    static const std::vector<std::string> schemes = {"file://", "ftp://", "gopher://", "http://", "https://",
                                                     "mailto:", "news:",  "telnet:",   "wais:"};
    return schemes;
}

bool HasWebScheme(const std::string& text)
{
    const std::string lower = core::LowerCase(text);
    return std::any_of(WebSchemes().begin(), WebSchemes().end(),
                       [&](const std::string& scheme) { return lower.rfind(scheme, 0) == 0; });
}

PlayerPictures ChoosePlayerPictures(const Player& player, const PlayerPictureSearch& search)
{
    PlayerPictures pictures;
    pictures.headIcon = HeadIconPath(player.headModel);
    pictures.modelIcon = ModelIconPath(player.model);
    pictures.modelName = ModelName(player.model);
    std::optional<std::string> pack;
    if (pictures.headIcon)
        pack = PackWithIcon(*pictures.headIcon, search.modDirectory, search.baseDirectory);
    if (!pack)
        pack = PackWithIcon(pictures.modelIcon, search.modDirectory, search.baseDirectory);
    const std::string missionPack = search.gameDirectory + "/missionpack/pak0.pk3";
    std::error_code error;
    const bool haveMissionPack = std::filesystem::is_regular_file(missionPack, error);
    if (!pack && haveMissionPack)
        pack = missionPack;
    pictures.modelPack = pack.value_or(std::string());

    const bool teamPlayer = player.team == 1 || player.team == 2;
    if (LowerCase(search.fsGame) == "missionpack" && haveMissionPack) {
        pictures.teamFromMissionPack = true;
        pictures.teamMember =
            teamPlayer ? MissionPackTeamIcon(player.team == 1 ? search.redTeam : search.blueTeam, player.team == 1)
                       : std::string("textures\\sfx\\logo512.jpg");
        pictures.teamPack = teamPlayer ? missionPack : search.mainPack;
    } else {
        pictures.teamMember = "textures\\sfx\\logo512.jpg";
        if (search.gameType > "2" && teamPlayer)
            pictures.teamMember = player.team == 1 ? "models\\flags\\r_flag2.tga" : "models\\flags\\b_flag2.tga";
        pictures.teamPack = search.mainPack;
    }
    return pictures;
}

} // namespace core
