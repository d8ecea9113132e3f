// Quake Live demos: game types, players, and the winner and final score of every game type from
// its own score command; restarted, forfeited and paused matches.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/library/DemoFiles.h"
#include "core/library/ScanCache.h"
#include "core/summary/DemoFields.h"
#include "core/summary/DemoReader.h"
#include "core/summary/ModScores.h"
#include "core/summary/PlayerTable.h"
#include "core/summary/QuakeLive.h"
#include "support/QuakeLiveBuilder.h"

namespace core {
void PrintTo(const RankedPlayers& r, std::ostream* os)
{
    *os << r.winner << " / " << r.second << " " << r.finalScore;
}
} // namespace core

using namespace core;
using testsupport::QuakeLiveDemo;
using testsupport::QuakeLiveScores;

namespace {

DemoState Read(const std::vector<uint8_t>& bytes, std::string_view extension)
{
    ReadWishes wishes;
    wishes.courseLog = true;
    wishes.extension = extension;
    return ReadDemo(bytes, wishes);
}

std::string Extension(int protocol)
{
    return ".dm_" + std::to_string(protocol);
}

std::string Field(const DemoState& demo, DemoField field)
{
    return DemoDerivedFields(demo)[static_cast<size_t>(field - FieldMap)];
}

bool HasLineContaining(const DemoState& demo, std::string_view part)
{
    return std::any_of(demo.courseLog.begin(), demo.courseLog.end(),
                       [&](const std::string& line) { return line.find(part) != std::string::npos; });
}

// Four players: Rex and Ann on red, Bob and Cat on blue (in team games), and a spectator.
QuakeLiveDemo Match(int protocol, const std::string& gametype)
{
    const bool team = gametype != "0" && gametype != "1" && gametype != "2";
    QuakeLiveDemo demo(protocol, gametype);
    demo.Player(0, "^1Rex", team ? 1 : 0)
        .Player(1, "Bob", team ? 2 : 0)
        .Player(2, "Ann", team ? 1 : 0)
        .Player(3, "Cat", team ? 2 : 0)
        .Player(4, "Eve", 3);
    demo.Start(10000);
    return demo;
}

} // namespace

TEST(QuakeLive, GameTypeNames)
{
    const struct {
        const char* value;
        const char* name;
        bool team;
    } cases[] = {
        {"0", "Free for All", false},   {"1", "Duel", false},       {"2", "Race", false},
        {"3", "Team Deathmatch", true}, {"4", "Clan Arena", true},  {"5", "Capture the Flag", true},
        {"6", "One Flag CTF", true},    {"7", "Overload", true},    {"8", "Harvester", true},
        {"9", "Freeze Tag", true},      {"10", "Domination", true}, {"11", "Attack & Defend", true},
        {"12", "Red Rover", true},      {"13", "13", true},         {"-1", "-1", true},
        {"N/A", "N/A", true},           {"+1", "+1", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QuakeLiveGameTypeName(c.value), c.name) << c.value;
        EXPECT_EQ(IsQuakeLiveTeamGameType(c.value), c.team) << c.value;
    }
    for (int protocol : {72, 73, 89, 90, 91, 92})
        EXPECT_EQ(IsQuakeLiveProtocol(protocol), protocol == 73 || protocol == 90 || protocol == 91) << protocol;
}

TEST(QuakeLive, ExtensionsAreDemos)
{
    for (const char* e : {".dm_73", ".dm_90", ".dm_91"}) {
        EXPECT_TRUE(IsDemoExtension(e)) << e;
        EXPECT_EQ(KindOfName(std::string("match") + e), EntryKind::Demo) << e;
    }
    for (const char* e : {".dm_72", ".dm_74", ".dm_89", ".dm_92"})
        EXPECT_FALSE(IsDemoExtension(e)) << e;
}

