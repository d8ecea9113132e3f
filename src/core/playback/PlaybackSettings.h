#pragma once
// What a play command needs of the settings, made from the settings record when the command
// starts: the work reads this value, never the program's record, so it can run and be tested
// with settings of its own.
#include <string>

#include "core/convert/DemoConversion.h"
#include "core/paths/Paths.h"

namespace core {

struct PlaybackSettings {
    std::string gameDirectory; // "q3a_dir"
    std::string baseFolder = "baseq3";
    GamePaths game;              // the paths derived from the game directory
    std::string startParameters; // "q3a_start_param": the user's own words for every start
    std::string gameProgram;     // "game_program"; empty: chosen by the demo's protocol
    std::string gameProtocols;   // "game_protocols"; empty: by the program's kind
    TargetGameData conversion;   // the data converted demos are made for
    bool modDemos = true;        // "Play Demos as Mod Demos"
    bool loopDemos = false;
    bool timeDemos = false;
    int playFromSeconds = 5;       // "play from here" starts this long before the moment
    bool restoreNewVersion = true; // the game version left at program end
};

} // namespace core
