#pragma once
// ffmpeg's part: the AVI the engine wrote becomes the MP4 (H.264 and AAC) or WebM (VP9 and Opus)
// the user asked for. ffmpeg runs as a program; its progress comes through a file it rewrites.
#include <optional>
#include <string>
#include <vector>

#include "core/video/CapturePlan.h"

namespace core {

// ffmpeg's arguments: every input AVI in order (several are joined through a concat list, written
// by the caller to `concatList`), the format's codecs at the quality's level, the sound track
// only when asked for, and progress lines into `progressFile`.
std::vector<std::string> EncodeArguments(const VideoSettings& settings, const std::vector<std::string>& inputs,
                                         const std::string& concatList, const std::string& progressFile,
                                         const std::string& output);

// The concat list's text for the inputs.
std::string ConcatListText(const std::vector<std::string>& inputs);

// The last "frame=" count in ffmpeg's progress text; nullopt before the first.
std::optional<int> EncodedFrames(const std::string& progressText);

} // namespace core
