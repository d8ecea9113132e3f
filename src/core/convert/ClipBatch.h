#pragma once
// Clips of many stretches at once (the moments a search found), into one folder: each named as a
// single clip is (ClipFileName), none ever written over a file that is there, each whole or not
// at all, with progress and a stop between and inside the clips.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

#include "core/convert/DemoClip.h"

namespace core {

// A stretch of a demo (a file, or the member `name` of `archive`) to be cut.
struct ClipOrder {
    std::string name, archive;
    int64_t from = 0, to = 0;
};

// The stretch a clip of a moment covers: `beforeSeconds` before its start (not before the demo's)
// to `afterSeconds` after its end; the margins count from 0 to 600 seconds.
ClipOrder ClipAround(std::string name, std::string archive, int64_t start, int64_t end, int beforeSeconds,
                     int afterSeconds);

struct ClipOutcome {
    bool ok = false;            // the clip is in the folder: written now, or kept
    bool kept = false;          // a file of its name held the very same clip already
    std::filesystem::path file; // the clip's path, written or meant
    std::string problem;        // why it was not written
    std::string brokeOff;       // a written clip that ends early: why (ClipResult::brokeOff)
};

struct ClipBatchResult {
    std::vector<ClipOutcome> outcomes; // of the orders done, in order; a stopped batch has fewer
    size_t written = 0;                // new files
    size_t kept = 0;                   // clips that were there already
    bool stopped = false;
};

// Saves a clip like SaveClip, but never over an existing file: a file of the clip's name that holds
// the same bytes is kept as the clip (`kept`), any other is a failure ("... is there already").
// Stopped, or failed, it leaves no file behind.
ClipResult SaveNewClip(const std::string& name, const std::string& archive, int64_t from, int64_t to,
                       const TargetGameData& game, const std::filesystem::path& folder, std::filesystem::path& written,
                       bool& kept, std::stop_token stop = {});

// Saves a clip of every order into `folder` (created when missing), one after the other.
// `progress` hears of each order before it starts (its number from 0, the count) and may be empty.
ClipBatchResult SaveClips(const std::vector<ClipOrder>& orders, const TargetGameData& game,
                          const std::filesystem::path& folder,
                          const std::function<void(size_t done, size_t total)>& progress, std::stop_token stop = {});

} // namespace core
