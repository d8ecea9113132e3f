// The full decoder: real demos of every protocol decode to their end marker, and damaged or
// oversized data gives an error value, never a crash or an endless loop.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "core/demo/DemoDecoder.h"
#include "core/demo/DemoEncoder.h"
#include "core/protocol/MessageCommand.h"
#include "core/row/DemoInfo.h"
#include "core/summary/DemoReader.h"
#include "support/HuffmanEncoder.h"
#include "support/PlainBits.h"

using namespace core;
using testsupport::ModernMessageBuilder;

namespace {

std::vector<uint8_t> ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::filesystem::path> CorpusFiles(const char* folder)
{
    std::vector<std::filesystem::path> files;
    const auto dir = std::filesystem::path(VELMORA_CORPUS_DIR) / folder;
    std::error_code ec;
    if (std::string(VELMORA_CORPUS_DIR).empty() || !std::filesystem::is_directory(dir, ec))
        return files;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        if (entry.path().extension().string().rfind(".dm", 0) == 0)
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

using testsupport::PlainBits;

std::vector<uint8_t> DemoFile(const std::vector<std::vector<uint8_t>>& payloads, bool endMarker = true)
{
    std::vector<uint8_t> file = testsupport::ModernDemoFile(payloads, 1);
    if (!endMarker)
        file.resize(file.size() - 8);
    return file;
}

struct Walked {
    int messages = 0, snapshots = 0, validSnapshots = 0;
    int32_t firstTime = 0, lastTime = 0;
    bool timesAscend = true;
    DecodeError error = DecodeError::None;
    bool endMarker = false;
};

Walked Walk(std::span<const uint8_t> data, int protocol)
{
    Walked w;
    DemoDecoder decoder(data, protocol);
    DemoMessage message;
    while (decoder.Next(message)) {
        ++w.messages;
        if (!message.snapshot)
            continue;
        const Snapshot& s = *message.snapshot;
        if (w.snapshots++ == 0)
            w.firstTime = s.serverTime;
        else if (s.serverTime < w.lastTime)
            w.timesAscend = false;
        w.lastTime = s.serverTime;
        w.validSnapshots += s.valid;
        for (size_t i = 1; i < s.entities.size(); ++i)
            EXPECT_LT(s.entities[i - 1].number, s.entities[i].number);
        EXPECT_LE(s.entities.size(), static_cast<size_t>(kMaxEntities));
    }
    w.error = decoder.Error();
    w.endMarker = decoder.EndMarkerSeen();
    return w;
}

} // namespace

TEST(DemoDecoder, RealDemosOfEveryProtocolDecodeToTheirEnd)
{
    std::vector<std::filesystem::path> files = CorpusFiles(".");
    for (const char* folder : {"modern", "ql"})
        for (auto& f : CorpusFiles(folder))
            files.push_back(f);
    if (files.empty())
        GTEST_SKIP() << "no real demos in " << VELMORA_CORPUS_DIR;
    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        const std::vector<uint8_t> data = ReadAll(path);
        const std::string extension = path.extension().string();
        const int protocol = DemoProtocolOf(data, extension);
        ASSERT_TRUE(IsDecodableProtocol(protocol)) << protocol;
        const Walked w = Walk(data, protocol);
        EXPECT_EQ(w.error, DecodeError::None) << DecodeErrorText(w.error);
        EXPECT_TRUE(w.endMarker);
        EXPECT_TRUE(w.timesAscend);
        // The game shows every snapshot of a whole recording: one per message after the game state.
        EXPECT_EQ(w.validSnapshots, w.snapshots);
        EXPECT_EQ(w.snapshots, w.messages - 1);
        // The listing's walk measures the same play time from the same snapshots.
        ReadWishes wishes;
        wishes.extension = extension;
        const DemoState listed = ReadDemo(data, wishes);
        EXPECT_EQ(listed.playtimeSeconds, static_cast<uint32_t>(RoundHalfEven((w.lastTime - w.firstTime) / 1000.0)));
    }
}