// Every game type's winner and final score, from the score command its servers send (or, where
// the game type has none the reader knows, from the team scores and the leaders' names).
TEST(QuakeLive, WinnerAndScorePerGameType)
{
    using Scores = std::vector<testsupport::QuakeLiveScore>;
    const Scores ffa = {{1, 0, 30}, {0, 0, 21}, {2, 0, 7}, {3, 0, -2}, {4, 3, 0}};
    const Scores teams = {{0, 1, 30}, {2, 1, 10}, {1, 2, 25}, {3, 2, 20}, {4, 3, 0}};
    const struct {
        const char* gametype;
        const char* command; // empty: none, only the team scores
        const Scores* entries;
        int red, blue;
        RankedPlayers expected;
    } cases[] = {
        {"0", "scores", &ffa, 0, 0, {"Bob", "Rex", "30:21"}},
        {"1", "scores_duel", &ffa, 0, 0, {"Bob", "Rex", "30:21"}},
        {"3", "scores_tdm", &teams, 40, 45, {"Blue Team", "Red Team", "45:40"}},
        {"4", "scores_ca", &teams, 10, 5, {"Red Team", "Blue Team", "10:5"}},
        {"5", "scores_ctf", &teams, 3, 8, {"Blue Team", "Red Team", "8:3"}},
        {"6", "", nullptr, 2, 1, {"Red Team", "Blue Team", "2:1"}},
        {"7", "", nullptr, 0, 1, {"Blue Team", "Red Team", "1:0"}},
        {"8", "", nullptr, 7, 7, {"Blue Team", "Red Team", "7:7"}}, // a tie names blue, as in 1.32
        {"9", "scores_ft", &teams, 9, 4, {"Red Team", "Blue Team", "9:4"}},
        {"10", "", nullptr, 150, 149, {"Red Team", "Blue Team", "150:149"}},
        {"11", "scores_ad", nullptr, 4, 6, {"Blue Team", "Red Team", "6:4"}},
        // Red Rover moves players between the teams each round: the players are ranked.
        {"12", "scores_rr", &teams, 11, 2, {"Rex", "Bob", "30:25"}},
    };
    for (int protocol : {73, 90, 91}) {
        for (const auto& c : cases) {
            QuakeLiveDemo demo = Match(protocol, c.gametype);
            demo.At(60000);
            // The team scores as configuration strings; in team games boards carry them too.
            demo.Cs(6, std::to_string(c.red)).Cs(7, std::to_string(c.blue));
            if (*c.command)
                demo.Command(QuakeLiveScores(c.command, protocol, c.entries ? *c.entries : Scores{}, c.red, c.blue));
            demo.Intermission(600000);
            const DemoState read = Read(demo.Bytes(), Extension(protocol));
            SCOPED_TRACE(std::string("protocol ") + std::to_string(protocol) + " game type " + c.gametype);
            EXPECT_EQ(read.protocol, protocol);
            EXPECT_EQ(Field(read, FieldGametype), QuakeLiveGameTypeName(c.gametype));
            EXPECT_EQ(GetRankedPlayers(read), c.expected);
            EXPECT_FALSE(HasLineContaining(read, "PARSING ERROR"));
            if (c.entries && std::string(c.command) != "scores_ad") {
                // The board reached the player table and the course log's score table.
                EXPECT_TRUE(HasLineContaining(read, " ^1SCORE   PING   TIME   NAME"));
                EXPECT_TRUE(HasLineContaining(read, "         ^7SPECT   40     10     Eve"));
            }
        }
    }
}

TEST(QuakeLive, RaceIsWonByTheShortestTime)
{
    // No board the reader knows: the leaders' names and scores of the configuration strings.
    QuakeLiveDemo demo = Match(91, "2");
    demo.Cs(6, "61234").Cs(7, "65000").Cs(659, "^1Rex").Cs(660, "clan Bob").Intermission(300000);
    const DemoState read = Read(demo.Bytes(), ".dm_91");
    EXPECT_EQ(Field(read, FieldGametype), "Race");
    EXPECT_EQ(GetRankedPlayers(read), (RankedPlayers{"Rex", "Bob", "61234:65000"}));
}

