#pragma once
// The server-to-client messages stored in Huffman-coded demos (those of 1.29 on, OpenArena's and
// Quake Live's: see core/protocol/ProtocolTable).
// The demo reader hands over one message payload at a time; this turns it into the commands the
// program cares about: server commands, the game state's configstrings and snapshot times.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace core {

struct ModernCommand {
    enum Kind { ServerCommand, GameStateBegin, ConfigString, GameStateEnd, Snapshot, Nop };
    Kind kind;
    uint32_t sequence = 0;   // server command sequence, or the game state's command sequence
    int index = 0;           // configstring index
    std::string text;        // server command text or configstring text
    uint32_t serverTime = 0; // snapshot
};

// Where the data ran out.
enum class ModernField {
    None,
    Acknowledge,
    CommandByte,
    ServerTime,
    CommandSequence,
    GameStateCommand,
    GameStateIndex,
    Text
};

struct ModernDecodeResult {
    bool ok = true; // false: the data ended inside `field` (overflow)
    ModernField field = ModernField::None;
    int unknownCommand = -1; // a command byte that stopped the message (0, >10, ...), else -1
    bool ended = false;      // svc_EOF seen
};

// Decodes one message payload into commands, in order, appending to `out`.
//
// - A command is appended only when it was read whole; when the data ends inside one, the result
//   is ok=false with the field it ended in, and everything before it stays in `out`.
// - A game state gives GameStateBegin, one ConfigString per configstring, then GameStateEnd where
//   the entity baselines or the game state's end marker begin. Baselines cannot be read without the
//   entity tables, so they end the message (ok, not ended). The client number and checksum after
//   the end marker are skipped; data ending there counts as GameStateCommand.
// - A byte inside the game state that is neither configstring, baseline nor end marker stops the
//   message and is reported in unknownCommand, without GameStateEnd.
// - A snapshot gives Snapshot with its server time and ends the message: the server writes its
//   commands before the snapshot.
// - A download carries nothing the game reads in a demo and is passed over; voice data (9, 10) is
//   read past as ioquake3 reads it; the bytes no server sends stop the message (unknownCommand).
// - Texts are read with the wire layer's rules (core/protocol/CommandReader.h): bytes kept as they
//   are, configstrings cut at 8191 bytes and server commands at 1023, read to their end. A
//   configstring number the game refuses (1024 on) stops the message, reported as the
//   configstring command (3) in unknownCommand.
// - A code that no encoder produces (the coder's escape code) is treated like the data's end.
ModernDecodeResult DecodeModernMessage(std::span<const uint8_t> payload, std::vector<ModernCommand>& out);

// Most messages hold nothing but a snapshot. For those this gives its server time, decoding only
// the acknowledge, the command byte and the time; false for any other message (and for one too
// short to decode this way), which then needs DecodeModernMessage. Never reads outside the span.
//
// Servers repeat the same acknowledge in message after message; `memo` keeps the bits of the last
// one, so that a message starting with the same bits skips them without decoding.
struct QuickSnapshotMemo {
    uint64_t acknowledgeBits = 0;
    int acknowledgeLength = 0; // 0: nothing kept
};
bool QuickSnapshotTime(std::span<const uint8_t> payload, uint32_t& serverTime, QuickSnapshotMemo& memo);
// True when QuickSnapshotTime would find a snapshot and its time lies within the data (it can then
// fail only on a damaged code), without decoding the time: a walk that needs the time of only
// some snapshots asks for it later.
bool IsQuickSnapshot(std::span<const uint8_t> payload, QuickSnapshotMemo& memo);

} // namespace core
