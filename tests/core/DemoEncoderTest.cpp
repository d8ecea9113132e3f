// The encoder: what it writes decodes to what it was given, for real demos of every protocol
// (Quake Live's in their own, the others as 68) and for the values and limits where the coding
// changes.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>

#include "core/demo/DemoDecoder.h"
#include "core/demo/DemoEncoder.h"
#include "support/DemoBuilder.h"

using namespace core;

namespace {

// Fields past the first `fields` of the model (Quake Live's own, in protocol 68) are not written.
PlayerState FirstFields(PlayerState p, int fields)
{
    std::fill(p.fields.begin() + fields, p.fields.end(), 0u);
    return p;
}

::testing::AssertionResult SameSnapshot(const Snapshot& a, const Snapshot& b, int playerFields = kPlayerFieldsOf132,
                                        int entityFields = kEntityFieldsOf132)
{
    if (a.serverTime != b.serverTime || a.snapFlags != b.snapFlags || a.areaMask != b.areaMask)
        return ::testing::AssertionFailure() << "header differs at time " << a.serverTime;
    const PlayerState pa = FirstFields(a.player, playerFields), pb = FirstFields(b.player, playerFields);
    for (int f = 0; f < kPlayerFieldCount; ++f)
        if (pa.fields[f] != pb.fields[f])
            return ::testing::AssertionFailure() << "player field " << f << " at time " << a.serverTime;
    if (pa != pb)
        return ::testing::AssertionFailure() << "player arrays at time " << a.serverTime;
    if (a.entities.size() != b.entities.size())
        return ::testing::AssertionFailure() << a.entities.size() << " vs " << b.entities.size() << " entities";
    for (size_t i = 0; i < a.entities.size(); ++i) {
        if (a.entities[i].number != b.entities[i].number)
            return ::testing::AssertionFailure() << "entity order at time " << a.serverTime;
        for (int f = 0; f < entityFields; ++f)
            if (a.entities[i].fields[f] != b.entities[i].fields[f])
                return ::testing::AssertionFailure()
                       << "entity " << a.entities[i].number << " field " << f << " at time " << a.serverTime;
    }
    return ::testing::AssertionSuccess();
}

// Decodes, encodes as `written` and decodes again; every message must come back the same, with
// every field that protocol sends.
void ExpectRoundTrip(std::span<const uint8_t> data, int protocol, int written, int playerFields, int entityFields)
{
    std::vector<uint8_t> encoded;
    {
        DemoDecoder decoder(data, protocol);
        DemoEncoder encoder(encoded, written);
        DemoMessage message;
        while (decoder.Next(message))
            ASSERT_EQ(encoder.Add(message), EncodeError::None) << "message " << decoder.MessageCount();
        ASSERT_EQ(decoder.Error(), DecodeError::None);
        encoder.Finish();
    }
    DemoDecoder original(data, protocol), again(encoded, written);
    DemoMessage a, b;
    int snapshots = 0;
    while (original.Next(a)) {
        ASSERT_TRUE(again.Next(b)) << DecodeErrorText(again.Error());
        ASSERT_EQ(a.sequence, b.sequence);
        ASSERT_EQ(a.serverCommands, b.serverCommands);
        ASSERT_EQ(a.gameState.has_value(), b.gameState.has_value());
        if (a.gameState) {
            EXPECT_EQ(a.gameState->configStrings, b.gameState->configStrings);
            EXPECT_EQ(a.gameState->baselines.size(), b.gameState->baselines.size());
        }
        ASSERT_EQ(a.snapshot.has_value(), b.snapshot.has_value());
        if (a.snapshot) {
            ++snapshots;
            ASSERT_TRUE(SameSnapshot(*a.snapshot, *b.snapshot, playerFields, entityFields));
            EXPECT_TRUE(b.snapshot->valid);
        }
    }
    EXPECT_FALSE(again.Next(b));
    EXPECT_TRUE(again.EndMarkerSeen());
    EXPECT_GT(snapshots, 0);
}

EntityState Entity(int number, float x)
{
    EntityState e;
    e.number = number;
    e[EntityField::EType] = 1;
    e[EntityField::PosTrBase0] = FloatAsField(x);
    return e;
}

DemoMessage GameStateMessage(int32_t sequence, std::vector<EntityState> baselines = {})
{
    DemoMessage m;
    m.sequence = sequence;
    m.reliableAcknowledge = 1;
    GameState& gs = m.gameState.emplace();
    gs.serverCommandSequence = 3;
    gs.configStrings = {{0, "\\protocol\\68\\mapname\\q3dm6"}, {1, "\\sv_serverid\\7"}};
    gs.baselines = std::move(baselines);
    gs.clientNumber = 0;
    gs.checksumFeed = 9;
    return m;
}

DemoMessage SnapshotMessage(int32_t sequence, int32_t time, std::vector<EntityState> entities)
{
    DemoMessage m;
    m.sequence = sequence;
    m.reliableAcknowledge = 1;
    Snapshot& s = m.snapshot.emplace();
    s.serverTime = time;
    s.areaMask = {0xFF};
    s.player[PlayerField::CommandTime] = static_cast<uint32_t>(time - 10);
    s.player.stats[0] = -5;
    s.player.powerups[3] = time;
    s.entities = std::move(entities);
    return m;
}

DecodedDemo EncodeAndDecode(const std::vector<DemoMessage>& messages)
{
    std::vector<uint8_t> out;
    DemoEncoder encoder(out);
    for (const DemoMessage& m : messages)
        EXPECT_EQ(encoder.Add(m), EncodeError::None);
    encoder.Finish();
    return DecodeDemo(out, 68);
}

} // namespace

