#pragma once
// How the library tells demos and archives apart by their names, and the few path helpers the
// scanner and the folder tree share.
#include <string>
#include <string_view>

#include "core/common/FileNames.h"

namespace core {

// Separator of file-system paths on this platform. Member names inside archives always use "\".
inline constexpr char kPathSeparator = '/';

// The one place that knows the demo extensions: the game's ".dm3" and ".dm_48", and the
// ".dm_66" to ".dm_71" of later engines and Quake Live's ".dm_73", ".dm_90" and ".dm_91". Takes a
// lower-cased extension with its dot.
bool IsDemoExtension(std::string_view lowerExtension);

enum class EntryKind { Other, Demo, Archive, ExecutableArchive };

// Judges a directory entry by its extension alone: ".zip" and ".pk3" are archives, ".exe" may be
// one (the caller asks IsZipFile).
EntryKind KindOfName(std::string_view fileName);

// The last part of a path or member name, after its last "/" or "\".
std::string_view FileNameOf(std::string_view path);

// folder + separator + name, without doubling a separator the folder already ends with.
std::string JoinPath(std::string_view folder, std::string_view name);

// A folder path without trailing separators; the file-system root stays "/".
std::string WithoutTrailingSeparator(std::string_view folder);

} // namespace core

#include <cstdint>
#include <vector>

namespace core {

struct FolderEntry {
    std::string name;
    bool isDirectory = false;    // symbolic links count as what they point to
    bool isPipeOrDevice = false; // a pipe, device or socket: never a demo or an archive, whatever its name
    uint64_t size = 0;
    int64_t modified = 0; // last-write time, seconds since 1970 (UTC)
};

// The entries of a folder sorted by name, as a Windows listing comes (by name), so that every run
// lists in the same order. "." and ".." are left out; an unreadable folder gives no entries, and
// an entry that vanishes while it is listed is left out.
std::vector<FolderEntry> ListFolder(const std::string& folder);

// How far a folder could be listed: whole, not at all because it is not there, or not at all or
// only in part because it could not be read (no permission, an input/output error, a link loop).
enum class FolderRead { Complete, Missing, Failed };
// ListFolder that says how far it got; on Failed the entries are what could be read.
FolderRead ListFolder(const std::string& folder, std::vector<FolderEntry>& entries);
// The same entry for one path; nullopt when it does not exist.
bool StatPath(const std::string& path, FolderEntry& entry);

} // namespace core
