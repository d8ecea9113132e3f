#include "core/common/FileWrite.h"

#include <string>

#include "platform/FileSystem.h"

namespace core {
namespace {

// The file a symbolic link finally names, so that a linked configuration file stays linked.
std::filesystem::path FollowLinks(const std::filesystem::path& path)
{
    std::error_code ec;
    std::filesystem::path target = path;
    for (int hops = 0; hops < 40 && std::filesystem::is_symlink(target, ec); ++hops) {
        const std::filesystem::path next = std::filesystem::read_symlink(target, ec);
        if (ec)
            return path;
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return target;
}

} // namespace

bool ReplaceFileContents(const std::filesystem::path& path, std::string_view bytes)
{
    return platform::ReplaceFile(FollowLinks(path).string(), bytes);
}

bool ReadFileContents(const std::filesystem::path& path, std::string& bytes)
{
    return platform::ReadWholeFile(path.string(), bytes);
}

} // namespace core
