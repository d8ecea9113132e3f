// Scores of the CPMA and OSP mods in demos of protocols 66 to 68: duels and team games, the real
// CPMA duel of the corpus, and matches that end early or are played twice in one demo.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/index/SearchQuery.h"
#include "core/summary/DemoFields.h"
#include "core/summary/DemoReader.h"
#include "core/summary/PlayerTable.h"
#include "support/HuffmanEncoder.h"

namespace core {
void PrintTo(const RankedPlayers& r, std::ostream* os);
} // namespace core

using namespace core;
using testsupport::ModernMessageBuilder;

namespace {

// A demo of protocol 68 made of one game state and then one message per command.
class ModDemo {
public:
    ModDemo(const std::string& gamename, const std::string& gametype)
    {
        m_configStrings = {{0, "\\sv_hostname\\Arena\\protocol\\68\\mapname\\cpm22\\g_gametype\\" + gametype +
                                   "\\com_gamename\\Quake3Arena\\gamename\\" + gamename + "\\fs_game\\" + gamename},
                           {1, "\\sv_pure\\1"},
                           {544, "n\\^1Rex\\t\\" + std::string(gametype < "3" ? "0" : "1")},
                           {545, "n\\Bob\\t\\" + std::string(gametype < "3" ? "0" : "2")},
                           {546, "n\\Eve\\t\\3"}};
    }
    ModDemo& Config(int index, const std::string& text)
    {
        m_configStrings.emplace_back(index, text);
        return *this;
    }
    ModDemo& Start()
    {
        ModernMessageBuilder message(0);
        message.BeginGameState(++m_sequence);
        for (const auto& [index, text] : m_configStrings)
            message.ConfigString(index, text);
        m_messages.push_back(message.EndGameState().End().Payload());
        return At(10000).Command("cs 21 \"10000\"");
    }
    ModDemo& Command(const std::string& text)
    {
        const uint32_t acknowledge = m_sequence++;
        m_messages.push_back(ModernMessageBuilder(acknowledge).ServerCommand(m_sequence, text).End().Payload());
        return At(m_time + 50);
    }
    ModDemo& At(uint32_t time)
    {
        m_time = time;
        m_messages.push_back(ModernMessageBuilder(m_sequence).Snapshot(time).Payload());
        return *this;
    }
    std::vector<uint8_t> Bytes() const { return testsupport::ModernDemoFile(m_messages); }

private:
    uint32_t m_sequence = 0;
    uint32_t m_time = 0;
    std::vector<std::pair<int, std::string>> m_configStrings;
    std::vector<std::vector<uint8_t>> m_messages;
};

DemoState Read(const ModDemo& demo)
{
    ReadWishes wishes;
    wishes.courseLog = true;
    wishes.extension = ".dm_68";
    return ReadDemo(demo.Bytes(), wishes);
}

bool HasLineContaining(const DemoState& demo, std::string_view part)
{
    return std::any_of(demo.courseLog.begin(), demo.courseLog.end(),
                       [&](const std::string& line) { return line.find(part) != std::string::npos; });
}

// The game's own report of 1.32: 14 fields per entry.
std::string Scores(int red, int blue, const std::vector<std::pair<int, int>>& entries)
{
    std::string text =
        "scores " + std::to_string(entries.size()) + " " + std::to_string(red) + " " + std::to_string(blue);
    for (const auto& [client, score] : entries)
        text += " " + std::to_string(client) + " " + std::to_string(score) + " 50 9 0 0 0 0 0 0 0 0 0 0";
    return text;
}

} // namespace

TEST(ModScores, CpmaDuel)
{
    // The leader's score under "sb", the runner-up's under "sr", the places in "dmscores".
    ModDemo demo("cpma", "1");
    demo.Config(672, "sb\\0\\sr\\0\\pm\\2\\t\\1").Start();
    demo.Command("cs 710 \"sb\\1\\sr\\0\"").Command("dmscores 0 1 0 40 -1");
    demo.Command("cs 710 \"sb\\5\\sr\\3\"").Command("dmscores 1 0 0 40 -1");
    demo.Command("cs 710 \"sb\\5\\sr\\4\"").Command("print \"Timelimit hit.\n\"").Command("dmscores 1 0 0 40 -1");
    // A new warm-up after the end changes nothing.
    demo.Command("cs 710 \"sb\\0\\sr\\0\"").Command("dmscores 0 1 0 40 -1");
    const DemoState read = Read(demo);
    EXPECT_EQ(GetRankedPlayers(read), (RankedPlayers{"Bob", "Rex", "5:4"}));
    EXPECT_TRUE(HasLineContaining(read, " ^1SCORE   PING   TIME   NAME"));
    EXPECT_FALSE(HasLineContaining(read, "PARSING ERROR"));
}

