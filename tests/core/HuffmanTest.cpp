#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>

#include "core/protocol/Huffman.h"
#include "core/protocol/ModernMessage.h"
#include "core/protocol/ProtocolTable.h"
#include "support/HuffmanEncoder.h"
#include "support/HuffmanTrees.h"

using namespace core;
using testsupport::HuffmanBitWriter;
using testsupport::HuffmanCodeOf;
using testsupport::HuffmanTree;
using testsupport::ModernMessageBuilder;
using testsupport::ReplayedHuffmanTree;

namespace {

bool SameCommand(const ModernCommand& a, const ModernCommand& b)
{
    return a.kind == b.kind && a.sequence == b.sequence && a.index == b.index && a.text == b.text &&
           a.serverTime == b.serverTime;
}

// `part` must equal the first commands of `whole`.
::testing::AssertionResult IsPrefixOf(const std::vector<ModernCommand>& part, const std::vector<ModernCommand>& whole)
{
    if (part.size() > whole.size()) {
        return ::testing::AssertionFailure() << part.size() << " commands, more than " << whole.size();
    }
    for (size_t i = 0; i < part.size(); ++i) {
        if (!SameCommand(part[i], whole[i])) {
            return ::testing::AssertionFailure() << "command " << i << " differs";
        }
    }
    return ::testing::AssertionSuccess();
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The tree and the bit reader

TEST(HuffmanTree, CompleteWithShortCodes)
{
    // Kraft sum exactly 1 over all 257 leaves: every bit pattern ends in a symbol.
    uint32_t kraft = 0;
    int longest = 0;
    for (int s = 0; s <= HuffmanTree::kNotYetTransmitted; ++s) {
        const int length = HuffmanCodeOf(s).length;
        ASSERT_GE(length, 1) << s;
        ASSERT_LE(length, kHuffmanLookupBits) << s;
        kraft += 1u << (kHuffmanLookupBits - length);
        longest = std::max(longest, length);
    }
    EXPECT_EQ(kraft, 1u << kHuffmanLookupBits);
    // The zero byte dominates the frequencies and gets the shortest code; the escape the longest.
    EXPECT_EQ(HuffmanCodeOf(0).length, 2);
    EXPECT_EQ(HuffmanCodeOf(HuffmanTree::kNotYetTransmitted).length, longest);
}

TEST(HuffmanTree, ConstantCodesAreTheCodersOwn)
{
    // The codes the reader is compiled with are those the game's adaptive coder reaches.
    const HuffmanTree replayed = ReplayedHuffmanTree();
    const auto& codes = FixedHuffmanCodes();
    for (int s = 0; s <= HuffmanTree::kNotYetTransmitted; ++s) {
        uint32_t bits = 0;
        int length = 0;
        for (int n = replayed.leafOf[s]; replayed.nodes[n].parent >= 0; n = replayed.nodes[n].parent) {
            const int parent = replayed.nodes[n].parent;
            bits = (bits << 1) | (replayed.nodes[parent].right == n ? 1u : 0u);
            ++length;
        }
        EXPECT_EQ(codes[s].bits, bits) << s;
        EXPECT_EQ(codes[s].length, length) << s;
    }
}

TEST(HuffmanTree, PairTableAgreesWithSingleCodes)
{
    const auto& pairs = FixedHuffmanPairTable();
    const auto& single = FixedHuffmanTable();
    int doubles = 0;
    for (uint32_t i = 0; i < pairs.size(); ++i) {
        const HuffmanPairLookup hit = pairs[i];
        const HuffmanLookup first = single[i & ((1u << kHuffmanLookupBits) - 1)];
        if (first.symbol > 255) {
            EXPECT_EQ(hit.count(), 0) << i;
            continue;
        }
        EXPECT_EQ(hit.first, first.symbol) << i;
        EXPECT_EQ(hit.firstLength, first.length) << i;
        if (hit.count() == 2) {
            ++doubles;
            const HuffmanLookup second = single[(i >> first.length) & ((1u << kHuffmanLookupBits) - 1)];
            EXPECT_EQ(hit.second, second.symbol) << i;
            EXPECT_EQ(hit.length(), first.length + second.length) << i;
            EXPECT_LE(hit.length(), kHuffmanPairBits) << i;
        } else {
            EXPECT_EQ(hit.count(), 1) << i;
            EXPECT_EQ(hit.length(), first.length) << i;
        }
    }
    EXPECT_GT(doubles, 0);
}

TEST(HuffmanBitReader, StringsReadAsByteByByte)
{
    // Texts of every length up to 40 at every bit alignment, ending at or near the data's end
    // (where the reader leaves its 64-bit window), each cut at limits around its length.
    std::mt19937 random(11);
    for (int lead = 0; lead < 8; ++lead) {
        for (size_t length = 0; length <= 40; ++length) {
            for (int tail : {0, 1, 7, 8, 9}) {
                std::string text;
                for (size_t i = 0; i < length; ++i) {
                    text.push_back(static_cast<char>(1 + random() % 255));
                }
                HuffmanBitWriter writer;
                writer.WriteRawBits(0x2A, lead);
                for (char c : text) {
                    writer.WriteByte(static_cast<uint8_t>(c));
                }
                writer.WriteByte(0);
                const size_t end = writer.BitCount();
                for (int i = 0; i < tail; ++i) {
                    writer.WriteByte(static_cast<uint8_t>(random()));
                }
                for (size_t limit : {size_t{0}, length == 0 ? 0 : length - 1, length, length + 1}) {
                    HuffmanBitReader reader(writer.Bytes());
                    if (lead > 0) {
                        reader.ReadBits(lead);
                    }
                    std::string got;
                    ASSERT_TRUE(reader.ReadString(got, limit)) << lead << " " << length << " " << tail;
                    EXPECT_EQ(got, text.substr(0, limit)) << lead << " " << length << " " << tail;
                    EXPECT_EQ(reader.BitPosition(), end) << lead << " " << length << " " << tail;
                }
                // Without its terminating zero a text is overflow, never a read past the data.
                HuffmanBitWriter unterminated;
                unterminated.WriteRawBits(0x2A, lead);
                for (char c : text) {
                    unterminated.WriteByte(static_cast<uint8_t>(c));
                }
                HuffmanBitReader reader(unterminated.Bytes());
                if (lead > 0) {
                    reader.ReadBits(lead);
                }
                std::string got;
                const bool ended = reader.ReadString(got, 1000);
                // Padding bits of the last byte may decode to a zero; anything else overflows.
                if (ended) {
                    EXPECT_EQ(got.substr(0, text.size()), text);
                } else {
                    EXPECT_TRUE(reader.Overflowed());
                }
            }
        }
    }
}

TEST(HuffmanBitReader, RoundTripsEveryWidthAndByte)
{
    // Every byte value once, then random values of random widths, from every bit alignment.
    std::mt19937 random(7);
    for (int lead = 0; lead < 8; ++lead) {
        std::vector<std::pair<uint32_t, int>> sent;
        for (uint32_t b = 0; b < 256; ++b) {
            sent.emplace_back(b, 8);
        }
        sent.emplace_back(0xFFFFFFFF, 32);
        for (int i = 0; i < 500; ++i) {
            const int width = 1 + static_cast<int>(random() % 32);
            sent.emplace_back(static_cast<uint32_t>(random()) & (0xFFFFFFFFu >> (32 - width)), width);
        }
        HuffmanBitWriter writer;
        writer.WriteRawBits(0x55, lead);
        for (const auto& [value, width] : sent) {
            writer.WriteBits(value, width);
        }
        HuffmanBitReader reader(writer.Bytes());
        if (lead > 0) {
            reader.ReadBits(lead);
        }
        for (size_t i = 0; i < sent.size(); ++i) {
            ASSERT_EQ(reader.ReadBits(sent[i].second), sent[i].first) << "lead " << lead << " field " << i;
        }
        EXPECT_FALSE(reader.Overflowed());
        EXPECT_EQ(reader.BitPosition(), writer.BitCount());
    }
}

TEST(HuffmanBitReader, RefusesWhatIsNotThere)
{
    // A value written whole, less its last byte, always lacks bits.
    const auto withoutLastByte = [](uint32_t value, int width) {
        HuffmanBitWriter writer;
        writer.WriteBits(value, width);
        const std::vector<uint8_t>& bytes = writer.Bytes();
        return std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() - 1));
    };
    HuffmanBitWriter escape;
    escape.WriteCode(HuffmanCodeOf(HuffmanTree::kNotYetTransmitted).bits,
                     HuffmanCodeOf(HuffmanTree::kNotYetTransmitted).length);
    escape.WriteByte(65);
    // The escape as a later code of a long read, with data enough after it that the read is not
    // one near the end.
    HuffmanBitWriter lateEscape;
    lateEscape.WriteByte(1);
    lateEscape.WriteByte(2);
    lateEscape.WriteCode(HuffmanCodeOf(HuffmanTree::kNotYetTransmitted).bits,
                         HuffmanCodeOf(HuffmanTree::kNotYetTransmitted).length);
    lateEscape.WriteByte(65);
    lateEscape.WriteBits(0xFFFFFFFF, 32);
    lateEscape.WriteBits(0xFFFFFFFF, 32);
    const std::vector<uint8_t> ones(16, 0xFF);
    struct Case {
        const char* name;
        std::vector<uint8_t> data;
        int width;
    };
    const std::vector<Case> cases = {
        {"empty, byte", {}, 8},
        {"empty, one bit", {}, 1},
        {"long cut short", withoutLastByte(0x89ABCDEF, 32), 32},
        {"nine bits cut short", withoutLastByte(0x1FF, 9), 9},
        {"raw bits cut short", withoutLastByte(0x7F, 7), 7},
        {"escape code", escape.Bytes(), 8},
        {"escape as a long's third code", lateEscape.Bytes(), 32},
        {"width 0", ones, 0},
        {"width -8", ones, -8},
        {"width 33", ones, 33},
    };
    for (const Case& c : cases) {
        HuffmanBitReader reader(c.data);
        EXPECT_EQ(reader.ReadBits(c.width), 0u) << c.name;
        EXPECT_TRUE(reader.Overflowed()) << c.name;
        // Sticky: nothing more is read once the data has gone wrong.
        EXPECT_EQ(reader.ReadBits(1), 0u) << c.name;
        EXPECT_TRUE(reader.Overflowed()) << c.name;
    }
}

