#include "core/convert/GameVersionRewrite.h"

#include <algorithm>
#include <optional>

#include "core/common/LittleEndian.h"
#include "core/protocol/BitSources.h"
#include "core/protocol/CommandReader.h"
#include "core/protocol/HuffmanBitWriter.h"
#include "core/protocol/MessageCommand.h"
#include "core/protocol/MessageFramer.h"
#include "core/protocol/ProtocolTable.h"

namespace core {
namespace {

// The demos rewritten here share 1.32's message format.
const ProtocolInfo& Rewritten()
{
    static const ProtocolInfo& row = *FindProtocol(kProtocol132);
    return row;
}
const int kGameVersionIndex = Rewritten().configStrings->gameVersion;

// Where configuration string 20 goes in a game state message: the bits of the old one (from ==
// to when the game state had none and the new one is inserted at `from`).
struct Splice {
    size_t from = 0;
    size_t to = 0;
    std::string oldText;
};

enum class Scan { NotGameState, GameState, Damaged };

// Follows the commands of one message up to its game state's configuration strings. Commands that
// servers put before a game state (no-ops, server commands) are passed over.
Scan FindGameVersion(std::span<const uint8_t> payload, Splice& splice)
{
    HuffmanBitSource bits(payload);
    CommandReader<HuffmanBitSource> commands(bits, Rewritten());
    int32_t acknowledge = 0;
    commands.ReadAcknowledge(acknowledge);
    for (bool before = true; before;) {
        switch (commands.Next()) {
        case WireItem::Nop:
        case WireItem::ServerCommand:
            break;
        case WireItem::GameState:
            before = false;
            break;
        case WireItem::Overflow:
            return commands.Field() == WireField::GameStateSequence ? Scan::Damaged : Scan::NotGameState;
        default:
            return Scan::NotGameState;
        }
    }
    std::optional<size_t> insertAt;
    for (;;) {
        const size_t commandStart = bits.BitPosition();
        const WireItem item = commands.Next();
        if (item == WireItem::Overflow &&
            (commands.Field() == WireField::GameStateCommand || commands.Field() == WireField::Text))
            return Scan::Damaged;
        if (item == WireItem::BadIndex || (item == WireItem::Overflow && commands.Field() == WireField::GameStateIndex))
            return Scan::Damaged;
        if (item != WireItem::ConfigString) {
            // Baselines or the end of the game state: the configuration strings are over.
            splice.from = splice.to = insertAt.value_or(commandStart);
            return Scan::GameState;
        }
        const int index = commands.Index();
        if (index == kGameVersionIndex) {
            splice.from = commandStart;
            splice.to = bits.BitPosition();
            splice.oldText = commands.Text();
            return Scan::GameState;
        }
        if (index > kGameVersionIndex && !insertAt)
            insertAt = commandStart;
    }
}

// Bits [from, to) of the data as they stand. The code is fixed and prefix-free, so coded bits taken
// from one message stay valid wherever they are put in another.
void CopyBits(HuffmanBitWriter& writer, std::span<const uint8_t> data, size_t from, size_t to)
{
    to = std::min(to, data.size() * 8);
    while (from < to) {
        const int take = static_cast<int>(std::min<size_t>(8 - from % 8, to - from));
        writer.WriteRawBits((data[from / 8] >> (from % 8)) & ((1u << take) - 1u), take);
        from += static_cast<size_t>(take);
    }
}

std::vector<uint8_t> Spliced(std::span<const uint8_t> payload, const Splice& splice, std::string_view gameVersion)
{
    HuffmanBitWriter writer;
    CopyBits(writer, payload, 0, splice.from);
    writer.WriteByte(static_cast<uint8_t>(MessageCommand::ConfigString));
    writer.WriteBits(kGameVersionIndex, 16);
    for (const char c : gameVersion)
        writer.WriteByte(static_cast<uint8_t>(c));
    writer.WriteByte(0);
    // The rest, with the last byte's padding bits: they lie behind the message's end marker.
    CopyBits(writer, payload, splice.to, payload.size() * 8);
    return writer.Bytes();
}

void AppendInt32(std::vector<uint8_t>& out, int32_t value)
{
    const auto bits = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<uint8_t>(bits >> shift));
}

} // namespace

GameVersionRewrite RewriteGameVersion(std::span<const uint8_t> demo, std::string_view gameVersion)
{
    GameVersionRewrite result;
    result.bytes.reserve(demo.size() + 64);
    MessageFramer framer(demo, Rewritten().maxMessageSize);
    for (bool more = true; more;) {
        MessageFrame frame;
        switch (framer.Next(frame)) {
        case FrameResult::Message:
            break;
        case FrameResult::EndMarker:
        // A recording cut short by a crash or a disconnect ends after its last whole message,
        // without the end marker; the game plays it to there.
        case FrameResult::DataEnd:
            more = false;
            continue;
        case FrameResult::CutSequence:
        case FrameResult::CutSize:
            result.failure = "the demo ends inside a message header, before its end marker";
            return result;
        default:
            result.failure = "message " + std::to_string(frame.sequence) + " has a length the demo cannot hold";
            return result;
        }
        const int32_t sequence = frame.sequence;
        const int32_t length = frame.size;
        const std::span<const uint8_t> payload = frame.payload;
        Splice splice;
        const Scan scan = FindGameVersion(payload, splice);
        if (scan == Scan::Damaged) {
            result.failure = "the game state in message " + std::to_string(sequence) + " is damaged";
            return result;
        }
        if (scan == Scan::NotGameState) {
            AppendInt32(result.bytes, sequence);
            AppendInt32(result.bytes, length);
            result.bytes.insert(result.bytes.end(), payload.begin(), payload.end());
            continue;
        }
        const std::vector<uint8_t> rewritten = Spliced(payload, splice, gameVersion);
        if (rewritten.size() > Rewritten().maxMessageSize) {
            result.failure =
                "the game state in message " + std::to_string(sequence) + " would grow beyond the game's message size";
            return result;
        }
        if (result.gameStates++ == 0)
            result.oldVersion = splice.oldText;
        AppendInt32(result.bytes, sequence);
        AppendInt32(result.bytes, static_cast<int32_t>(rewritten.size()));
        result.bytes.insert(result.bytes.end(), rewritten.begin(), rewritten.end());
    }
    if (result.gameStates == 0) {
        result.failure = "the demo holds no game state";
        return result;
    }
    AppendInt32(result.bytes, -1);
    AppendInt32(result.bytes, -1);
    result.ok = true;
    return result;
}

} // namespace core
