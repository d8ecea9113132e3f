#pragma once
// What the "Export video" dialog offers and suggests.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/video/CapturePlan.h"

namespace core {

struct VideoSize {
    int width = 0;
    int height = 0;
    bool operator==(const VideoSize&) const = default;
};

// The game's own video modes (r_mode 0 to 11) and the two sizes of today's screens and sites,
// 1280x720 and 1920x1080, smallest first.
std::vector<VideoSize> VideoSizeChoices();
inline constexpr VideoSize kDefaultVideoSize{1280, 720};

// "<demo>.mp4" for the whole demo, "<demo>-<mm.ss>-<mm.ss>.mp4" for a range, as clips are named.
std::string VideoFileName(const std::string& demoName, std::optional<int64_t> from, std::optional<int64_t> to,
                          VideoFormat format);
// The name with the format's extension instead of a video extension it has.
std::string WithVideoExtension(const std::string& path, VideoFormat format);

// The stretch a video of one moment shows: the 5 seconds that lead to it and 3 after, within the
// demo's time (`length` 0: its end is not known).
std::pair<int64_t, int64_t> VideoRangeAround(int64_t moment, int64_t length);

inline constexpr const char* kVideoFolderName = "Videos";

} // namespace core
