#include "core/playback/PlayFromMoment.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <string_view>
#include <vector>

#include "core/analysis/DemoFile.h"
#include "core/app/FileWrite.h"
#include "core/app/Settings.h"
#include "core/common/FileNames.h"
#include "core/common/MessageSink.h"
#include "core/events/DemoClip.h"
#include "core/library/DemoFiles.h"
#include "core/playback/GameLaunch.h"
#include "core/playback/PlayScript.h"
#include "core/playback/RunningGame.h"

namespace core {

int64_t PlayFromStart(int64_t demoTime, int leadSeconds)
{
    const int64_t lead = static_cast<int64_t>(std::clamp(leadSeconds, 0, 600)) * 1000;
    return std::max<int64_t>(0, demoTime - lead);
}

bool PlayFromMoment(const DemoInfo& row, const std::string& name, const std::string& archive, int64_t demoTime)
{
    if (!CheckPlayable(row, ProgramForProtocol(row[FieldProtocol])))
        return false;
    DemoBytes bytes = LoadDemoBytes(name, archive);
    if (!bytes.found || bytes.memoryError) {
        Messages().Error("The demo " + row[FieldDemoname] + " could not be read, so it cannot be played!",
                         kPlayFromTitle);
        return false;
    }
    std::vector<uint8_t> cut;
    const ClipResult result =
        CutDemo(bytes.data.span(), LowerExtension(name), PlayFromStart(demoTime, Settings.play_from_seconds),
                std::numeric_limits<int64_t>::max(), cut);
    bytes.data.Clear();
    if (!result.ok) {
        Messages().Error(result.problem, kPlayFromTitle);
        return false;
    }
    RemoveTempDemos();
    const std::string& demoDirectory = Settings.game.demoDirectory;
    std::error_code error;
    std::filesystem::create_directories(demoDirectory, error);
    const std::string tempName = TempDemoName(0, row);
    const std::string_view contents(reinterpret_cast<const char*>(cut.data()), cut.size());
    if (!ReplaceFileContents(JoinPath(demoDirectory, tempName), contents)) {
        Messages().Error("Could not write " + JoinPath(demoDirectory, tempName), kPlayFromTitle);
        return false;
    }
    MakeTmpPlayList(LowerCase(row[FieldDemoname]), "");
    if (Hooks().stopSounds)
        Hooks().stopSounds();
    return LaunchGame(row[FieldProtocol], PlayModDirectory(row));
}

} // namespace core