TEST(DemoDecoder, OldDemosHoldTheSnapshotsTheGameShows)
{
    const auto dir = std::filesystem::path(VELMORA_CORPUS_DIR);
    const std::filesystem::path demo117 = dir / "duel-1.17-osp.dm3", demo127 = dir / "duel-1.27-osp.dm_48";
    if (std::string(VELMORA_CORPUS_DIR).empty() || !std::filesystem::exists(demo117) ||
        !std::filesystem::exists(demo127))
        GTEST_SKIP() << "the old real demos are not there";
    const std::vector<uint8_t> old117 = ReadAll(demo117), old127 = ReadAll(demo127);
    EXPECT_EQ(DemoProtocolOf(old117, ".dm3"), 45);
    EXPECT_EQ(DemoProtocolOf(old127, ".dm_48"), 48);
    EXPECT_EQ(Walk(old117, 45).validSnapshots, 18231);
    EXPECT_EQ(Walk(old127, 48).validSnapshots, 18329);

    // The recording player's view: a 1.17 weapon time below zero keeps its sign.
    DecodedDemo decoded = DecodeDemo(old117, 45);
    ASSERT_EQ(decoded.error, DecodeError::None);
    ASSERT_TRUE(decoded.messages.front().gameState);
    const GameState& gameState = *decoded.messages.front().gameState;
    EXPECT_FALSE(gameState.clientNumber); // 1.17 sends none
    EXPECT_EQ(gameState.configStrings.front().first, 0);
    EXPECT_NE(gameState.configStrings.front().second.find("protocol\\45"), std::string::npos);
    bool negativeWeaponTime = false;
    for (const DemoMessage& m : decoded.messages)
        if (m.snapshot && static_cast<int32_t>(m.snapshot->player[PlayerField::WeaponTime]) < 0)
            negativeWeaponTime = true;
    EXPECT_TRUE(negativeWeaponTime);
    EXPECT_TRUE(decoded.messages[1].snapshot->clientCommandSequence.has_value());
    EXPECT_FALSE(decoded.messages[1].reliableAcknowledge.has_value());
}

TEST(DemoDecoder, MutatedDemosEndInErrorsNotCrashes)
{
    // Cut demos: tests/core/DemoReaderTest (ParsingCuts), through every reader.
    std::vector<uint8_t> modern;
    const auto files = CorpusFiles("modern");
    for (const auto& f : files)
        if (f.filename() == "ffa-oa_dm2-ioquake3.dm_68")
            modern = ReadAll(f);
    if (modern.empty()) {
        // Without the corpus: a short demo of the program's own making.
        std::vector<std::vector<uint8_t>> payloads;
        payloads.push_back(ModernMessageBuilder(0).GameState(1, {{0, "\\protocol\\68"}}).Payload());
        for (uint32_t t = 1; t < 40; ++t)
            payloads.push_back(ModernMessageBuilder(0).Snapshot(t * 50).End().Payload());
        modern = DemoFile(payloads);
    }
    // Flipped bytes in the messages: whatever comes out, it comes out.
    std::mt19937 random(5);
    int errors = 0;
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> damaged = modern;
        for (int flips = 0; flips < 4; ++flips)
            damaged[random() % damaged.size()] ^= static_cast<uint8_t>(1 + random() % 255);
        errors += Walk(damaged, 68).error != DecodeError::None;
        Walk(damaged, 45); // the same bytes read as the plain format
    }
    EXPECT_GT(errors, 0);
}

