#pragma once
// The six playback keys and the key bindings that end every play script.
//
// The keys are settings ("ff_key" ... "next_key"); the bindings the scripts use are a separate
// text that starts as the fixed default block at every program start, whatever keys the
// configuration holds, and is rebuilt only when the user confirms the playback keys dialog.
#include <array>
#include <string>

namespace core {

inline constexpr int kPlaybackKeyCount = 6;
inline constexpr const char* kPlaybackKeysTitle = "Playback Control Keys";

struct PlaybackKeyRow {
    const char* label;      // the dialog's label
    const char* configKey;  // the key in the configuration file
    const char* defaultKey; // the game key name bound by default
    const char* command;    // the console command the key runs
};

// In the dialog's order, which is also the order of the bind lines.
const std::array<PlaybackKeyRow, kPlaybackKeyCount>& PlaybackKeyTable();

using PlaybackKeys = std::array<std::string, kPlaybackKeyCount>;

PlaybackKeys DefaultPlaybackKeys(); // "&Default"

// The six bind lines of every program start, joined by CR LF, without a line end after the last.
std::string DefaultKeyBindingBlock();

// "&OK": "unbind <old>" for every key whose input differs from the current key (exact text), then
// the six bind lines with the inputs; stores the inputs as the current keys.
std::string RebuildKeyBindingBlock(const PlaybackKeys& inputs, PlaybackKeys& current);

// The block the play scripts end with; DefaultKeyBindingBlock() until the dialog is confirmed.
extern std::string KeyBindingBlock;

} // namespace core
