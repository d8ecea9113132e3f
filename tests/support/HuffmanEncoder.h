#pragma once
// Writing the game's compressed network messages, for tests and benchmarks that need modern
// demos (".dm_66" ... ".dm_71") with known content.
//
// Typical use, a two-message demo:
//
//     using testsupport::ModernMessageBuilder;
//     std::vector<std::vector<uint8_t>> messages;
//     messages.push_back(ModernMessageBuilder(0)
//                            .GameState(1, {{0, "\\protocol\\68\\mapname\\q3dm17"},
//                                           {1, "\\sv_serverid\\1234"}})
//                            .Payload());
//     messages.push_back(ModernMessageBuilder(1)
//                            .ServerCommand(2, "print \"hello\n\"")
//                            .Snapshot(5000)
//                            .Payload());
//     std::vector<uint8_t> file = testsupport::ModernDemoFile(messages);
//     // write `file` to "x.dm_68"
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/protocol/HuffmanBitWriter.h"

namespace testsupport {

// A symbol's code in the game's fixed Huffman tree: `length` bits, the first one to be sent in
// the lowest position of `bits`. Symbols 0..255, and 256 for the coder's escape code (which real
// messages never contain; useful for testing damaged data).
struct HuffmanCode {
    uint32_t bits = 0;
    int length = 0;
};
HuffmanCode HuffmanCodeOf(int symbol);

// The product's writer; HuffmanCodeOf's codes go in through WriteCode(code.bits, code.length).
using HuffmanBitWriter = core::HuffmanBitWriter;

// One server-to-client message as stored in a modern demo. Each call appends one command; calls
// chain. The message starts with the reliable acknowledge given to the constructor.
class ModernMessageBuilder {
public:
    explicit ModernMessageBuilder(uint32_t reliableAcknowledge = 0);

    ModernMessageBuilder& Nop();
    // A server command; `text` is written byte for byte, then a 0.
    ModernMessageBuilder& ServerCommand(uint32_t sequence, std::string_view text);

    // A game state the way servers send it: the configstrings (index, text) in the order given,
    // then one entity baseline. A decoder stops at the baseline.
    ModernMessageBuilder& GameState(uint32_t sequence, const std::vector<std::pair<int, std::string>>& configStrings);
    // The same piece by piece, for game states ended by the end marker instead of a baseline.
    ModernMessageBuilder& BeginGameState(uint32_t sequence);
    ModernMessageBuilder& ConfigString(int index, std::string_view text);
    ModernMessageBuilder& Baseline(int entityNumber);
    ModernMessageBuilder& EndGameState(uint32_t clientNumber = 0, uint32_t checksumFeed = 0);

    // A snapshot with this server time, followed by a short, plausible body of delta data (not
    // meant to be read). Servers put nothing after a snapshot but the end marker.
    ModernMessageBuilder& Snapshot(uint32_t serverTime);
    // The end marker of the message (svc_EOF).
    ModernMessageBuilder& End();
    // Any byte in command position, e.g. a download (6) or VoIP (9, 10) command.
    ModernMessageBuilder& CommandByte(uint8_t command);

    HuffmanBitWriter& Writer() { return writer_; }
    std::vector<uint8_t> Payload() const { return writer_.Bytes(); }

private:
    void WriteText(std::string_view text);

    HuffmanBitWriter writer_;
};

// A demo file from message payloads: for each, int32 sequence (firstSequence, +1, ...), int32
// length, payload; then the end marker (sequence -1, length -1).
std::vector<uint8_t> ModernDemoFile(const std::vector<std::vector<uint8_t>>& payloads, int32_t firstSequence = 0);

} // namespace testsupport
