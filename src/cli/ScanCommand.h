#pragma once
#include <string>
#include <vector>

namespace cli {

// velmora-cli scan [--json] [--no-cache] [--data DIR] FOLDER
// velmora-cli scan --tree FOLDER
int RunScan(const std::vector<std::string>& args);

} // namespace cli
