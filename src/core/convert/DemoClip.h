#pragma once
// Clips: a stretch of a demo written as a demo file of its own, which the game plays like any
// other. Demos of protocols 66 to 71 and Quake Live's (73, 90, 91) are written in their own
// protocol, with its field tables and limits. Demos of the old game (43 to 48) are converted to
// protocol 68 first, for the game data of the conversion setting, so their clips play on the
// engines of today.
#include <cstdint>
#include <filesystem>
#include <span>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "core/convert/DemoConversion.h"

namespace core {

struct ClipResult {
    bool ok = false;
    std::string problem;         // why there is no clip, for the user
    int32_t firstServerTime = 0; // the clip's first snapshot
    int64_t firstDemoTime = 0;   // where it starts in the source, in the source's demo time
    int snapshots = 0;
    int protocol = 0; // the clip's: the demo's own, or 68 for a converted old demo
    // Where the demo broke off inside the stretch (damaged or cut off), so that the clip ends
    // there: "the demo breaks off at byte 1234 (...)"; empty when the clip holds all it was asked.
    std::string brokeOff;
};

// True when clips of this protocol can be written.
bool CanClipProtocol(int protocol);

// The demo bytes cut to the demo times [from, to] (both included; `to` past the end: to the end),
// appended to `out` as a whole demo with its end marker. An old demo is converted for `game` first.
// A stop request ends the cut between two messages, with nothing appended (kClipStopped).
ClipResult CutDemo(std::span<const uint8_t> data, std::string_view lowerExtension, int64_t from, int64_t to,
                   std::vector<uint8_t>& out, const TargetGameData& game, std::stop_token stop = {});
inline constexpr const char* kClipStopped = "The clip was stopped.";

// "<demo>-<mm.ss>-<mm.ss>" plus the demo's extension, or `extension` when one is given (a converted
// clip's): the clip's file name for the demo name (a member's name may carry folders) and the
// stretch's demo times.
std::string ClipFileName(std::string_view demoName, int64_t from, int64_t to, std::string_view extension = {});

// Cuts the demo (a file, or a member of `archive`) and writes the clip into `folder`, which is
// created when missing; an existing file of that name is replaced. `written` gets the clip's path.
// Stopped, it writes nothing.
ClipResult SaveClip(const std::string& name, const std::string& archive, int64_t from, int64_t to,
                    const TargetGameData& game, const std::filesystem::path& folder, std::filesystem::path& written,
                    std::stop_token stop = {});

} // namespace core
