#include "core/index/IndexUpdater.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <set>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "core/common/TextEncoding.h"
#include "core/events/DemoEventsLoad.h"
#include "core/events/MatchStatistics.h"
#include "core/library/DemoFiles.h"
#include "core/library/FolderTree.h"
#include "core/library/FolderTreeOps.h"
#include "core/library/ScanCache.h"
#include "core/library/Scanner.h"
#include "core/protocol/ProtocolTable.h"

namespace core {
namespace {

constexpr std::string_view kDescriptionSuffix = ".description";

bool Stopped(const IndexUpdateOptions& options)
{
    return options.stop.stop_requested();
}

bool InUnreadableArchive(const std::string& key, const std::vector<std::string>& archives)
{
    return std::any_of(archives.begin(), archives.end(), [&](const std::string& archive) {
        return key.size() > archive.size() && key.ends_with(archive) &&
               key[key.size() - archive.size() - 1] == kCacheSeparator;
    });
}

// The user data files that exist, each with a stamp that changes when the file does.
std::map<std::string, std::string> UserDataFiles(const std::filesystem::path& directory)
{
    std::map<std::string, std::string> files;
    if (directory.empty())
        return files;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= kDescriptionSuffix.size() || !name.ends_with(kDescriptionSuffix))
            continue;
        FolderEntry entry;
        if (!StatPath(it->path().string(), entry) || entry.isDirectory)
            continue;
        std::error_code timeError;
        const auto written = std::filesystem::last_write_time(it->path(), timeError);
        files[name.substr(0, name.size() - kDescriptionSuffix.size())] =
            std::to_string(entry.size) + ":" + std::to_string(written.time_since_epoch().count());
    }
    return files;
}

// Only the mods that send match statistics have them read: the others would cost the statistics
// reader's look at every command for nothing.
bool HoldsStatistics(std::string_view listedMod, int protocol)
{
    const std::string mod = LowerCase(listedMod);
    return mod == "osp" || mod == "cpma" || IsQuakeLiveProtocol(protocol);
}

std::vector<IndexedAccuracy> AccuraciesForIndex(const MatchStatistics& statistics)
{
    std::vector<IndexedAccuracy> accuracies;
    for (const PlayerStatistics& player : statistics.players)
        for (const WeaponStatistics& weapon : player.weapons)
            if (weapon.shots > 0)
                accuracies.push_back({std::string(WeaponShortName(weapon.weapon)), weapon.hits, weapon.shots});
    return accuracies;
}

IndexedDemo ReadForIndex(const ListedDemo& listed, const UserInfo& user)
{
    const DemoRead read = ReadListedDemo(listed);
    const DemoState demo = read ? *read : UnreadDemo();
    // The same texts the listing shows: the cache fields, made the way the scanner makes them.
    const std::vector<std::string> fields =
        CacheFieldsFromDemo(CacheKeyFields(listed.name, listed.size, listed.dosDateTime, listed.archiveField), demo);
    const std::vector<std::string_view> views(fields.begin(), fields.end());
    IndexedDemo indexed;
    indexed.row = RowFromCacheFields(views, listed.archiveFileName, listed.location, user);
    indexed.bytes = listed.size;
    indexed.dosDateTime = listed.dosDateTime;
    indexed.mapTitle = demo.mapTitle == "N/A" ? std::string() : demo.mapTitle;
    for (const Player& player : demo.players)
        if (!player.name.empty())
            indexed.players.push_back({player.name, player.team, player.score, player.clanTag});
    if (read) {
        // The moments (and the match statistics) are read to the demo's end with the full decoder,
        // in one walk; a demo that breaks off keeps those before the break.
        DemoEventsResult events =
            LoadDemoEvents(listed.loadName, listed.archive, HoldsStatistics(indexed.row[FieldMod], demo.protocol));
        if (events.statistics)
            indexed.accuracies = AccuraciesForIndex(*events.statistics);
        indexed.events.read = events.found;
        indexed.events.events = std::move(events.events);
        indexed.events.firstServerTime = events.firstServerTime;
    }
    return indexed;
}

// Reads the demos on every core; the results come back in the order asked.
std::vector<IndexedDemo> ReadAllForIndex(const std::vector<const ListedDemo*>& demos,
                                         const std::function<UserInfo(const std::string&)>& userData)
{
    std::vector<IndexedDemo> read(demos.size());
    std::atomic<size_t> next = 0;
    const auto work = [&] {
        for (size_t i; (i = next++) < demos.size();)
            read[i] = ReadForIndex(*demos[i], userData(demos[i]->name));
    };
    const size_t threads = std::min<size_t>(std::max(1u, std::thread::hardware_concurrency()), demos.size());
    {
        std::vector<std::jthread> pool;
        for (size_t t = 1; t < threads; ++t)
            pool.emplace_back(work);
        work();
    }
    return read;
}

class Update {
public:
    Update(LibraryIndex& index, const IndexUpdateOptions& options) : m_index(index), m_options(options) {}

