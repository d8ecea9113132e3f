#include "core/library/Scanner.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <system_error>
#include <thread>
#include <unordered_set>
#include <vector>

#include "core/archive/DemoFile.h"
#include "core/archive/ZipRead.h"
#include "core/details/DemoDescription.h"
#include "core/library/DemoFiles.h"
#include "core/library/ScanCache.h"
#include "core/summary/DemoReader.h"
#include "platform/RegularFile.h"

namespace core {
namespace {

struct ScanItem : ListedDemo {
    // The outcome: a cache line, or (for a demo whose texts cannot be cached) the fields alone.
    std::string line;
    std::vector<std::string> fields;
    std::string problem; // why the demo could only be read in part; empty when it was read whole
    bool fromCache = false;
    bool vanished = false;

    std::vector<std::string> KeyFields() const { return CacheKeyFields(name, size, dosDateTime, archiveField); }
};

// A listing shows the wait cursor.
class ListingScope {
public:
    explicit ListingScope(LibraryFeedback& feedback) : m_feedback(feedback) { m_feedback.SetWaitCursor(true); }
    ~ListingScope() { m_feedback.SetWaitCursor(false); }
    ListingScope(const ListingScope&) = delete;
    ListingScope& operator=(const ListingScope&) = delete;

private:
    LibraryFeedback& m_feedback;
};

std::string FolderOf(const std::string& path)
{
    const size_t cut = path.rfind(kPathSeparator);
    if (cut == std::string::npos)
        return ".";
    return cut == 0 ? std::string(1, kPathSeparator) : path.substr(0, cut);
}

bool Readable(const std::string& path)
{
    std::FILE* file = platform::OpenRegularFileStream(path);
    if (!file)
        return false;
    std::fclose(file);
    return true;
}

// Reads one uncached demo. Runs on any thread: touches nothing but the item.
void ReadItem(ScanItem& item)
{
    const DemoRead read = ReadListedDemo(item);
    const DemoState demo = read ? *read : UnreadDemo();
    const std::string& file = item.archive.empty() ? item.loadName : item.archive;
    if (!demo.whole) {
        FolderEntry entry;
        if (!StatPath(file, entry)) {
            item.vanished = true; // deleted or moved while the folder was being listed
            return;
        }
    }
    // A demo still being recorded or downloaded grows into a whole one, and a refused member may
    // be readable by a later version: neither gets a line that would hide it from then on.
    item.problem = !read                         ? read.text()
                   : !demo.breakNote.empty()     ? demo.breakNote
                   : !demo.debugMessages.empty() ? demo.debugMessages.front()
                                                 : std::string();
    if (!item.problem.empty() || (!demo.whole && !Readable(file))) {
        // Its "N/A" texts say nothing about the demo; once it can be read it must be read.
        item.fields = CacheFieldsFromDemo(item.KeyFields(), demo);
        return;
    }
    item.line = CacheLineFromDemo(item.KeyFields(), demo);
    if (item.line.empty())
        item.fields = CacheFieldsFromDemo(item.KeyFields(), demo);
}

void AddPlainDemo(const std::string& path, const FolderEntry& entry, const std::string& folder,
                  std::vector<ScanItem>& items)
{
    ScanItem item;
    item.name = entry.name;
    item.loadName = path;
    item.location = folder;
    item.shownPath = path;
    item.size = entry.size;
    item.dosDateTime = DosDateTimeFromUnix(entry.modified);
    items.push_back(std::move(item));
}

struct ListedItems {
    std::vector<ScanItem> items;
    FolderRead read = FolderRead::Complete;
    bool stopped = false;
    std::vector<std::string> unreadableArchives;
};

void AddArchiveMembers(const std::string& path, const FolderEntry& entry, const std::string& memberPattern,
                       std::stop_token stop, ListedItems& listed)
{
    std::vector<ScanItem>& items = listed.items;
    const std::string pattern = "*\\" + memberPattern;
    ZipSearchRec search;
    int result = FindFirstMatching(path, pattern, search);
    if (result == -1)
        listed.unreadableArchives.push_back(path);
    for (; result == 0 && !stop.stop_requested(); result = FindNextMatching(pattern, search)) {
        const size_t cut = search.name.rfind('\\');
        ScanItem item;
        item.name = cut == std::string::npos ? search.name : search.name.substr(cut + 1);
        if (item.name.empty())
            continue; // a folder entry of the archive
        item.loadName = search.name;
        item.archive = path;
        item.archiveFileName = entry.name;
        item.archiveField = entry.name + "\\" + (cut == std::string::npos ? std::string() : search.name.substr(0, cut));
        item.location = path;
        item.shownPath = path + "\\" + search.name;
        item.size = search.size;
        item.dosDateTime = search.time;
        item.place = {search.headerOffset, search.size,  search.compressedSize, search.time,
                      search.method,       search.flags, search.archiveSize};
        items.push_back(std::move(item));
    }
    CloseZipSearch(search);
}

void AddEntry(const ScanRequest& request, const std::string& path, const FolderEntry& entry, std::stop_token stop,
              ListedItems& listed)
{
    // Folders, pipes and devices are never demos or archives, whatever their names say.
    if (entry.isDirectory || entry.isPipeOrDevice || entry.name.starts_with('.'))
        return;
    switch (KindOfName(entry.name)) {
    case EntryKind::Demo:
        AddPlainDemo(path, entry, request.folder, listed.items);
        break;
    case EntryKind::ExecutableArchive:
        if (!IsZipFile(path))
            break;
        [[fallthrough]];
    case EntryKind::Archive:
        AddArchiveMembers(path, entry, request.memberPattern, stop, listed);
        break;
    case EntryKind::Other:
        break;
    }
}

// How many entries the listing thread handles between two calls of KeepAlive: a few
// milliseconds of work, so that the window never waits long for its events.
constexpr size_t kKeepAliveEvery = 256;

ListedItems ListItems(const ScanRequest& request, LibraryFeedback& feedback, std::stop_token stop)
{
    ListedItems listed;
    if (request.mode == ScanMode::Folder) {
        std::vector<FolderEntry> entries;
        listed.read = ListFolder(request.path, entries);
        size_t handled = 0;
        for (const FolderEntry& entry : entries) {
            if (stop.stop_requested())
                break;
            AddEntry(request, JoinPath(request.path, entry.name), entry, stop, listed);
            if (++handled % kKeepAliveEvery == 0)
                feedback.KeepAlive();
        }
    } else {
        FolderEntry entry;
        if (StatPath(request.path, entry))
            AddEntry(request, request.path, entry, stop, listed);
    }
    listed.stopped = stop.stop_requested();
    return listed;
}

// Hands the uncached demos to the reading threads and lets the listing thread wait for them in
// listing order. A demo is read by whoever claims it first; the listing thread claims the one it
// waits for itself when nobody has, so that the demo in progress always finishes.
class ReaderPool {
public:
    ReaderPool(std::vector<ScanItem>& items, const std::vector<bool>& needsReading, unsigned threads,
               std::stop_token stop)
        : m_items(items), m_state(items.size()), m_stopRequest(std::move(stop))
    {
        size_t misses = 0;
        for (size_t i = 0; i < items.size(); ++i) {
            m_state[i] = needsReading[i] ? kFree : kDone;
            misses += needsReading[i] ? 1 : 0;
        }
        // The listing thread reads too, so it counts as one of the threads.
        const size_t workers = std::min<size_t>(threads > 0 ? threads - 1 : 0, misses);
        try {
            for (size_t i = 0; i < workers; ++i)
                m_workers.emplace_back([this] { WorkerLoop(); });
        } catch (const std::system_error&) {
            // No more threads to be had: the listing thread reads what the others do not.
        }
    }
    ~ReaderPool()
    {
        m_stop = true;
        for (std::thread& worker : m_workers)
            worker.join();
    }
    ReaderPool(const ReaderPool&) = delete;
    ReaderPool& operator=(const ReaderPool&) = delete;

