// Demos of protocols 66 to 71: the same results as for the old formats, from compressed messages.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/summary/DemoFields.h"
#include "core/summary/DemoReader.h"
#include "core/summary/PlayerTable.h"
#include "support/DemoBuilder.h"
#include "support/EventDemoModel.h"
#include "support/HuffmanEncoder.h"

using namespace core;
using testsupport::ModernMessageBuilder;

namespace {

DemoState Read(const std::vector<uint8_t>& bytes, std::string_view extension = ".dm_68")
{
    ReadWishes wishes;
    wishes.courseLog = true;
    wishes.extension = extension;
    return ReadDemo(bytes, wishes);
}

bool HasLine(const DemoState& demo, const std::string& line)
{
    return std::find(demo.courseLog.begin(), demo.courseLog.end(), line) != demo.courseLog.end();
}

std::vector<std::vector<uint8_t>> FreeForAll()
{
    const std::string entry0 = " 0 12 40 2 0 0 0 0 0 0 0 0 0 0";
    const std::string entry1 = " 1 12 60 2 0 0 0 0 0 0 0 0 0 0";
    std::vector<std::vector<uint8_t>> messages;
    messages.push_back(ModernMessageBuilder(0)
                           .GameState(1, {{0, "\\sv_hostname\\^3Frag Hall\\protocol\\71\\mapname\\OA_DM1"
                                              "\\g_gametype\\0\\gamename\\baseoa\\fraglimit\\15"},
                                          {1, "\\sv_pure\\1"},
                                          {3, "Place of Two Deaths"},
                                          {544, "n\\Sarge\\t\\0\\skill\\ 2.00"},
                                          {545, "n\\^2Grism\\t\\0\\skill\\ 4.00"},
                                          {546, "n\\Watcher\\t\\3"}})
                           .End()
                           .Payload());
    messages.push_back(ModernMessageBuilder(0).ServerCommand(1, "cs 21 \"3000\"").Snapshot(3000).Payload());
    // Voice data (sender, generation, sequence, frames, size, flags, the bytes): read past.
    ModernMessageBuilder voice(0);
    voice.CommandByte(9);
    for (const auto& [value, bits] :
         {std::pair{2u, 16}, {1u, 8}, {77u, 32}, {1u, 8}, {3u, 16}, {0u, 2}, {0xAAAAAAu, 24}})
        voice.Writer().WriteBits(value, bits);
    messages.push_back(voice.End().Payload());
    messages.push_back(ModernMessageBuilder(0)
                           .ServerCommand(2, "print \"Fraglimit hit.\n\"")
                           .ServerCommand(3, "scores 2 0 0" + entry1 + entry0)
                           .Snapshot(63000)
                           .Payload());
    messages.push_back(ModernMessageBuilder(0).Snapshot(64000).End().Payload());
    return messages;
}

} // namespace

TEST(ModernDemo, ReadsLikeAnOldDemo)
{
    const DemoState demo = Read(testsupport::ModernDemoFile(FreeForAll()), ".dm_71");
    EXPECT_TRUE(demo.whole);
    EXPECT_EQ(demo.protocol, 71);
    EXPECT_EQ(demo.fieldsPerScoreEntry, 14);
    EXPECT_TRUE(demo.debugMessages.empty());
    EXPECT_EQ(demo.playtimeSeconds, 61u);
    EXPECT_EQ(demo.mapTitle, "Place of Two Deaths");
    EXPECT_TRUE(HasLine(demo, "^400:00:00 ^7^7-> ^200:00:00 ^1*** GAME START ***"));
    EXPECT_TRUE(HasLine(demo, "^200:00:00 ^7^1*** GAME END ***"));
    EXPECT_EQ(demo.courseLog.back(), "^400:01:01 ^7Demo end.");
    const auto fields = DemoDerivedFields(demo);
    EXPECT_EQ(fields[FieldMap - FieldMap], "oa_dm1");
    EXPECT_EQ(fields[FieldGametype - FieldMap], "Free for All");
    EXPECT_EQ(fields[FieldMod - FieldMap], "baseoa");
    EXPECT_EQ(fields[FieldHostname - FieldMap], "^3Frag Hall");
    EXPECT_EQ(fields[FieldProtocol - FieldMap], "71");
    // Equal scores: the report's order (Grism first), and the blank before a bot's skill is read.
    EXPECT_EQ(GetRankedPlayers(demo), (RankedPlayers{"Grism", "Sarge", "12:12"}));
    EXPECT_EQ(demo.players.at(0).skill, 4.0);
    EXPECT_FALSE(HasLine(demo, "^400:00:00 ^7^1UPDATE PLAYER ERROR!"));
}

