#pragma once
#include <string>
#include <vector>

namespace cli {

// velmora-cli index [--rebuild] [--data-dir DIR] [FOLDER...]
int RunIndex(const std::vector<std::string>& args);
// velmora-cli search [--json] [--data-dir DIR] QUERY...
int RunSearch(const std::vector<std::string>& args);
// velmora-cli moments [--json] [--data-dir DIR] QUERY...
int RunMoments(const std::vector<std::string>& args);
// velmora-cli clips [--before S] [--after S] [--data-dir DIR] QUERY... OUTDIR
int RunClips(const std::vector<std::string>& args);

} // namespace cli
