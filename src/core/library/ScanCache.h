#pragma once
// The scan cache "vmr_scan" kept in every listed folder: one line per demo, 21 fields each followed
// by the byte 1, CR LF line ends, sorted ignoring case. The first four fields (name, size in bytes,
// DOS date-time as a signed decimal, archive place) are the line's key; the other seventeen are the
// demo's list texts, so that an unchanged demo need not be read again. User data and Location are
// never cached. A demo of the DeFRaG mod has three fields more: its run's time in milliseconds
// (empty without a finish), the physics and the player; a line of such a demo without them was
// written before runs were read and is read anew.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/details/DemoDescription.h"
#include "core/row/DemoInfo.h"
#include "core/summary/DemoReader.h"

namespace core {

inline constexpr char kCacheSeparator = '\x01';
inline constexpr int kCacheFieldCount = 21;
inline constexpr int kDefragCacheFieldCount = kCacheFieldCount + 3;
inline constexpr std::string_view kScanCacheName = "vmr_scan";

// Byte order with the ASCII letters folded to lower case: the order of the cache file. (Folding
// only ASCII keeps the order a strict prefix-consistent byte order, which the key lookup needs.)
int CompareIgnoringCase(std::string_view a, std::string_view b);

// name, size, date-time and archive field, each but the last followed by the separator. For a
// plain file the archive field is empty; for a member it is the archive's file name, "\" and the
// member's folder inside the archive.
std::string MakeCacheKey(std::string_view name, uint64_t size, uint32_t dosDateTime, std::string_view archiveField);
// The same four fields as separate texts.
std::vector<std::string> CacheKeyFields(std::string_view name, uint64_t size, uint32_t dosDateTime,
                                        std::string_view archiveField);
// A line's text up to its fourth separator (all but the last character when it has fewer).
std::string_view CacheKeyOf(std::string_view line);
// A text that can stand in a cache line: no separator byte and no line break.
bool IsCacheSafe(std::string_view text);

// The line of a demo that was read: the key fields from the listing, the rest from the demo, each
// followed by the separator. Empty when one of the texts cannot stand in a line (IsCacheSafe).
std::string CacheLineFromDemo(const std::vector<std::string>& keyFields, const DemoState& demo);
// The same fields as texts, kept exactly as the demo holds them: the list row of a demo whose
// line cannot be cached is made from these.
std::vector<std::string> CacheFieldsFromDemo(const std::vector<std::string>& keyFields, const DemoState& demo);
// Splits a line into its fields (the separator after the last field makes no empty field).
std::vector<std::string_view> SplitCacheLine(std::string_view line);

// A list row from the cache fields: size and date-time turned into their list texts, the
// archive field cut to the member's folder (the text after `archiveFileName` and its "\"), then
// Location and the user data.
DemoInfo RowFromCacheFields(const std::vector<std::string_view>& fields, std::string_view archiveFileName,
                            const std::string& location, const UserInfo& user);

// The loaded cache of one folder.
class ScanCache {
public:
    // Reads a cache file. A missing or unreadable file gives an empty cache; lines that do not
    // have the shape of a cache line are left out, so they are simply misses.
    static ScanCache Load(const std::filesystem::path& file);
    static ScanCache FromLines(std::vector<std::string> lines);

    // The line whose key equals `key` ignoring case (one with exactly the same key preferred);
    // null on a miss.
    const std::string* Find(std::string_view key) const;
    const std::vector<std::string>& Lines() const { return m_lines; }
    // The file's bytes as loaded, so that an unchanged cache need not be written again.
    const std::string& FileText() const { return m_fileText; }

private:
    std::vector<std::string> m_lines; // sorted with CompareIgnoringCase
    std::string m_fileText;
};

// The lines for a new cache file: sorted, each line once. When two different lines carry exactly
// the same key (two archive members with equal name, size, time and folder), neither can be
// trusted for both demos, so both stay out and the demos are read again next time.
std::vector<std::string> FinishCacheLines(std::vector<std::string> lines);

// The file's bytes: every line followed by CR LF.
std::string ScanCacheText(const std::vector<std::string>& lines);
// Where the cache of a folder that cannot take its own cache file (read-only media, folders shared
// by another user) lives in the user's cache folder: a name made of the folder's own name and a
// digest of its full path, so that folders of the same name stay apart.
std::filesystem::path UserCacheFileFor(const std::filesystem::path& cacheDirectory, const std::string& folder);
// The cache folder of the user: $XDG_CACHE_HOME/velmora, or ~/.cache/velmora; empty without either.
std::filesystem::path UserCacheDirectory(const std::string& xdgCacheHome, const std::string& home);

// Replaces the file with the text; false on failure. (Linux has no hidden attribute, and the name
// stays "vmr_scan" so that folders shared with other installations keep one cache.)
bool SaveScanCache(const std::filesystem::path& file, const std::string& text);

} // namespace core
