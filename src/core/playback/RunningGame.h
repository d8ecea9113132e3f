#pragma once
// The running game, as the play commands see it: is it running, hand it a console line, close it,
// wait for it, start it. The work is done by platform::Game(); this layer knows where the game's
// console FIFO can be (the base folder and every mod folder, in the game directory and in the
// engines' home folders, under the name the user gave with "+set com_pipefile" in the global
// parameters, or "velmora.fifo", which every ioquake3-family start gets) and how to start a program.
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "core/playback/PlayError.h"
#include "core/playback/PlaybackSettings.h"

namespace core {

// What the window does while the core waits or works; empty functions do nothing. Set by the GUI,
// which also keeps the events handled by the pump from closing the window or starting other work.
struct PlaybackHooks {
    std::function<void()> pump;                     // process pending window messages
    std::function<void(bool)> busyCursor;           // hourglass on (true) and off
    std::function<void()> menuClickAndStopSounds;   // "sound\misc\menu1.wav", then stop every sound
    std::function<void()> stopSounds;               // stop and release what is playing
    std::function<void(const std::string&)> status; // a line for the status bar
};
PlaybackHooks& Hooks();

// Every wait for the game ends after these times; the command then reports its failure.
struct GameTimeLimits {
    std::chrono::milliseconds close{6000};    // a quit, then SIGTERM after half of it
    std::chrono::milliseconds start{30000};   // until a started game runs
    std::chrono::milliseconds renames{15000}; // version switch: until the game's files can be renamed
};
GameTimeLimits& TimeLimits();

inline constexpr const char* kDefaultConsolePipe = "velmora.fifo";
// The console FIFO's name: the last "+set com_pipefile <name>" (or "+seta") in the global
// parameters, else kDefaultConsolePipe.
std::string ConsolePipeName(const std::string& globalParameters);
// Where a running game's console FIFO may be: the base folder, then every mod's folder, first in
// the game directory, then in each home folder of ModLocations.
std::vector<std::string> ConsolePipeFiles(const PlaybackSettings& settings);

bool IsGameRunning(const PlaybackSettings& settings);
// A running game that reads console lines: not one under Wine, which reads its own console window.
bool GameTakesConsoleLines(const PlaybackSettings& settings);
// The program of the running game when this run of the program started it; empty for a game
// reached through its console FIFO (always one of the ioquake3 family) or none.
std::string RunningGameProgram(const PlaybackSettings& settings);
// Delivers one console line; false when no game took it (the line is lost, as typed text into a
// missing console window was).
bool SendConsoleCommand(const std::string& command, const PlaybackSettings& settings);
// Brings the running game's window to the front (the user's eyes follow a new demo there).
void RaiseGameWindow(const PlaybackSettings& settings);
// Asks the game to close and waits for it within the time limit; true when no game runs then.
bool CloseGame(const PlaybackSettings& settings);
// True once the game runs; false when it did not within the time limit.
bool WaitForGame(const PlaybackSettings& settings);

// Starts the program from the game directory with the parameter text cut into words as a shell
// would; a program of the ioquake3 family gets its console FIFO and legacy demo protocol first
// (EngineStartParameters). A program that cannot be started fails with GameStart.
PlayResult StartGame(const std::string& program, const std::string& parameters, const PlaybackSettings& settings);
// The same with the program a demo of unknown protocol gets (the setting, or the first found).
PlayResult StartGame(const std::string& parameters, const PlaybackSettings& settings);

inline constexpr const char* kGameStartErrorTitle = "Game Start ERROR";

} // namespace core
