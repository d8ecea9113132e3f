#pragma once
#include <string>
#include <vector>

namespace cli {

// velmora-cli info [--course] [--plain] [--json] FILE [MEMBER]
int RunInfo(const std::vector<std::string>& args);

} // namespace cli
