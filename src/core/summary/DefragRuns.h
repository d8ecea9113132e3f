#pragma once
// Runs of the DeFRaG mod: a defrag server announces every finish in a print, "Time performed by
// NAME^7 : ^325:488" in the versions of the last years and "NAME^7 reached the finish line in
// ^21:02:003" in the older ones. The time is seconds:milliseconds, with the minutes (and hours)
// before it once the run is that long; colour codes may stand between its parts.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace core {

// Whether a demo's information text (server info and system info) is one of the mod's servers:
// its mod, as the "Mod" column names it, is "defrag".
bool IsDefragInfo(std::string_view infoString);
// The physics the server ran: "cpm" for df_promode 1, "vq3" for 0; empty when it does not say.
std::string DefragPhysics(std::string_view infoString);

struct DefragFinish {
    int64_t milliseconds = 0;
    std::string player; // as printed, colour codes kept
};
// The finish a print announces (the print's text, without the command and quotes); none for
// every other print.
std::optional<DefragFinish> ReadDefragFinish(std::string_view print);
// A run's time as prints and file names write it, "25:488", "1:02:003", "01.02.003", colour codes
// removed beforehand: the last part is milliseconds (three digits), the one before seconds, then
// minutes and hours. None when it is not such a time.
std::optional<int64_t> ReadRunClock(std::string_view text);

} // namespace core