TEST(ModernDemo, TheExtensionDecidesTheFormat)
{
    // A modern demo read as an old one finds no plain information text; an old demo read as a
    // modern one decodes nonsense. Neither may crash or claim success.
    const std::vector<uint8_t> modern = testsupport::ModernDemoFile(FreeForAll());
    EXPECT_FALSE(Read(modern, ".dm_48").whole);
    const std::vector<uint8_t> old = testsupport::RealisticDemo(48, 50, 20, 5);
    EXPECT_FALSE(Read(old, ".dm_68").whole);
    EXPECT_TRUE(Read(old, ".dm_48").whole);
}

TEST(ModernDemo, DamagedMessagesEndTheWalkSafely)
{
    // Demos cut at every byte: tests/core/DemoReaderTest (ParsingCuts).
    std::vector<std::vector<uint8_t>> messages = FreeForAll();
    messages[2] = ModernMessageBuilder(0).CommandByte(0).Payload();
    const DemoState bad = Read(testsupport::ModernDemoFile(messages));
    EXPECT_EQ(bad.courseLog.back(), "2; bad command");
    EXPECT_TRUE(bad.whole);

    messages[2] = ModernMessageBuilder(0).CommandByte(77).Payload();
    EXPECT_EQ(Read(testsupport::ModernDemoFile(messages)).courseLog.back(), "Packet: 3, Parsing Error");

    messages = FreeForAll();
    messages[3].resize(3);
    const DemoState cut = Read(testsupport::ModernDemoFile(messages));
    ASSERT_EQ(cut.debugMessages.size(), 1u);
    EXPECT_EQ(cut.debugMessages[0].rfind("Parsing Error (", 0), 0u);
    EXPECT_EQ(InfoValueOf(cut, "mapname"), "OA_DM1");
    EXPECT_EQ(cut.playtimeSeconds, 0u); // up to the last good snapshot, the first one
    EXPECT_NE(cut.courseLog.back().find("^1Demo damaged: packet 4 at byte "), std::string::npos);
}

// A demo that ends without a score board ranks its players by its frags and suicides, as the game
// scores them; warm-up frags and team games are left to the game's own scores.
TEST(ModernDemo, NoScoreBoardRanksByTheFrags)
{
    struct Death {
        int victim, attacker; // attacker 1022: the world
    };
    const struct {
        const char* gametype;
        const char* warmup; // configuration string 5 until the match starts
        std::vector<Death> warmupDeaths, deaths;
        RankedPlayers expected;
    } cases[] = {
        {"0", "", {}, {{1, 0}, {2, 1}, {1, 0}, {2, 2}}, {"Alice", "Bob", "2:1"}},
        {"1", "", {}, {{0, 1022}}, {"Bob", "Cat", "0:0"}}, // Alice fell: -1
        {"0", "15000", {{0, 1}, {2, 1}}, {{1, 0}}, {"Alice", "Bob", "1:0"}},
        {"0", "15000", {{0, 1}}, {}, {}},
        {"0", "", {}, {}, {}},
        {"3", "", {}, {{1, 0}}, {"Blue Team", "Red Team", "0:0"}},
    };
    for (const auto& c : cases) {
        testsupport::EventDemoModel model(68);
        model.GameState(
            {{0, std::string("\\protocol\\68\\mapname\\q3dm17\\gamename\\baseq3\\g_gametype\\") + c.gametype},
             {5, c.warmup},
             {model.PlayerIndex(0), "n\\Alice\\t\\1"},
             {model.PlayerIndex(1), "n\\Bob\\t\\2"},
             {model.PlayerIndex(2), "n\\Cat\\t\\1"},
             {model.PlayerIndex(3), "n\\Eve\\t\\3"}});
        model.Last().gameState->clientNumber = 3;
        int32_t time = 10000;
        const auto deaths = [&](const std::vector<Death>& list) {
            for (const Death& d : list) {
                model.Snapshot(time += 50, {model.Obituary(100, d.victim, d.attacker, 10)});
                model.Snapshot(time += 50);
            }
        };
        deaths(c.warmupDeaths);
        model.Command("cs 5 \"\"").Command("cs 21 \"" + std::to_string(time) + "\"");
        model.Snapshot(time += 50);
        deaths(c.deaths);
        const std::vector<uint8_t> bytes = testsupport::EncodeDemo(model);
        ASSERT_FALSE(bytes.empty());
        EXPECT_EQ(GetRankedPlayers(Read(bytes)), c.expected) << c.gametype << " " << c.deaths.size();
    }
}
