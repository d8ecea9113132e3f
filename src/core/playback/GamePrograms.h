#pragma once
// Which of the game programs in the game directory plays a demo, and which demos a program can
// play at all.
//
// Two kinds of program are told apart by their file names. The original game's programs
// ("quake3.exe" under Wine, "quake3", "quake3.x86", "quake3.x86_64") play the protocols of their
// own release; with the two-version layout of 1.17 and 1.27 the version switch picks the one a
// demo needs. The ioquake3 family ("ioquake3...", "openarena...", and any other name, as the
// engines of today derive from it) plays protocols 66, 67, 68 and 71, never the older ones. A game
// directory may hold both kinds: old demos go to the original program, new ones to the engine.
// The settings "game_program" and "game_protocols" override the choice and the protocols.
#include <optional>
#include <string>
#include <vector>

#include "core/paths/Paths.h"

namespace core {

enum class ProgramKind { Original, Ioquake3 };
ProgramKind KindOfProgram(const std::string& program);

// The original game's program in the folder, the Linux builds before "quake3.exe"; nullopt when
// there is none.
std::optional<std::string> FindOriginalProgram(const std::string& gameDirectory);
// The first ioquake3-family program of GameExecutableNames in the folder.
std::optional<std::string> FindEngineProgram(const std::string& gameDirectory);
// The original program's file name for the version switch: the one on disk, else "quake3.exe".
std::string OriginalProgramName(const std::string& gameDirectory);
// True when the folder holds an original program, parked or active.
bool OriginalGamePresent(const GamePaths& game);

// A folder can be the game folder: it holds a game program, or the "game_program" setting names
// one that exists (a home folder such as ~/.openarena, the program elsewhere).
bool UsableGameFolder(const std::string& folder, const std::string& programSetting);

// The demo's protocol as a number; nullopt when the text is none ("N/A").
std::optional<int> ProtocolNumber(const std::string& protocol);

// The program that plays a demo of this protocol: the setting when given (a bare name lies in the
// game directory), the original program for protocols before 66, an ioquake3-family program from
// 66 on, and otherwise the first program found. Empty when the folder holds none.
std::string GameProgramFor(const std::string& protocol, const GamePaths& game, const std::string& programSetting);

// The protocols the program plays, ascending: those of the setting (numbers separated by blanks or
// commas) when it holds any, otherwise those of its kind. An original program plays 43 to 48 when
// both old versions are installed, else those of its release as its packs tell: 68 with 1.32's
// "pak8.pk3", 47 and 48 with 1.27's "pak4.pk3", 43, 45 and 46 without them.
std::vector<int> PlayableProtocols(const std::string& program, const GamePaths& game,
                                   const std::string& protocolsSetting);

// "66, 67, 68 and 71".
std::string ProtocolListText(const std::vector<int>& protocols);

// The refusal of a demo the program cannot play, or nullopt when it can (a demo without a known
// protocol is not refused: the game itself will tell).
std::optional<std::string> UnplayableDemoText(const std::string& demoName, const std::string& protocol,
                                              const std::string& program, const std::vector<int>& protocols);
inline constexpr const char* kUnplayableDemoTitle = "Demo Protocol not Playable";

// Extra start words a program of the ioquake3 family gets: a console FIFO ("+set com_pipefile
// <name>") unless the global parameters name one, so that a game keeps being seen and reached by
// every later run of the program; and the legacy demo protocol 68 ("+set com_legacyprotocol 68"),
// which OpenArena's own start sets to 71, refusing ".dm_68" demos. They come before the global
// parameters, so that the user's own settings win.
std::string EngineStartParameters(const std::string& program, const std::string& globalParameters,
                                  const std::string& pipeName);

} // namespace core
