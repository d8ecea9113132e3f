#pragma once
// Making demos playable by the game and getting the game to play them.
//
// The game plays only demos it finds in its own file system: the "demos" folder of the base game
// or of the mod it runs, and the "demos" folder inside the packs it loads. Every other demo is
// copied or extracted into the base game's demo folder under a temporary name ("vmrtmp00.dm_48"),
// the play script "vmrtmp.vmr" is written into the base folder, and the game is told to run it:
// a running game through its console, otherwise a new game with "+exec vmrtmp.vmr".
//
// Demo names reach the game inside a console line, where a blank, ";", a quote or a comment
// ("//", "/*") would cut or change the command. A demo whose name holds one is not played where it
// lies but from a temporary copy, whose name is always safe. Old ".dm3" demos were named by their
// short 8.3 names on Windows; Linux has none, so they follow the same rule and are named by their
// path below the demo folder without the extension (the old game adds it), spelled as on disk.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/paths/Paths.h"
#include "core/playback/PlayError.h"
#include "core/playback/PlaybackSettings.h"
#include "core/row/DemoInfo.h"

namespace core {

inline constexpr const char* kPlayScriptName = "vmrtmp.vmr";

// The folder the game must run for this demo: its installed mod's folder, or the base directory
// for a base game demo, a mod that is not installed, or while "Play Demos as Mod Demos" is off
// (the game then runs without the mod, so a demo in the mod's folder is not where it looks).
std::string PlayModDirectory(const DemoInfo& row, const PlaybackSettings& settings);

// "vmrtmp" + the index with at least two digits + the demo's own extension, lower-cased
// ("vmrtmp03.dm_71"). Without one: ".dm3" below protocol 47, else ".dm_48". A demo converted for
// the engine takes the extension of the protocol it was converted to ("vmrtmp03.dm_68").
std::string TempDemoName(size_t index, const DemoInfo& row, std::optional<int> convertedTo = std::nullopt);
// True for the names TempDemoName makes, which the clean-up removes.
bool IsTempDemoName(std::string_view fileName);

// True when the text can stand as one word of a console line: printable ASCII without the
// console's quote, separator and escape characters.
bool IsConsoleSafeName(std::string_view text);

// The demo argument of a demo file below a demo folder: its path relative to that folder, the
// extension dropped for ".dm3" demos (the old game adds it).
std::string DemoCommandName(const std::string& demoFolder, const std::string& fullPath);

// The demo argument by which the game finds the demo where it lies; nullopt when it must be copied
// or extracted first. Plain files: below the base game's demo folder or the mod's. Pack members:
// a ".pk3" directly in the base folder or the mod folder, member folder exactly "demos".
std::optional<std::string> InPlaceDemoArgument(const DemoInfo& row, const std::string& modDirectory,
                                               const GamePaths& game);
bool PlayableInPlace(const DemoInfo& row, const std::string& modDirectory, const GamePaths& game);

// A play list entry made ready: what follows "demo " in the script, where the demo comes from (the
// full path of a plain file; byte 1, the archive's path, "\" and the member's name), and its name.
struct PreparedEntry {
    std::string argument;
    std::string source;
    std::string fileName;
    bool operator==(const PreparedEntry&) const = default;
};
std::string SourceText(const DemoInfo& row);

// Prepares play list entry `index` (counted over the whole list, skipped entries included).
// nullopt when the entry is skipped: a demo without information (its "Mod" is "N/A") that is not
// in place, or a failed copy, extraction or conversion, which is added to the notices. With
// `convertTo` the temporary demo is the demo converted to that protocol, wherever the demo lies.
std::optional<PreparedEntry> PrepareEntry(const DemoInfo& row, size_t index, const PlaybackSettings& settings,
                                          PlayNotices& notices, std::optional<int> convertTo = std::nullopt);

// "Play it": plays one row. Fails when it was refused, its copy, extraction or conversion failed
// or the game could not be started.
PlayResult PlayDemo(const DemoInfo& row, const PlaybackSettings& settings, PlayNotices& notices);

// "+set fs_game <mod folder>" when the folder is not the base directory; empty otherwise.
std::string ModStartPart(const std::string& modDirectory, const std::string& baseDirectory);

// Switches the game version when the protocol needs the other one, then hands the play script to
// the running game (and raises its window), or starts the game with it. A fresh start is needed for a mod, for a
// running game of another program than the protocol needs, and for a game under Wine, which takes no console lines (the
// status bar says so). Fails when neither worked.
PlayResult LaunchGame(const std::string& protocol, const std::string& modDirectory, const PlaybackSettings& settings,
                      PlayNotices& notices);

// Removes the temporary demos and the play script, unless a game runs that may still read them.
void CleanTempFiles(const PlaybackSettings& settings);
// Removes the temporary demos an earlier play command left, before a new one writes its own: the
// engine plays a leftover of its own protocol under the same base name when the requested one is
// missing. A game that still reads one keeps its open file.
void RemoveTempDemos(const PlaybackSettings& settings);

// The program that plays the demo. When it cannot play the demo's protocol, nor a protocol the demo
// can be converted to (Unplayable), or the demo needs a mod that is not installed (ModNotInstalled,
// MissingModText), the refusal is the result; nothing has been written and a running game was not
// told anything.
PlayResult CheckPlayable(const DemoInfo& row, const std::string& program, const PlaybackSettings& settings);

// A demo played as it is may need the mod it was recorded with (the "Mod" field: the server's
// fs_game or gamename): the game code checks the demo's game version (configuration string 20)
// against its own and stops with a black screen ("Client/Server game mismatch") when they differ.
// The refusal, naming the mod and the folders the engine loads mods from; nullopt when the mod is
// the base game or installed in one of those folders, and when the demo does not need it: its
// game version is a base game's ("baseq3-1": OSP keeps the base game's client code), or it is
// converted (a converted demo carries the game version of the engine's own data).
std::optional<std::string> MissingModText(const DemoInfo& row, const std::string& program,
                                          const PlaybackSettings& settings);
inline constexpr const char* kModNotInstalledTitle = "Demo Mod not Installed";

// The protocol the demo is converted to for the program: set when the program cannot play the
// demo's own protocol but plays one the demo can become (68 for the old game's demos, 71 for
// OpenArena 0.8.1's ".dm_70"). A demo the program plays is played as it is.
std::optional<int> ConversionFor(const DemoInfo& row, const std::string& program, const PlaybackSettings& settings);
// The protocol the program plays the demo as: the converted one, else the demo's own (as text).
std::string PlayedProtocol(const DemoInfo& row, const std::string& program, const PlaybackSettings& settings);

inline constexpr const char* kConversionFailedTitle = "Demo Conversion Error";
// "The demo x.dm_48 (protocol 48) could not be converted to protocol 68 for the game: <failure>.
// It was not played."
std::string ConversionFailureText(const DemoInfo& row, int protocol, const std::string& failure);
// The program for a demo of this protocol, by the settings.
std::string ProgramForProtocol(const std::string& protocol, const PlaybackSettings& settings);

inline constexpr const char* kWineRestartStatus =
    "The game runs under Wine, where it takes no console commands: it was closed and started again to play the demo.";

} // namespace core
