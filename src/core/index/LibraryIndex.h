#pragma once
// The library index: one SQLite database in the program's data folder with a row for every demo
// of every folder the tree knows, its list columns, its players and its user data, so that a
// search finds demos across the whole library. It is a cache: deleting it loses nothing, and a
// damaged file is emptied and built anew in place. WAL mode lets the window, velmora-cli and other
// programs read it while one of them writes; none of them ever deletes or replaces the file.
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/details/DemoDescription.h"
#include "core/events/DemoEvent.h"
#include "core/index/SearchQuery.h"
#include "core/index/Sqlite.h"
#include "core/row/DemoInfo.h"
#include "core/row/DemoValues.h"

namespace core {

inline constexpr std::string_view kLibraryIndexName = "library-index.sqlite";
inline constexpr std::string_view kIndexEmptiedMessage =
    "The library index was made by another version of the program and has been emptied.";

struct IndexedPlayer {
    std::string name; // as recorded, colour codes kept
    int32_t team = 0;
    Score score;
    std::string clanTag; // Quake Live's, shown before the name; empty for other games
    bool operator==(const IndexedPlayer&) const = default;
};

// The events of a demo as read for the index; `read` false: not read (they are not stored).
struct IndexedEvents {
    bool read = false;
    std::vector<DemoEvent> events;
    int32_t firstServerTime = 0;
};

// One demo as the index holds it. The row's "Size" and "Recorded" texts are made from `bytes` and
// `dosDateTime` when the row is read back, in the reader's locale.
struct IndexedDemo {
    DemoInfo row;
    uint64_t bytes = 0;
    uint32_t dosDateTime = 0;
    std::string mapTitle;
    std::vector<IndexedPlayer> players;
    IndexedEvents events;
};

enum class IndexStatus {
    Ok,
    Busy,    // another program holds the database locked
    Damaged, // the file is damaged; it is built anew by the next update
    Failed,  // it cannot be opened or written at all
};

struct SearchResult {
    IndexStatus status = IndexStatus::Ok;
    std::vector<DemoInfo> rows; // without a limit sorted by demo name, then location
    bool more = false;          // there were more than the limit
    std::string message;        // why it failed
};

// What an index update must know of a folder to tell whether its listing changed.
struct IndexedFolder {
    int64_t id = 0;
    std::string signature;
};

class LibraryIndex {
public:
    // Opens the file, creating it. A file that is no database, a damaged one or one of another
    // layout is emptied and made anew in place; TakeRebuilt() then says so. A lock held by another
    // connection is waited for up to `busyMilliseconds`.
    IndexStatus Open(const std::filesystem::path& file, int busyMilliseconds = 5000);
    // Whether Open found the file damaged and built it anew; asked once.
    bool TakeRebuilt() { return std::exchange(m_rebuilt, false); }
    // Whether Open found tables of another version of the program and emptied them; asked once.
    bool TakeEmptied() { return std::exchange(m_emptied, false); }
    const std::filesystem::path& File() const { return m_file; }
    void Close() { m_db.Close(); }
    // Empties the database in place (damaged or not) and makes its tables anew.
    IndexStatus Rebuild();

    SearchResult Search(const SearchQuery& query, size_t limit = SIZE_MAX);
    // Nothing when the index cannot be read (LastError says why): never a count of 0 for an error.
    std::optional<size_t> DemoCount();

    // Storage for the updater. Each returns a status so that a lock or a damage is seen at once.
    IndexStatus Begin();
    IndexStatus Commit();
    void Rollback();
    IndexStatus LoadFolders(std::map<std::string, IndexedFolder>& folders);
    IndexStatus AddFolder(const std::string& path, int64_t& id);
    IndexStatus SetFolderSignature(int64_t folder, const std::string& signature);
    IndexStatus RemoveFolder(int64_t folder);
    // The demos of a folder as (index id, IndexKey).
    IndexStatus FolderDemos(int64_t folder, std::vector<std::pair<int64_t, std::string>>& demos);
    IndexStatus AddDemo(int64_t folder, const IndexedDemo& demo);
    IndexStatus RemoveDemo(int64_t id);
    // Every demo of this name takes the user data (demos of one name share their user data file).
    IndexStatus SetUserData(const std::string& demoName, const UserInfo& user);
    IndexStatus LoadUserDataStamps(std::map<std::string, std::string>& stamps);
    IndexStatus SetUserDataStamp(const std::string& demoName, const std::string& stamp);
    IndexStatus RemoveUserDataStamp(const std::string& demoName);
    // The players of the demos found by a query, for callers that show them.
    IndexStatus Players(const DemoInfo& row, std::vector<IndexedPlayer>& players);

    std::string LastError() const { return m_lastError; }

    // For the queries kept beside this class (moments): the connection and what a code means.
    SqliteDatabase& Database() { return m_db; }
    IndexStatus StatusOfCode(int code) { return StatusOf(code); }
    // The list row of the demo with this index id, and the path of the folder it was listed in.
    // A caller that asks for many keeps the statement in `reuse` (valid while the index stays open).
    IndexStatus DemoRowOf(int64_t id, DemoInfo& row, std::string& folder, SqliteStatement* reuse = nullptr);
    // How many events the index holds.
    std::optional<size_t> EventCount();

private:
    IndexStatus StatusOf(int code);
    IndexStatus Configure();
    std::optional<std::string> SchemaVersion(IndexStatus& status);
    IndexStatus CreateSchema();
    IndexStatus DropEverything();
    IndexStatus RemoveTextOf(int64_t id);
    IndexStatus PlayersTextOf(int64_t id, std::string& players);
    IndexStatus AddText(int64_t id, const std::string& text, const std::string& players);
    IndexStatus AddEvents(int64_t id, const IndexedEvents& events);
    IndexStatus RemoveEventsOf(int64_t id);

    std::filesystem::path m_file;
    int m_busyMilliseconds = 5000;
    SqliteDatabase m_db;
    bool m_rebuilt = false;
    bool m_emptied = false;
    std::string m_lastError;
};

// The demos a search's demo terms choose, as SQL: `from` to select "demos.id" from and `where`
// (empty or " WHERE ..."), with the values to bind in order.
struct DemoFilterSql {
    std::string from, where;
    struct Value {
        bool isText = true;
        std::string text;
        int64_t number = 0;
    };
    std::vector<Value> values;
};
DemoFilterSql DemoFilterOf(const SearchQuery& query);

// The text a free-text word is looked for in: the searchable columns as SearchText makes them (each
// read in its own coding), one line each (no word spans two of them).
std::string SearchableText(const std::string& name, const std::string& map, const std::string& mapTitle,
                           const std::string& hostname, const std::string& mod, const std::string& description);
// What tells two demos of a folder apart, and a demo from its changed self: its scan cache key
// (name, size, date-time, archive place) and its location.
std::string IndexKey(std::string_view name, uint64_t size, uint32_t dosDateTime, std::string_view archiveField,
                     std::string_view location);
// A player as searchable text: the clan tag and the name.
std::string SearchablePlayer(const IndexedPlayer& player);

} // namespace core
