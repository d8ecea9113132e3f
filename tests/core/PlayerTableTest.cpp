#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "core/summary/DemoReader.h"
#include "core/summary/PlayerTable.h"
#include "support/DemoBuilder.h"

using namespace core;
using testsupport::DemoBuilder;
using testsupport::Message;
using testsupport::ServerInfo;
using testsupport::UserInfo;

namespace {

DemoState Read(const DemoBuilder& demo)
{
    ReadWishes wishes;
    wishes.courseLog = true;
    return ReadDemo(demo.Bytes(), wishes);
}

// A protocol 48 score entry: client, score, ping, time, then 10 more numbers.
std::string Entry(int client, int score, int ping = 50, int time = 3)
{
    return " " + std::to_string(client) + " " + std::to_string(score) + " " + std::to_string(ping) + " " +
           std::to_string(time) + " 0 0 80 1 2 3 4 5 6 7";
}

DemoBuilder Game(const std::string& gametype, const std::vector<std::pair<int, std::string>>& players,
                 const std::vector<std::string>& commands, const std::string& extraInfo = "")
{
    DemoBuilder demo(48);
    std::vector<std::pair<int, std::string>> strings = {{0, ServerInfo(48, "q3dm1", gametype, extraInfo)},
                                                        {1, "\\sv_pure\\0"}};
    strings.insert(strings.end(), players.begin(), players.end());
    demo.Add(Message(48).GameState(strings)).Add(Message(48).Snapshot(100));
    uint32_t sequence = 1, time = 200;
    for (const std::string& command : commands)
        demo.Add(Message(48).ServerCommand(sequence++, command).Snapshot(time += 100));
    demo.End();
    return demo;
}

} // namespace