TEST(QuakeLive, LeadersStandInForAnUnknownBoard)
{
    // A duel whose board the reader cannot read: the leaders' names, with or without clan tag.
    for (const char* second : {"Bob", "[X] Bob"}) {
        QuakeLiveDemo demo = Match(90, "1");
        demo.Cs(6, "12").Cs(7, "3").Cs(659, "^1Rex").Cs(660, second).Command("scores_future 2 1 2 3");
        demo.Intermission(600000);
        const DemoState read = Read(demo.Bytes(), ".dm_90");
        EXPECT_EQ(GetRankedPlayers(read), (RankedPlayers{"Rex", "Bob", "12:3"})) << second;
    }
    QuakeLiveDemo nobody = Match(90, "1");
    nobody.Cs(6, "12").Cs(659, "none").Intermission(600000);
    EXPECT_EQ(GetRankedPlayers(Read(nobody.Bytes(), ".dm_90")), RankedPlayers{});
}

TEST(QuakeLive, DamagedBoardsAreReportedNotApplied)
{
    const std::string whole = QuakeLiveScores("scores_duel", 91, {{0, 0, 11}, {1, 0, 5}});
    const std::string cases[] = {
        whole.substr(0, whole.rfind(' ')),   // one field short
        "scores_duel 65" + whole.substr(13), // more entries than clients
        "scores_duel -1",
        "scores_duel x",
    };
    for (const std::string& board : cases) {
        QuakeLiveDemo demo = Match(91, "1");
        demo.Command(board).Intermission(600000);
        const DemoState read = Read(demo.Bytes(), ".dm_91");
        EXPECT_TRUE(HasLineContaining(read, "^1SCORE PARSING ERROR")) << board.substr(0, 20);
        EXPECT_EQ(GetRankedPlayers(read), RankedPlayers{});
    }
    ScoreBoard board;
    EXPECT_TRUE(ParseQuakeLiveScores(whole, 91, board));
    EXPECT_EQ(board.entries.size(), 2u);
    // 64 entries are the most a server has clients for.
    std::vector<testsupport::QuakeLiveScore> all(64);
    for (size_t i = 0; i < all.size(); ++i)
        all[i].client = static_cast<int>(i);
    EXPECT_TRUE(ParseQuakeLiveScores(QuakeLiveScores("scores_duel", 91, all), 91, board));
    all.push_back({});
    EXPECT_FALSE(ParseQuakeLiveScores(QuakeLiveScores("scores_duel", 91, all), 91, board));
}

TEST(QuakeLive, PlayersWithClanTagsAndSteamIds)
{
    QuakeLiveDemo demo(91, "4");
    demo.Player(0, "Rex", 1, "^3ZZ", "76561198000000001").Player(63, "Bob", 2).Start(10000);
    const DemoState read = Read(demo.Bytes(), ".dm_91");
    ASSERT_EQ(read.players.size(), 64u);
    const auto rex =
        std::find_if(read.players.begin(), read.players.end(), [](const Player& p) { return p.name == "Rex"; });
    ASSERT_NE(rex, read.players.end());
    EXPECT_EQ(rex->clanTag, "^3ZZ");
    EXPECT_EQ(rex->steamId, "76561198000000001");
    EXPECT_EQ(rex->team, 1);
    const auto bob =
        std::find_if(read.players.begin(), read.players.end(), [](const Player& p) { return p.name == "Bob"; });
    ASSERT_NE(bob, read.players.end());
    EXPECT_EQ(bob->clanTag, "");
    EXPECT_EQ(bob->steamId, "");
    // 529 + 64 is the first configuration string after the players': not a player.
    QuakeLiveDemo beyond(91, "1");
    beyond.ConfigString(593, "n\\Ghost\\t\\0").Start(10000);
    EXPECT_TRUE(Read(beyond.Bytes(), ".dm_91").players.empty());
}