TEST(HuffmanBitReader, CodeCutByTheDataEndIsOverflow)
{
    // Put an 11-bit code so that it straddles a byte boundary, then hand the reader only the first
    // byte of a larger buffer: the bits that would finish the code lie just beyond the span and
    // must not be used.
    int longSymbol = -1;
    for (int s = 0; s < 256 && longSymbol < 0; ++s) {
        if (HuffmanCodeOf(s).length == kHuffmanLookupBits) {
            longSymbol = s;
        }
    }
    ASSERT_GE(longSymbol, 0);
    HuffmanBitWriter writer;
    writer.WriteRawBits(0, 3);
    writer.WriteByte(static_cast<uint8_t>(longSymbol));
    const std::vector<uint8_t> bytes = writer.Bytes();
    ASSERT_EQ(bytes.size(), 2u);

    HuffmanBitReader whole(bytes);
    whole.ReadBits(3);
    EXPECT_EQ(whole.ReadByte(), static_cast<uint32_t>(longSymbol));
    EXPECT_FALSE(whole.Overflowed());

    HuffmanBitReader cut(std::span<const uint8_t>(bytes.data(), 1));
    cut.ReadBits(3);
    EXPECT_EQ(cut.ReadByte(), 0u);
    EXPECT_TRUE(cut.Overflowed());
    EXPECT_EQ(cut.BitPosition(), 3u);
}

