#pragma once
// Writing the program's own files so that a failed or interrupted write never leaves a half-written
// file in place of a good one.
#include <filesystem>
#include <string_view>

namespace core {

// Writes the bytes to a temporary file beside `path` and then renames it over `path`. A symbolic
// link at `path` is followed, so the file it points to is replaced and the link stays. False when
// any step fails; the old file is then untouched and no temporary file is left behind.
bool ReplaceFileContents(const std::filesystem::path& path, std::string_view bytes);

// The whole file; false when it cannot be opened or read.
bool ReadFileContents(const std::filesystem::path& path, std::string& bytes);

} // namespace core