    // Returns once the item is read. While another thread reads it, the listing thread reads
    // later demos, or keeps the window alive when there are none left.
    void Await(size_t index, LibraryFeedback& feedback)
    {
        while (m_state[index].load() != kDone) {
            if (Claim(index)) {
                Read(index);
                continue;
            }
            if (!m_stopRequest.stop_requested()) {
                if (const size_t other = ClaimNext(); other != kNone) {
                    Read(other);
                    feedback.KeepAlive();
                    continue;
                }
            }
            {
                std::unique_lock lock(m_mutex);
                m_doneSignal.wait_for(lock, std::chrono::milliseconds(50),
                                      [&] { return m_state[index].load() == kDone; });
            }
            feedback.KeepAlive();
        }
    }

private:
    static constexpr int kFree = 0, kClaimed = 1, kDone = 2;
    static constexpr size_t kNone = static_cast<size_t>(-1);

    bool Claim(size_t index)
    {
        int expected = kFree;
        return m_state[index].compare_exchange_strong(expected, kClaimed);
    }

    size_t ClaimNext()
    {
        for (size_t i = m_next.fetch_add(1); i < m_state.size(); i = m_next.fetch_add(1))
            if (Claim(i))
                return i;
        return kNone;
    }

    void Read(size_t index)
    {
        ReadItem(m_items[index]);
        {
            std::lock_guard lock(m_mutex);
            m_state[index] = kDone;
        }
        m_doneSignal.notify_all();
    }