// ---------------------------------------------------------------------------------------------
// Messages

TEST(ModernMessage, GameStateWithConfigStringsAndBaseline)
{
    const auto payload =
        ModernMessageBuilder(17)
            .Nop()
            .ServerCommand(40, "print \"welcome\n\"")
            .GameState(41, {{0, "\\protocol\\68\\mapname\\q3dm6"}, {1, "\\sv_serverid\\99"}, {1023, ""}})
            .ServerCommand(42, "never read: after the baselines")
            .Payload();
    std::vector<ModernCommand> out;
    const ModernDecodeResult r = DecodeModernMessage(payload, out);
    EXPECT_TRUE(r.ok);
    EXPECT_FALSE(r.ended);
    EXPECT_EQ(r.unknownCommand, -1);
    ASSERT_EQ(out.size(), 7u);
    EXPECT_EQ(out[0].kind, ModernCommand::Nop);
    EXPECT_EQ(out[1].kind, ModernCommand::ServerCommand);
    EXPECT_EQ(out[1].sequence, 40u);
    EXPECT_EQ(out[1].text, "print \"welcome\n\"");
    EXPECT_EQ(out[2].kind, ModernCommand::GameStateBegin);
    EXPECT_EQ(out[2].sequence, 41u);
    EXPECT_EQ(out[3].kind, ModernCommand::ConfigString);
    EXPECT_EQ(out[3].index, 0);
    EXPECT_EQ(out[3].text, "\\protocol\\68\\mapname\\q3dm6");
    EXPECT_EQ(out[4].index, 1);
    EXPECT_EQ(out[5].index, 1023);
    EXPECT_EQ(out[5].text, "");
    EXPECT_EQ(out[6].kind, ModernCommand::GameStateEnd);
}