TEST(DemoDecoder, VoiceChatIsSteppedOver)
{
    // ioquake3's voice data: sender, generation, sequence, frames, size, flags, then the bytes.
    const auto withVoice = [](uint8_t command, uint32_t sender) {
        ModernMessageBuilder message(0);
        auto& w = message.Writer();
        w.WriteByte(command);
        w.WriteBits(sender, 16);
        w.WriteBits(1, 8);
        w.WriteBits(77, 32);
        w.WriteBits(1, 8);
        w.WriteBits(3, 16);
        w.WriteBits(0, 2);
        for (uint8_t b : {0xAA, 0xBB, 0xCC})
            w.WriteByte(b);
        message.ServerCommand(5, "print \"after\"").End();
        return DecodeDemo(DemoFile({message.Payload()}), 71);
    };
    for (uint8_t command : {9, 10}) {
        const DecodedDemo voice = withVoice(command, 2);
        ASSERT_EQ(voice.error, DecodeError::None);
        ASSERT_EQ(voice.messages[0].serverCommands.size(), 1u);
        EXPECT_EQ(voice.messages[0].serverCommands[0].text, "print \"after\"");
    }
    // A negative sender ends the voice command after its header, as in the game.
    EXPECT_EQ(withVoice(10, 0xFFFF).error, DecodeError::BadCommand);
}

TEST(DemoDecoder, GameStateBoundsAreTheGames)
{
    const auto gameState = [](int index, size_t textSize, int extraStrings = 0) {
        ModernMessageBuilder message(0);
        message.BeginGameState(1);
        for (int i = 0; i < extraStrings; ++i)
            message.ConfigString(100 + i, std::string(999, 'x'));
        message.ConfigString(index, std::string(textSize, 'c'));
        message.EndGameState(3, 4).End();
        return DecodeDemo(DemoFile({message.Payload()}), 68);
    };
    const DecodedDemo last = gameState(kMaxConfigStrings - 1, 10);
    ASSERT_EQ(last.error, DecodeError::None);
    EXPECT_EQ(last.messages[0].gameState->configStrings.back().first, kMaxConfigStrings - 1);
    EXPECT_EQ(last.messages[0].gameState->clientNumber, 3);
    EXPECT_EQ(gameState(kMaxConfigStrings, 10).error, DecodeError::BadConfigStringIndex);
    // The game holds 16000 bytes of texts, each with its terminator, after one leading zero:
    // 15 texts of 999 bytes take 15000, and one more of 998 fills it to the byte.
    EXPECT_EQ(gameState(5, 998, 15).error, DecodeError::None);
    EXPECT_EQ(gameState(5, 999, 15).error, DecodeError::GameStateTooLarge);
    // A text longer than the game's buffer is read to its end and cut.
    const DecodedDemo longText = gameState(5, 9000);
    ASSERT_EQ(longText.error, DecodeError::None);
    EXPECT_EQ(longText.messages[0].gameState->configStrings[0].second.size(), 8191u);
}

TEST(DemoDecoder, SnapshotBoundsAreTheGames)
{
    const auto snapshot = [](int areaBytes, int playerFields) {
        ModernMessageBuilder message(0);
        auto& w = message.Writer();
        w.WriteByte(static_cast<uint8_t>(MessageCommand::Snapshot));
        w.WriteBits(1000, 32);
        w.WriteByte(0); // whole
        w.WriteByte(0); // flags
        w.WriteByte(static_cast<uint8_t>(areaBytes));
        for (int i = 0; i < areaBytes; ++i)
            w.WriteByte(0xFF);
        w.WriteByte(static_cast<uint8_t>(playerFields));
        for (int i = 0; i < playerFields; ++i)
            w.WriteBits(0, 1);
        w.WriteBits(0, 1);
        // Entity 1022, the last there is, from its (empty) baseline, then the list's end.
        w.WriteBits(1022, 10);
        w.WriteBits(0, 1);
        w.WriteBits(0, 1);
        w.WriteBits(1023, 10);
        message.End();
        return DecodeDemo(DemoFile({message.Payload()}), 68);
    };
    const DecodedDemo fits = snapshot(kMaxAreaMaskBytes, 48);
    ASSERT_EQ(fits.error, DecodeError::None);
    const Snapshot& s = *fits.messages[0].snapshot;
    EXPECT_EQ(s.areaMask.size(), 32u);
    ASSERT_EQ(s.entities.size(), 1u);
    EXPECT_EQ(s.entities[0].number, 1022);
    EXPECT_EQ(snapshot(kMaxAreaMaskBytes + 1, 48).error, DecodeError::BadAreaMask);
    EXPECT_EQ(snapshot(kMaxAreaMaskBytes, 49).error, DecodeError::BadFieldCount);
}