    IndexUpdateResult Run(const std::vector<std::string>& folders)
    {
        m_result.status = SyncUserData();
        if (m_result.status != IndexStatus::Ok)
            return m_result;
        std::map<std::string, IndexedFolder> known;
        if ((m_result.status = m_index.LoadFolders(known)) != IndexStatus::Ok)
            return m_result;
        std::vector<std::string> unique;
        std::unordered_set<std::string> seen;
        for (const std::string& folder : folders)
            if (seen.insert(WithoutTrailingSeparator(folder)).second)
                unique.push_back(WithoutTrailingSeparator(folder));

        IndexProgress progress;
        progress.foldersTotal = unique.size();
        for (const std::string& folder : unique) {
            if (Stopped(m_options)) {
                m_result.stopped = true;
                return m_result;
            }
            progress.folder = folder;
            Report(progress);
            const auto found = known.find(folder);
            const std::string signature = FolderSignature(folder);
            if (found == known.end() || found->second.signature != signature) {
                if ((m_result.status = UpdateFolder(folder, found == known.end() ? nullptr : &found->second, signature,
                                                    progress)) != IndexStatus::Ok ||
                    m_result.stopped)
                    return m_result;
            }
            ++progress.foldersDone;
        }
        progress.folder.clear();
        Report(progress);
        if (m_options.removeOthers) {
            if ((m_result.status = m_index.Begin()) != IndexStatus::Ok)
                return m_result;
            for (const auto& [path, folder] : known) {
                if (seen.contains(path))
                    continue;
                std::vector<std::pair<int64_t, std::string>> demos;
                m_index.FolderDemos(folder.id, demos);
                m_result.demosRemoved += demos.size();
                if ((m_result.status = m_index.RemoveFolder(folder.id)) != IndexStatus::Ok) {
                    m_index.Rollback();
                    return m_result;
                }
            }
            m_result.status = m_index.Commit();
        }
        return m_result;
    }

private:
    void Report(const IndexProgress& progress)
    {
        if (m_options.progress) {
            IndexProgress copy = progress;
            copy.demosRead = m_result.demosRead;
            m_options.progress(copy);
        }
    }

    UserInfo UserDataOf(const std::string& demoName) const
    {
        if (!m_userFiles.contains(demoName))
            return {};
        // The update runs beside the window and shows nothing: an unreadable file counts as no
        // user data, and the listing of its folder tells the user about it.
        auto info = GetUserInfo(DemoDescriptionPath(m_options.demoDataDirectory, demoName));
        return info ? std::move(*info) : UserInfo{};
    }

    IndexStatus SyncUserData()
    {
        m_userFiles = UserDataFiles(m_options.demoDataDirectory);
        std::map<std::string, std::string> stamps;
        IndexStatus status = m_index.LoadUserDataStamps(stamps);
        if (status != IndexStatus::Ok)
            return status;
        std::vector<std::string> changed;
        for (const auto& [name, stamp] : m_userFiles)
            if (const auto it = stamps.find(name); it == stamps.end() || it->second != stamp)
                changed.push_back(name);
        for (const auto& [name, stamp] : stamps)
            if (!m_userFiles.contains(name))
                changed.push_back(name);
        if (changed.empty())
            return IndexStatus::Ok;
        if ((status = m_index.Begin()) != IndexStatus::Ok)
            return status;
        for (const std::string& name : changed) {
            const auto file = m_userFiles.find(name);
            status = m_index.SetUserData(name, UserDataOf(name));
            if (status == IndexStatus::Ok)
                status = file == m_userFiles.end() ? m_index.RemoveUserDataStamp(name)
                                                   : m_index.SetUserDataStamp(name, file->second);
            if (status != IndexStatus::Ok) {
                m_index.Rollback();
                return status;
            }
        }
        m_result.userDataChanged = changed.size();
        return m_index.Commit();
    }

