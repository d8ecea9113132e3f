#pragma once
// Demos of the old game (protocols 43 to 48) as protocol 68 demos.
#include <span>
#include <string>

#include "core/convert/DemoConversion.h"

namespace core {

// Decodes every message, maps it to the 1.32 game's numbers and codes it as protocol 68, with
// `gameVersion` as configuration string 20. What has no counterpart is named in `dropped` and in
// a print command the course log shows.
ConvertedDemo ConvertOldDemo(std::span<const uint8_t> demo, int protocol, const std::string& gameVersion);

} // namespace core
