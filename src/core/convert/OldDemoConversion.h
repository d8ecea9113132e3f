#pragma once
// Demos of the old game (protocols 43 to 48) as protocol 68 demos (or 71, the same format).
#include <span>
#include <string>

#include "core/convert/DemoConversion.h"

namespace core {

// Decodes every message, maps it to the 1.32 game's numbers (OldDemoConverter) and codes it again,
// for the engine's data. What has no counterpart is named in `dropped` and, through a print command
// in the first message after the game state, on the game's screen as the demo begins and in the
// converted demo's course log.
ConvertedDemo ConvertOldDemo(std::span<const uint8_t> demo, int protocol, int newProtocol, const TargetGameData& data,
                             std::stop_token stop = {});

// The course log line of a converted demo: where it came from and what it lacks.
std::string ConversionNotice(int protocol, int newProtocol, const std::vector<std::string>& dropped);

} // namespace core
