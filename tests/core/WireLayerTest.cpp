// The wire layer every reader stands on: the framer's and the command reader's limits, each on both
// sides, over both bit codings, and what each reader built on them makes of the same bytes.
#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/convert/GameVersionRewrite.h"
#include "core/demo/DemoDecoder.h"
#include "core/demo/DemoEncoder.h"
#include "core/protocol/BitSources.h"
#include "core/protocol/CommandReader.h"
#include "core/protocol/MessageFramer.h"
#include "core/summary/DemoReader.h"
#include "support/HuffmanEncoder.h"
#include "support/PlainBits.h"

using namespace core;

namespace {

void PutInt(std::vector<uint8_t>& out, int32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<uint8_t>(static_cast<uint32_t>(value) >> shift));
}

// A header, then `payload` bytes of a message that holds only its end marker (the rest padding).
std::vector<uint8_t> Framed(int32_t size, size_t payload)
{
    std::vector<uint8_t> out;
    PutInt(out, 0);
    PutInt(out, size);
    std::vector<uint8_t> body = testsupport::ModernMessageBuilder(0).End().Payload();
    body.resize(payload, 0);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

std::vector<uint8_t> Bytes(std::initializer_list<uint8_t> bytes)
{
    return bytes;
}

} // namespace

TEST(WireLayer, FramesOnBothSidesOfEveryLimitAndEveryReaderAgrees)
{
    struct Case {
        const char* what;
        std::vector<uint8_t> data;
        FrameResult frame;
        DecodeError decoder;
        const char* walk; // the listing's debug message, "" for none
        bool walkCut;
        const char* rewrite; // the game version rewrite's failure
    };
    const char* const kNoGameState = "the demo holds no game state";
    const char* const kBadLength = "message 0 has a length the demo cannot hold";
    const char* const kCutHeader = "the demo ends inside a message header, before its end marker";
    const char* const kSizeError = "Parsing Error (PacketSize) at Packet Nr: 1";
    // clang-format off
    const std::vector<Case> cases = {
        {"16384 bytes", Framed(16384, 16384), FrameResult::Message, DecodeError::None, "", false, kNoGameState},
        {"16385 bytes", Framed(16385, 16385), FrameResult::TooLong, DecodeError::MessageTooLong, kSizeError, true, kBadLength},
        {"size -1 ends", Framed(-1, 0), FrameResult::EndMarker, DecodeError::None, "", false, kNoGameState},
        {"size -2", Framed(-2, 0), FrameResult::BadSize, DecodeError::BadLength, kSizeError, true, kBadLength},
        {"sequence -1 alone ends", Bytes({0xFF, 0xFF, 0xFF, 0xFF}), FrameResult::EndMarker, DecodeError::None, "", false, kNoGameState},
        {"3 bytes of a header", Bytes({1, 0, 0}), FrameResult::CutSequence, DecodeError::CutOff,
         "Parsing Error (PacketNumber) at Packet Nr: 1", true, kCutHeader},
        {"7 bytes of a header", Bytes({1, 0, 0, 0, 9, 0, 0}), FrameResult::CutSize, DecodeError::CutOff, kSizeError, true, kCutHeader},
        {"payload cut", Framed(100, 50), FrameResult::CutPayload, DecodeError::CutOff, "", true, kBadLength},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MessageFramer framer(c.data);
        MessageFrame frame;
        EXPECT_EQ(framer.Next(frame), c.frame);
        if (c.frame == FrameResult::Message) {
            EXPECT_EQ(frame.payload.size(), 16384u);
            EXPECT_EQ(framer.Next(frame), FrameResult::DataEnd);
        } else if (c.frame == FrameResult::CutPayload) {
            EXPECT_EQ(frame.payload.size(), 50u);
        }

        const DecodedDemo decoded = DecodeDemo(c.data, 68);
        EXPECT_EQ(decoded.error, c.decoder);
        EXPECT_EQ(decoded.endMarker, c.frame == FrameResult::EndMarker);

        ReadWishes wishes;
        wishes.extension = ".dm_68";
        const DemoState walked = ReadDemo(c.data, wishes);
        EXPECT_EQ(walked.debugMessages.empty() ? "" : walked.debugMessages[0], c.walk);
        EXPECT_EQ(walked.cutOff, c.walkCut);

        const GameVersionRewrite rewrite = RewriteGameVersion(c.data, "baseoa-1");
        EXPECT_FALSE(rewrite.ok);
        EXPECT_EQ(rewrite.failure, c.rewrite);
    }
    EXPECT_EQ(DecodeDemo(Framed(8, 8), 47).error, DecodeError::UnknownProtocol);
}

