#pragma once
#include <string>
#include <vector>

namespace cli {

// velmora-cli convert [--to 68|71] [--game-version TEXT] IN OUT
int RunConvert(const std::vector<std::string>& args);

} // namespace cli
