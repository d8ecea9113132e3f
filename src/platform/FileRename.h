#pragma once
// Renaming a file the way Windows does it: never over an existing file. A plain rename() on Linux
// silently replaces the target, which would destroy a game file when a rename order runs against
// an unexpected layout.
#include <string>

namespace platform {

// False (and nothing changed) when the source is missing, the target exists or the rename fails.
bool RenameWithoutReplacing(const std::string& from, const std::string& to);

} // namespace platform
