// Demos of protocols 66 to 71 for the engine's data: converted only as far as the game plays them,
// and OpenArena 0.8.1's with the player stats where OpenArena's later game code reads them.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <stop_token>

#include "core/convert/DemoConversion.h"
#include "core/convert/DemoFileConversion.h"
#include "core/convert/GameVersionRewrite.h"
#include "core/demo/DemoDecoder.h"
#include "core/demo/DemoEncoder.h"
#include "support/HuffmanEncoder.h"
#include "support/ScratchDir.h"
#include "support/ZipBuilder.h"

namespace {

using Edit = std::function<void(core::Snapshot&)>;
constexpr int kSnapshots = 10;
constexpr size_t kAll = SIZE_MAX;

// A game state, then snapshots 50 ms apart with the recording player's entity (number 1) and an
// item (number 2); `edit` changes the sixth snapshot.
std::vector<uint8_t> BuiltDemo(const Edit& edit = {})
{
    std::vector<uint8_t> bytes;
    core::DemoEncoder encoder(bytes);
    core::DemoMessage start;
    start.sequence = 1;
    start.gameState.emplace();
    start.gameState->configStrings = {{0, "\\protocol\\68\\mapname\\oa_dm1"}, {20, "baseq3-1"}};
    start.gameState->clientNumber = 0;
    start.gameState->checksumFeed = 0;
    EXPECT_EQ(encoder.Add(start), core::EncodeError::None);
    for (int i = 0; i < kSnapshots; ++i) {
        core::DemoMessage message;
        message.sequence = 2 + i;
        core::Snapshot& snapshot = message.snapshot.emplace();
        snapshot.serverTime = 1000 + 50 * i;
        snapshot.player.stats[2] = 0x3C02; // 1.32's weapons
        snapshot.player.stats[3] = 50;     // armour
        for (const int number : {1, 2}) {
            core::EntityState& entity = snapshot.entities.emplace_back();
            entity.number = number;
            entity[core::EntityField::EType] = static_cast<uint32_t>(number);
            entity[core::EntityField::PosTrType] = 1;
        }
        if (i == 5 && edit)
            edit(snapshot);
        EXPECT_EQ(encoder.Add(message), core::EncodeError::None);
    }
    encoder.Finish();
    return bytes;
}

// Where each message starts, and where the end marker does.
std::vector<size_t> MessageStarts(const std::vector<uint8_t>& demo)
{
    std::vector<size_t> starts;
    for (size_t at = 0; at + 8 <= demo.size();) {
        starts.push_back(at);
        const auto length = static_cast<int32_t>(demo[at + 4] | demo[at + 5] << 8 | demo[at + 6] << 16 |
                                                 static_cast<uint32_t>(demo[at + 7]) << 24);
        if (length < 0)
            break;
        at += 8 + static_cast<size_t>(length);
    }
    return starts;
}

// The demo with message `index` holding only a command byte no server sends.
std::vector<uint8_t> WithUnknownCommand(const std::vector<uint8_t>& demo, size_t index)
{
    const std::vector<size_t> starts = MessageStarts(demo);
    std::vector<uint8_t> out(demo.begin(), demo.begin() + static_cast<long>(starts[index] + 8));
    const std::vector<uint8_t> payload = testsupport::ModernMessageBuilder(0).CommandByte(0x55).Payload();
    out[starts[index] + 4] = static_cast<uint8_t>(payload.size());
    out[starts[index] + 5] = out[starts[index] + 6] = out[starts[index] + 7] = 0;
    out.insert(out.end(), payload.begin(), payload.end());
    out.insert(out.end(), demo.begin() + static_cast<long>(starts[index + 1]), demo.end());
    return out;
}

TEST(ModernDemoConversion, ADemoDamagedInsideIsConvertedUpToTheDamageAndSaysWhere)
{
    const std::vector<uint8_t> whole = BuiltDemo();
    const std::vector<size_t> starts = MessageStarts(whole);
    ASSERT_EQ(starts.size(), 1u + kSnapshots + 1u);
    const size_t sixth = starts[6], end = starts.back();
    const auto breaksOff = [](size_t at, const std::string& why) {
        return "the demo breaks off at byte " + std::to_string(at) + " (" + why + ")";
    };
    const auto set = [](core::EntityField field, uint32_t value) {
        return [=](core::Snapshot& s) { s.entities[0][field] = value; };
    };
    struct Case {
        const char* what;
        std::vector<uint8_t> demo;
        size_t wholeUpTo; // the messages converted: those before this byte (kAll: every one)
        std::string brokeOff;
    };
    const Case cases[] = {
        {"whole", whole, end, ""},
        {"no end marker (a crash cut the recording)", {whole.begin(), whole.end() - 8}, end, ""},
        {"the end marker's sequence alone", {whole.begin(), whole.end() - 4}, end, ""},
        {"three bytes of a header",
         {whole.begin(), whole.end() - 5},
         end,
         breaksOff(end, "demo cut off inside a message")},
        {"cut inside the last message",
         {whole.begin(), whole.begin() + static_cast<long>(end - 3)},
         starts[kSnapshots],
         breaksOff(starts[kSnapshots], "demo cut off inside a message")},
        {"a command no server sends", WithUnknownCommand(whole, 6), sixth,
         breaksOff(sixth, "unknown command in message")},
        {"trajectory type 5, the last the game knows", BuiltDemo(set(core::EntityField::PosTrType, 5)), kAll, ""},
        {"trajectory type 6", BuiltDemo(set(core::EntityField::PosTrType, 6)), sixth,
         breaksOff(sixth, "entity 1 moves along an unknown kind of trajectory, 6")},
        {"angular trajectory type 6", BuiltDemo(set(core::EntityField::AposTrType, 6)), sixth,
         breaksOff(sixth, "entity 1 moves along an unknown kind of trajectory, 6")},
        {"event 82, the last the game knows", BuiltDemo(set(core::EntityField::Event, 0x100 | 82)), kAll, ""},
        {"event 83", BuiltDemo(set(core::EntityField::Event, 0x100 | 83)), sixth,
         breaksOff(sixth, "entity 1 has an unknown event, 83")},
        {"event entity of event 83", BuiltDemo(set(core::EntityField::EType, 13 + 83)), sixth,
         breaksOff(sixth, "entity 1 has an unknown event, 83")},
        {"position 1000000", BuiltDemo(set(core::EntityField::PosTrBase2, core::FloatAsField(1e6F))), kAll, ""},
        {"position 1000000.06", BuiltDemo(set(core::EntityField::PosTrBase2, core::FloatAsField(1000000.06F))), sixth,
         breaksOff(sixth, "entity 1 is or moves far outside any map")},
        {"speed -1000000.06", BuiltDemo(set(core::EntityField::PosTrDelta0, core::FloatAsField(-1000000.06F))), sixth,
         breaksOff(sixth, "entity 1 is or moves far outside any map")},
        {"no number", BuiltDemo(set(core::EntityField::Origin1, 0x7FC00000)), sixth,
         breaksOff(sixth, "entity 1 is or moves far outside any map")},
        {"player speed", BuiltDemo([](core::Snapshot& s) { s.player[core::PlayerField::Velocity1] = 0xFF800000; }),
         sixth, breaksOff(sixth, "the player is or moves far outside any map")},
        {"player event 83", BuiltDemo([](core::Snapshot& s) { s.player[core::PlayerField::ExternalEvent] = 83; }),
         sixth, breaksOff(sixth, "the player has an unknown event, 83")},
    };
    for (const Case& c : cases) {
        const core::ConvertedDemo converted = core::ConvertDemo(c.demo, 68, 71, {"baseoa-1", true});
        ASSERT_TRUE(converted.ok) << c.what << ": " << converted.failure;
        EXPECT_EQ(converted.brokeOff, c.brokeOff) << c.what;
        // What comes before the damage, bit for bit but for the game version, and the end marker.
        EXPECT_EQ(
            converted.bytes,
            core::RewriteGameVersion(std::span(c.demo).first(std::min(c.wholeUpTo, c.demo.size())), "baseoa-1").bytes)
            << c.what;
        const core::DecodedDemo decoded = core::DecodeDemo(converted.bytes, 71);
        EXPECT_EQ(decoded.error, core::DecodeError::None) << c.what;
        EXPECT_TRUE(decoded.endMarker) << c.what;
    }

    // Damage before anything the game could play leaves nothing to convert.
    const core::ConvertedDemo none = core::ConvertDemo(WithUnknownCommand(whole, 0), 68, 71, {"baseoa-1", true});
    EXPECT_FALSE(none.ok);
    EXPECT_EQ(none.failure, breaksOff(0, "unknown command in message") + ", before its first game state");
}

TEST(ModernDemoConversion, OpenArena081StatsMoveForOpenArenasDataOnly)
{
    const std::vector<uint8_t> demo = BuiltDemo();
    struct Case {
        int protocol;
        core::TargetGameData data;
        bool moved;
    };
    for (const Case& c : {Case{70, {"baseoa-1", true}, true}, Case{70, {"baseq3-1", false}, false},
                          Case{71, {"baseoa-1", true}, false}, Case{68, {"baseoa-1", true}, false}}) {
        const core::ConvertedDemo converted = core::ConvertDemo(demo, c.protocol, 71, c.data);
        ASSERT_TRUE(converted.ok) << c.protocol << ": " << converted.failure;
        const core::DecodedDemo decoded = core::DecodeDemo(converted.bytes, 71);
        ASSERT_EQ(decoded.error, core::DecodeError::None);
        ASSERT_EQ(decoded.messages.size(), 1u + kSnapshots);
        EXPECT_EQ(decoded.messages[0].gameState->configStrings[1],
                  (std::pair<int, std::string>{20, c.data.gameVersion}));
        for (size_t i = 1; i < decoded.messages.size(); ++i) {
            const core::Snapshot& snapshot = *decoded.messages[i].snapshot;
            EXPECT_EQ(snapshot.serverTime, 1000 + 50 * static_cast<int>(i - 1));
            EXPECT_EQ(snapshot.entities.size(), 2u);
            // OpenArena's: the persistant power-up (none) at 2, the weapons and the armour one up.
            const std::array<int32_t, 3> stats = {snapshot.player.stats[2], snapshot.player.stats[3],
                                                  snapshot.player.stats[4]};
            EXPECT_EQ(stats, (c.moved ? std::array<int32_t, 3>{0, 0x3C02, 50} : std::array<int32_t, 3>{0x3C02, 50, 0}))
                << c.protocol << " " << i;
        }
        if (!c.moved) { // only the game version changes
            EXPECT_EQ(converted.bytes, core::RewriteGameVersion(demo, c.data.gameVersion).bytes);
        }
    }
}

// A stop request ends a conversion between two messages; its file is not written, not even in part.
TEST(ModernDemoConversion, AStopRequestEndsTheConversionAndWritesNothing)
{
    testsupport::ScratchDir dir;
    testsupport::WriteFile(dir.path() / "in.dm_68", BuiltDemo());
    for (const bool stopped : {false, true}) {
        std::stop_source stop;
        if (stopped)
            stop.request_stop();
        core::DemoFileConversion job;
        job.name = (dir.path() / "in.dm_68").string();
        job.fromProtocol = 68;
        job.toProtocol = 71;
        job.output = (dir.path() / (stopped ? "stopped.dm_71" : "whole.dm_71")).string();
        job.stop = stop.get_token();
        const core::DemoFileConversionResult result = core::ConvertDemoFile(job);
        EXPECT_EQ(result.ok, !stopped) << result.failure;
        EXPECT_EQ(std::filesystem::exists(job.output), !stopped);
        EXPECT_EQ(result.failure, stopped ? "the conversion was stopped" : "");
    }
    // The demo and the whole conversion, no hidden part of the stopped one.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

} // namespace
