#include "core/protocol/ModernMessage.h"

#include <bit>
#include <cstring>
#include <utility>

#include "core/protocol/Huffman.h"
#include "core/protocol/MessageCommand.h"

namespace core {

namespace {

// The command bytes, as the decoder compares them with what it reads.
constexpr uint32_t CommandByte(MessageCommand command)
{
    return static_cast<uint32_t>(command);
}
constexpr uint32_t kNop = CommandByte(MessageCommand::Nop);
constexpr uint32_t kGameState = CommandByte(MessageCommand::GameState);
constexpr uint32_t kConfigString = CommandByte(MessageCommand::ConfigString);
constexpr uint32_t kBaseline = CommandByte(MessageCommand::Baseline);
constexpr uint32_t kServerCommand = CommandByte(MessageCommand::ServerCommand);
constexpr uint32_t kSnapshot = CommandByte(MessageCommand::Snapshot);
constexpr uint32_t kEnd = CommandByte(MessageCommand::End);

// The game's own buffers (less their terminator); texts beyond them are cut, as the game would.
constexpr size_t kMaxBigString = 8192 - 1;
constexpr size_t kMaxString = 1024 - 1;

// Reads a zero-terminated text. False when the data ends first; the reader is then overflowed.
bool ReadText(HuffmanBitReader& reader, size_t limit, std::string& text)
{
    text.clear();
    // Consumes past the limit too, so that the next command starts where it should.
    return reader.ReadString(text, limit);
}

ModernCommand MakeCommand(ModernCommand::Kind kind)
{
    ModernCommand command;
    command.kind = kind;
    return command;
}

} // namespace

ModernDecodeResult DecodeModernMessage(std::span<const uint8_t> payload, std::vector<ModernCommand>& out)
{
    ModernDecodeResult result;
    HuffmanBitReader reader(payload);
    const auto failed = [&result](ModernField field) {
        result.ok = false;
        result.field = field;
        return result;
    };

    reader.ReadBits(32); // reliable acknowledge: nothing here needs it
    if (reader.Overflowed()) {
        return failed(ModernField::Acknowledge);
    }

    for (;;) {
        const uint32_t command = reader.ReadByte();
        if (reader.Overflowed()) {
            return failed(ModernField::CommandByte);
        }
        switch (command) {
        case kEnd:
            result.ended = true;
            return result;

        case kNop:
            out.push_back(MakeCommand(ModernCommand::Nop));
            break;

        case kServerCommand: {
            ModernCommand cmd = MakeCommand(ModernCommand::ServerCommand);
            cmd.sequence = reader.ReadBits(32);
            if (reader.Overflowed()) {
                return failed(ModernField::CommandSequence);
            }
            if (!ReadText(reader, kMaxString, cmd.text)) {
                return failed(ModernField::Text);
            }
            out.push_back(std::move(cmd));
            break;
        }

        case kGameState: {
            const uint32_t sequence = reader.ReadBits(32);
            if (reader.Overflowed()) {
                return failed(ModernField::CommandSequence);
            }
            ModernCommand begin = MakeCommand(ModernCommand::GameStateBegin);
            begin.sequence = sequence;
            out.push_back(std::move(begin));
            for (bool inGameState = true; inGameState;) {
                const uint32_t what = reader.ReadByte();
                if (reader.Overflowed()) {
                    return failed(ModernField::GameStateCommand);
                }
                if (what == kConfigString) {
                    ModernCommand cmd = MakeCommand(ModernCommand::ConfigString);
                    cmd.index = static_cast<int>(reader.ReadBits(16));
                    if (reader.Overflowed()) {
                        return failed(ModernField::GameStateIndex);
                    }
                    if (!ReadText(reader, kMaxBigString, cmd.text)) {
                        return failed(ModernField::Text);
                    }
                    out.push_back(std::move(cmd));
                } else if (what == kBaseline) {
                    // Configstrings all come before the baselines, and the baselines' entity
                    // deltas cannot be stepped over without the entity tables.
                    out.push_back(MakeCommand(ModernCommand::GameStateEnd));
                    return result;
                } else if (what == kEnd) {
                    reader.ReadBits(32); // our client number
                    reader.ReadBits(32); // checksum feed
                    if (reader.Overflowed()) {
                        return failed(ModernField::GameStateCommand);
                    }
                    out.push_back(MakeCommand(ModernCommand::GameStateEnd));
                    inGameState = false;
                } else {
                    result.unknownCommand = static_cast<int>(what);
                    return result;
                }
            }
            break;
        }

        case kSnapshot: {
            const uint32_t serverTime = reader.ReadBits(32);
            if (reader.Overflowed()) {
                return failed(ModernField::ServerTime);
            }
            // The rest is the snapshot's deltas, and nothing the server sends follows them.
            ModernCommand snapshot = MakeCommand(ModernCommand::Snapshot);
            snapshot.serverTime = serverTime;
            out.push_back(std::move(snapshot));
            return result;
        }

        default: // download, VoIP and bytes no known server sends
            result.unknownCommand = static_cast<int>(command);
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