namespace {

// One message written once for each coding: plain bits as the old game packs them, or Huffman.
struct Writer {
    std::function<void(uint32_t, int)> put;
    void Byte(uint32_t b) { put(b, 8); }
    void Text(const std::string& text, bool terminated = true)
    {
        for (const char c : text)
            Byte(static_cast<uint8_t>(c));
        if (terminated)
            Byte(0);
    }
};

struct Read {
    std::vector<WireItem> items;
    WireField field = WireField::None;
    std::string text; // of the last command read
    int byte = -1;    // of an unknown command
};

template <class Bits> Read ReadAll(const std::vector<uint8_t>& payload, const ProtocolInfo& protocol)
{
    Bits bits(payload);
    CommandReader<Bits> commands(bits, protocol);
    Read read;
    for (;;) {
        const WireItem item = commands.Next();
        read.items.push_back(item);
        read.text = commands.Text();
        if (item == WireItem::Overflow)
            read.field = commands.Field();
        if (item == WireItem::Unknown || item == WireItem::Bad)
            read.byte = commands.Byte();
        // The walk stops at a baseline too: its delta needs the field tables.
        if (item == WireItem::End || item == WireItem::Overflow || item == WireItem::Unknown || item == WireItem::Bad ||
            item == WireItem::BadIndex || item == WireItem::Baseline)
            return read;
    }
}

} // namespace

TEST(WireLayer, CommandsOnBothSidesOfEveryLimitInBothCodings)
{
    using I = WireItem;
    struct Case {
        const char* what;
        std::function<void(Writer&)> write;
        std::vector<WireItem> items;
        WireField field;
        std::string text;
        int byte;
    };
    const std::string longest(1023, 'x');
    const WireField none = WireField::None;
    // clang-format off
    const std::vector<Case> cases = {
        {"text ends with the message", [](Writer& w) { w.Byte(5), w.put(7, 32), w.Text("a\x80\xFF"); },
         {I::ServerCommand, I::Overflow}, WireField::CommandByte, "a\x80\xFF", -1},
        {"text one byte short of its end", [](Writer& w) { w.Byte(5), w.put(7, 32), w.Text("abc", false); },
         {I::Overflow}, WireField::Text, "abc", -1},
        {"1023 bytes kept", [&](Writer& w) { w.Byte(5), w.put(7, 32), w.Text(longest), w.Byte(8); },
         {I::ServerCommand, I::End}, none, longest, -1},
        {"1024 bytes cut, the next command in step",
         [&](Writer& w) { w.Byte(5), w.put(7, 32), w.Text(longest + "y"), w.Byte(1), w.Byte(8); },
         {I::ServerCommand, I::Nop, I::End}, none, longest, -1},
        {"sequence cut", [](Writer& w) { w.Byte(5), w.put(7, 24); }, {I::Overflow}, WireField::CommandSequence, "", -1},
        {"unknown command byte", [](Writer& w) { w.Byte(11); }, {I::Unknown}, none, "", 11},
        {"command byte 0", [](Writer& w) { w.Byte(0); }, {I::Bad}, none, "", 0},
        {"a download carries nothing the game reads", [](Writer& w) { w.Byte(6), w.Byte(1), w.Byte(8); },
         {I::Download, I::Nop, I::End}, none, "", -1},
        {"configuration string 1023",
         [](Writer& w) { w.Byte(2), w.put(1, 32), w.Byte(3), w.put(1023, 16), w.Text("a"), w.Byte(4), w.put(5, 10); },
         {I::GameState, I::ConfigString, I::Baseline}, none, "a", -1},
        {"configuration string 1024", [](Writer& w) { w.Byte(2), w.put(1, 32), w.Byte(3), w.put(1024, 16), w.Text("a"); },
         {I::GameState, I::BadIndex}, none, "", -1},
        {"stray byte in a game state", [](Writer& w) { w.Byte(2), w.put(1, 32), w.Byte(5); },
         {I::GameState, I::Unknown}, none, "", 5},
        {"game state index cut", [](Writer& w) { w.Byte(2), w.put(1, 32), w.Byte(3), w.Byte(1); },
         {I::GameState, I::Overflow}, WireField::GameStateIndex, "", -1},
    };
    // clang-format on
    for (const Case& c : cases) {
        testsupport::PlainBits plainBits;
        Writer plain{[&](uint32_t v, int n) { plainBits.Put(v, n); }};
        c.write(plain);
        const Read fromPlain = ReadAll<PlainBitReader>(plainBits.Bytes(), *FindProtocol(48));

        testsupport::HuffmanBitWriter codedBits;
        Writer coded{[&](uint32_t v, int n) { codedBits.WriteBits(v, n); }};
        c.write(coded);
        const Read fromCoded = ReadAll<HuffmanBitSource>(codedBits.Bytes(), *FindProtocol(68));
        for (const Read* read : {&fromPlain, &fromCoded}) {
            SCOPED_TRACE(std::string(c.what) + (read == &fromPlain ? ", plain" : ", Huffman"));
            EXPECT_EQ(read->items, c.items);
            EXPECT_EQ(read->field, c.field);
            EXPECT_EQ(read->byte, c.byte);
        }
        // Bytes kept as they are; what there is of a text the message ends in.
        if (!c.text.empty()) {
            EXPECT_EQ(fromPlain.text, c.text);
            if (c.field != WireField::Text) {
                EXPECT_EQ(fromCoded.text, c.text);
            }
        }
    }
}

