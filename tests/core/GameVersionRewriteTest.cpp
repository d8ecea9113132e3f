// Giving modern demos the game version of the engine's data, and which demos are converted for
// which engine.
#include <gtest/gtest.h>

#include "core/convert/DemoConversion.h"
#include "core/convert/GameVersionRewrite.h"
#include "core/protocol/ModernMessage.h"
#include "core/protocol/WireLimits.h"
#include "core/summary/DemoReader.h"
#include "support/DemoBuilder.h"
#include "support/HuffmanEncoder.h"

namespace {

using testsupport::ModernDemoFile;
using testsupport::ModernMessageBuilder;

// The payloads of a modern demo file, in order.
std::vector<std::vector<uint8_t>> Payloads(const std::vector<uint8_t>& file)
{
    std::vector<std::vector<uint8_t>> payloads;
    size_t at = 0;
    while (at + 8 <= file.size()) {
        const auto length = static_cast<int32_t>(file[at + 4] | file[at + 5] << 8 | file[at + 6] << 16 |
                                                 static_cast<uint32_t>(file[at + 7]) << 24);
        if (length < 0)
            break;
        payloads.emplace_back(file.begin() + static_cast<long>(at + 8),
                              file.begin() + static_cast<long>(at + 8 + static_cast<size_t>(length)));
        at += 8 + static_cast<size_t>(length);
    }
    return payloads;
}

std::vector<std::pair<int, std::string>> ConfigStrings(const std::vector<uint8_t>& payload)
{
    std::vector<core::ModernCommand> commands;
    core::DecodeModernMessage(payload, commands);
    std::vector<std::pair<int, std::string>> strings;
    for (const core::ModernCommand& c : commands)
        if (c.kind == core::ModernCommand::ConfigString)
            strings.emplace_back(c.index, c.text);
    return strings;
}

// A game state the way a server sends it after a map change: a server command before it.
std::vector<uint8_t> GameStateMessage(const std::vector<std::pair<int, std::string>>& strings)
{
    return ModernMessageBuilder(0).ServerCommand(1, "print \"hi\n\"").Nop().GameState(1, strings).Payload();
}

TEST(GameVersionRewriteTest, OnlyConfigurationString20ChangesInEveryGameState)
{
    const std::vector<std::pair<int, std::string>> strings = {
        {0, "\\protocol\\70\\mapname\\oa_dm3"}, {1, "\\sv_serverid\\7"}, {20, "baseq3-1"}, {21, "1234"}};
    const std::vector<uint8_t> snapshot =
        ModernMessageBuilder(1).ServerCommand(2, "cs 20 \"x\"").Snapshot(900).Payload();
    const std::vector<uint8_t> demo = ModernDemoFile({GameStateMessage(strings), snapshot, GameStateMessage(strings)});

    const core::GameVersionRewrite result = core::RewriteGameVersion(demo, "baseoa-1");
    ASSERT_TRUE(result.ok) << result.failure;
    EXPECT_EQ(result.gameStates, 2);
    EXPECT_EQ(result.oldVersion, "baseq3-1");
    const auto payloads = Payloads(result.bytes);
    ASSERT_EQ(payloads.size(), 3u);
    std::vector<std::pair<int, std::string>> expected = strings;
    expected[2].second = "baseoa-1";
    EXPECT_EQ(ConfigStrings(payloads[0]), expected);
    EXPECT_EQ(ConfigStrings(payloads[2]), expected);
    // Messages without a game state stay byte for byte; the end marker closes the file.
    EXPECT_EQ(payloads[1], snapshot);
    EXPECT_EQ(std::vector<uint8_t>(result.bytes.end() - 8, result.bytes.end()), std::vector<uint8_t>(8, 0xFF));
    // The bits after the spliced string are the same: the baseline still reads where it was.
    std::vector<core::ModernCommand> commands;
    core::DecodeModernMessage(payloads[0], commands);
    EXPECT_EQ(commands.front().kind, core::ModernCommand::ServerCommand);
    EXPECT_EQ(commands.back().kind, core::ModernCommand::GameStateEnd);
}

TEST(GameVersionRewriteTest, AMissingGameVersionIsAddedInIndexOrder)
{
    for (const auto& strings : std::vector<std::vector<std::pair<int, std::string>>>{
             {{0, "\\mapname\\oa_dm3"}, {19, "a"}, {21, "b"}}, // between its neighbours
             {{0, "\\mapname\\oa_dm3"}, {5, "a"}},             // after the last one
             {}}) {                                            // none at all
        const core::GameVersionRewrite result = core::RewriteGameVersion(
            ModernDemoFile({ModernMessageBuilder(0).GameState(1, strings).Payload()}), "baseoa-1");
        ASSERT_TRUE(result.ok) << result.failure;
        EXPECT_EQ(result.oldVersion, "");
        std::vector<std::pair<int, std::string>> expected = strings;
        auto at = expected.begin();
        while (at != expected.end() && at->first < 20)
            ++at;
        expected.insert(at, {20, "baseoa-1"});
        EXPECT_EQ(ConfigStrings(Payloads(result.bytes)[0]), expected);
    }
}

TEST(GameVersionRewriteTest, DemosThatCannotBeFollowedAreRefused)
{
    const std::vector<uint8_t> gameState = ModernMessageBuilder(0).GameState(1, {{20, "baseq3-1"}}).Payload();
    std::vector<uint8_t> whole = ModernDemoFile({gameState});
    struct Case {
        const char* what;
        std::vector<uint8_t> demo;
        const char* failure;
    };
    // Damaged headers: tests/core/WireLayerTest.
    const std::vector<Case> cases = {
        {"no game state", ModernDemoFile({ModernMessageBuilder(1).Snapshot(5).Payload()}),
         "the demo holds no game state"},
        {"cut inside the game state", ModernDemoFile({std::vector<uint8_t>(gameState.begin(), gameState.begin() + 6)}),
         "the game state in message 0 is damaged"},
    };
    for (const Case& c : cases) {
        const core::GameVersionRewrite result = core::RewriteGameVersion(c.demo, "baseoa-1");
        EXPECT_FALSE(result.ok) << c.what;
        EXPECT_EQ(result.failure, c.failure) << c.what;
    }
    // A recording cut short after a whole message only lacks the end marker: it gets one.
    const std::vector<uint8_t> noEnd(whole.begin(), whole.end() - 8);
    const core::GameVersionRewrite ended = core::RewriteGameVersion(noEnd, "baseoa-1");
    ASSERT_TRUE(ended.ok) << ended.failure;
    EXPECT_EQ(ended.bytes, core::RewriteGameVersion(whole, "baseoa-1").bytes);
}

TEST(GameVersionRewriteTest, AMessageGrownPastTheGameLimitIsRefused)
{
    // A game state of exactly the game's limit grows by the longer version text.
    ModernMessageBuilder builder(0);
    builder.BeginGameState(1).ConfigString(20, "a");
    std::string filler(8000, 'x');
    builder.ConfigString(1, filler);
    std::vector<uint8_t> payload = builder.EndGameState().Payload();
    ASSERT_LT(payload.size(), core::kMaxMessageSize);
    const auto grown = core::RewriteGameVersion(ModernDemoFile({payload}), std::string(9000, 'v'));
    EXPECT_FALSE(grown.ok);
    EXPECT_EQ(grown.failure, "the game state in message 0 would grow beyond the game's message size");
    EXPECT_TRUE(core::RewriteGameVersion(ModernDemoFile({payload}), std::string(100, 'v')).ok);
}

TEST(DemoConversionTest, ConversionTargetFollowsWhatTheProgramPlays)
{
    const std::vector<int> engine = {66, 67, 68, 71};
    const std::vector<int> only71 = {71};
    const std::vector<int> only68 = {68};
    const std::vector<int> original = {43, 45, 46, 47, 48};
    const std::vector<int> openArena081 = {68, 70, 71};
    const std::vector<int> older = {66, 67};
    struct Case {
        int protocol;
        const std::vector<int>& playable;
        std::optional<int> target;
    };
    for (const Case& c :
         std::vector<Case>{{48, engine, 68},
                           {45, engine, 68},
                           {43, engine, 68},
                           {46, engine, 68},
                           {48, only71, 71},
                           {70, engine, 71},
                           {70, only68, 68},
                           {70, openArena081, std::nullopt}, // plays it as it is
                           {68, engine, std::nullopt},
                           {48, original, std::nullopt},
                           {47, engine, std::nullopt}, // 1.27's other protocol: no corpus, no conversion
                           {90, engine, std::nullopt}, // Quake Live
                           {45, older, std::nullopt}}) {
        EXPECT_EQ(core::ConversionTarget(c.protocol, c.playable), c.target) << c.protocol;
    }
    EXPECT_EQ(core::GameDataForBaseFolder("baseoa"), (core::TargetGameData{"baseoa-1", true}));
    EXPECT_EQ(core::GameDataForBaseFolder("BaseOA"), (core::TargetGameData{"baseoa-1", true}));
    EXPECT_EQ(core::GameDataForBaseFolder("baseq3"), (core::TargetGameData{"baseq3-1", false}));
    EXPECT_EQ(core::DemoExtensionOf(68), ".dm_68");
}

TEST(GameVersionRewriteTest, OpenArena081FlyByReadsTheSameAfterConversion)
{
    const std::vector<uint8_t> original =
        testsupport::ReadBytes(VELMORA_CORPUS_DIR "/modern/flyby-oa_dm3-openarena.dm_70");
    if (original.empty())
        GTEST_SKIP() << "no corpus in " << VELMORA_CORPUS_DIR;
    const core::ConvertedDemo converted = core::ConvertDemo(original, 70, 71, {"baseoa-1", true});
    ASSERT_TRUE(converted.ok) << converted.failure;
    const core::DemoState before = core::ReadDemo(original, {true, ".dm_70"});
    const core::DemoState after = core::ReadDemo(converted.bytes, {true, ".dm_71"});
    EXPECT_EQ(after.infoString, before.infoString);
    EXPECT_EQ(after.courseLog, before.courseLog);
    EXPECT_EQ(after.playtimeSeconds, before.playtimeSeconds);
    EXPECT_TRUE(after.walkedToEnd);
    EXPECT_EQ(ConfigStrings(Payloads(converted.bytes)[0]).size(), ConfigStrings(Payloads(original)[0]).size());
}

} // namespace
