#pragma once
// velmora-cli events [--json] FILE [MEMBER]: the events of a demo and its players' figures.
#include <string>
#include <vector>

namespace cli {

int RunEvents(const std::vector<std::string>& args);

} // namespace cli