    void WorkerLoop()
    {
        while (!m_stop && !m_stopRequest.stop_requested()) {
            const size_t index = ClaimNext();
            if (index == kNone)
                return;
            Read(index);
        }
    }

    std::vector<ScanItem>& m_items;
    std::vector<std::atomic<int>> m_state;
    std::atomic<size_t> m_next{0};
    std::atomic<bool> m_stop{false}; // the pool is done
    std::stop_token m_stopRequest;   // the listing was stopped
    std::mutex m_mutex;
    std::condition_variable m_doneSignal;
    std::vector<std::thread> m_workers;
};

std::string TwoDecimals(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

// The demo description files that exist, listed once per scan: most demos have none, and asking
// the file system about each one would cost as much as listing the folder itself.
class UserDataIndex {
public:
    explicit UserDataIndex(const std::filesystem::path& directory) : m_directory(directory)
    {
        if (directory.empty())
            return;
        std::error_code ec;
        for (std::filesystem::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec))
            m_names.insert(it->path().filename().string());
    }

    UserInfo Of(const std::string& demoName, LibraryFeedback& feedback) const
    {
        if (m_directory.empty() || !m_names.contains(demoName + ".description"))
            return {};
        auto info = GetUserInfo(DemoDescriptionPath(m_directory, demoName));
        if (!info) {
            feedback.ShowError(info.text(), kDescriptionLoadErrorTitle);
            return {};
        }
        return std::move(*info);
    }

private:
    std::filesystem::path m_directory;
    std::unordered_set<std::string> m_names;
};

unsigned ThreadCount(const ScanSettings& settings)
{
    if (settings.threads > 0)
        return settings.threads;
    return std::max(1u, std::thread::hardware_concurrency());
}

} // namespace

ScanRequest ParseScanArgument(const std::string& argument)
{
    ScanRequest request;
    if (!argument.empty() && argument.front() == kCacheSeparator) {
        const size_t cut = argument.rfind('\\');
        request.mode = ScanMode::SingleMember;
        if (cut == std::string::npos || cut == 0) {
            request.path = argument.substr(1);
        } else {
            request.path = argument.substr(1, cut - 1);
            request.memberPattern = argument.substr(cut + 1);
        }
        request.folder = FolderOf(request.path);
        return request;
    }
    if (argument.find("*.") != std::string::npos) {
        request.mode = ScanMode::Folder;
        request.path = FolderOf(argument);
        request.folder = request.path;
        return request;
    }
    request.mode = ScanMode::Single;
    request.path = argument;
    request.folder = FolderOf(argument);
    return request;
}

std::string FolderScanArgument(const std::string& folder)
{
    return JoinPath(WithoutTrailingSeparator(folder), "*.*");
}

std::string MemberScanArgument(const std::string& archive, const std::string& memberFileName)
{
    return std::string(1, kCacheSeparator) + archive + "\\" + memberFileName;
}

DemoListing ListDemos(const std::string& folder, std::stop_token stop)
{
    LibraryFeedback quiet;
    ScanRequest request;
    request.path = WithoutTrailingSeparator(folder);
    request.folder = request.path;
    ListedItems listed = ListItems(request, quiet, stop);
    DemoListing listing;
    listing.demos.assign(listed.items.begin(), listed.items.end());
    listing.read = listed.read;
    listing.stopped = listed.stopped;
    listing.unreadableArchives = std::move(listed.unreadableArchives);
    return listing;
}

DemoRead ReadListedDemo(const ListedDemo& demo)
{
    return demo.archive.empty() ? LoadDemo(demo.loadName, {}, false)
                                : LoadDemoMember(demo.loadName, demo.archive, demo.place, false);
}

uint64_t EstimatedPlaySeconds(uint64_t bytes)
{
    return static_cast<uint64_t>(RoundHalfEven(static_cast<double>(bytes) * 0.00074));
}

std::string ScanSummary(const ScanTotals& totals)
{
    const double share =
        totals.rows ? static_cast<double>(totals.fromCache) / static_cast<double>(totals.rows) * 100.0 : 0.0;
    // A listing stopped with Escape says so: its rows are only part of the folder.
    return std::string(totals.aborted ? "Listing aborted: " : "") + std::to_string(totals.rows) +
           " item(s) loaded in " + TwoDecimals(static_cast<double>(totals.elapsedMs) / 1000.0) + " sec. " +
           TwoDecimals(share) + "% read from cache. " + FormatSize(totals.bytes, 2) +
           ". Playtime: " + FormatSeconds(static_cast<uint32_t>(std::min<uint64_t>(totals.playSeconds, UINT32_MAX))) +
           (totals.notFullyRead
                ? " " + std::to_string(totals.notFullyRead) + " demo(s) not fully read, first " + totals.firstProblem
                : std::string());
}

void RemoveScanCaches(const std::string& folder, const ScanSettings& settings)
{
    std::error_code ignored;
    std::filesystem::remove(std::filesystem::path(folder) / kScanCacheName, ignored);
    if (!settings.userCacheDirectory.empty())
        std::filesystem::remove(UserCacheFileFor(settings.userCacheDirectory, folder), ignored);
}

uint64_t ScanDemos(const std::string& argument, ScanTarget& demoList, ScanTarget& playList, LibraryFeedback& feedback,
                   const ScanSettings& settings, ScanTotals* totalsOut)
{
    ListingScope busy(feedback);
    const ScanRequest request = ParseScanArgument(argument);
    const bool folderMode = request.mode == ScanMode::Folder;
    ScanTarget& target = folderMode ? demoList : playList;
    if (folderMode)
        target.Clear();
    target.BeginUpdate();

    const std::filesystem::path folderCache = std::filesystem::path(request.folder) / kScanCacheName;
    const std::filesystem::path userCache = settings.userCacheDirectory.empty()
                                                ? std::filesystem::path()
                                                : UserCacheFileFor(settings.userCacheDirectory, request.folder);
    std::error_code noFile;
    const bool inUserCache = !userCache.empty() && std::filesystem::exists(userCache, noFile);
    const std::filesystem::path& cacheFile = inUserCache ? userCache : folderCache;
    const ScanCache cache = settings.readCache ? ScanCache::Load(cacheFile) : ScanCache{};
    const auto started = std::chrono::steady_clock::now();

    ListedItems listed = ListItems(request, feedback, settings.stop);
    std::vector<ScanItem>& items = listed.items;
    feedback.KeepAlive();
    std::vector<bool> needsReading(items.size(), true);
    for (size_t i = 0; i < items.size(); ++i) {
        if (i % kKeepAliveEvery == kKeepAliveEvery - 1)
            feedback.KeepAlive();
        ScanItem& item = items[i];
        if (!IsCacheSafe(item.name) || !IsCacheSafe(item.archiveField))
            continue;
        const std::string key = MakeCacheKey(item.name, item.size, item.dosDateTime, item.archiveField);
        if (const std::string* line = cache.Find(key)) {
            // The listing's key, so that a name whose case changed is cached as it is now.
            item.line = key + std::string(*line, CacheKeyOf(*line).size());
            item.fromCache = true;
            needsReading[i] = false;
        }
    }

    ScanTotals totals;
    std::vector<std::string> newLines;
    const UserDataIndex userData(settings.demoDataDirectory);
    {
        ReaderPool pool(items, needsReading, ThreadCount(settings), settings.stop);
        for (size_t i = 0; i < items.size(); ++i) {
            if (settings.stop.stop_requested()) {
                totals.aborted = true;
                break;
            }
            ScanItem& item = items[i];
            if (needsReading[i]) {
                feedback.ShowParsing(item.shownPath);
                pool.Await(i, feedback);
            } else if (i % 64 == 63) {
                feedback.KeepAlive();
            }
            if (item.vanished)
                continue;
            // One modal box per damaged demo would stop a listing at every one of them; the
            // summary names them instead and the properties window shows the details.
            if (!item.problem.empty() && totals.notFullyRead++ == 0)
                totals.firstProblem = item.name + ": " + item.problem;

            ++totals.rows;
            totals.fromCache += item.fromCache ? 1 : 0;
            totals.bytes += item.size;
            totals.playSeconds += EstimatedPlaySeconds(item.size);

            std::vector<std::string_view> fields;
            if (item.line.empty())
                fields.assign(item.fields.begin(), item.fields.end());
            else
                fields = SplitCacheLine(item.line);
            target.AddRow(
                RowFromCacheFields(fields, item.archiveFileName, item.location, userData.Of(item.name, feedback)));
            if (!item.line.empty())
                newLines.push_back(std::move(item.line));
            item = ScanItem{}; // its memory is not needed any more
        }
        totals.aborted = totals.aborted || listed.stopped || settings.stop.stop_requested();
    }
    totals.elapsedMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count();

    if (folderMode) {
        target.SortByCurrentColumn();
        feedback.KeepAlive();
        // A folder read only in part keeps its old cache, so that the demos missed this time are
        // not read anew once it can be read again.
        if (!totals.aborted && listed.read != FolderRead::Failed && settings.writeCache) {
            // Failures to write are ignored: the next listing simply reads the demos again.
            std::error_code ignored;
            if (totals.rows == 0) {
                RemoveScanCaches(request.folder, settings);
            } else {
                const std::string text = ScanCacheText(FinishCacheLines(std::move(newLines)));
                if (text != cache.FileText() || !std::filesystem::exists(cacheFile, ignored)) {
                    // Read-only media and other users' folders take no cache file: the user's
                    // cache folder keeps it, so that the next listing is quick there too.
                    if ((inUserCache || !SaveScanCache(folderCache, text)) && !userCache.empty()) {
                        std::filesystem::create_directories(settings.userCacheDirectory, ignored);
                        SaveScanCache(userCache, text);
                    }
                }
            }
        }
        feedback.ColourSelectedFolder(totals.rows > 0 ? settings.colours.demoFolder : settings.colours.nonDemoFolder);
        feedback.ShowSummary(ScanSummary(totals));
    }
    target.EndUpdate();
    if (totalsOut)
        *totalsOut = totals;
    return totals.playSeconds;
}

} // namespace core
