#pragma once
// The bounds the game's own client puts on what a recorded server message may hold. Every reader
// and writer of demo messages checks against these, so that a demo one of them accepts the others
// accept too.
#include <cstddef>

namespace core {

// A message longer than this is refused by the game (MAX_MSGLEN).
inline constexpr size_t kMaxMessageSize = 16384;
// Texts of server commands, and of configuration strings, less their terminator; longer ones are
// read to their end and cut.
inline constexpr size_t kMaxStringChars = 1024 - 1;
inline constexpr size_t kMaxBigStringChars = 8192 - 1;
// Configuration strings 0 .. 1023.
inline constexpr int kMaxConfigStrings = 1024;
// The game state's text buffer of 1.32 and the older games.
inline constexpr size_t kMaxGameStateChars = 16000;
// Quake Live's game states are larger; its own limit is not known here, so only the texts' own
// bounds (1024 strings of 8191 bytes) hold them.
inline constexpr size_t kMaxQuakeLiveGameStateChars = size_t{kMaxConfigStrings} * (kMaxBigStringChars + 1);
// Snapshots the client keeps to delta from; a power of two (slots are numbered modulo it).
inline constexpr int kPacketBackup = 32;
// A configuration string sent in pieces ("bcs0", "bcs1", "bcs2") is joined up to this many bytes.
inline constexpr size_t kMaxBigConfigStringBytes = 16384;

} // namespace core
