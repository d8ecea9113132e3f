// Demos of protocols 66 to 71: the same results as for the old formats, from compressed messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/analysis/DemoFields.h"
#include "core/analysis/DemoReader.h"
#include "core/analysis/PlayerTable.h"
#include "support/DemoBuilder.h"
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
    messages.push_back(ModernMessageBuilder(0).CommandByte(9).Payload()); // voice data: skipped
    messages.push_back(ModernMessageBuilder(0)
                           .ServerCommand(2, "print \"Fraglimit hit.\n\"")
                           .ServerCommand(3, "scores 2 0 0" + entry1 + entry0)
                           .Snapshot(63000)
                           .Payload());
    messages.push_back(ModernMessageBuilder(0).Snapshot(64000).End().Payload());
    return messages;
}

std::string Corpus(const std::string& name)
{
    const auto path = std::filesystem::path(VELMORA_CORPUS_DIR) / "modern" / name;
    return std::filesystem::exists(path) ? path.string() : std::string();
}

} // namespace

TEST(ModernDemo, ReadsLikeAnOldDemo)
{
    const DemoState demo = Read(testsupport::ModernDemoFile(FreeForAll()), ".dm_71");
    EXPECT_EQ(demo.result, "1");
    EXPECT_EQ(demo.protocol, 71);
    EXPECT_EQ(demo.fieldsPerScoreEntry, 14);
    EXPECT_TRUE(demo.debugMessages.empty());
    EXPECT_EQ(demo.playtime, "00:01:01");
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
    EXPECT_EQ(Read(modern, ".dm_48").result, "0");
    const std::vector<uint8_t> old = testsupport::RealisticDemo(48, 50, 20, 5);
    EXPECT_EQ(Read(old, ".dm_68").result, "0");
    EXPECT_EQ(Read(old, ".dm_48").result, "1");
}

TEST(ModernDemo, DamagedMessagesEndTheWalkSafely)
{
    const std::vector<uint8_t> whole = testsupport::ModernDemoFile(FreeForAll());
    const size_t firstMessageEnd = 8 + static_cast<size_t>(whole[4] | whole[5] << 8);
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        const DemoState demo =
            Read(std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut)));
        EXPECT_LE(demo.debugMessages.size(), 1u) << cut;
        if (cut >= firstMessageEnd) {
            // Everything after the game state may be lost; the game state itself is not.
            EXPECT_EQ(InfoValueOf(demo, "mapname"), "OA_DM1") << cut;
            EXPECT_EQ(demo.mapTitle, "Place of Two Deaths") << cut;
            EXPECT_TRUE(demo.cutOff || demo.walkedToEnd) << cut;
        }
    }
    std::vector<std::vector<uint8_t>> messages = FreeForAll();
    messages[2] = ModernMessageBuilder(0).CommandByte(0).Payload();
    const DemoState bad = Read(testsupport::ModernDemoFile(messages));
    EXPECT_EQ(bad.courseLog.back(), "2; bad command");
    EXPECT_EQ(bad.result, "1");

    messages[2] = ModernMessageBuilder(0).CommandByte(77).Payload();
    EXPECT_EQ(Read(testsupport::ModernDemoFile(messages)).courseLog.back(), "Packet: 3, Parsing Error");

    messages = FreeForAll();
    messages[3].resize(3);
    const DemoState cut = Read(testsupport::ModernDemoFile(messages));
    ASSERT_EQ(cut.debugMessages.size(), 1u);
    EXPECT_EQ(cut.debugMessages[0].rfind("Parsing Error (", 0), 0u);
    EXPECT_EQ(InfoValueOf(cut, "mapname"), "OA_DM1");
    EXPECT_EQ(cut.playtime, "00:00:00"); // up to the last good snapshot, the first one
    EXPECT_NE(cut.courseLog.back().find("^1Demo damaged: packet 4 at byte "), std::string::npos);
}

TEST(ModernDemo, RealDemosWalkToTheEnd)
{
    const struct {
        const char* file;
        const char* map;
        const char* gametype;
        size_t players;
        const char* winner;
    } cases[] = {
        {"duel-1.29.dm_66", "pro-q3tourney4", "Tournament", 8, "ZeRo4"}, // two players, six spectators
        {"team-chat-1.32.dm_68", "q3dm7", "Team Deathmatch", 4, "Blue Team"},
        {"flyby-oa_dm3-openarena.dm_70", "oa_dm3", "Free for All", 1, "N/A"},
        {"ffa-oa_dm1-ioquake3.dm_71", "oa_dm1", "Free for All", 4, "N/A"},
        {"ffa-oa_dm2-ioquake3.dm_68", "oa_dm2", "Free for All", 5, "N/A"},
    };
    for (const auto& c : cases) {
        const std::string path = Corpus(c.file);
        if (path.empty())
            GTEST_SKIP() << "corpus not present";
        const DemoState demo = LoadDemo(path, "", true);
        EXPECT_EQ(demo.result, "1") << c.file;
        EXPECT_TRUE(demo.walkedToEnd) << c.file;
        EXPECT_TRUE(demo.debugMessages.empty()) << c.file;
        const auto fields = DemoDerivedFields(demo);
        EXPECT_EQ(fields[0], c.map) << c.file;
        EXPECT_EQ(fields[FieldGametype - FieldMap], c.gametype) << c.file;
        EXPECT_EQ(fields[FieldWinner - FieldMap], c.winner) << c.file;
        const size_t named = static_cast<size_t>(
            std::count_if(demo.players.begin(), demo.players.end(), [](const Player& p) { return !p.name.empty(); }));
        EXPECT_EQ(named, c.players) << c.file;
        EXPECT_EQ(
            std::count_if(demo.courseLog.begin(), demo.courseLog.end(),
                          [](const std::string& l) { return l.find("UPDATE PLAYER ERROR") != std::string::npos; }),
            0)
            << c.file;
    }
}