TEST(DemoEncoder, RealDemosComeBackSnapshotForSnapshot)
{
    std::vector<std::filesystem::path> files;
    const std::filesystem::path corpus(VELMORA_CORPUS_DIR);
    if (!std::string(VELMORA_CORPUS_DIR).empty()) {
        for (const char* name : {"duel-1.17-osp.dm3", "duel-1.27-osp.dm_48"})
            if (std::filesystem::exists(corpus / name))
                files.push_back(corpus / name);
        std::error_code ec;
        for (const char* folder : {"modern", "ql"})
            if (std::filesystem::is_directory(corpus / folder, ec))
                for (const auto& entry : std::filesystem::directory_iterator(corpus / folder))
                    if (entry.path().extension().string().rfind(".dm_", 0) == 0)
                        files.push_back(entry.path());
    }
    if (files.empty())
        GTEST_SKIP() << "no real demos in " << VELMORA_CORPUS_DIR;
    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        const std::vector<uint8_t> data = testsupport::ReadBytes(path.string());
        const int protocol = DemoProtocolOf(data, path.extension().string());
        if (IsQuakeLiveProtocol(protocol))
            ExpectRoundTrip(data, protocol, protocol, kPlayerFieldCount, kEntityFieldCount);
        else
            ExpectRoundTrip(data, protocol, 68, kPlayerFieldsOf132, kEntityFieldsOf132);
    }
}

TEST(DemoEncoder, FloatsKeepTheirBits)
{
    // Whole numbers within 13 bits take the short form; beyond it, and anything that the short
    // form would not give back bit for bit (-0, NaN, infinities), travel whole.
    const float values[] = {0.0f,
                            -0.0f,
                            1.0f,
                            -4096.0f,
                            4095.0f,
                            4096.0f,
                            -4097.0f,
                            0.5f,
                            1e30f,
                            std::numeric_limits<float>::quiet_NaN(),
                            -std::numeric_limits<float>::infinity(),
                            std::numeric_limits<float>::denorm_min()};
    std::vector<EntityState> entities;
    std::vector<DemoMessage> messages{GameStateMessage(1)};
    int32_t sequence = 2;
    for (float v : values) {
        EntityState e = Entity(10, v);
        e[EntityField::Angles2] = FloatAsField(v);
        DemoMessage m = SnapshotMessage(sequence, sequence * 50, {e});
        m.snapshot->player[PlayerField::Origin0] = FloatAsField(v);
        messages.push_back(m);
        ++sequence;
    }
    const DecodedDemo back = EncodeAndDecode(messages);
    ASSERT_EQ(back.error, DecodeError::None);
    ASSERT_EQ(back.messages.size(), messages.size());
    for (size_t i = 1; i < messages.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(SameSnapshot(*messages[i].snapshot, *back.messages[i].snapshot));
    }
}