TEST(QuakeLive, LastCompleteMatchWins)
{
    const auto board = [](int rex, int bob) { return QuakeLiveScores("scores_duel", 91, {{0, 0, rex}, {1, 0, bob}}); };
    // A warm-up, then the match: the warm-up's board does not count.
    QuakeLiveDemo warmup = Match(91, "1");
    warmup.Command(board(9, 0)).Command("map_restart").Cs(13, "70000").Command(board(3, 7)).Intermission(600000);
    EXPECT_EQ(GetRankedPlayers(Read(warmup.Bytes(), ".dm_91")), (RankedPlayers{"Bob", "Rex", "7:3"}));

    // A complete match, then a restarted one that the recording leaves unfinished.
    QuakeLiveDemo unfinished = Match(91, "1");
    unfinished.Command(board(10, 4)).Intermission(600000).Command(board(10, 4));
    unfinished.Command("map_restart").Cs(13, "700000").Command(board(0, 2)).At(800000);
    const DemoState first = Read(unfinished.Bytes(), ".dm_91");
    EXPECT_EQ(GetRankedPlayers(first), (RankedPlayers{"Rex", "Bob", "10:4"}));
    EXPECT_TRUE(HasLineContaining(first, "Match restarted"));

    // Two complete matches, the second on a new game state: the second counts.
    QuakeLiveDemo twice = Match(91, "1");
    twice.Command(board(10, 4)).Intermission(600000);
    twice.NewGameState(700000).Cs(13, "700000").Command(board(1, 6)).Intermission(1300000).Command(board(1, 6));
    EXPECT_EQ(GetRankedPlayers(Read(twice.Bytes(), ".dm_91")), (RankedPlayers{"Bob", "Rex", "6:1"}));
}

TEST(QuakeLive, ForfeitEndsTheMatch)
{
    QuakeLiveDemo demo = Match(91, "1");
    demo.Command(QuakeLiveScores("scores_duel", 91, {{0, 0, 3}, {1, 0, 1}}))
        .Command("chat \"Bob: i forfeit? never\"") // players' words end nothing
        .Command(QuakeLiveScores("scores_duel", 91, {{0, 0, 4}, {1, 0, 1}}))
        .Print("Bob forfeits.")
        .Command(QuakeLiveScores("scores_duel", 91, {{0, 0, 3}, {1, 0, -1}}))
        .Command(QuakeLiveScores("scores_duel", 91, {{0, 0, 0}, {1, 0, 0}}));
    const DemoState read = Read(demo.Bytes(), ".dm_91");
    EXPECT_TRUE(HasLineContaining(read, "^1*** GAME END *** (forfeit)"));
    EXPECT_TRUE(read.gameEnded);
    // The first board after the end counts; later ones (a new warm-up) do not.
    EXPECT_EQ(GetRankedPlayers(read), (RankedPlayers{"Rex", "Bob", "3:-1"}));
}