TEST(ModScores, CpmaTeamGame)
{
    // Capture Strike: red under "sr", blue under "sb"; later changes after the end do not count.
    ModDemo demo("cpma", "7");
    demo.Config(672, "sb\\0\\sr\\0").Start();
    demo.Command("cs 672 \"sb\\10\\sr\\15\"").Command("cs 22 \"1\"").Command("cs 672 \"sb\\0\\sr\\0\"");
    const DemoState read = Read(demo);
    EXPECT_EQ(GetRankedPlayers(read), (RankedPlayers{"Red Team", "Blue Team", "15:10"}));
    // Named as the mod names it, and found by its short name.
    EXPECT_EQ(DemoDerivedFields(read)[FieldGametype - FieldMap], "Capture Strike");
    EXPECT_EQ(GametypeValues("ctfs"), std::vector<std::string>{"Capture Strike"});
    // A player table from CPMA's own score report.
    ModDemo table("cpma", "3");
    table.Start().Command("xscores 2 0 7 abcd 9 0 0 0 1 12 abcd 9 0 0 0").Command("cs 672 \"sb\\12\\sr\\7\"");
    const DemoState tdm = Read(table);
    EXPECT_EQ(GetRankedPlayers(tdm), (RankedPlayers{"Blue Team", "Red Team", "12:7"}));
    EXPECT_EQ(tdm.players.at(0).name, "Bob");
    EXPECT_EQ(tdm.players.at(0).score, 12);
    // A report with fewer fields than it announces is an error, not a table.
    ModDemo damaged("cpma", "3");
    damaged.Start().Command("xscores 2 0 7 abcd 9 0 0 0 1");
    EXPECT_TRUE(HasLineContaining(Read(damaged), "^1SCORE PARSING ERROR"));
}

TEST(ModScores, CpmaForfeit)
{
    ModDemo demo("cpma", "1");
    demo.Config(672, "sb\\0\\sr\\0").Start();
    demo.Command("cs 710 \"sb\\3\\sr\\1\"").Command("duelendscores ^1Rex Bob 1").Command("dmscores 0 1");
    demo.Command("cs 710 \"sb\\0\\sr\\0\"").Command("dmscores 1 0");
    const DemoState read = Read(demo);
    EXPECT_TRUE(HasLineContaining(read, "(forfeit)"));
    EXPECT_EQ(GetRankedPlayers(read), (RankedPlayers{"Rex", "Bob", "3:1"}));
    // An empty place ("sr" -9999) gives nobody a score.
    ModDemo alone("cpma", "1");
    alone.Config(672, "sb\\0\\sr\\0").Start();
    alone.Command("cs 710 \"sb\\4\\sr\\-9999\"").Command("dmscores 0 1");
    EXPECT_EQ(GetRankedPlayers(Read(alone)), (RankedPlayers{"Rex", "N/A", "4:0"}));
}

TEST(ModScores, OspDuelAndTeamGame)
{
    // OSP reports with the game's own commands; the reader takes them as for the game itself.
    ModDemo duel("osp", "1");
    duel.Start().Command(Scores(0, 0, {{1, 9}, {0, 4}})).Command("print \"Fraglimit hit.\n\"");
    duel.Command(Scores(0, 0, {{1, 10}, {0, 4}})).Command(Scores(0, 0, {{1, 0}, {0, 0}}));
    EXPECT_EQ(GetRankedPlayers(Read(duel)), (RankedPlayers{"Bob", "Rex", "10:4"}));
    ModDemo team("osp", "4");
    team.Start().Command("cs 6 \"3\"").Command("cs 7 \"5\"").Command(Scores(3, 5, {{1, 40}, {0, 12}}));
    team.Command("cs 22 \"1\"");
    EXPECT_EQ(GetRankedPlayers(Read(team)), (RankedPlayers{"Blue Team", "Red Team", "5:3"}));
}

TEST(ModScores, TwoMatchesTheLastCompleteCounts)
{
    // A duel won, restarted on the same map, won again by the other player, restarted once more
    // and left unfinished: the second match counts.
    ModDemo demo("osp", "1");
    demo.Start().Command(Scores(0, 0, {{0, 5}, {1, 2}})).Command("cs 22 \"1\"").Command(Scores(0, 0, {{0, 5}, {1, 2}}));
    demo.Command("map_restart").Command("cs 21 \"90000\"").Command(Scores(0, 0, {{1, 6}, {0, 1}}));
    demo.Command("print \"Fraglimit hit.\n\"").Command(Scores(0, 0, {{1, 7}, {0, 1}}));
    demo.Command("map_restart").Command(Scores(0, 0, {{0, 1}, {1, 0}}));
    const DemoState read = Read(demo);
    EXPECT_EQ(GetRankedPlayers(read), (RankedPlayers{"Bob", "Rex", "7:1"}));
    EXPECT_TRUE(HasLineContaining(read, "Match restarted"));
}

TEST(ModScores, RealCpmaDuel)
{
    const auto path = std::filesystem::path(VELMORA_CORPUS_DIR) / "modern" / "cpma-duel.dm_68";
    if (!std::filesystem::exists(path))
        GTEST_SKIP() << "corpus not present";
    const DemoRead demoRead = LoadDemo(path.string(), "", true);
    ASSERT_TRUE(demoRead);
    const DemoState& demo = *demoRead;
    const auto fields = DemoDerivedFields(demo);
    EXPECT_EQ(fields[FieldMap - FieldMap], "cpm3a");
    EXPECT_EQ(fields[FieldMod - FieldMap], "cpma");
    EXPECT_EQ(GetRankedPlayers(demo), (RankedPlayers{"myT", ">Sylver<", "17:-3"}));
    EXPECT_TRUE(demo.walkedToEnd);
}