// Each protocol writes every field of its own tables and none other: a snapshot with every field of
// the model set comes back with exactly the fields the protocol sends.
TEST(DemoEncoder, EachProtocolWritesItsOwnFields)
{
    for (const int protocol : {68, 73, 90, 91}) {
        SCOPED_TRACE(protocol);
        ASSERT_TRUE(CanEncodeProtocol(protocol));
        const ProtocolFieldTables& tables = *FieldTablesFor(protocol);
        // A value other than zero for each field, within its width (signed ones positive), and
        // floats that need all 32 bits.
        const auto value = [](NetField f, size_t i) {
            if (f.bits == 0)
                return FloatAsField(0.25f + static_cast<float>(i));
            const int bits = f.bits < 0 ? -f.bits - 1 : std::min<int>(f.bits, 31);
            return static_cast<uint32_t>(i % ((1u << bits) - 1) + 1);
        };
        EntityState entity = Entity(7, 0.0f), expectedEntity;
        entity.fields.fill(0x5A5A5A5Au);
        expectedEntity.number = 7;
        for (size_t i = 0; i < tables.entity.size(); ++i)
            entity.fields[tables.entity[i].field] = expectedEntity.fields[tables.entity[i].field] =
                value(tables.entity[i], i);
        DemoMessage snapshot = SnapshotMessage(2, 100, {entity});
        PlayerState& player = snapshot.snapshot->player;
        player.fields.fill(0x5A5A5A5Au);
        PlayerState expectedPlayer = player;
        expectedPlayer.fields.fill(0);
        for (size_t i = 0; i < tables.player.size(); ++i)
            player.fields[tables.player[i].field] = expectedPlayer.fields[tables.player[i].field] =
                value(tables.player[i], i);

        // Then a delta that changes only the last field of each table.
        DemoMessage delta = snapshot;
        delta.sequence = 3;
        delta.snapshot->serverTime = 150;
        EntityList& entities = delta.snapshot->entities;
        entities[0].fields[tables.entity.back().field] ^= 1;
        delta.snapshot->player.fields[tables.player.back().field] ^= 1;

        std::vector<uint8_t> out;
        DemoEncoder encoder(out, protocol);
        ASSERT_EQ(encoder.Add(GameStateMessage(1)), EncodeError::None);
        ASSERT_EQ(encoder.Add(snapshot), EncodeError::None);
        ASSERT_EQ(encoder.Add(delta), EncodeError::None);
        encoder.Finish();
        const DecodedDemo back = DecodeDemo(out, protocol);
        ASSERT_EQ(back.error, DecodeError::None);
        ASSERT_EQ(back.messages.size(), 3u);
        EXPECT_EQ(back.messages[1].snapshot->player, expectedPlayer);
        ASSERT_EQ(back.messages[1].snapshot->entities.size(), 1u);
        EXPECT_EQ(back.messages[1].snapshot->entities[0], expectedEntity);
        EXPECT_EQ(back.messages[2].snapshot->deltaNumber, 1);
        EXPECT_EQ(back.messages[2].snapshot->player[static_cast<PlayerField>(tables.player.back().field)],
                  delta.snapshot->player[static_cast<PlayerField>(tables.player.back().field)]);
        ASSERT_EQ(back.messages[2].snapshot->entities.size(), 1u);
        EXPECT_EQ(back.messages[2].snapshot->entities[0][static_cast<EntityField>(tables.entity.back().field)],
                  entities[0][static_cast<EntityField>(tables.entity.back().field)]);
    }
    // The plain-coded protocols and those the table does not list are not written.
    for (const int protocol : {43, 45, 46, 47, 48, 65, 69, 72, 92})
        EXPECT_FALSE(CanEncodeProtocol(protocol)) << protocol;
}

TEST(DemoEncoder, DeltasReachBackAtMost31Messages)
{
    const EntityState moving = Entity(3, 10.0f);
    std::vector<DemoMessage> messages{GameStateMessage(1, {Entity(3, 0.0f), Entity(1023, 1.0f)})};
    messages.push_back(SnapshotMessage(2, 100, {moving}));
    messages.push_back(SnapshotMessage(33, 200, {Entity(3, 11.0f)}));                     // 31 back: a delta
    messages.push_back(SnapshotMessage(65, 300, {Entity(3, 12.0f), Entity(1022, 2.0f)})); // 32 back: whole
    messages.push_back(SnapshotMessage(66, 350, {Entity(1022, 2.0f)}));                   // entity 3 removed
    messages.push_back(GameStateMessage(67, {Entity(3, 5.0f)}));
    messages.push_back(SnapshotMessage(68, 400, {Entity(3, 5.0f)})); // after a game state: whole
    const DecodedDemo back = EncodeAndDecode(messages);
    ASSERT_EQ(back.error, DecodeError::None);
    ASSERT_EQ(back.messages.size(), messages.size());
    EXPECT_EQ(back.messages[0].gameState->baselines.size(), 2u);
    EXPECT_EQ(back.messages[1].snapshot->deltaNumber, 0);
    EXPECT_EQ(back.messages[2].snapshot->deltaNumber, 31);
    EXPECT_EQ(back.messages[3].snapshot->deltaNumber, 0);
    EXPECT_EQ(back.messages[4].snapshot->deltaNumber, 1);
    EXPECT_EQ(back.messages[6].snapshot->deltaNumber, 0);
    for (size_t i : {1u, 2u, 3u, 4u, 6u}) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(back.messages[i].snapshot->valid);
        EXPECT_TRUE(SameSnapshot(*messages[i].snapshot, *back.messages[i].snapshot));
    }
}

