#include "core/playback/RunningGame.h"

#include <algorithm>

#include "core/common/BusyScope.h"
#include "core/common/MessageSink.h"
#include "core/library/DemoFiles.h"
#include "core/playback/GamePrograms.h"
#include "core/playback/Mods.h"
#include "core/settings/Settings.h"
#include "platform/GameProcess.h"
#include "platform/GameWindow.h"
#include "platform/ShellWords.h"

namespace core {
namespace {

platform::GameProcess& KnownGame()
{
    platform::GameProcess& game = platform::Game();
    game.SetPipeFiles(ConsolePipeFiles());
    return game;
}

void Pump()
{
    if (Hooks().pump)
        Hooks().pump();
}

} // namespace

PlaybackHooks& Hooks()
{
    static PlaybackHooks hooks;
    return hooks;
}

GameTimeLimits& TimeLimits()
{
    static GameTimeLimits limits;
    return limits;
}

std::string ConsolePipeName(const std::string& globalParameters)
{
    std::string name = kDefaultConsolePipe;
    const std::vector<std::string> words = platform::SplitShellWords(globalParameters);
    for (size_t i = 0; i + 2 < words.size(); ++i)
        if ((words[i] == "+set" || words[i] == "+seta") && LowerCase(words[i + 1]) == "com_pipefile" &&
            !words[i + 2].empty())
            name = words[i + 2];
    return name;
}

std::vector<std::string> ConsolePipeFiles()
{
    const std::string name = ConsolePipeName(Settings.q3a_start_param);
    // The engine makes the FIFO in its home path, in the folder of the game it runs (the base
    // game's or the mod's): the game directory when that is the home path (or the engine was told
    // so), else one of the engines' home folders.
    std::vector<std::string> files;
    if (Settings.game.baseDirectory.empty())
        return files;
    const auto add = [&](const std::string& file) {
        if (std::find(files.begin(), files.end(), file) == files.end())
            files.push_back(file);
    };
    std::vector<std::string> homes{Settings.q3a_dir};
    homes.insert(homes.end(), ModLocations.homes.begin(), ModLocations.homes.end());
    for (const std::string& home : homes) {
        add(JoinPath(JoinPath(home, Settings.base_folder), name));
        for (const ModEntry& mod : ModTable)
            add(JoinPath(JoinPath(home, mod.folder), name));
    }
    return files;
}

bool IsGameRunning()
{
    return KnownGame().IsRunning();
}

bool GameTakesConsoleLines()
{
    return KnownGame().TakesConsoleLines();
}

std::string RunningGameProgram()
{
    return KnownGame().ChildExecutable();
}

bool SendConsoleCommand(const std::string& command)
{
    return KnownGame().SendLine(command);
}

void RaiseGameWindow()
{
    // The game started here, or the one reading a console FIFO (started by an earlier run).
    std::vector<platform::ProcessId> processes;
    if (const platform::ProcessId child = KnownGame().ChildPid(); child >= 0)
        processes.push_back(child);
    for (const std::string& fifo : ConsolePipeFiles())
        for (const platform::ProcessId reader : platform::ProcessesHolding(fifo))
            processes.push_back(reader);
    platform::RaiseWindowsOf(processes);
}

bool CloseGame()
{
    BusyScope busy;
    return KnownGame().Close(TimeLimits().close, Pump);
}

bool WaitForGame()
{
    BusyScope busy;
    return KnownGame().WaitUntilRunning(TimeLimits().start, Pump);
}

bool StartGame(const std::string& parameters)
{
    return StartGame(GameProgramFor("", Settings.game, Settings.game_program), parameters);
}

bool StartGame(const std::string& executable, const std::string& parameters)
{
    if (executable.empty()) {
        Messages().Error("No game program found in " + Settings.q3a_dir + "!", kGameStartErrorTitle);
        return false;
    }
    const std::string engineWords =
        EngineStartParameters(executable, Settings.q3a_start_param, ConsolePipeName(Settings.q3a_start_param));
    platform::GameStart start{executable, platform::SplitShellWords(engineWords + parameters), Settings.q3a_dir};
    std::string error;
    if (!KnownGame().Start(start, error)) {
        Messages().Error("Could not start the game!\r\n" + error, kGameStartErrorTitle);
        return false;
    }
    return true;
}

} // namespace core
