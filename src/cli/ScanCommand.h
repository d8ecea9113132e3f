#pragma once
#include <string>
#include <vector>

#include "core/row/DemoInfo.h"

namespace cli {

// velmora-cli scan [--json] [--no-cache] [--data DIR] FOLDER
// velmora-cli scan --tree FOLDER
int RunScan(const std::vector<std::string>& args);

// The rows under a header of the column names, tab-separated: what scan and search print.
void PrintTable(const std::vector<core::DemoInfo>& rows);

} // namespace cli