    IndexStatus UpdateFolder(const std::string& folder, const IndexedFolder* known, const std::string& signature,
                             IndexProgress& progress)
    {
        ++m_result.foldersChanged;
        // A listing that was stopped or could not read the folder says nothing about the demos it
        // missed: the index keeps what it has, and without the new signature the folder is looked
        // at again next time.
        const DemoListing listing = ListDemos(folder, m_options.stop);
        if (listing.stopped) {
            m_result.stopped = true;
            return IndexStatus::Ok;
        }
        if (listing.read == FolderRead::Failed) {
            ++m_result.foldersUnreadable;
            return IndexStatus::Ok;
        }
        const std::vector<ListedDemo>& listed = listing.demos;
        IndexStatus status = m_index.Begin();
        if (status != IndexStatus::Ok)
            return status;
        int64_t folderId = known ? known->id : 0;
        std::unordered_multimap<std::string, int64_t> stored;
        if (known) {
            std::vector<std::pair<int64_t, std::string>> demos;
            status = m_index.FolderDemos(folderId, demos);
            for (auto& [id, key] : demos)
                stored.emplace(std::move(key), id);
        } else {
            status = m_index.AddFolder(folder, folderId);
        }
        std::vector<const ListedDemo*> toRead;
        for (const ListedDemo& demo : listed) {
            const std::string key = IndexKey(demo.name, demo.size, demo.dosDateTime, demo.archiveField, demo.location);
            if (const auto same = stored.find(key); same != stored.end())
                stored.erase(same);
            else
                toRead.push_back(&demo);
        }
        // Read a few at a time on every core, written here one by one: SQLite writes on one
        // thread, and a stop waits for no more than a few demos.
        const size_t batch = 4 * std::max(1u, std::thread::hardware_concurrency());
        for (size_t first = 0; first < toRead.size() && status == IndexStatus::Ok; first += batch) {
            if (Stopped(m_options)) {
                // What was read so far stays; the folder is looked at again next time.
                m_result.stopped = true;
                return m_index.Commit();
            }
            const std::vector<const ListedDemo*> some(
                toRead.begin() + static_cast<ptrdiff_t>(first),
                toRead.begin() + static_cast<ptrdiff_t>(std::min(toRead.size(), first + batch)));
            std::vector<IndexedDemo> read =
                ReadAllForIndex(some, [this](const std::string& name) { return UserDataOf(name); });
            for (size_t i = 0; i < read.size() && status == IndexStatus::Ok; ++i) {
                status = m_index.AddDemo(folderId, read[i]);
                ++m_result.demosRead;
                ++m_result.demosAdded;
                if (m_result.demosRead % 64 == 0)
                    Report(progress);
            }
        }
        for (const auto& [key, id] : stored) {
            if (status != IndexStatus::Ok)
                break;
            // The demos of an archive that could not be opened this time stay as they were.
            if (InUnreadableArchive(key, listing.unreadableArchives))
                continue;
            status = m_index.RemoveDemo(id);
            ++m_result.demosRemoved;
        }
        if (status == IndexStatus::Ok)
            status = m_index.SetFolderSignature(folderId, signature);
        if (status != IndexStatus::Ok) {
            m_index.Rollback();
            return status;
        }
        return m_index.Commit();
    }

    LibraryIndex& m_index;
    const IndexUpdateOptions& m_options;
    std::map<std::string, std::string> m_userFiles;
    IndexUpdateResult m_result;
};

} // namespace

std::string FolderSignature(const std::string& folder)
{
    std::string signature;
    for (const FolderEntry& entry : ListFolder(folder)) {
        if (entry.isDirectory || entry.isPipeOrDevice || entry.name.starts_with('.') ||
            KindOfName(entry.name) == EntryKind::Other)
            continue;
        signature += entry.name;
        signature += '\x01';
        signature += std::to_string(entry.size);
        signature += '\x01';
        signature += std::to_string(entry.modified);
        signature += '\n';
    }
    // A short stand-in for the listing; two listings that differ giving the same one is as unlikely
    // as two equal 64-bit hashes.
    const uint64_t hash = std::hash<std::string>{}(signature);
    return std::to_string(signature.size()) + ":" + std::to_string(hash);
}

std::vector<std::string> TreeFolders(const FolderTree& tree)
{
    std::vector<std::string> folders;
    std::unordered_set<std::string> seen;
    for (const FolderNode* node = tree.First(); node; node = tree.Next(*node)) {
        std::string path = NodePath(*node);
        if (seen.insert(path).second)
            folders.push_back(std::move(path));
    }
    return folders;
}

std::vector<std::string> FolderAndSubfolders(const std::string& folder)
{
    std::vector<std::string> folders{WithoutTrailingSeparator(folder)};
    for (size_t i = 0; i < folders.size(); ++i)
        for (const FolderEntry& entry : ListFolder(folders[i]))
            if (entry.isDirectory && !entry.name.starts_with('.'))
                folders.push_back(JoinPath(folders[i], entry.name));
    return folders;
}

IndexUpdateResult UpdateLibraryIndex(LibraryIndex& index, const std::vector<std::string>& folders,
                                     const IndexUpdateOptions& options)
{
    bool rebuilt = false;
    if (options.rebuild && index.Rebuild() != IndexStatus::Ok) {
        IndexUpdateResult result;
        result.status = IndexStatus::Failed;
        result.message = "The library index cannot be written: " + index.LastError();
        return result;
    }
    IndexUpdateResult result = Update(index, options).Run(folders);
    if (result.status == IndexStatus::Damaged && index.Rebuild() == IndexStatus::Ok) {
        // Nothing is lost with the damaged file: everything in it comes from the folders.
        rebuilt = true;
        result = Update(index, options).Run(folders);
    }
    result.rebuilt = rebuilt || index.TakeRebuilt();
    if (result.status == IndexStatus::Busy)
        result.message = "The library index is in use by another program; it is brought up to date next time.";
    else if (result.status != IndexStatus::Ok)
        result.message = "The library index cannot be written: " + index.LastError();
    else if (result.rebuilt)
        result.message = std::string(kIndexRebuiltMessage);
    return result;
}

} // namespace core