TEST(DemoEncoder, RefusesWhatTheGameCannotRead)
{
    std::vector<uint8_t> out;
    DemoEncoder encoder(out);
    ASSERT_EQ(encoder.Add(GameStateMessage(1, {Entity(1023, 0.0f)})), EncodeError::None);
    const size_t written = out.size();

    const auto refused = [&](const DemoMessage& m) {
        const EncodeError e = encoder.Add(m);
        EXPECT_EQ(out.size(), written) << "nothing of a refused message is written";
        return e;
    };
    EXPECT_EQ(refused(SnapshotMessage(2, 50, {Entity(1023, 0.0f)})), EncodeError::BadEntityNumber);
    EXPECT_EQ(refused(SnapshotMessage(2, 50, {Entity(5, 0.0f), Entity(4, 0.0f)})), EncodeError::EntitiesOutOfOrder);
    EXPECT_EQ(refused(GameStateMessage(2, {Entity(1024, 0.0f)})), EncodeError::BadEntityNumber);
    DemoMessage badIndex = GameStateMessage(2);
    badIndex.gameState->configStrings.emplace_back(kMaxConfigStrings, "x");
    EXPECT_EQ(refused(badIndex), EncodeError::BadConfigStringIndex);
    DemoMessage longString = GameStateMessage(2);
    longString.gameState->configStrings.emplace_back(5, std::string(8192, 'x'));
    EXPECT_EQ(refused(longString), EncodeError::TextTooLong);
    // The game's client holds 16000 bytes of texts, each with its terminator, after one leading
    // zero: beside the two texts of every game state here (26 and 14 bytes) and 15 of 999, one of
    // 956 fills it to the byte.
    DemoMessage full = GameStateMessage(3);
    for (int i = 0; i < 15; ++i)
        full.gameState->configStrings.emplace_back(100 + i, std::string(999, 'f'));
    full.gameState->configStrings.emplace_back(200, std::string(956, 'f'));
    DemoMessage overFull = full;
    overFull.gameState->configStrings.back().second += 'f';
    EXPECT_EQ(refused(overFull), EncodeError::GameStateTooLarge);
    // Quake Live's client holds more.
    std::vector<uint8_t> quakeLive;
    EXPECT_EQ(DemoEncoder(quakeLive, 91).Add(overFull), EncodeError::None);
    DemoMessage area = SnapshotMessage(2, 50, {});
    area.snapshot->areaMask.assign(kMaxAreaMaskBytes + 1, 0);
    EXPECT_EQ(refused(area), EncodeError::BadAreaMask);
    DemoMessage longCommand = SnapshotMessage(2, 50, {});
    longCommand.serverCommands.push_back({4, std::string(1024, 'x')});
    EXPECT_EQ(refused(longCommand), EncodeError::TextTooLong);
    // Seventeen server commands of the longest kind do not fit into one message.
    DemoMessage tooLong = SnapshotMessage(2, 50, {});
    for (int i = 0; i < 17; ++i)
        tooLong.serverCommands.push_back({4 + i, std::string(1023, 'q')});
    EXPECT_EQ(refused(tooLong), EncodeError::MessageTooLong);
    EXPECT_EQ(refused(SnapshotMessage(1, 50, {})), EncodeError::SequenceOutOfOrder);

    // The largest of each kind still goes, and the encoder goes on after a refusal.
    DemoMessage largest = SnapshotMessage(2, 50, {Entity(1022, 0.0f)});
    largest.snapshot->areaMask.assign(kMaxAreaMaskBytes, 0xAA);
    largest.serverCommands.push_back({4, std::string(1023, 'x')});
    EXPECT_EQ(encoder.Add(largest), EncodeError::None);
    EXPECT_EQ(encoder.Add(full), EncodeError::None);
    encoder.Finish();
    EXPECT_EQ(encoder.Add(SnapshotMessage(4, 100, {})), EncodeError::Finished);
    const DecodedDemo back = DecodeDemo(out, 68);
    ASSERT_EQ(back.error, DecodeError::None);
    ASSERT_EQ(back.messages.size(), 3u);
    EXPECT_EQ(back.messages[1].serverCommands, largest.serverCommands);
    EXPECT_EQ(back.messages[2].gameState->configStrings, full.gameState->configStrings);
    EXPECT_TRUE(SameSnapshot(*largest.snapshot, *back.messages[1].snapshot));
}