// The game marks the side that left a forfeited match with the score -999 (score 1 for red or the
// leader, score 2 for blue or the runner-up). That side loses and keeps the score it had, also
// when it is a player who moved to the spectators.
TEST(QuakeLive, ForfeitIsWonByTheSideThatStayed)
{
    const auto duel = [](int rex, int bob) { return QuakeLiveScores("scores_duel", 90, {{0, 0, rex}, {1, 0, bob}}); };
    const auto tdm = [](int red, int blue) {
        return QuakeLiveScores("scores_tdm", 90, {{0, 1, red}, {1, 2, blue}}, red, blue);
    };
    const struct {
        const char* what;
        const char* gametype;
        std::vector<std::string> commands;
        RankedPlayers expected;
    } cases[] = {
        {"the leader joins the spectators",
         "1",
         {duel(3, 1), "cs 659 \"^1Rex\"", "cs 660 \"Bob\"", "cs 529 \"n\\^1Rex\\t\\3\"",
          "print \"Game has been forfeited.\n\"", "cs 6 \"1\"", "cs 7 \"-999\"", "cs 659 \"Bob\"", "cs 660 \"^1Rex\"",
          "cs 14 \"1\"", duel(0, 1)},
         {"Bob", "Rex", "1:3"}},
        {"the runner-up leaves the game",
         "1",
         {duel(5, 2), "cs 659 \"^1Rex\"", "cs 660 \"Bob\"", "print \"Game has been forfeited.\n\"", "cs 7 \"-999\"",
          "cs 14 \"1\""},
         {"Rex", "Bob", "5:2"}},
        {"the leading team leaves",
         "3",
         {"cs 6 \"0\"", "cs 7 \"1\"", tdm(0, 1), "cs 7 \"-999\"", "print \"Game has been forfeited.\n\"", tdm(0, -999)},
         {"Red Team", "Blue Team", "0:1"}},
        {"red leaves",
         "4",
         {"cs 6 \"21\"", "cs 7 \"5\"", "cs 6 \"-999\"", "print \"Game has been forfeited.\n\""},
         {"Blue Team", "Red Team", "5:21"}},
    };
    for (const auto& c : cases) {
        QuakeLiveDemo demo = Match(90, c.gametype);
        for (const std::string& command : c.commands)
            demo.Command(command);
        const DemoState read = Read(demo.Bytes(), ".dm_90");
        EXPECT_EQ(GetRankedPlayers(read), c.expected) << c.what;
        EXPECT_TRUE(HasLineContaining(read, "(forfeit)")) << c.what;
        EXPECT_FALSE(HasLineContaining(read, "-999")) << c.what;
    }
    // A restart after the forfeit plays a match of its own.
    QuakeLiveDemo again = Match(90, "3");
    again.Cs(6, "9").Cs(7, "-999").Print("Game has been forfeited.").Command("map_restart").Cs(13, "90000");
    again.Cs(6, "2").Cs(7, "4").Intermission(600000);
    EXPECT_EQ(GetRankedPlayers(Read(again.Bytes(), ".dm_90")), (RankedPlayers{"Blue Team", "Red Team", "4:2"}));
}

TEST(QuakeLive, TimeOutKeepsTheMatchGoing)
{
    QuakeLiveDemo demo = Match(91, "3");
    demo.Cs(6, "5").Cs(669, "100000").At(130000).Cs(669, "0").Cs(670, "130000").Cs(7, "9");
    demo.Intermission(600000);
    const DemoState read = Read(demo.Bytes(), ".dm_91");
    EXPECT_TRUE(HasLineContaining(read, "^3Time-out"));
    EXPECT_TRUE(HasLineContaining(read, "^3Time-in"));
    EXPECT_FALSE(HasLineContaining(read, "Parsing Error"));
    EXPECT_EQ(GetRankedPlayers(read), (RankedPlayers{"Blue Team", "Red Team", "9:5"}));
}

TEST(QuakeLive, ScanCacheShowsQuakeLiveNames)
{
    QuakeLiveDemo demo = Match(73, "9");
    demo.Cs(6, "4").Cs(7, "2").Intermission(600000);
    const DemoState read = Read(demo.Bytes(), ".dm_73");
    const std::vector<std::string> fields = CacheFieldsFromDemo({}, read);
    EXPECT_NE(std::find(fields.begin(), fields.end(), "Freeze Tag"), fields.end());
    EXPECT_NE(std::find(fields.begin(), fields.end(), "4:2"), fields.end());
    EXPECT_EQ(Field(read, FieldMap), "campgrounds");
    EXPECT_EQ(Field(read, FieldHostname), "^1Live ^7Arena");
    EXPECT_EQ(Field(read, FieldTimelimit), "10");
    EXPECT_EQ(Field(read, FieldFraglimit), "N/S");
}

// Clan tags as a real demo holds them.
TEST(QuakeLive, RealDemoClanTags)
{
    const auto folder = std::filesystem::path(VELMORA_CORPUS_DIR) / "ql";
    if (!std::filesystem::exists(folder))
        GTEST_SKIP() << "corpus not present";
    const DemoRead caRead = LoadDemo((folder / "ca-campgrounds.dm_90").string(), "", false);
    ASSERT_TRUE(caRead);
    const DemoState& ca = *caRead;
    EXPECT_TRUE(std::any_of(ca.players.begin(), ca.players.end(), [](const Player& p) {
        return p.name == "^7o^4L^7d_s^4Q^7L_piTer" && p.clanTag == "^7/^4NSF^7/";
    }));
}
