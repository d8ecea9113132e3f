#include "core/video/VideoChoices.h"

#include <algorithm>
#include <limits>

#include "core/common/FileNames.h"
#include "core/convert/DemoClip.h"
#include "core/library/DemoFiles.h"

namespace core {

std::vector<VideoSize> VideoSizeChoices()
{
    // ioquake3's r_mode table.
    std::vector<VideoSize> sizes = {{320, 240},   {400, 300},  {512, 384},  {640, 480},   {800, 600},
                                    {960, 720},   {1024, 768}, {1152, 864}, {1280, 1024}, {1600, 1200},
                                    {2048, 1536}, {856, 480},  {1280, 720}, {1920, 1080}};
    std::sort(sizes.begin(), sizes.end(), [](const VideoSize& a, const VideoSize& b) {
        return a.width != b.width ? a.width < b.width : a.height < b.height;
    });
    return sizes;
}

std::string VideoFileName(const std::string& demoName, std::optional<int64_t> from, std::optional<int64_t> to,
                          VideoFormat format)
{
    if (from || to)
        return ClipFileName(demoName, from.value_or(0), to.value_or(std::numeric_limits<int64_t>::max()),
                            VideoExtension(format));
    const std::string name(FileNameOf(demoName));
    return name.substr(0, name.size() - LowerExtension(name).size()) + VideoExtension(format);
}

std::string WithVideoExtension(const std::string& path, VideoFormat format)
{
    if (!VideoFormatOfName(path))
        return path + VideoExtension(format);
    return path.substr(0, path.size() - LowerExtension(path).size()) + VideoExtension(format);
}

std::pair<int64_t, int64_t> VideoRangeAround(int64_t moment, int64_t length)
{
    const int64_t from = std::max<int64_t>(0, moment - 5000);
    const int64_t to = length > 0 ? std::min(length, moment + 3000) : moment + 3000;
    return {from, std::max(from, to)};
}

} // namespace core
