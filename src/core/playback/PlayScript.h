#pragma once
// The play script "vmrtmp.vmr": a console script the game runs to play one demo or a play list.
//
// It defines the speed states the playback keys step through (the preamble), the titles echoed on
// screen, a chain of variables d1, d2, ... each starting one demo and pointing "nextdemo" at the
// next, and ends with the key bindings. Lines end with CR LF, the last one too.
#include <string>
#include <vector>

#include "core/playback/GameLaunch.h"
#include "core/row/DemoInfo.h"

namespace core {

// The 55 fixed lines every play script begins with, each ended by CR LF.
std::string ScriptPreamble();

struct ScriptOptions {
    bool loop = false;     // "Loop Demos"
    bool timedemo = false; // "Hardware Stress Test (Timedemo)"
    std::string keyBindingBlock;
};
// The options of a play command: its settings and core::KeyBindingBlock.
ScriptOptions ScriptOptionsFor(const PlaybackSettings& settings);

// The script for one demo. An empty argument names the temporary demo "vmrtmp00" with the display
// name's extension.
std::string SingleDemoScript(const std::string& displayName, const std::string& argument, const ScriptOptions& options);
// The script for a play list of prepared entries (at least one).
std::string PlayListScript(const std::vector<PreparedEntry>& entries, const ScriptOptions& options);

// Writes the single-demo script into the base folder; a failure is added to the notices and the
// caller goes on.
void MakeTmpPlayList(const std::string& displayName, const std::string& argument, const PlaybackSettings& settings,
                     PlayNotices& notices);

inline constexpr const char* kLongPlayListTitle = "Q3A Limitation Warning: Cbuf_InsertText overflowed";
// From this many entries on the game's command buffer may overflow: the user is asked first.
inline constexpr size_t kLongPlayListSize = 30;

// "Play current Playlist": checks the list, prepares every entry, writes the list script and has
// the game play it. Done once the game was asked to play (so "Play current Playlist && Exit
// Velmora" ends the program only then). A long list is only played once `longListConfirmed`;
// before that nothing is checked or written and the result asks the question (NeedsConfirmation).
PlayResult CreatePlaylist(const std::vector<DemoInfo>& rows, const PlaybackSettings& settings, PlayNotices& notices,
                          bool longListConfirmed = false);

// Protocol classes that cannot share one run of the game: before 47 (the old game), 47 to 65
// (version 1.27), 66 and later (the engines that play modern demos and refuse the older ones).
int ProtocolClass(const std::string& protocol);

// The toolbar button's tool tip for the option's state.
const char* TimedemoToolTip(bool on); // "disable timedemo" / "enable timedemo"
const char* LoopToolTip(bool on);     // "disable loop demos" / "enable loop demos"

} // namespace core