TEST(WireLayer, PacketBackupOf32)
{
    // A snapshot 31 messages after the last is written as a delta and read as a valid one; 32 after,
    // the client no longer holds the old one and the writer sends it whole.
    for (const int gap : {31, 32}) {
        SCOPED_TRACE(gap);
        std::vector<uint8_t> bytes;
        DemoEncoder encoder(bytes);
        DemoMessage message;
        message.sequence = 1;
        message.gameState.emplace().configStrings = {{0, "\\protocol\\68"}};
        ASSERT_EQ(encoder.Add(message), EncodeError::None);
        message.gameState.reset();
        for (const int sequence : {2, 2 + gap}) {
            message.sequence = sequence;
            message.snapshot.emplace().serverTime = sequence * 50;
            ASSERT_EQ(encoder.Add(message), EncodeError::None);
        }
        encoder.Finish();
        const DecodedDemo decoded = DecodeDemo(bytes, 68);
        ASSERT_EQ(decoded.error, DecodeError::None);
        ASSERT_EQ(decoded.messages.size(), 3u);
        const Snapshot& last = *decoded.messages[2].snapshot;
        EXPECT_EQ(last.deltaNumber, gap == 31 ? 31 : 0);
        EXPECT_TRUE(last.valid);
    }
}

namespace {

struct ZeroRun {
    int zeros; // 0 bits after a 3-bit prefix
    bool one;  // a 1 bit follows them (else zeros to the data's end)
    int limit;
    int skipped; // what the skip says
    bool overflow;
};

template <class Source> void CheckZeroRun(const std::vector<uint8_t>& bytes, const ZeroRun& c)
{
    Source source(bytes);
    EXPECT_EQ(source.ReadBits(3), 5u);
    EXPECT_EQ(source.SkipZeroBits(c.limit), c.skipped);
    EXPECT_EQ(source.Overflowed(), c.overflow);
    if (!c.overflow) {
        EXPECT_EQ(source.BitPosition(), static_cast<size_t>(3 + c.skipped));
        // Stopped before the 1, or at the limit inside the run.
        EXPECT_EQ(source.ReadBits(1), c.skipped == c.zeros && c.one ? 1u : 0u);
    }
}

} // namespace

TEST(WireLayer, ZeroRunsSkipLikeSingleBitsInBothCodings)
{
    // Runs on both sides of the 57 bits one look takes, stopped by a 1, by the limit, or by the end
    // of the data (3 + 61 zeros fill 8 bytes, 3 + 101 fill 13).
    // clang-format off
    const ZeroRun cases[] = {
        {0, true, 5, 0, false},    {5, true, 5, 5, false},     {5, true, 4, 4, false},
        {56, true, 200, 56, false}, {57, true, 200, 57, false}, {58, true, 200, 58, false},
        {130, true, 200, 130, false}, {130, true, 129, 129, false},
        {61, false, 61, 61, false}, {61, false, 62, 62, true},
        {101, false, 101, 101, false}, {101, false, 102, 102, true},
    };
    // clang-format on
    for (const ZeroRun& c : cases) {
        SCOPED_TRACE(std::to_string(c.zeros) + " zeros, limit " + std::to_string(c.limit));
        testsupport::PlainBits plain;
        testsupport::HuffmanBitWriter coded;
        for (const auto& put : std::initializer_list<std::function<void(uint32_t, int)>>{
                 [&](uint32_t v, int n) { plain.Put(v, n); }, [&](uint32_t v, int n) { coded.WriteBits(v, n); }}) {
            put(5, 3);
            for (int i = 0; i < c.zeros; ++i)
                put(0, 1);
            if (c.one)
                put(1, 1);
        }
        CheckZeroRun<PlainBitReader>(plain.Bytes(), c);
        CheckZeroRun<HuffmanBitSource>(coded.Bytes(), c);
    }
}
