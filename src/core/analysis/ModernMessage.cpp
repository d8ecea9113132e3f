#include "core/analysis/ModernMessage.h"

#include <array>
#include <utility>

#include "core/analysis/Huffman.h"

namespace core {

namespace {

// Command bytes of the server's messages.
enum : uint32_t {
    kNop = 1,
    kGameState = 2,
    kConfigString = 3,
    kBaseline = 4,
    kServerCommand = 5,
    kSnapshot = 7,
    kEnd = 8,
};

// The game's own buffers (less their terminator); texts beyond them are cut, as the game would.
constexpr size_t kMaxBigString = 8192 - 1;
constexpr size_t kMaxString = 1024 - 1;

// Reads a zero-terminated text. False when the data ends first; the reader is then overflowed.
bool ReadText(HuffmanBitReader& reader, size_t limit, std::string& text) {
    text.clear();
    for (;;) {
        const uint32_t c = reader.ReadByte();
        if (reader.Overflowed()) {
            return false;
        }
        if (c == 0) {
            return true;
        }
        // Keep consuming past the limit so that the next command starts where it should.
        if (text.size() < limit) {
            text.push_back(static_cast<char>(c));
        }
    }
}

ModernCommand MakeCommand(ModernCommand::Kind kind) {
    ModernCommand command;
    command.kind = kind;
    return command;
}

} // namespace

ModernDecodeResult DecodeModernMessage(std::span<const uint8_t> payload, std::vector<ModernCommand>& out) {
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

bool IsModernDemoExtension(std::string_view lowerExtension) {
    static constexpr std::array<std::string_view, 5> kExtensions = {".dm_66", ".dm_67", ".dm_68", ".dm_70", ".dm_71"};
    for (std::string_view e : kExtensions) {
        if (lowerExtension == e) {
            return true;
        }
    }
    return false;
}

} // namespace core