TEST(ModernMessage, GameStateEndMarkerThenMoreCommands)
{
    // After the end marker the client number and checksum are stepped over, and the message goes
    // on; the snapshot ends it, whatever follows.
    const auto payload = ModernMessageBuilder()
                             .BeginGameState(5)
                             .ConfigString(3, "Arena")
                             .EndGameState(0xDEADBEEF, 0x01020304)
                             .ServerCommand(6, "cs 5 \"x\"")
                             .Snapshot(0xFEDCBA98)
                             .ServerCommand(7, "not read")
                             .End()
                             .Payload();
    std::vector<ModernCommand> out;
    const ModernDecodeResult r = DecodeModernMessage(payload, out);
    EXPECT_TRUE(r.ok);
    EXPECT_FALSE(r.ended);
    ASSERT_EQ(out.size(), 5u);
    EXPECT_EQ(out[1].text, "Arena");
    EXPECT_EQ(out[2].kind, ModernCommand::GameStateEnd);
    EXPECT_EQ(out[3].text, "cs 5 \"x\"");
    EXPECT_EQ(out[3].sequence, 6u);
    EXPECT_EQ(out[4].kind, ModernCommand::Snapshot);
    EXPECT_EQ(out[4].serverTime, 0xFEDCBA98u);
}

TEST(ModernMessage, EveryTruncationFailsInTheRightField)
{
    const auto payload = ModernMessageBuilder(9)
                             .ServerCommand(10, "print \"a\"")
                             .BeginGameState(11)
                             .ConfigString(0, "\\protocol\\71")
                             .EndGameState(1, 2)
                             .Snapshot(1234)
                             .Payload();
    std::vector<ModernCommand> full;
    ASSERT_TRUE(DecodeModernMessage(payload, full).ok);
    ASSERT_EQ(full.size(), 5u);

    // Bits up to and including the snapshot's server time; after that nothing is read.
    HuffmanBitWriter prefix;
    {
        ModernMessageBuilder head(9);
        head.ServerCommand(10, "print \"a\"").BeginGameState(11).ConfigString(0, "\\protocol\\71").EndGameState(1, 2);
        head.Writer().WriteByte(7);
        head.Writer().WriteBits(1234, 32);
        prefix = head.Writer();
    }
    const size_t neededBytes = (prefix.BitCount() + 7) / 8;

    std::set<ModernField> seen;
    for (size_t cut = 0; cut < payload.size(); ++cut) {
        std::vector<ModernCommand> out;
        const ModernDecodeResult r = DecodeModernMessage(std::span(payload.data(), cut), out);
        EXPECT_TRUE(IsPrefixOf(out, full)) << "cut " << cut;
        if (cut < neededBytes) {
            EXPECT_FALSE(r.ok) << "cut " << cut;
            EXPECT_LT(out.size(), full.size()) << "cut " << cut;
            seen.insert(r.field);
        } else {
            EXPECT_TRUE(r.ok) << "cut " << cut;
            EXPECT_EQ(out.size(), full.size()) << "cut " << cut;
        }
    }
    const std::set<ModernField> all = {
        ModernField::Acknowledge,      ModernField::CommandByte,    ModernField::CommandSequence, ModernField::Text,
        ModernField::GameStateCommand, ModernField::GameStateIndex, ModernField::ServerTime};
    EXPECT_EQ(seen, all);
}

