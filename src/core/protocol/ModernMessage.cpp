#include "core/protocol/ModernMessage.h"

#include <bit>
#include <cstring>
#include <utility>

#include "core/protocol/BitSources.h"
#include "core/protocol/CommandReader.h"
#include "core/protocol/Huffman.h"
#include "core/protocol/MessageCommand.h"

namespace core {

namespace {

constexpr uint32_t kSnapshot = static_cast<uint32_t>(MessageCommand::Snapshot);

ModernCommand MakeCommand(ModernCommand::Kind kind)
{
    ModernCommand command;
    command.kind = kind;
    return command;
}

ModernField FieldOf(WireField field)
{
    switch (field) {
    case WireField::Acknowledge:
        return ModernField::Acknowledge;
    case WireField::CommandByte:
        return ModernField::CommandByte;
    case WireField::CommandSequence:
    case WireField::GameStateSequence:
        return ModernField::CommandSequence;
    case WireField::GameStateCommand:
    case WireField::GameStateClient:
    case WireField::BaselineNumber:
        return ModernField::GameStateCommand;
    case WireField::GameStateIndex:
        return ModernField::GameStateIndex;
    case WireField::Text:
        return ModernField::Text;
    case WireField::None:
        break;
    }
    return ModernField::None;
}

// The rows of the protocols these messages belong to differ in nothing the commands' heads need.
const ProtocolInfo& Coded()
{
    static const ProtocolInfo& row = *FindProtocol(kProtocol132);
    return row;
}

} // namespace

ModernDecodeResult DecodeModernMessage(std::span<const uint8_t> payload, std::vector<ModernCommand>& out)
{
    ModernDecodeResult result;
    HuffmanBitSource bits(payload);
    CommandReader<HuffmanBitSource> commands(bits, Coded());
    const auto failed = [&result, &commands] {
        result.ok = false;
        result.field = FieldOf(commands.Field());
        return result;
    };

    int32_t acknowledge = 0; // nothing here needs it
    if (!commands.ReadAcknowledge(acknowledge))
        return failed();

    for (;;) {
        const WireItem item = commands.Next();
        switch (item) {
        case WireItem::End:
            result.ended = true;
            return result;
        case WireItem::Nop:
            out.push_back(MakeCommand(ModernCommand::Nop));
            break;
        case WireItem::Download: // nothing of it is read in a demo
        case WireItem::Voice:    // read past
            break;
        case WireItem::ServerCommand: {
            ModernCommand cmd = MakeCommand(ModernCommand::ServerCommand);
            cmd.sequence = commands.Sequence();
            cmd.text.swap(commands.Text());
            out.push_back(std::move(cmd));
            break;
        }
        case WireItem::GameState: {
            ModernCommand begin = MakeCommand(ModernCommand::GameStateBegin);
            begin.sequence = commands.Sequence();
            out.push_back(std::move(begin));
            break;
        }
        case WireItem::ConfigString: {
            ModernCommand cmd = MakeCommand(ModernCommand::ConfigString);
            cmd.index = commands.Index();
            cmd.text.swap(commands.Text());
            out.push_back(std::move(cmd));
            break;
        }
        case WireItem::Baseline:
            // Configstrings all come before the baselines, and the baselines' entity deltas cannot
            // be stepped over without the entity tables.
            out.push_back(MakeCommand(ModernCommand::GameStateEnd));
            return result;
        case WireItem::GameStateEnd:
            out.push_back(MakeCommand(ModernCommand::GameStateEnd));
            break;
        case WireItem::Snapshot: {
            const uint32_t serverTime = bits.ReadBits(32);
            if (bits.Overflowed()) {
                result.ok = false;
                result.field = ModernField::ServerTime;
                return result;
            }
            // The rest is the snapshot's deltas, and nothing the server sends follows them.
            ModernCommand snapshot = MakeCommand(ModernCommand::Snapshot);
            snapshot.serverTime = serverTime;
            out.push_back(std::move(snapshot));
            return result;
        }
        case WireItem::Overflow:
            // The number of a baseline: the configuration strings were all there.
            if (commands.Field() == WireField::BaselineNumber) {
                out.push_back(MakeCommand(ModernCommand::GameStateEnd));
                return result;
            }
            return failed();
        case WireItem::BadIndex:
            result.unknownCommand = static_cast<int>(MessageCommand::ConfigString);
            return result;
        case WireItem::Bad:
        case WireItem::Unknown:
            result.unknownCommand = commands.Byte();
            return result;
        }
    }
}

namespace {

// The work of QuickSnapshotTime and IsQuickSnapshot; without `serverTime` only checks that the
// time could be read.
bool QuickSnapshot(std::span<const uint8_t> payload, uint32_t* serverTime, QuickSnapshotMemo& memo)
{
    const auto& pairs = FixedHuffmanPairTable();
    const uint8_t* data = payload.data();
    const size_t size = payload.size();
    size_t bit = 0;
    // `count` whole bytes, little-endian; false where the window would pass the data's end or
    // meets the escape code.
    const auto read = [&](int count, uint32_t& value) {
        value = 0;
        const int bits = count * 8;
        int shift = 0;
        while (shift < bits) {
            const size_t byte = bit >> 3;
            if (byte + 8 > size) {
                return false;
            }
            uint64_t window = 0;
            std::memcpy(&window, data + byte, sizeof window);
            if constexpr (std::endian::native == std::endian::big) {
                window = __builtin_bswap64(window);
            }
            window >>= (bit & 7);
            // At least 57 bits of the window are data: four look-ups of 12 bits fit.
            for (int k = 0; k < 4 && shift < bits; ++k) {
                const HuffmanPairLookup hit = pairs[window & ((1u << kHuffmanPairBits) - 1)];
                if (hit.count() == 0) {
                    return false;
                }
                if (hit.count() == 2 && shift + 8 < bits) {
                    value |= (static_cast<uint32_t>(hit.first) | static_cast<uint32_t>(hit.second) << 8) << shift;
                    shift += 16;
                    window >>= hit.length();
                    bit += static_cast<size_t>(hit.length());
                } else {
                    value |= static_cast<uint32_t>(hit.first) << shift;
                    shift += 8;
                    window >>= hit.firstLength;
                    bit += hit.firstLength;
                }
            }
        }
        return true;
    };
    if (size < 8) {
        return false;
    }
    uint64_t head = 0;
    std::memcpy(&head, data, sizeof head);
    if constexpr (std::endian::native == std::endian::big) {
        head = __builtin_bswap64(head);
    }
    const uint64_t mask = memo.acknowledgeLength ? (uint64_t{1} << memo.acknowledgeLength) - 1 : 0;
    uint32_t acknowledge = 0, command = 0;
    if (memo.acknowledgeLength && (head & mask) == memo.acknowledgeBits) {
        bit = static_cast<size_t>(memo.acknowledgeLength);
    } else {
        if (!read(4, acknowledge)) {
            return false;
        }
        // Four codes of at most 11 bits: always within the first 8 bytes.
        memo.acknowledgeLength = static_cast<int>(bit);
        memo.acknowledgeBits = head & ((uint64_t{1} << bit) - 1);
    }
    if (!read(1, command) || command != kSnapshot) {
        return false;
    }
    if (!serverTime) {
        // One window of 57 bits holds the four codes of the time.
        return (bit >> 3) + 8 <= size;
    }
    return read(4, *serverTime);
}

} // namespace

bool QuickSnapshotTime(std::span<const uint8_t> payload, uint32_t& serverTime, QuickSnapshotMemo& memo)
{
    return QuickSnapshot(payload, &serverTime, memo);
}

bool IsQuickSnapshot(std::span<const uint8_t> payload, QuickSnapshotMemo& memo)
{
    return QuickSnapshot(payload, nullptr, memo);
}

} // namespace core