TEST(PlayerTableTokens, GetToken)
{
    const struct {
        const char* text;
        int n;
        const char* expected;
    } cases[] = {
        {"cs 6 \"1\"\n", 0, "cs"},
        {"cs 6 \"1\"\n", 2, "1"},
        {"print \"Bob fragged Ann\n\"", 1, "Bob fragged Ann"},
        {"chat \"^1Bob: hi!\"", 1, "^1Bob: hi"}, // "!" is below 35 and trimmed at the ends
        {"a  b", 1, ""},                         // two blanks enclose an empty token
        {"a  b", 2, "b"},
        {"a b", 5, ""},
        {"", 0, ""},
        {"\"\"", 0, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetToken(c.text, c.n), c.expected) << c.text << " " << c.n;
}

TEST(PlayerTableTokens, UserInfoAndScoreFields)
{
    const std::string info = "n\\^1Bob\\t\\1\\model\\sarge/red\\hc\\100";
    EXPECT_EQ(UserInfoValue(info, "n"), "^1Bob");
    EXPECT_EQ(UserInfoValue(info, "hc"), "100");
    EXPECT_EQ(UserInfoValue(info, "T"), "");
    EXPECT_EQ(UserInfoValue(info, "skill"), "");

    const std::string report = "2 5 3  7 x";
    EXPECT_EQ(ScoreField(report, 1), 2);
    EXPECT_EQ(ScoreField(report, 0), 2);
    EXPECT_EQ(ScoreField(report, 3), 3);
    EXPECT_EQ(ScoreField(report, 4), kNoScore); // empty field between two blanks
    EXPECT_EQ(ScoreField(report, 5), 7);
    EXPECT_EQ(ScoreField(report, 6), kNoScore);
    EXPECT_EQ(ScoreField("1 2 -4", 99), -4); // beyond the end: the last field
}

TEST(PlayerTableUpdate, UserInfoFields)
{
    DemoState demo;
    EXPECT_TRUE(UpdatePlayer(demo, 3, "n\\Bot\\t\\0\\skill\\4.5\\tl\\1\\hmodel\\doom"));
    ASSERT_EQ(demo.players.size(), 4u);
    EXPECT_EQ(demo.players[0].score, std::nullopt);
    EXPECT_EQ(demo.players[0].rankPosition, 9999);
    const Player& bot = demo.players[3];
    EXPECT_EQ(bot.skill, 4.5);
    EXPECT_TRUE(bot.leader);
    EXPECT_EQ(bot.headModel, "doom");
    EXPECT_EQ(bot.handicap, kAbsentNumber);

    // No team key: a player, not a spectator.
    EXPECT_TRUE(UpdatePlayer(demo, 0, "n\\Human"));
    EXPECT_EQ(demo.players[0].team, kAbsentNumber);
    EXPECT_EQ(demo.players[0].skill, kAbsentSkill);
    EXPECT_FALSE(demo.players[0].leader);

    // A bad number fails the update but keeps what converted.
    EXPECT_FALSE(UpdatePlayer(demo, 0, "n\\Renamed\\t\\blue\\w\\3\\skill\\high"));
    EXPECT_EQ(demo.players[0].name, "Renamed");
    EXPECT_EQ(demo.players[0].team, kAbsentNumber);
    EXPECT_EQ(demo.players[0].wins, 3);
    EXPECT_EQ(demo.players[0].skill, kAbsentSkill);
}

TEST(PlayerTableRanking, FreeForAllOrder)
{
    // Equal scores: the report's order decides; a bot and a human on equal score and position:
    // the human (no skill) first.
    const DemoState demo = Read(Game("0",
                                     {{544, UserInfo("^2Zed", 0)},
                                      {545, UserInfo("Amy", 0)},
                                      {546, UserInfo("Watcher", 3)},
                                      {547, UserInfo("Late", 0)}},
                                     {"scores 3 0 0" + Entry(0, 10) + Entry(1, 10) + Entry(2, 30)}));
    ASSERT_GE(demo.players.size(), 4u);
    EXPECT_EQ(demo.players[0].name, "^2Zed");
    EXPECT_EQ(demo.players[1].name, "Amy");
    // Never in a report, or a spectator: -9999 and position 9999, after everyone with a score.
    EXPECT_EQ(std::set<std::string>({demo.players[2].name, demo.players[3].name}),
              std::set<std::string>({"Late", "Watcher"}));
    EXPECT_EQ(demo.players[2].score, std::nullopt);
    EXPECT_EQ(demo.players[3].score, std::nullopt);
    EXPECT_EQ(demo.players[0].accuracy, 80);
    EXPECT_EQ(demo.players[0].captures, 7);
    EXPECT_EQ(GetRankedPlayers(demo), (RankedPlayers{"Zed", "Amy", "10:10"}));

    DemoState tie;
    tie.players.resize(2);
    tie.players[0].name = "Bot";
    tie.players[0].skill = 3.0;
    tie.players[0].score = 5;
    tie.players[0].rankPosition = 0;
    tie.players[1].name = "Human";
    tie.players[1].skill = kAbsentSkill;
    tie.players[1].score = 5;
    tie.players[1].rankPosition = 0;
    SortPlayers(tie);
    EXPECT_EQ(tie.players[0].name, "Human");
}

TEST(PlayerTableRanking, FinalScores)
{
    const DemoState noReport = Read(Game("0", {{544, UserInfo("Amy", 0)}}, {}));
    EXPECT_EQ(GetRankedPlayers(noReport), RankedPlayers{});

    const DemoState alone = Read(Game("1", {{544, UserInfo("Amy", 0)}}, {"scores 1 0 0" + Entry(0, 4)}));
    EXPECT_EQ(GetRankedPlayers(alone), (RankedPlayers{"Amy", "N/A", "4:0"}));

    const DemoState tieTeams = Read(Game("4", {}, {"cs 6 \"3\"", "cs 7 \"3\""}, "\\g_redteam\\^1Reds"));
    EXPECT_EQ(GetRankedPlayers(tieTeams), (RankedPlayers{"Blue Team", "^1Reds", "3:3"}));

    const DemoState redWins = Read(Game("3", {}, {"cs 6 \"8\"", "cs 7 \"3\""}));
    EXPECT_EQ(GetRankedPlayers(redWins), (RankedPlayers{"Red Team", "Blue Team", "8:3"}));

    // No g_gametype: "N/A" still names the teams in course lines, but nobody is ranked.
    DemoState unknown;
    unknown.infoString = "\\mapname\\x\\";
    EXPECT_TRUE(IsTeamGame(unknown));
    EXPECT_EQ(TeamOneName(unknown), "Red team");
    EXPECT_EQ(GetRankedPlayers(unknown), RankedPlayers{});
}

// The games write -9999 and -10000 (no score) and Quake Live -999 (the side that left) where a
// score would stand: none of them reaches a final score or a course line.
TEST(PlayerTableRanking, NoScoreValuesAreNeverShown)
{
    const struct {
        const char* gametype;
        std::vector<std::string> commands;
        RankedPlayers expected;
    } cases[] = {
        {"1", {"scores 2 0 0" + Entry(0, 0) + Entry(1, -9999)}, {"Sarge", "N/A", "0:0"}},
        {"1", {"scores 2 0 0" + Entry(1, -10000) + Entry(0, 2)}, {"Sarge", "N/A", "2:0"}},
        {"0", {"scores 2 0 0" + Entry(0, -999) + Entry(1, 1)}, {"Grism", "N/A", "1:0"}},
        {"0", {"scores 2 0 0" + Entry(0, -998) + Entry(1, -1)}, {"Grism", "Sarge", "-1:-998"}},
        {"1", {"scores 1 0 0" + Entry(0, 5)}, {"Sarge", "N/A", "5:0"}},                   // Grism never on a board
        {"0", {"cs 7 \"-9999\"", "scores 1 0 0" + Entry(0, 5)}, {"Sarge", "N/A", "5:0"}}, // nobody second
        // A team's no-score value keeps the score the team had.
        {"3",
         {"cs 6 \"4\"", "cs 7 \"2\"", "scores 2 -9999 -999" + Entry(0, 1) + Entry(1, 3)},
         {"Red Team", "Blue Team", "4:2"}},
        {"3", {"scores 2 -10000 -9998" + Entry(0, 1)}, {"Red Team", "Blue Team", "0:-9998"}},
    };
    for (const auto& c : cases) {
        const DemoState demo =
            Read(Game(c.gametype, {{544, UserInfo("Sarge", 0)}, {545, UserInfo("Grism", 0)}}, c.commands));
        EXPECT_EQ(GetRankedPlayers(demo), c.expected) << c.commands.back();
        for (const std::string& line : demo.courseLog)
            for (const char* marker : {"-9999 ", "-10000", "-999 "})
                EXPECT_EQ((line + " ").find(marker), std::string::npos) << line;
    }
}

TEST(PlayerTableRanking, ScoresFreezeAfterTheGameEnds)
{
    const DemoState demo = Read(
        Game("0", {{544, UserInfo("Amy", 0)}, {545, UserInfo("Bob", 0)}},
             {"scores 2 0 0" + Entry(0, 3) + Entry(1, 1), "cs 22 \"1\"", "scores 2 0 0" + Entry(1, 9) + Entry(0, 8),
              "scores 2 0 0" + Entry(0, 20) + Entry(1, 1), "cs 544 \"n\\Renamed\\t\\0\""}));
    EXPECT_TRUE(demo.scoresFrozen);
    EXPECT_EQ(GetRankedPlayers(demo), (RankedPlayers{"Bob", "Amy", "9:8"}));
}

TEST(PlayerTableCourse, ScoreTableLines)
{
    const DemoState demo = Read(Game("4", {{544, UserInfo("Amy", 1)}, {545, UserInfo("Watcher", 3)}},
                                     {"scores 3 7 2" + Entry(0, 12, 48, 5) + Entry(1, 0, 5, 1) + Entry(9, 1)}));
    const std::vector<std::string> expected = {
        "",
        "^400:00:00 ^1SCORE   PING   TIME   NAME",
        "         ^712      48     5      Amy",
        "         ^7SPECT   5      1      Watcher",
        "         ^1TEAMSCORE ^17^7:^42",
        "",
    };
    const auto begin = std::find(demo.courseLog.begin(), demo.courseLog.end(), expected[1]);
    ASSERT_NE(begin, demo.courseLog.end());
    EXPECT_EQ(std::vector<std::string>(begin - 1, begin + 5), expected);
}

TEST(PlayerTableRanking, NoGameTypeRanksNobody)
{
    const std::vector<uint8_t> noProtocolKey = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 'a', '\\', 'b', 0};
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        RankedPlayers expected;
    } cases[] = {
        {"empty file", {}, RankedPlayers{}},
        {"no protocol key", noProtocolKey, RankedPlayers{}},
        {"server info without g_gametype", Game("", {}, {"cs 6 \"8\"", "cs 7 \"3\""}).Bytes(), RankedPlayers{}},
        // The other side: the lowest team game type still ranks the teams, even at 0:0.
        {"team game 3", Game("3", {}, {}).Bytes(), RankedPlayers{"Blue Team", "Red Team", "0:0"}},
    };
    for (const auto& c : cases) {
        ReadWishes wishes;
        std::vector<uint8_t> bytes = c.bytes;
        if (std::string(c.what) == "server info without g_gametype") {
            // Drop the key from the stored text so that the reader finds no game type at all.
            const std::string key = "\\g_gametype\\";
            auto at = std::search(bytes.begin(), bytes.end(), key.begin(), key.end());
            ASSERT_NE(at, bytes.end());
            std::fill(at, at + static_cast<std::ptrdiff_t>(key.size()), static_cast<uint8_t>('x'));
        }
        const DemoState demo = ReadDemo(bytes, wishes);
        EXPECT_EQ(GetRankedPlayers(demo), c.expected) << c.what;
    }
}