TEST(ModernMessage, Extensions)
{
    for (const char* e : {".dm_66", ".dm_67", ".dm_68", ".dm_70", ".dm_71", ".dm_73", ".dm_90", ".dm_91"}) {
        EXPECT_TRUE(IsModernDemoExtension(e)) << e;
    }
    for (const char* e : {".dm_69", ".dm_65", ".dm_72", ".dm_74", ".dm_89", ".dm_92", ".dm3", ".dm_48", ".dm_6",
                          ".dm_680", "dm_68", ""}) {
        EXPECT_FALSE(IsModernDemoExtension(e)) << e;
    }
}

// ---------------------------------------------------------------------------------------------
// Real demos

namespace {

struct CorpusDemo {
    std::string name;
    std::vector<std::vector<uint8_t>> messages;
};

std::vector<CorpusDemo> LoadCorpus()
{
    std::vector<CorpusDemo> demos;
    const std::filesystem::path dir = std::filesystem::path(VELMORA_CORPUS_DIR) / "modern";
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec)) {
        return demos;
    }
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string ext = entry.path().extension().string();
        if (!IsModernDemoExtension(ext)) {
            continue;
        }
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        CorpusDemo demo{entry.path().filename().string(), {}};
        size_t at = 0;
        bool sawEnd = false;
        while (at + 8 <= bytes.size()) {
            int32_t sequence = 0, length = 0;
            std::memcpy(&sequence, &bytes[at], 4);
            std::memcpy(&length, &bytes[at + 4], 4);
            at += 8;
            if (sequence == -1) {
                sawEnd = true;
                break;
            }
            if (length < 0 || static_cast<size_t>(length) > bytes.size() - at) {
                break;
            }
            demo.messages.emplace_back(bytes.begin() + at, bytes.begin() + at + length);
            at += length;
        }
        EXPECT_TRUE(sawEnd) << demo.name;
        demos.push_back(std::move(demo));
    }
    return demos;
}

const std::vector<CorpusDemo>& Corpus()
{
    static const std::vector<CorpusDemo> corpus = LoadCorpus();
    return corpus;
}

} // namespace

TEST(ModernCorpus, EveryMessageDecodes)
{
    if (Corpus().empty()) {
        GTEST_SKIP() << "no modern demos in " << VELMORA_CORPUS_DIR;
    }
    std::set<std::string> commandWords;
    for (const CorpusDemo& demo : Corpus()) {
        SCOPED_TRACE(demo.name);
        ASSERT_FALSE(demo.messages.empty());
        uint32_t lastTime = 0;
        size_t snapshots = 0;
        for (size_t m = 0; m < demo.messages.size(); ++m) {
            std::vector<ModernCommand> out;
            const ModernDecodeResult r = DecodeModernMessage(demo.messages[m], out);
            ASSERT_TRUE(r.ok) << "message " << m << " field " << static_cast<int>(r.field);
            EXPECT_EQ(r.unknownCommand, -1) << "message " << m;
            if (m == 0) {
                ASSERT_GE(out.size(), 4u);
                EXPECT_EQ(out[0].kind, ModernCommand::GameStateBegin);
                ASSERT_EQ(out[1].kind, ModernCommand::ConfigString);
                EXPECT_EQ(out[1].index, 0);
                EXPECT_NE(out[1].text.find("protocol\\"), std::string::npos);
                EXPECT_NE(out[1].text.find("mapname\\"), std::string::npos);
                ASSERT_EQ(out[2].kind, ModernCommand::ConfigString);
                EXPECT_EQ(out[2].index, 1);
                EXPECT_NE(out[2].text.find("sv_serverid\\"), std::string::npos);
                EXPECT_EQ(out.back().kind, ModernCommand::GameStateEnd);
            }
            for (const ModernCommand& c : out) {
                if (c.kind == ModernCommand::Snapshot) {
                    EXPECT_GE(c.serverTime, lastTime) << "message " << m;
                    lastTime = c.serverTime;
                    ++snapshots;
                } else if (c.kind == ModernCommand::ServerCommand) {
                    commandWords.insert(c.text.substr(0, c.text.find(' ')));
                }
            }
        }
        EXPECT_GT(snapshots, demo.messages.size() / 2);
    }
    for (const char* word : {"cs", "print", "scores", "chat", "tchat"}) {
        EXPECT_TRUE(commandWords.count(word)) << word;
    }
}
