// Which packs the player description takes a player's icon and team picture from.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/details/DetailRules.h"
#include "support/ScratchDir.h"
#include "support/ZipBuilder.h"

namespace {

namespace fs = std::filesystem;

class PlayerPictures : public ::testing::Test {
protected:
    void Pack(const fs::path& path, const std::string& member)
    {
        fs::create_directories(path.parent_path());
        testsupport::WriteFile(path, testsupport::BuildZip({{.name = member, .data = {1, 2, 3}}}));
    }
    core::PlayerPictureSearch Search(const std::string& fsGame = "N/A", const std::string& gameType = "0") const
    {
        const std::string game = m_scratch.str();
        return {.gameDirectory = game,
                .baseDirectory = game + "/baseq3",
                .mainPack = game + "/baseq3/pak0.pk3",
                .modDirectory = game + "/osp",
                .fsGame = fsGame,
                .gameType = gameType,
                .redTeam = "Stroggs",
                .blueTeam = "Nobody"};
    }
    static core::Player Player(int team, const std::string& model = "sarge/red", const std::string& head = "")
    {
        core::Player player;
        player.team = team;
        player.model = model;
        player.headModel = head;
        return player;
    }

    testsupport::ScratchDir m_scratch;
};

TEST_F(PlayerPictures, IconPackIsTheModsBeforeTheBaseGamesAndTheHeadBeforeTheModel)
{
    const fs::path game = m_scratch.path();
    Pack(game / "baseq3" / "pak0.pk3", "models/players/sarge/icon_red.tga");
    Pack(game / "baseq3" / "zheads.pk3", "models/players/heads/james/icon_blue.tga");
    Pack(game / "osp" / "sarge.pk3", "models/players/sarge/icon_red.tga");

    core::PlayerPictures pictures = core::ChoosePlayerPictures(Player(0), Search());
    EXPECT_EQ(pictures.modelPack, (game / "osp" / "sarge.pk3").string());
    EXPECT_EQ(pictures.modelIcon, "sarge\\icon_red.tga");
    EXPECT_EQ(pictures.modelName, "sarge");
    EXPECT_FALSE(pictures.headIcon);

    // The head icon's pack wins, even in the base game over a mod's model icon.
    pictures = core::ChoosePlayerPictures(Player(0, "sarge/red", "*james/blue"), Search());
    EXPECT_EQ(pictures.modelPack, (game / "baseq3" / "zheads.pk3").string());
    EXPECT_EQ(pictures.headIcon, std::optional<std::string>("heads\\james\\icon_blue.tga"));

    pictures = core::ChoosePlayerPictures(Player(0, "nobody"), Search());
    EXPECT_EQ(pictures.modelPack, "");
    // Without any icon the mission pack's main pack is tried, when it is there.
    Pack(game / "missionpack" / "pak0.pk3", "textures/x.tga");
    pictures = core::ChoosePlayerPictures(Player(0, "nobody"), Search());
    EXPECT_EQ(pictures.modelPack, (game / "missionpack" / "pak0.pk3").string());
}

TEST_F(PlayerPictures, TeamPictureFollowsTheGameAndTheSide)
{
    const std::string mainPack = Search().mainPack;
    const std::string missionPack = m_scratch.str() + "/missionpack/pak0.pk3";
    const struct {
        const char* name;
        int team;
        std::string fsGame, gameType;
        std::string member, pack;
        bool fromMissionPack;
    } cases[] = {
        {"free player", 0, "N/A", "4", "textures\\sfx\\logo512.jpg", mainPack, false},
        {"red in a team game", 1, "N/A", "3", "models\\flags\\r_flag2.tga", mainPack, false},
        {"blue in a team game", 2, "osp", "4", "models\\flags\\b_flag2.tga", mainPack, false},
        {"red without teams", 1, "N/A", "2", "textures\\sfx\\logo512.jpg", mainPack, false},
        {"mission pack, known side", 1, "MissionPack", "4", "team_icon\\stroggs_red.tga", missionPack, true},
        {"mission pack, unknown side", 2, "missionpack", "4", "", missionPack, true},
        {"mission pack, no side", 3, "missionpack", "4", "textures\\sfx\\logo512.jpg", mainPack, true},
    };
    for (const bool installed : {false, true}) {
        if (installed)
            Pack(missionPack, "textures/x.tga");
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (installed ? ", mission pack installed" : ""));
            const core::PlayerPictures pictures =
                core::ChoosePlayerPictures(Player(c.team), Search(c.fsGame, c.gameType));
            if (!installed && c.fromMissionPack) {
                // Without the mission pack its demos get the flags of the base game.
                EXPECT_FALSE(pictures.teamFromMissionPack);
                EXPECT_EQ(pictures.teamPack, mainPack);
                continue;
            }
            EXPECT_EQ(pictures.teamMember, c.member);
            EXPECT_EQ(pictures.teamPack, c.pack);
            EXPECT_EQ(pictures.teamFromMissionPack, c.fromMissionPack);
        }
    }
}

} // namespace
