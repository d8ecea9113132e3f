#include "core/playback/PlayFromMoment.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <limits>
#include <string_view>
#include <vector>

#include "core/archive/DemoFile.h"
#include "core/common/FileNames.h"
#include "core/common/FileWrite.h"
#include "core/convert/DemoClip.h"
#include "core/convert/DemoConversion.h"
#include "core/library/DemoFiles.h"
#include "core/playback/GameLaunch.h"
#include "core/playback/GamePrograms.h"
#include "core/playback/PlayScript.h"
#include "core/playback/PlaybackSettings.h"
#include "core/playback/RunningGame.h"

namespace core {

int64_t PlayFromStart(int64_t demoTime, int leadSeconds)
{
    const int64_t lead = static_cast<int64_t>(std::clamp(leadSeconds, 0, 600)) * 1000;
    return std::max<int64_t>(0, demoTime - lead);
}

std::optional<int64_t> CourseLineDemoTime(std::string_view line, int32_t levelStartServerTime, int32_t firstServerTime)
{
    if (line.size() < 10 || line[0] != '^' || (line[1] != '4' && line[1] != '2'))
        return std::nullopt;
    const bool match = line[1] == '2';
    std::string_view clock = line.substr(2);
    const bool negative = !clock.empty() && clock.front() == '-';
    if (negative)
        clock.remove_prefix(1);
    // "hh:mm:ss"; hours may take more digits.
    const size_t firstColon = clock.find(':');
    if (firstColon == std::string_view::npos || firstColon == 0 || firstColon > 6 || clock.size() < firstColon + 6 ||
        clock[firstColon + 3] != ':')
        return std::nullopt;
    auto number = [](std::string_view digits) -> std::optional<int64_t> {
        int64_t value = 0;
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (ec != std::errc() || end != digits.data() + digits.size())
            return std::nullopt;
        return value;
    };
    const auto hours = number(clock.substr(0, firstColon));
    const auto minutes = number(clock.substr(firstColon + 1, 2));
    const auto secs = number(clock.substr(firstColon + 4, 2));
    if (!hours || !minutes || !secs)
        return std::nullopt;
    const int64_t seconds = (*hours * 60 + *minutes) * 60 + *secs;
    const int64_t elapsed = (negative ? -seconds : seconds) * 1000;
    if (!match)
        return std::max<int64_t>(0, elapsed);
    if (levelStartServerTime <= 0)
        return std::nullopt;
    return std::max<int64_t>(0, static_cast<int64_t>(levelStartServerTime) - firstServerTime + elapsed);
}

PlayResult PlayFromMoment(const DemoInfo& row, const std::string& name, const std::string& archive, int64_t demoTime,
                          const PlaybackSettings& settings, PlayNotices& notices)
{
    const std::string program = ProgramForProtocol(row[FieldProtocol], settings);
    if (PlayResult playable = CheckPlayable(row, program, settings); !playable)
        return playable;
    DemoBytes bytes = LoadDemoBytes(name, archive);
    if (!bytes.found || bytes.memoryError)
        return PlayFailure{PlayError::PlayFromFailed,
                           "The demo " + row[FieldDemoname] + " could not be read, so it cannot be played!"};
    // A demo the program plays only converted is converted first and cut then: the server times,
    // and with them the moments, stay those of the demo.
    std::span<const uint8_t> source = bytes.data.span();
    std::string extension = LowerExtension(name);
    const std::optional<int> convertTo = ConversionFor(row, program, settings);
    ConvertedDemo converted;
    if (convertTo) {
        converted =
            ConvertDemo(source, ProtocolNumber(row[FieldProtocol]).value_or(0), *convertTo, settings.conversion);
        if (!converted.ok)
            return PlayFailure{PlayError::ConversionFailed, ConversionFailureText(row, *convertTo, converted.failure)};
        source = converted.bytes;
        extension = DemoExtensionOf(*convertTo);
    }
    std::vector<uint8_t> cut;
    const ClipResult result = CutDemo(source, extension, PlayFromStart(demoTime, settings.playFromSeconds),
                                      std::numeric_limits<int64_t>::max(), cut, settings.conversion);
    bytes.data.Clear();
    if (!result.ok)
        return PlayFailure{PlayError::PlayFromFailed, result.problem};
    RemoveTempDemos(settings);
    const std::string& demoDirectory = settings.game.demoDirectory;
    std::error_code error;
    std::filesystem::create_directories(demoDirectory, error);
    const std::string tempName = TempDemoName(0, row, convertTo);
    const std::string_view contents(reinterpret_cast<const char*>(cut.data()), cut.size());
    if (!ReplaceFileContents(JoinPath(demoDirectory, tempName), contents))
        return PlayFailure{PlayError::PlayFromFailed, "Could not write " + JoinPath(demoDirectory, tempName)};
    MakeTmpPlayList(LowerCase(row[FieldDemoname]), convertTo ? tempName : "", settings, notices);
    if (Hooks().stopSounds)
        Hooks().stopSounds();
    return LaunchGame(PlayedProtocol(row, program, settings), PlayModDirectory(row, settings), settings, notices);
}

} // namespace core
