#pragma once
// The file-system calls that std::filesystem does not offer, or offers only at a cost the callers
// cannot pay (a listing of a large folder needs kind, size and time from one call). Errors are
// reported through errno, as the callers report them to the user.
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

struct FileStatus {
    bool isDirectory = false;
    bool isRegular = false;
    uint64_t size = 0;
    int64_t modified = 0; // seconds since 1970, UTC
};

// Follows symbolic links; nothing when the path cannot be examined.
std::optional<FileStatus> StatusOf(const std::string& path);
// The same for a stream that is open.
std::optional<FileStatus> StatusOf(std::FILE* file);
bool IsRegularFile(const std::string& path);
// A regular file the user may run.
bool IsExecutableFile(const std::string& path);
// A folder the user may create files in.
bool IsWritableFolder(const std::string& folder);
// Anything under the name, a dangling symbolic link included.
bool Exists(const std::string& path);
// Both names lead to one file (hard links, symbolic links, the same path).
bool SameFile(const std::string& a, const std::string& b);

// Removes a file (not a folder); false with errno set.
bool RemoveFile(const std::string& path);
// Removes an empty folder; false with errno set.
bool RemoveFolder(const std::string& path);
// Creates one folder with the permissions the user's umask allows; false with errno set.
bool MakeFolder(const std::string& path);
// Copies `from` to a new hidden file in `folder`, with the source's permissions and modification
// time, flushed to the disk. The copy's path, or "" with errno set.
std::string CopyBeside(const std::string& from, const std::string& folder);

// Writes a file by replacing it: the bytes go to a new file beside it that is renamed over it, so
// a crash leaves the old or the new contents, never a mix. A replaced file keeps its permissions.
bool ReplaceFile(const std::string& target, std::string_view bytes);
// Writes a new file the same way: the bytes go to a hidden file beside it that takes the name only
// while nothing has it, so the file is whole or absent and nothing that was there is replaced. False
// (and no file left behind) when the name is taken or any step fails.
bool WriteNewFile(const std::string& target, std::string_view bytes);
// All bytes of a regular file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& bytes);

// The numeric id of the user running the program.
unsigned CurrentUserId();
// The user's home folder from the user database; empty when it has none.
std::string HomeFolderOfUser();
// The path with every link and "." or ".." resolved; the path itself when that fails.
std::string RealPath(const std::string& path);
// Whether the file system holding the path can be examined, and whether it is mounted read-only.
struct FileSystemState {
    bool readable = false;
    bool readOnly = false;
};
FileSystemState FileSystemStateOf(const std::string& path);

} // namespace platform
