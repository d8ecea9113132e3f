#include "core/playback/RunningGame.h"

#include <algorithm>

#include "core/common/TextEncoding.h"
#include "core/library/DemoFiles.h"
#include "core/playback/GamePrograms.h"
#include "core/playback/Mods.h"
#include "core/playback/PlaybackSettings.h"
#include "platform/GameProcess.h"
#include "platform/GameWindow.h"
#include "platform/ShellWords.h"

namespace core {
namespace {

platform::GameProcess& KnownGame(const PlaybackSettings& settings)
{
    platform::GameProcess& game = platform::Game();
    game.SetPipeFiles(ConsolePipeFiles(settings));
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

std::vector<std::string> ConsolePipeFiles(const PlaybackSettings& settings)
{
    const std::string name = ConsolePipeName(settings.startParameters);
    // The engine makes the FIFO in its home path, in the folder of the game it runs (the base
    // game's or the mod's): the game directory when that is the home path (or the engine was told
    // so), else one of the engines' home folders.
    std::vector<std::string> files;
    if (settings.game.baseDirectory.empty())
        return files;
    const auto add = [&](const std::string& file) {
        if (std::find(files.begin(), files.end(), file) == files.end())
            files.push_back(file);
    };
    std::vector<std::string> homes{settings.gameDirectory};
    homes.insert(homes.end(), ModLocations.homes.begin(), ModLocations.homes.end());
    for (const std::string& home : homes) {
        add(JoinPath(JoinPath(home, settings.baseFolder), name));
        for (const ModEntry& mod : ModTable)
            add(JoinPath(JoinPath(home, mod.folder), name));
    }
    return files;
}

bool IsGameRunning(const PlaybackSettings& settings)
{
    return KnownGame(settings).IsRunning();
}

bool GameTakesConsoleLines(const PlaybackSettings& settings)
{
    return KnownGame(settings).TakesConsoleLines();
}

std::string RunningGameProgram(const PlaybackSettings& settings)
{
    return KnownGame(settings).ChildExecutable();
}

bool SendConsoleCommand(const std::string& command, const PlaybackSettings& settings)
{
    return KnownGame(settings).SendLine(command);
}

void RaiseGameWindow(const PlaybackSettings& settings)
{
    // The game started here, or the one reading a console FIFO (started by an earlier run).
    std::vector<platform::ProcessId> processes;
    if (const platform::ProcessId child = KnownGame(settings).ChildPid(); child >= 0)
        processes.push_back(child);
    for (const std::string& fifo : ConsolePipeFiles(settings))
        for (const platform::ProcessId reader : platform::ProcessesHolding(fifo))
            processes.push_back(reader);
    platform::RaiseWindowsOf(processes);
}

bool CloseGame(const PlaybackSettings& settings)
{
    return KnownGame(settings).Close(TimeLimits().close, Pump);
}

bool WaitForGame(const PlaybackSettings& settings)
{
    return KnownGame(settings).WaitUntilRunning(TimeLimits().start, Pump);
}

PlayResult StartGame(const std::string& parameters, const PlaybackSettings& settings)
{
    return StartGame(GameProgramFor("", settings.game, settings.gameProgram), parameters, settings);
}

PlayResult StartGame(const std::string& executable, const std::string& parameters, const PlaybackSettings& settings)
{
    if (executable.empty()) {
        return PlayFailure{PlayError::GameStart, "No game program found in " + settings.gameDirectory + "!"};
    }
    const std::string engineWords =
        EngineStartParameters(executable, settings.startParameters, ConsolePipeName(settings.startParameters));
    platform::GameStart start{executable, platform::SplitShellWords(engineWords + parameters), settings.gameDirectory};
    std::string error;
    if (!KnownGame(settings).Start(start, error))
        return PlayFailure{PlayError::GameStart, "Could not start the game!\r\n" + error};
    return Done{};
}

} // namespace core
