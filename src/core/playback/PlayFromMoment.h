#pragma once
// "Play from here": the game cannot seek inside a demo, so the demo is cut to begin a little
// before the moment and the cut is played as the temporary copy, the way "Play it" plays a copy.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/playback/PlayError.h"
#include "core/playback/PlaybackSettings.h"
#include "core/row/DemoInfo.h"

namespace core {

// Where the cut starts: the setting's seconds (0 to 600) before the moment, not before the start.
int64_t PlayFromStart(int64_t demoTime, int leadSeconds);

// Plays the row's demo (the file `name`, or the member `name` of `archive`) from the moment's
// demo time less the setting's lead. Fails when it was refused or failed, with the reason.
PlayResult PlayFromMoment(const DemoInfo& row, const std::string& name, const std::string& archive, int64_t demoTime,
                          const PlaybackSettings& settings, PlayNotices& notices);

// The demo time a course log line stands for: lines of the warm-up and after the match ("^4" and
// the time since the demo's start) directly; lines of the match ("^2" and the time since the
// level's start) from the level's start, given in server time with the demo's first server time.
// nullopt for a line without a time (the rows of a score table) or a match line when the level's
// start is not known (0).
std::optional<int64_t> CourseLineDemoTime(std::string_view line, int32_t levelStartServerTime, int32_t firstServerTime);

inline constexpr const char* kPlayFromTitle = "Play from here";

} // namespace core
