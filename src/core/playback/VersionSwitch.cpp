#include "core/playback/VersionSwitch.h"

#include <array>
#include <chrono>
#include <thread>

#include "core/library/DemoFiles.h"
#include "core/playback/GamePrograms.h"
#include "core/playback/PlaybackSettings.h"
#include "core/playback/RunningGame.h"
#include "core/protocol/ProtocolTable.h"
#include "platform/FileRename.h"
#include "platform/FileSystem.h"

namespace core {
namespace {

constexpr std::chrono::milliseconds kRenamePause{100};

struct Rename {
    std::string from, to;
};

std::array<Rename, 4> RenameOrder(const GamePaths& game, bool toNewVersion)
{
    const auto inGame = [&](const char* name) { return JoinPath(game.gameDirectory, name); };
    const auto inBase = [&](const char* name) { return JoinPath(game.baseDirectory, name); };
    // Only the original game's program: an ioquake3 beside it is no version of it.
    const std::string program = JoinPath(game.gameDirectory, OriginalProgramName(game.gameDirectory));
    if (toNewVersion)
        return {{{program, inGame("oldversion")},
                 {inGame("newversion"), program},
                 {inBase("pak4.zip"), inBase("pak4.pk3")},
                 {inBase("pak5.zip"), inBase("pak5.pk3")}}};
    return {{{program, inGame("newversion")},
             {inGame("oldversion"), program},
             {inBase("pak4.pk3"), inBase("pak4.zip")},
             {inBase("pak5.pk3"), inBase("pak5.zip")}}};
}

bool RenameInOrder(const std::array<Rename, 4>& renames)
{
    for (const Rename& rename : renames)
        if (!platform::RenameWithoutReplacing(rename.from, rename.to))
            return false;
    return true;
}

// After the game closed, its files may stay in use for a while: each pass tries every rename that
// has not succeeded yet, until all have or the time limit is reached.
bool RenameInPasses(const std::array<Rename, 4>& renames)
{
    const auto deadline = std::chrono::steady_clock::now() + TimeLimits().renames;
    std::array<bool, 4> done{};
    for (;;) {
        if (Hooks().pump)
            Hooks().pump();
        std::this_thread::sleep_for(kRenamePause);
        bool all = true;
        for (size_t i = 0; i < renames.size(); ++i) {
            if (!done[i])
                done[i] = platform::RenameWithoutReplacing(renames[i].from, renames[i].to);
            all = all && done[i];
        }
        if (all)
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
    }
}

class HourglassScope {
public:
    HourglassScope()
    {
        if (Hooks().busyCursor)
            Hooks().busyCursor(true);
    }
    ~HourglassScope()
    {
        if (Hooks().busyCursor)
            Hooks().busyCursor(false);
    }
    HourglassScope(const HourglassScope&) = delete;
    HourglassScope& operator=(const HourglassScope&) = delete;
};

} // namespace

bool BothVersionsInstalled(const GamePaths& game)
{
    const auto inGame = [&](const char* name) { return platform::IsRegularFile(JoinPath(game.gameDirectory, name)); };
    const auto inBase = [&](const char* name) { return platform::IsRegularFile(JoinPath(game.baseDirectory, name)); };
    return (inGame("oldversion") && inBase("pak4.pk3") && inBase("pak5.pk3")) ||
           (inGame("newversion") && inBase("pak4.zip") && inBase("pak5.zip"));
}

bool NewVersionActive(const GamePaths& game)
{
    if (BothVersionsInstalled(game))
        return platform::IsRegularFile(JoinPath(game.gameDirectory, "oldversion"));
    return platform::IsRegularFile(JoinPath(game.baseDirectory, "pak4.pk3"));
}

bool NewVersionMarked = true;

PlayResult SwitchVersion(bool toNewVersion, const PlaybackSettings& settings)
{
    HourglassScope hourglass;
    const std::array<Rename, 4> renames = RenameOrder(settings.game, toNewVersion);
    bool switched = false;
    if (!IsGameRunning(settings))
        switched = RenameInOrder(renames);
    else
        switched = CloseGame(settings) && RenameInPasses(renames) &&
                   StartGame(JoinPath(settings.game.gameDirectory, OriginalProgramName(settings.game.gameDirectory)),
                             settings.startParameters, settings)
                       .ok() &&
                   WaitForGame(settings);
    if (!switched) {
        const std::string version = toNewVersion ? "1.27" : "pre 1.27";
        return PlayFailure{PlayError::VersionSwitch,
                           "Something went wrong in changing version to " + version +
                               " !\r\nStudy the vmr readme file for problem solving issues with version changing."};
    }
    NewVersionMarked = toNewVersion;
    return Done{};
}

VersionMark CurrentVersionMark(const GamePaths& game)
{
    if (!OriginalGamePresent(game))
        return VersionMark::None;
    return NewVersionMarked ? VersionMark::New : VersionMark::Old;
}

void InitVersionMarks(const GamePaths& game)
{
    NewVersionMarked = NewVersionActive(game);
}

PlayResult ChooseVersion(bool toNewVersion, const PlaybackSettings& settings)
{
    if (NewVersionMarked != toNewVersion && BothVersionsInstalled(settings.game))
        return SwitchVersion(toNewVersion, settings);
    return Done{};
}

void SwitchVersionForProtocol(const std::string& protocol, const PlaybackSettings& settings, PlayNotices& notices)
{
    if (!BothVersionsInstalled(settings.game))
        return;
    const bool needsNew = !ProtocolColumnBelow(protocol, kProtocolFirst127);
    if (NewVersionActive(settings.game) != needsNew)
        if (PlayResult switched = SwitchVersion(needsNew, settings); !switched)
            notices.push_back(switched.failure());
}

PlayResult SwitchVersionAtExit(const PlaybackSettings& settings)
{
    if (!BothVersionsInstalled(settings.game))
        return Done{};
    const bool restoreNew = settings.restoreNewVersion;
    if (NewVersionActive(settings.game) != restoreNew)
        return SwitchVersion(restoreNew, settings);
    return Done{};
}

} // namespace core
