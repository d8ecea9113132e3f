#pragma once
// velmora-cli video [--from T --to T] [--size WxH] [--fps N] [--format mp4|webm] [--no-sound] IN OUT:
// a demo filmed by the game and encoded by ffmpeg, as "Export video..." does it.
#include <string>
#include <vector>

namespace cli {

int RunVideo(const std::vector<std::string>& args);

} // namespace cli
