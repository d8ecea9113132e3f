#pragma once
// Lists demos into a list: a whole folder (demo files and demos inside .pk3, .zip and
// self-extracting .exe archives), one file or archive, or the members of one archive with a
// given name. Unchanged demos come from the folder's scan cache; the others are read on all cores
// and merged back in listing order, so the rows, the cache and the totals are those of reading
// them one by one.
#include <cstdint>
#include <filesystem>
#include <stop_token>
#include <string>
#include <vector>

#include "core/archive/ZipRead.h"
#include "core/library/DemoFiles.h"
#include "core/library/LibraryFeedback.h"
#include "core/summary/DemoReader.h"

namespace core {

enum class ScanMode {
    Folder,       // "<folder>/*.*": the demo list is emptied and filled, the cache rewritten
    Single,       // a demo file or an archive: its demos are appended to the play list
    SingleMember, // byte 1, archive path, "\", member file name: matching members appended
};

struct ScanRequest {
    ScanMode mode = ScanMode::Folder;
    std::string path;   // what is listed: the folder, the file, or the archive
    std::string folder; // the folder whose cache is used, without trailing separator
    std::string memberPattern = "*.dm*";
};

// Reads the three argument forms.
ScanRequest ParseScanArgument(const std::string& argument);
std::string FolderScanArgument(const std::string& folder);
std::string MemberScanArgument(const std::string& archive, const std::string& memberFileName);

struct ScanSettings {
    std::filesystem::path demoDataDirectory; // user data files; empty: no user data
    FolderColours colours;
    unsigned threads = 0; // readers of uncached demos; 0: one per core
    bool readCache = true;
    bool writeCache = true;
    // The user's cache folder, for folders that cannot take their own cache file; empty: none.
    std::filesystem::path userCacheDirectory;
    // Stops this listing (Escape in the window): after the demos in progress, with the old cache
    // left as it was. Each listing gets a token of its own; no other work sees it.
    std::stop_token stop;
};

// Removes the scan caches of a folder: its own and the one in the user's cache folder.
void RemoveScanCaches(const std::string& folder, const ScanSettings& settings);

struct ScanTotals {
    size_t rows = 0;      // demos added to the list
    size_t fromCache = 0; // of them taken from the cache
    uint64_t bytes = 0;
    uint64_t playSeconds = 0; // estimated: per demo, size x 0.00074 rounded
    int64_t elapsedMs = 0;
    bool aborted = false;
    // Demos listed with what could be read of them (cut off, damaged, refused members); they are
    // never cached, and the summary names the first with its reason.
    size_t notFullyRead = 0;
    std::string firstProblem; // "<demo name>: <reason>"
};

// One demo as a folder listing finds it: a demo file, or a member of an archive in the folder.
struct ListedDemo {
    std::string name;            // the Demoname: file name, or the member's file name
    std::string loadName;        // the file's path, or the member's name with its folders
    std::string archive;         // the archive's path; empty for a plain file
    std::string archiveFileName; // the archive's file name; empty for a plain file
    std::string archiveField;    // archive file name, "\" and the member's folder
    std::string location;        // the folder, or the archive's path
    std::string shownPath;       // what "Parsing " shows
    uint64_t size = 0;
    uint32_t dosDateTime = 0;
    MemberPlace place; // where a member lies in its archive
};

// What a folder listing found, and whether it can stand for the folder: a listing that was
// stopped, or a folder that could not be read, says nothing about the demos it did not list.
struct DemoListing {
    std::vector<ListedDemo> demos;
    FolderRead read = FolderRead::Complete; // Missing: the folder is gone, so are its demos
    bool stopped = false;
    std::vector<std::string> unreadableArchives; // paths of archives whose directory could not be read

    bool Whole() const { return !stopped && read != FolderRead::Failed; }
};

// The demos a folder listing would find in the folder, in listing order, without reading them
// (archives are opened for their directories only). The library index keeps itself current
// with this.
DemoListing ListDemos(const std::string& folder, std::stop_token stop = {});
// Reads one listed demo the way the listing reads an uncached one (no course log, no messages).
DemoRead ReadListedDemo(const ListedDemo& demo);

// The summary's play time of a demo of `bytes`: size x 0.00074, rounded.
uint64_t EstimatedPlaySeconds(uint64_t bytes);

// "<rows> item(s) loaded in <s> sec. <share>% read from cache. <size>. Playtime: <hh:mm:ss>", after
// "Listing aborted: " when the listing was stopped, then " <n> demo(s) not fully read, first
// <name>: <reason>" when some were not.
std::string ScanSummary(const ScanTotals& totals);

// Lists the argument into `demoList` (folder mode) or `playList` (otherwise); returns the
// estimated play time in seconds. Raises the busy count while it runs and stops after the demos
// in progress when the settings' stop token asks it to; a stopped listing, and one of a folder
// that could not be read whole, leave the old cache file untouched. A folder whose own cache file cannot be written
// keeps its cache in the user's cache folder from then on, where later listings read it.
uint64_t ScanDemos(const std::string& argument, ScanTarget& demoList, ScanTarget& playList, LibraryFeedback& feedback,
                   const ScanSettings& settings, ScanTotals* totals = nullptr);

} // namespace core
