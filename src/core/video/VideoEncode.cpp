#include "core/video/VideoEncode.h"

#include <charconv>

namespace core {
namespace {

// Constant-quality levels: for H.264 18 looks like the source, 23 is x264's own default; VP9's
// scale runs higher for the same look.
std::string QualityLevel(VideoFormat format, VideoQuality quality)
{
    const bool vp9 = format == VideoFormat::WebM;
    switch (quality) {
    case VideoQuality::High:
        return vp9 ? "24" : "18";
    case VideoQuality::Small:
        return vp9 ? "40" : "28";
    case VideoQuality::Normal:
        break;
    }
    return vp9 ? "32" : "23";
}

} // namespace

std::vector<std::string> EncodeArguments(const VideoSettings& settings, const std::vector<std::string>& inputs,
                                         const std::string& concatList, const std::string& progressFile,
                                         const std::string& output)
{
    std::vector<std::string> args{"-hide_banner", "-nostdin", "-y", "-v", "error", "-progress", progressFile};
    if (inputs.size() == 1)
        args.insert(args.end(), {"-i", inputs.front()});
    else
        args.insert(args.end(), {"-f", "concat", "-safe", "0", "-i", concatList});
    args.insert(args.end(), {"-map", "0:v:0"});
    if (settings.sound)
        args.insert(args.end(), {"-map", "0:a:0?"});
    const std::string level = QualityLevel(settings.format, settings.quality);
    if (settings.format == VideoFormat::WebM) {
        // "good" with speed 4 and row threads: a fraction of the time of VP9's best at a look
        // nobody tells apart in a game video.
        args.insert(args.end(), {"-c:v", "libvpx-vp9", "-crf", level, "-b:v", "0", "-deadline", "good", "-cpu-used",
                                 "4", "-row-mt", "1", "-pix_fmt", "yuv420p"});
        if (settings.sound)
            args.insert(args.end(), {"-c:a", "libopus", "-b:a", "128k"});
    } else {
        // yuv420p and the index in front: every player and every upload site takes it, and it
        // starts playing before it is loaded whole.
        args.insert(args.end(), {"-c:v", "libx264", "-preset", "medium", "-crf", level, "-pix_fmt", "yuv420p",
                                 "-movflags", "+faststart"});
        if (settings.sound)
            args.insert(args.end(), {"-c:a", "aac", "-b:a", "160k"});
    }
    if (!settings.sound)
        args.push_back("-an");
    args.push_back(output);
    return args;
}

std::string ConcatListText(const std::vector<std::string>& inputs)
{
    std::string text;
    for (const std::string& input : inputs) {
        text += "file '";
        for (const char c : input)
            text += c == '\'' ? std::string("'\\''") : std::string(1, c);
        text += "'\n";
    }
    return text;
}

std::optional<int> EncodedFrames(const std::string& progressText)
{
    const size_t at = progressText.rfind("frame=");
    if (at == std::string::npos || (at > 0 && progressText[at - 1] != '\n'))
        return std::nullopt;
    int frames = 0;
    const char* begin = progressText.data() + at + 6;
    const auto [end, ec] = std::from_chars(begin, progressText.data() + progressText.size(), frames);
    if (ec != std::errc() || end == begin)
        return std::nullopt;
    return frames;
}

} // namespace core