TEST(DemoDecoder, PlainFormatChangeMasksAndFloats)
{
    // Protocol 48: a game state with one baseline, written bit by bit as 1.27 packs it.
    PlainBits bits;
    bits.Put(7, 32); // acknowledge
    bits.Put(static_cast<uint32_t>(MessageCommand::GameState), 8);
    bits.Put(2, 32); // command sequence
    bits.Put(static_cast<uint32_t>(MessageCommand::Baseline), 8);
    bits.Put(5, 10);                                  // entity 5
    bits.Put(0, 1);                                   // not removed
    bits.Put(1, 1);                                   // changed
    bits.Put(14, 5);                                  // known mask 14: field 7 alone
    bits.Put(0, 1);                                   // a whole number...
    bits.Put(static_cast<uint32_t>(-100 + 4096), 13); // ...of -100: pos.trBase[2]
    bits.Put(static_cast<uint32_t>(MessageCommand::Baseline), 8);
    bits.Put(6, 10);
    bits.Put(0, 1);
    bits.Put(1, 1);
    bits.Put(31, 5);   // the mask in full
    bits.Put(0x02, 8); // field 1: eFlags
    for (int i = 0; i < 5; ++i)
        bits.Put(0, 8);
    bits.Put(0x4, 3); // field 50: generic1
    bits.Put(0x7FFFF, 19);
    bits.Put(0xAB, 8);
    bits.Put(0, 8); // the game state's end (the plain format's zero)
    const DecodedDemo demo = DecodeDemo(DemoFile({bits.Bytes()}), 48);
    ASSERT_EQ(demo.error, DecodeError::None) << DecodeErrorText(demo.error);
    const GameState& gs = *demo.messages[0].gameState;
    EXPECT_EQ(demo.messages[0].reliableAcknowledge, 7);
    EXPECT_FALSE(gs.clientNumber);
    ASSERT_EQ(gs.baselines.size(), 2u);
    EXPECT_EQ(gs.baselines[0].number, 5);
    EXPECT_EQ(FieldAsFloat(gs.baselines[0][EntityField::PosTrBase2]), -100.0f);
    EXPECT_EQ(gs.baselines[1][EntityField::EFlags], 0x7FFFFu);
    EXPECT_EQ(gs.baselines[1][EntityField::Generic1], 0xABu);
}

// A snapshot's entities are the decoder's own list lent to the message: whatever the caller does
// with them (the old demos' conversion rewrites them in place) must not reach the snapshots later
// ones are delta-coded from, nor the messages kept from before.
TEST(DemoDecoder, EntitiesChangedByTheCallerLeaveTheDecodingAlone)
{
    std::vector<std::filesystem::path> files = CorpusFiles("modern");
    for (auto& f : CorpusFiles("."))
        files.push_back(f);
    if (files.empty())
        GTEST_SKIP() << "no real demos in " << VELMORA_CORPUS_DIR;
    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        const std::vector<uint8_t> data = ReadAll(path);
        const int protocol = DemoProtocolOf(data, path.extension().string());
        const DecodedDemo kept = DecodeDemo(data, protocol);
        ASSERT_EQ(kept.error, DecodeError::None);
        DemoDecoder decoder(data, protocol);
        DemoMessage message;
        std::vector<EntityList> copies;
        for (const DemoMessage& expected : kept.messages) {
            ASSERT_TRUE(decoder.Next(message));
            ASSERT_EQ(message.snapshot.has_value(), expected.snapshot.has_value());
            if (!message.snapshot)
                continue;
            ASSERT_EQ(message.snapshot->entities, expected.snapshot->entities) << "message " << message.sequence;
            // A copy shares the list until one of them changes it.
            copies.push_back(message.snapshot->entities);
            for (EntityState& entity : message.snapshot->entities)
                entity[EntityField::Origin0] ^= 1;
            ASSERT_EQ(copies.back(), expected.snapshot->entities);
        }
    }
}
