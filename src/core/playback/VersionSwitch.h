#pragma once
// Two game versions in one game directory: the old one (1.17, protocols before 47) and 1.27. The
// inactive version's program is parked as "oldversion" or "newversion", and the two packs only
// 1.27 loads as "pak4.zip" and "pak5.zip"; switching renames them. The game's program keeps the
// name it has on disk (on Linux "quake3.x86", "ioquake3" ...; "quake3.exe" under Wine).
#include <string>

#include "core/paths/Paths.h"
#include "core/playback/PlayError.h"
#include "core/playback/PlaybackSettings.h"

namespace core {

bool BothVersionsInstalled(const GamePaths& game);
// With both installed: "oldversion" exists. Otherwise: "pak4.pk3" exists (a plain 1.27 game).
bool NewVersionActive(const GamePaths& game);

// The four renames, in order, each only after the previous one succeeded; nothing is undone. With
// the game running it is closed first, the renames are retried every 100 ms while its files may
// still be in use, and the game is started again with the global parameters. Both waits have time
// limits; running out of them, or a failed rename, fails with VersionSwitch.
PlayResult SwitchVersion(bool toNewVersion, const PlaybackSettings& settings);

// The menu "Active Q3A version": its two entries are enabled when both versions are installed,
// the check mark is on "1.27" when NewVersionMarked.
extern bool NewVersionMarked;
// At program start.
void InitVersionMarks(const GamePaths& game);
// The entry that shows the check mark: none in a folder without the original game (OpenArena or
// ioquake3 alone), where neither version is active.
enum class VersionMark { None, Old, New };
VersionMark CurrentVersionMark(const GamePaths& game);
// A click on "Q3A version is now 1.27" (true) or "... 1.17" (false): switches unless that entry
// already carries the check mark; NewVersionMarked then holds the new mark.
PlayResult ChooseVersion(bool toNewVersion, const PlaybackSettings& settings);

// A play command: switch to the version the protocol needs, when both are installed. A failed
// switch is added to the notices: the command goes on with the version there is.
void SwitchVersionForProtocol(const std::string& protocol, const PlaybackSettings& settings, PlayNotices& notices);
// Program end: leave the version restore_new_version asks for.
PlayResult SwitchVersionAtExit(const PlaybackSettings& settings);

} // namespace core
