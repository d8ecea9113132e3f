#include "core/playback/GamePrograms.h"

#include <algorithm>

#include "core/library/DemoFiles.h"
#include "core/playback/VersionSwitch.h"
#include "core/protocol/ProtocolTable.h"
#include "core/row/DemoInfo.h"
#include "core/summary/QuakeLive.h"
#include "platform/FileSystem.h"
#include "platform/ShellWords.h"

namespace core {
namespace {

bool IsOriginalName(const std::string& lowerName)
{
    return lowerName == "quake3" || lowerName == "quake3.x86" || lowerName == "quake3.x86_64" ||
           lowerName.ends_with(".exe");
}

std::vector<int> NumbersIn(const std::string& text)
{
    std::vector<int> numbers;
    int value = -1;
    for (const char c : text + " ") {
        if (c >= '0' && c <= '9') {
            value = std::min(100000, std::max(value, 0) * 10 + (c - '0'));
        } else if (value >= 0) {
            numbers.push_back(value);
            value = -1;
        }
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

} // namespace

ProgramKind KindOfProgram(const std::string& program)
{
    const std::string name = LowerCase(FileNameOf(program));
    return IsOriginalName(name) || name == "oldversion" || name == "newversion" ? ProgramKind::Original
                                                                                : ProgramKind::Ioquake3;
}

std::optional<std::string> FindOriginalProgram(const std::string& gameDirectory)
{
    // The Windows program only has to be there (Wine starts it); the Linux ones must be startable.
    for (const std::string& name : GameExecutableNames()) {
        const std::string path = JoinPath(gameDirectory, name);
        if (!IsOriginalName(name))
            continue;
        // A Windows program only has to be there: it is started through Wine.
        if (name.ends_with(".exe") ? platform::IsRegularFile(path) : platform::IsExecutableFile(path))
            return path;
    }
    return std::nullopt;
}

std::optional<std::string> FindEngineProgram(const std::string& gameDirectory)
{
    for (const std::string& name : GameExecutableNames()) {
        const std::string path = JoinPath(gameDirectory, name);
        if (!IsOriginalName(name) && platform::IsExecutableFile(path))
            return path;
    }
    return std::nullopt;
}

std::string OriginalProgramName(const std::string& gameDirectory)
{
    // Renaming needs no execute permission: a program parked without it is still the one.
    for (const std::string& name : GameExecutableNames())
        if (IsOriginalName(name) && platform::IsRegularFile(JoinPath(gameDirectory, name)))
            return name;
    return "quake3.exe";
}

bool OriginalGamePresent(const GamePaths& game)
{
    return FindOriginalProgram(game.gameDirectory) ||
           platform::IsRegularFile(JoinPath(game.gameDirectory, "oldversion")) ||
           platform::IsRegularFile(JoinPath(game.gameDirectory, "newversion"));
}

bool UsableGameFolder(const std::string& folder, const std::string& programSetting)
{
    if (FindGameExecutable(folder))
        return true;
    if (programSetting.empty() || folder.empty())
        return false;
    const std::string program =
        programSetting.find('/') == std::string::npos ? JoinPath(folder, programSetting) : programSetting;
    return platform::IsRegularFile(program);
}

std::optional<int> ProtocolNumber(const std::string& protocol)
{
    if (protocol.empty() || protocol.size() > 6)
        return std::nullopt;
    int value = 0;
    for (const char c : protocol) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string GameProgramFor(const std::string& protocol, const GamePaths& game, const std::string& programSetting)
{
    if (!programSetting.empty())
        return programSetting.find('/') == std::string::npos ? JoinPath(game.gameDirectory, programSetting)
                                                             : programSetting;
    if (const std::optional<int> number = ProtocolNumber(protocol)) {
        const std::optional<std::string> program = ProtocolRules(*number).coding == MessageCoding::Plain
                                                       ? FindOriginalProgram(game.gameDirectory)
                                                       : FindEngineProgram(game.gameDirectory);
        if (program)
            return *program;
    }
    return FindGameExecutable(game.gameDirectory).value_or("");
}

std::vector<int> PlayableProtocols(const std::string& program, const GamePaths& game,
                                   const std::string& protocolsSetting)
{
    std::vector<int> fromSetting = NumbersIn(protocolsSetting);
    if (!fromSetting.empty())
        return fromSetting;
    if (KindOfProgram(program) == ProgramKind::Ioquake3)
        return {66, 67, 68, 71};
    if (BothVersionsInstalled(game))
        return {43, 45, 46, 47, 48};
    if (platform::IsRegularFile(JoinPath(game.baseDirectory, "pak8.pk3")))
        return {68};
    if (platform::IsRegularFile(JoinPath(game.baseDirectory, "pak4.pk3")))
        return {47, 48};
    return {43, 45, 46};
}

std::string ProtocolListText(const std::vector<int>& protocols)
{
    std::string text;
    for (size_t i = 0; i < protocols.size(); ++i) {
        if (i > 0)
            text += i + 1 == protocols.size() ? " and " : ", ";
        text += std::to_string(protocols[i]);
    }
    return text;
}

std::optional<std::string> UnplayableDemoText(const std::string& demoName, const std::string& protocol,
                                              const std::string& program, const std::vector<int>& protocols)
{
    const std::optional<int> number = ProtocolNumber(protocol);
    if (!number || std::find(protocols.begin(), protocols.end(), *number) != protocols.end())
        return std::nullopt;
    if (IsQuakeLiveProtocol(*number))
        // No engine on Linux plays these: they need Quake Live's own game code and packs.
        return "The demo \"" + demoName + "\" was recorded by Quake Live (protocol " + protocol +
               "). Quake Live demos play only in Quake Live itself; the game program " + program +
               " cannot play them, and no engine on Linux can without Quake Live's own game data.\r\n"
               "Nothing was played. If the program can play it, list its protocols as game_protocols in "
               "section [Global] of Velmora.cfg.";
    return "The demo \"" + demoName + "\" has protocol " + protocol + ", which the game program " + program +
           " cannot play (it plays protocol" + (protocols.size() == 1 ? " " : "s ") + ProtocolListText(protocols) +
           ").\r\nNothing was played. If the program can play it, list its protocols as game_protocols in "
           "section [Global] of Velmora.cfg.";
}

std::string EngineStartParameters(const std::string& program, const std::string& globalParameters,
                                  const std::string& pipeName)
{
    if (KindOfProgram(program) != ProgramKind::Ioquake3)
        return "";
    std::string words;
    bool pipeGiven = false;
    const std::vector<std::string> global = platform::SplitShellWords(globalParameters);
    for (size_t i = 0; i + 1 < global.size(); ++i)
        pipeGiven =
            pipeGiven || ((global[i] == "+set" || global[i] == "+seta") && LowerCase(global[i + 1]) == "com_pipefile");
    if (!pipeGiven)
        words += "+set com_pipefile " + platform::QuoteShellWord(pipeName) + " ";
    return words + "+set com_legacyprotocol 68 ";
}

} // namespace core
