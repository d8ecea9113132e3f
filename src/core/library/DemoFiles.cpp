#include "core/library/DemoFiles.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/row/DemoInfo.h"
#include "platform/FileSystem.h"

namespace core {

bool IsDemoExtension(std::string_view lowerExtension)
{
    static constexpr std::string_view kDemoExtensions[] = {".dm3",   ".dm_48", ".dm_66", ".dm_67", ".dm_68",
                                                           ".dm_70", ".dm_71", ".dm_73", ".dm_90", ".dm_91"};
    for (std::string_view extension : kDemoExtensions)
        if (lowerExtension == extension)
            return true;
    return false;
}

EntryKind KindOfName(std::string_view fileName)
{
    const std::string extension = LowerExtension(fileName);
    if (IsDemoExtension(extension))
        return EntryKind::Demo;
    if (extension == ".zip" || extension == ".pk3")
        return EntryKind::Archive;
    if (extension == ".exe")
        return EntryKind::ExecutableArchive;
    return EntryKind::Other;
}

std::string_view FileNameOf(std::string_view path)
{
    const size_t cut = path.find_last_of("/\\");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

std::string JoinPath(std::string_view folder, std::string_view name)
{
    std::string path(folder);
    if (path.empty() || path.back() != kPathSeparator)
        path += kPathSeparator;
    path += name;
    return path;
}

std::string WithoutTrailingSeparator(std::string_view folder)
{
    while (folder.size() > 1 && folder.back() == kPathSeparator)
        folder.remove_suffix(1);
    return std::string(folder);
}

bool StatPath(const std::string& path, FolderEntry& entry)
{
    // One stat call gives kind, size and time; the listing of large folders depends on it.
    const std::optional<platform::FileStatus> status = platform::StatusOf(path);
    if (!status)
        return false;
    entry.name = std::string(FileNameOf(path));
    entry.isDirectory = status->isDirectory;
    entry.isPipeOrDevice = !status->isDirectory && !status->isRegular;
    entry.size = status->size;
    entry.modified = status->modified;
    return true;
}

std::vector<FolderEntry> ListFolder(const std::string& folder)
{
    std::vector<FolderEntry> entries;
    ListFolder(folder, entries);
    return entries;
}

FolderRead ListFolder(const std::string& folder, std::vector<FolderEntry>& entries)
{
    entries.clear();
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        FolderEntry entry;
        const std::string name = it->path().filename().string();
        if (!StatPath(JoinPath(folder, name), entry))
            continue;
        entry.name = name;
        entries.push_back(std::move(entry));
    }
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    if (!ec)
        return FolderRead::Complete;
    return entries.empty() && ec == std::errc::no_such_file_or_directory ? FolderRead::Missing : FolderRead::Failed;
}

} // namespace core
