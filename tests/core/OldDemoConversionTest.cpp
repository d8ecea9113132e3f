// Old demos as protocol 68 demos: what the program's reader sees in them, what the game's client
// gets, and what the converted demo says it left out.
#include <gtest/gtest.h>

#include <optional>

#include "core/convert/DemoConversion.h"
#include "core/convert/OldDemoConverter.h"
#include "core/demo/DemoDecoder.h"
#include "core/summary/DemoReader.h"
#include "support/DemoBuilder.h"

namespace {

std::string WithoutProtocol(std::string info)
{
    const size_t at = info.find("\\protocol\\");
    if (at != std::string::npos)
        info.erase(at, info.find('\\', at + 10) - at);
    return info;
}

struct CorpusCase {
    const char* file;
    int protocol;
    const char* extension;
};

class ConvertedCorpusTest : public ::testing::TestWithParam<CorpusCase> {};

TEST_P(ConvertedCorpusTest, ReaderSeesTheSameMatchAndTheNotice)
{
    const CorpusCase c = GetParam();
    const std::vector<uint8_t> original = testsupport::ReadBytes(std::string(VELMORA_CORPUS_DIR) + "/" + c.file);
    if (original.empty())
        GTEST_SKIP() << "no corpus in " << VELMORA_CORPUS_DIR;
    const core::ConvertedDemo converted = core::ConvertDemo(original, c.protocol, 68, {"baseq3-1", false});
    ASSERT_TRUE(converted.ok) << converted.failure;

    const core::DemoState before = core::ReadDemo(original, {true, c.extension});
    const core::DemoState after = core::ReadDemo(converted.bytes, {true, ".dm_68"});
    EXPECT_EQ(after.protocol, 68);
    EXPECT_EQ(WithoutProtocol(after.infoString), WithoutProtocol(before.infoString));
    EXPECT_EQ(after.gameType, before.gameType);
    EXPECT_EQ(after.mapTitle, before.mapTitle);
    EXPECT_EQ(after.playtimeSeconds, before.playtimeSeconds);
    EXPECT_EQ(after.score1, before.score1);
    EXPECT_EQ(after.score2, before.score2);
    EXPECT_TRUE(after.walkedToEnd);
    EXPECT_TRUE(after.debugMessages.empty());
    ASSERT_EQ(after.players.size(), before.players.size());
    for (size_t i = 0; i < before.players.size(); ++i) {
        EXPECT_EQ(after.players[i].name, before.players[i].name) << i;
        EXPECT_EQ(after.players[i].team, before.players[i].team) << i;
        EXPECT_EQ(after.players[i].score, before.players[i].score) << i;
        EXPECT_EQ(after.players[i].time, before.players[i].time) << i;
        EXPECT_EQ(after.players[i].rankPosition, before.players[i].rankPosition) << i;
    }
    // The course log is the original's with one line more, the one that says what the conversion
    // left out (as the demo begins).
    std::vector<std::string> log = after.courseLog;
    const auto notice = std::find_if(log.begin(), log.end(), [&](const std::string& line) {
        return line.find("Converted from protocol " + std::to_string(c.protocol) + " to 68") != std::string::npos;
    });
    ASSERT_NE(notice, log.end());
    const std::string noticeLine = *notice;
    log.erase(notice);
    EXPECT_EQ(log, before.courseLog);
    for (const std::string& dropped : converted.dropped)
        EXPECT_NE(noticeLine.find(dropped), std::string::npos) << dropped;
}

TEST_P(ConvertedCorpusTest, GameGetsEverySnapshotWithTheRecordingClientAndThe132Numbers)
{
    const CorpusCase c = GetParam();
    const std::vector<uint8_t> original = testsupport::ReadBytes(std::string(VELMORA_CORPUS_DIR) + "/" + c.file);
    if (original.empty())
        GTEST_SKIP() << "no corpus in " << VELMORA_CORPUS_DIR;
    const core::ConvertedDemo converted = core::ConvertDemo(original, c.protocol, 71, {"baseoa-1", true});
    ASSERT_TRUE(converted.ok) << converted.failure;

    core::DemoDecoder source(original, c.protocol);
    core::DemoDecoder result(converted.bytes, 71);
    core::DemoMessage from, to;
    int snapshots = 0;
    std::optional<int32_t> gameStateCommands; // the first game state's
    bool noticeSeen = false;
    while (source.Next(from)) {
        ASSERT_TRUE(result.Next(to)) << core::DecodeErrorText(result.Error());
        ASSERT_EQ(to.sequence, from.sequence);
        if (gameStateCommands && !noticeSeen) {
            // The notice opens the message after the game state, numbered so that the game runs
            // it with the first snapshot: one above the game state's count, which drops by one.
            ASSERT_FALSE(to.serverCommands.empty());
            EXPECT_TRUE(to.serverCommands[0].text.starts_with("print \"^3Converted from protocol"));
            EXPECT_EQ(to.serverCommands[0].sequence, *gameStateCommands + 1);
            noticeSeen = true;
        } else if (gameStateCommands) {
            for (const core::ServerCommand& command : to.serverCommands)
                EXPECT_EQ(command.text.find("Converted from"), std::string::npos);
        }
        if (to.gameState && !gameStateCommands) {
            gameStateCommands = to.gameState->serverCommandSequence;
            EXPECT_EQ(*gameStateCommands, from.gameState->serverCommandSequence - 1);
        }
        if (to.gameState) {
            const auto& strings = to.gameState->configStrings;
            EXPECT_TRUE(std::is_sorted(strings.begin(), strings.end()));
            const auto version = std::find_if(strings.begin(), strings.end(), [](auto& s) { return s.first == 20; });
            ASSERT_NE(version, strings.end());
            EXPECT_EQ(version->second, "baseoa-1");
            EXPECT_EQ(to.gameState->clientNumber, 0 + (c.protocol == 45 ? 3 : 0)); // the recording player
        }
        ASSERT_EQ(to.snapshot.has_value(), from.snapshot.has_value());
        if (!from.snapshot)
            continue;
        ++snapshots;
        const core::Snapshot& a = *from.snapshot;
        const core::Snapshot& b = *to.snapshot;
        ASSERT_EQ(b.serverTime, a.serverTime);
        ASSERT_EQ(b.entities.size(), a.entities.size());
        // OpenArena's stats: the weapons one place up, the persistant power-up empty.
        EXPECT_EQ(b.player.stats[3], a.player.stats[2]);
        EXPECT_EQ(b.player.stats[2], 0);
        EXPECT_EQ(b.player[core::PlayerField::Origin0], a.player[core::PlayerField::Origin0]);
        for (size_t i = 0; i < a.entities.size(); ++i)
            ASSERT_EQ(b.entities[i][core::EntityField::Origin0], a.entities[i][core::EntityField::Origin0]);
    }
    EXPECT_FALSE(result.Next(to));
    EXPECT_TRUE(result.EndMarkerSeen());
    EXPECT_TRUE(noticeSeen);
    EXPECT_GT(snapshots, 18000);
}

INSTANTIATE_TEST_SUITE_P(Corpus, ConvertedCorpusTest,
                         ::testing::Values(CorpusCase{"duel-1.17-osp.dm3", 45, ".dm3"},
                                           CorpusCase{"duel-1.27-osp.dm_48", 48, ".dm_48"}));

core::EntityState Entity(int number, int type)
{
    core::EntityState e;
    e.number = number;
    e[core::EntityField::EType] = static_cast<uint32_t>(type);
    return e;
}

TEST(OldDemoConverterTest, OneMessageOf117MappedTo132)
{
    core::OldDemoConverter converter(45, 68, {"baseq3-1", false});
    core::DemoMessage message;
    message.serverCommands = {{5, "cs 13 \"1000\"\n"},
                              {6, "cs 20 \"x\""},
                              {7, "stuff \"quit\""},
                              {8, "scores 1 0 0 1 20 50 600 0 0"},
                              {9, "cs 12 \"baseq3-1\""}};
    message.gameState.emplace();
    message.gameState->serverCommandSequence = 4;
    message.gameState->configStrings = {
        {0, "\\protocol\\45\\mapname\\q3dm6"}, {12, "baseq3-1"}, {14, "0"}, {16, "old"}, {27, "items"}};
    message.snapshot.emplace();
    core::PlayerState& player = message.snapshot->player;
    player[core::PlayerField::Events0] = 0x100 | 47; // a bullet hit, with a sequence bit
    player.persistant[5] = 9;                        // no place in 1.32
    player.persistant[7] = 3;                        // the attacker
    player.persistant[11] = 2;                       // gauntlet awards
    core::EntityState obituary = Entity(100, 12 + 58);
    obituary[core::EntityField::EventParm] = 24; // beyond the last means of death
    core::EntityState item = Entity(101, 2);
    item[core::EntityField::ModelIndex] = 40; // beyond the last item
    message.snapshot->entities = {Entity(1, 1), obituary, item, Entity(102, 12 + 65)};

    converter.Convert(message);

    const std::vector<core::ServerCommand> commands = {{5, "cs 21 \"1000\"\n"},
                                                       {6, core::kHarmlessCommand},
                                                       {7, core::kHarmlessCommand},
                                                       {8, "scores 1 0 0 1 20 50 600 0 0 0 0 0 0 0 0 0 0"},
                                                       {9, "cs 20 \"baseq3-1\""}};
    EXPECT_EQ(message.serverCommands, commands);
    EXPECT_EQ(message.gameState->configStrings,
              (std::vector<std::pair<int, std::string>>{
                  {0, "\\protocol\\68\\mapname\\q3dm6"}, {20, "baseq3-1"}, {22, "0"}, {27, "items"}}));
    EXPECT_EQ(player[core::PlayerField::Events0], 0x100u | 48u);
    EXPECT_EQ(player.persistant[5], 0);
    EXPECT_EQ(player.persistant[6], 3);
    EXPECT_EQ(player.persistant[13], 2);
    const auto& entities = message.snapshot->entities;
    EXPECT_EQ(entities[1][core::EntityField::EType], 13u + 60u);
    EXPECT_EQ(entities[1][core::EntityField::EventParm], 0u);
    EXPECT_EQ(entities[2][core::EntityField::EType], 10u); // hidden, not stopping the game
    EXPECT_EQ(entities[3][core::EntityField::EType], 13u); // an event entity without its event
    EXPECT_EQ(converter.Dropped(), (std::vector<std::string>{"configuration strings 16, 20", "entity events 65",
                                                             "persistant player values 5", "items 40",
                                                             "means of death 24", "server commands stuff"}));
}

TEST(OldDemoConverterTest, DemosThatCannotBeConvertedSayWhy)
{
    EXPECT_EQ(core::ConvertDemo({}, 45, 68, {}).failure, "the demo holds no message");
    const std::vector<uint8_t> cut = {0, 0, 0, 0, 100, 0, 0, 0, 1, 2, 3};
    const core::ConvertedDemo result = core::ConvertDemo(cut, 48, 68, {});
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.failure.starts_with("the demo could not be decoded at byte 0")) << result.failure;
    EXPECT_EQ(core::ConvertDemo(cut, 47, 68, {}).failure, "a demo of protocol 47 cannot be converted to protocol 68");
    // A message of 1.27 that holds nothing but its acknowledge and the end of the message.
    const std::vector<uint8_t> noGameState = {0, 0, 0,    0,    5,    0,    0,    0,    0,    0,   0,
                                              0, 8, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(core::ConvertDemo(noGameState, 48, 68, {}).failure, "the demo holds no game state");
}

} // namespace
