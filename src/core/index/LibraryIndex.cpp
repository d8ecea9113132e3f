#include "core/index/LibraryIndex.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <system_error>

#include "core/index/EventStore.h"
#include "core/library/DemoFiles.h"
#include "core/library/ScanCache.h"

namespace core {
namespace {

constexpr std::string_view kSchemaVersion = "7";

// The list columns in list order; "size" and "recorded" hold numbers from which the list texts are
// made again when read.
constexpr std::array<std::string_view, DemoFieldCount> kColumns{
    "name",       "size",    "recorded", "archive",   "map",         "playtime",     "version",
    "gametype",   "mod",     "hostname", "timelimit", "fraglimit",   "capturelimit", "protocol",
    "maxclients", "maxrate", "maxping",  "minping",   "winner",      "second",       "finalscore",
    "location",   "pov",     "rating",   "web",       "description", "runtime"};

constexpr std::string_view kSchema = R"(
CREATE TABLE meta(key TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE folders(id INTEGER PRIMARY KEY, path TEXT NOT NULL UNIQUE, signature TEXT NOT NULL);
CREATE TABLE demos(id INTEGER PRIMARY KEY, folder INTEGER NOT NULL,
  name TEXT, size INTEGER, recorded INTEGER, archive TEXT, map TEXT, playtime TEXT, version TEXT,
  gametype TEXT, mod TEXT, hostname TEXT, timelimit TEXT, fraglimit TEXT, capturelimit TEXT,
  protocol TEXT, maxclients TEXT, maxrate TEXT, maxping TEXT, minping TEXT, winner TEXT, second TEXT,
  finalscore TEXT, location TEXT, pov TEXT, rating TEXT, web TEXT, description TEXT, runtime TEXT,
  map_title TEXT, day INTEGER, rating_value INTEGER, search_text TEXT NOT NULL DEFAULT '');
CREATE INDEX demos_folder ON demos(folder);
CREATE INDEX demos_name ON demos(name);
CREATE INDEX demos_map ON demos(map, rating_value);
CREATE TABLE players(demo INTEGER NOT NULL, name TEXT NOT NULL, plain TEXT NOT NULL, team INTEGER, score INTEGER,
  clan TEXT NOT NULL DEFAULT '');
CREATE INDEX players_demo ON players(demo);
CREATE TABLE accuracy(demo INTEGER NOT NULL, weapon TEXT NOT NULL, percent REAL NOT NULL);
CREATE INDEX accuracy_demo ON accuracy(demo);
CREATE INDEX accuracy_weapon ON accuracy(weapon, percent);
CREATE TABLE userdata(name TEXT PRIMARY KEY, stamp TEXT NOT NULL) WITHOUT ROWID;
CREATE VIRTUAL TABLE demo_text USING fts5(text, players, content='', tokenize='trigram', detail='full');
CREATE TABLE runs(demo INTEGER PRIMARY KEY, run_map TEXT NOT NULL, physics TEXT NOT NULL, time INTEGER,
  player TEXT NOT NULL);
CREATE INDEX runs_time ON runs(run_map, physics, time);
)";

std::string SchemaVersionInsert()
{
    return "INSERT INTO meta VALUES('schema', '" + std::string(kSchemaVersion) + "');";
}

std::string ColumnList()
{
    std::string list;
    for (const std::string_view column : kColumns)
        list += std::string(list.empty() ? "" : ", ") + std::string(column);
    return list;
}

// Trigrams cannot find a text shorter than three characters: such terms are compared row by row.
bool UsesTextIndex(const std::string& term)
{
    return CharacterCount(term) >= 3;
}

std::string FtsPhrase(const std::string& term)
{
    std::string phrase = "\"";
    for (const char c : term)
        phrase += c == '"' ? std::string("\"\"") : std::string(1, c);
    return phrase + "\"";
}

// velmora_contains(term, text...): whether any user text (pov, description), colour codes removed
// and case folded, holds the term.
void ContainsFunction(sqlite3_context* context, int count, sqlite3_value** values)
{
    const auto* term = reinterpret_cast<const char*>(sqlite3_value_text(values[0]));
    const std::string wanted = term ? std::string(term, static_cast<size_t>(sqlite3_value_bytes(values[0]))) : "";
    for (int i = 1; i < count; ++i) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(values[i]));
        if (text && SearchText(std::string_view(text, static_cast<size_t>(sqlite3_value_bytes(values[i]))),
                               TextCoding::UserText)
                            .find(wanted) != std::string::npos) {
            sqlite3_result_int(context, 1);
            return;
        }
    }
    sqlite3_result_int(context, 0);
}

// Joined rather than asked through "id IN (...)", so that a selective facet can lead and the text
// index is asked only about its rows.
constexpr std::string_view kTextMatch = "demo_text MATCH ?";

struct Condition {
    std::string sql;
    std::vector<std::string> texts; // bound in order
    std::vector<int64_t> numbers;   // bound after the texts of the same condition
};

std::string Placeholders(size_t count)
{
    std::string text;
    for (size_t i = 0; i < count; ++i)
        text += i ? ", ?" : "?";
    return text;
}

// "(a OR b OR ...)" of one condition per value.
Condition AnyOf(const std::vector<std::string>& values, const std::string& one)
{
    Condition any{"(", {}, {}};
    for (size_t i = 0; i < values.size(); ++i) {
        any.sql += (i ? " OR " : "") + one;
        any.texts.push_back(values[i]);
    }
    any.sql += ")";
    return any;
}

std::vector<Condition> ConditionsOf(const SearchQuery& query)
{
    std::vector<Condition> conditions;
    std::string match;
    const auto addMatch = [&](const std::string& expression) { match += (match.empty() ? "" : " AND ") + expression; };
    for (const std::string& word : query.words) {
        if (UsesTextIndex(word))
            addMatch(FtsPhrase(word));
        else
            conditions.push_back({"(instr(demos.search_text, ?) > 0 OR "
                                  "EXISTS (SELECT 1 FROM players p WHERE p.demo = demos.id AND instr(p.plain, ?) > 0))",
                                  {word, word},
                                  {}});
    }
    // Player names are alternatives: through the text index when every one can be asked there.
    if (!query.players.empty()) {
        if (std::all_of(query.players.begin(), query.players.end(), UsesTextIndex)) {
            std::string any;
            for (const std::string& player : query.players)
                any += (any.empty() ? "" : " OR ") + FtsPhrase(player);
            addMatch("players : (" + any + ")");
        } else {
            Condition any = AnyOf(query.players, "instr(p.plain, ?) > 0");
            any.sql = "EXISTS (SELECT 1 FROM players p WHERE p.demo = demos.id AND " + any.sql + ")";
            conditions.push_back(std::move(any));
        }
    }
    if (!match.empty())
        conditions.insert(conditions.begin(), {std::string(kTextMatch), {match}, {}});
    const auto addAlternatives = [&](const char* column, const std::vector<std::string>& values, bool nocase) {
        if (!values.empty())
            conditions.push_back(
                {std::string(column) + (nocase ? " COLLATE NOCASE" : "") + " IN (" + Placeholders(values.size()) + ")",
                 values,
                 {}});
    };
    // Maps and mods are listed in lower case and asked for so: compared as they are, their index
    // is used.
    addAlternatives("map", query.maps, false);
    addAlternatives("gametype", query.gametypes, true);
    addAlternatives("mod", query.mods, false);
    addAlternatives("protocol", query.protocols, false);
    if (query.afterDay)
        conditions.push_back({"day >= ?", {}, {*query.afterDay}});
    if (query.beforeDay)
        conditions.push_back({"day < ?", {}, {*query.beforeDay}});
    // Bounds of one side are alternatives; the sides (lower, upper, equal) must all hold.
    static constexpr std::array<const char*, 5> kOps{"<", "<=", "=", ">=", ">"};
    for (const auto side : {std::array{RatingCondition::Op::Greater, RatingCondition::Op::GreaterOrEqual},
                            std::array{RatingCondition::Op::Less, RatingCondition::Op::LessOrEqual},
                            std::array{RatingCondition::Op::Equal, RatingCondition::Op::Equal}}) {
        Condition any{"(", {}, {}};
        for (const RatingCondition& rating : query.ratings) {
            if (rating.op != side[0] && rating.op != side[1])
                continue;
            any.sql += std::string(any.numbers.empty() ? "" : " OR ") + "rating_value " +
                       kOps[static_cast<size_t>(rating.op)] + " ?";
            any.numbers.push_back(rating.value);
        }
        if (!any.numbers.empty())
            conditions.push_back({any.sql + ")", {}, std::move(any.numbers)});
    }
    // The demos with such a player are found through the weapon's accuracies, most of the library
    // being demos without any. Both sides are the nearest doubles of exact quotients (hits * 100 /
    // shots, hundredths / 100): quotients this close to each other that they met would need
    // millions of shots, so the comparison is as exact as in whole numbers.
    for (const AccuracyCondition& accuracy : query.accuracies)
        conditions.push_back({"demos.id IN (SELECT demo FROM accuracy WHERE weapon = ? AND percent " +
                                  std::string(kOps[static_cast<size_t>(accuracy.op)]) + " ? / 100.0)",
                              {accuracy.weapon},
                              {accuracy.hundredths}});
    // A DeFRaG demo has a row in runs, with a time when it holds a finish.
    const auto addRun = [&](const std::string& sql, std::vector<std::string> texts, std::vector<int64_t> numbers) {
        conditions.push_back({"EXISTS (SELECT 1 FROM runs r WHERE r.demo = demos.id AND " + sql + ")", std::move(texts),
                              std::move(numbers)});
    };
    if (query.dfYes != query.dfNo)
        conditions.push_back({std::string(query.dfNo ? "NOT " : "") +
                                  "EXISTS (SELECT 1 FROM runs r WHERE r.demo = demos.id AND r.time IS NOT NULL)",
                              {},
                              {}});
    if (!query.dfPhysics.empty())
        addRun("r.physics IN (" + Placeholders(query.dfPhysics.size()) + ")", query.dfPhysics, {});
    for (const SearchQuery::RunTimeBound& bound : query.runTimes) {
        if (bound.op == RatingCondition::Op::Equal) {
            addRun("r.time >= ? AND r.time < ?", {}, {bound.milliseconds, bound.milliseconds + bound.precision});
        } else {
            static constexpr std::array<const char*, 5> kTimeOps{"<", "<=", "=", ">=", ">"};
            addRun(std::string("r.time ") + kTimeOps[static_cast<size_t>(bound.op)] + " ?", {}, {bound.milliseconds});
        }
    }
    if (query.dfBest)
        addRun("r.time IS NOT NULL", {}, {});
    if (query.AnyPov()) {
        Condition any = AnyOf(query.povNames, "velmora_contains(?, pov)");
        std::string sql = any.sql == "()" ? std::string() : any.sql;
        if (query.povYes)
            sql += std::string(sql.empty() ? "" : " OR ") + "pov <> ''";
        if (query.povNo)
            sql += std::string(sql.empty() ? "" : " OR ") + "pov = ''";
        conditions.push_back({"(" + sql + ")", std::move(any.texts), {}});
    }
    return conditions;
}

// physics, time and player, each but the last followed by the byte 1.
DefragRun RunOfColumn(const std::string& text)
{
    DefragRun run;
    const size_t first = text.find('\x01');
    const size_t second = text.find('\x01', first + 1);
    if (first == std::string::npos || second == std::string::npos)
        return run;
    run.physics = text.substr(0, first);
    int64_t time = 0;
    const char* begin = text.data() + first + 1;
    const char* end = text.data() + second;
    if (begin != end && std::from_chars(begin, end, time).ptr == end)
        run.milliseconds = time;
    run.player = text.substr(second + 1);
    return run;
}

// Of the rows, per map and physics only those of the fastest time (all of them when several ran
// it), in the order they came.
void KeepFastestRuns(std::vector<DemoInfo>& rows)
{
    std::map<std::pair<std::string, std::string>, int64_t> best;
    for (const DemoInfo& row : rows)
        if (row.defrag && row.defrag->milliseconds) {
            const auto key = std::pair(row[FieldMap], row.defrag->physics);
            const auto [at, added] = best.emplace(key, *row.defrag->milliseconds);
            if (!added)
                at->second = std::min(at->second, *row.defrag->milliseconds);
        }
    std::erase_if(rows, [&](const DemoInfo& row) {
        return !row.defrag || !row.defrag->milliseconds ||
               best[std::pair(row[FieldMap], row.defrag->physics)] != *row.defrag->milliseconds;
    });
}

} // namespace

DemoFilterSql DemoFilterOf(const SearchQuery& query)
{
    DemoFilterSql filter;
    const std::vector<Condition> conditions = ConditionsOf(query);
    filter.from = "demos";
    if (!conditions.empty() && conditions.front().sql == kTextMatch)
        filter.from += " JOIN demo_text ON demo_text.rowid = demos.id";
    for (size_t i = 0; i < conditions.size(); ++i) {
        filter.where += (i ? " AND " : " WHERE ") + conditions[i].sql;
        for (const std::string& text : conditions[i].texts)
            filter.values.push_back({true, text, 0});
        for (const int64_t number : conditions[i].numbers)
            filter.values.push_back({false, {}, number});
    }
    return filter;
}

std::string SearchableText(const std::string& name, const std::string& map, const std::string& mapTitle,
                           const std::string& hostname, const std::string& mod, const std::string& description)
{
    // File names are UTF-8, what comes from inside the demo Latin-1, descriptions the user's text.
    const std::pair<const std::string*, TextCoding> parts[] = {
        {&name, TextCoding::Utf8OrLatin1}, {&map, TextCoding::Latin1}, {&mapTitle, TextCoding::Latin1},
        {&hostname, TextCoding::Latin1},   {&mod, TextCoding::Latin1}, {&description, TextCoding::UserText}};
    std::string text;
    for (const auto& [part, coding] : parts) {
        text += SearchText(*part, coding);
        text += '\n';
    }
    return text;
}

std::string IndexKey(std::string_view name, uint64_t size, uint32_t dosDateTime, std::string_view archiveField,
                     std::string_view location)
{
    return MakeCacheKey(name, size, dosDateTime, archiveField) + kCacheSeparator + std::string(location);
}

std::string SearchablePlayer(const IndexedPlayer& player)
{
    // Quake Live shows the clan tag before the name: both are found as one text.
    return SearchText(player.clanTag.empty() ? player.name : player.clanTag + " " + player.name, TextCoding::Latin1);
}

IndexStatus LibraryIndex::StatusOf(int code)
{
    if (code == SQLITE_OK || code == SQLITE_DONE || code == SQLITE_ROW)
        return IndexStatus::Ok;
    m_lastError = m_db.IsOpen() ? m_db.LastError() : sqlite3_errstr(code);
    if (IsBusyCode(code))
        return IndexStatus::Busy;
    if (IsDamageCode(code))
        return IndexStatus::Damaged;
    return IndexStatus::Failed;
}

IndexStatus LibraryIndex::Open(const std::filesystem::path& file, int busyMilliseconds)
{
    m_file = file;
    m_busyMilliseconds = busyMilliseconds;
    m_rebuilt = false;
    m_emptied = false;
    if (const int code = m_db.Open(file); code != SQLITE_OK) {
        m_db.Close();
        return StatusOf(code);
    }
    IndexStatus status = Configure();
    std::optional<std::string> version;
    if (status == IndexStatus::Ok)
        version = SchemaVersion(status);
    if (status == IndexStatus::Ok && version == kSchemaVersion)
        return status;
    if (status == IndexStatus::Busy || status == IndexStatus::Failed)
        return status;
    // No table yet (a new file), another layout, or damage: start afresh.
    bool hasTables = false;
    if (status == IndexStatus::Ok) {
        SqliteStatement count = m_db.Prepare("SELECT count(*) FROM sqlite_master");
        hasTables = count.Step() == SQLITE_ROW && count.Int(0) > 0;
    }
    const bool damaged = status == IndexStatus::Damaged;
    if (!hasTables && !damaged)
        return CreateSchema();
    status = Rebuild();
    m_rebuilt = damaged && status == IndexStatus::Ok;
    m_emptied = !damaged && status == IndexStatus::Ok;
    return status;
}

IndexStatus LibraryIndex::Configure()
{
    m_db.SetBusyTimeout(m_busyMilliseconds);
    sqlite3_create_function(m_db.Handle(), "velmora_contains", -1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                            ContainsFunction, nullptr, nullptr);
    // WAL lets readers go on while one writer works; NORMAL syncs at checkpoints only, which is
    // enough for a cache. Reading through a memory map halves a search that fetches thousands of
    // rows scattered over the file.
    return StatusOf(m_db.Execute("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA mmap_size=1073741824;"));
}

std::optional<std::string> LibraryIndex::SchemaVersion(IndexStatus& status)
{
    SqliteStatement read = m_db.Prepare("SELECT value FROM meta WHERE key = 'schema'");
    const int code = read.Valid() ? read.Step() : read.PrepareCode();
    if (code == SQLITE_ROW)
        return read.Text(0);
    // No meta table yet is no error: the file is new, or of a layout before it.
    if (code != SQLITE_DONE && !(code == SQLITE_ERROR && !read.Valid()))
        status = StatusOf(code);
    return std::nullopt;
}

// The file is never deleted or replaced while the program runs: other programs (a second copy,
// velmora-cli, a backup tool) may hold it open with its -wal and -shm files, and files removed
// under them make their next read a "disk I/O error" or let their writes go to a file nobody
// reads. Emptying happens inside the database, under SQLite's locks.
IndexStatus LibraryIndex::Rebuild()
{
    if (!m_db.IsOpen()) {
        if (const int code = m_db.Open(m_file); code != SQLITE_OK)
            return StatusOf(code);
        Configure(); // a damaged file fails here; the reset below mends it
    }
    IndexStatus status = DropEverything();
    if (status == IndexStatus::Damaged) {
        // A damaged file cannot be read to drop its tables: SQLite empties it in place instead.
        m_db.Prepare("SELECT 1 FROM sqlite_master"); // the reset needs the schema read first, even if that fails
        sqlite3_db_config(m_db.Handle(), SQLITE_DBCONFIG_RESET_DATABASE, 1, nullptr);
        status = StatusOf(m_db.Execute("VACUUM"));
        sqlite3_db_config(m_db.Handle(), SQLITE_DBCONFIG_RESET_DATABASE, 0, nullptr);
        if (status == IndexStatus::Ok)
            status = Configure();
        if (status == IndexStatus::Ok)
            status = CreateSchema();
    }
    return status;
}

IndexStatus LibraryIndex::DropEverything()
{
    IndexStatus status = Begin();
    if (status != IndexStatus::Ok)
        return status;
    // Virtual tables first: dropping one drops its own tables with it.
    for (const char* kind : {"sql LIKE 'CREATE VIRTUAL%'", "1"}) {
        std::vector<std::string> tables;
        SqliteStatement list = m_db.Prepare(std::string("SELECT name FROM sqlite_master WHERE type = 'table' AND "
                                                        "name NOT LIKE 'sqlite_%' AND ") +
                                            kind);
        int code;
        while ((code = list.Step()) == SQLITE_ROW)
            tables.push_back(list.Text(0));
        if (code != SQLITE_DONE)
            status = StatusOf(code);
        for (size_t i = 0; i < tables.size() && status == IndexStatus::Ok; ++i) {
            std::string quoted = "\"";
            for (const char c : tables[i])
                quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
            status = StatusOf(m_db.Execute("DROP TABLE IF EXISTS " + quoted + "\""));
        }
        if (status != IndexStatus::Ok) {
            Rollback();
            return status;
        }
    }
    // One transaction from the old tables to the new ones: a reader sees either, never none.
    if ((status = StatusOf(m_db.Execute(std::string(kSchema) + std::string(kEventSchema) + SchemaVersionInsert()))) !=
        IndexStatus::Ok) {
        Rollback();
        return status;
    }
    return Commit();
}

IndexStatus LibraryIndex::CreateSchema()
{
    IndexStatus status = Begin();
    if (status != IndexStatus::Ok)
        return status;
    // Another program may have made the tables while this one waited for the lock.
    if (SchemaVersion(status) == kSchemaVersion && status == IndexStatus::Ok)
        return Commit();
    if (status == IndexStatus::Ok)
        status = StatusOf(m_db.Execute(std::string(kSchema) + std::string(kEventSchema) + SchemaVersionInsert()));
    if (status != IndexStatus::Ok) {
        Rollback();
        return status;
    }
    return Commit();
}

IndexStatus LibraryIndex::Begin()
{
    return StatusOf(m_db.Execute("BEGIN IMMEDIATE"));
}

IndexStatus LibraryIndex::Commit()
{
    return StatusOf(m_db.Execute("COMMIT"));
}

void LibraryIndex::Rollback()
{
    m_db.Execute("ROLLBACK");
}

IndexStatus LibraryIndex::LoadFolders(std::map<std::string, IndexedFolder>& folders)
{
    folders.clear();
    SqliteStatement read = m_db.Prepare("SELECT id, path, signature FROM folders");
    int code;
    while ((code = read.Step()) == SQLITE_ROW)
        folders[read.Text(1)] = {read.Int(0), read.Text(2)};
    return StatusOf(code);
}

IndexStatus LibraryIndex::AddFolder(const std::string& path, int64_t& id)
{
    SqliteStatement insert = m_db.Prepare("INSERT INTO folders(path, signature) VALUES(?, '')");
    insert.Bind(1, path);
    const IndexStatus status = StatusOf(insert.Step());
    id = m_db.LastInsertId();
    return status;
}

IndexStatus LibraryIndex::SetFolderSignature(int64_t folder, const std::string& signature)
{
    SqliteStatement update = m_db.Prepare("UPDATE folders SET signature = ? WHERE id = ?");
    update.Bind(1, signature);
    update.Bind(2, folder);
    return StatusOf(update.Step());
}

IndexStatus LibraryIndex::RemoveFolder(int64_t folder)
{
    std::vector<std::pair<int64_t, std::string>> demos;
    IndexStatus status = FolderDemos(folder, demos);
    for (size_t i = 0; i < demos.size() && status == IndexStatus::Ok; ++i)
        status = RemoveDemo(demos[i].first);
    if (status != IndexStatus::Ok)
        return status;
    SqliteStatement remove = m_db.Prepare("DELETE FROM folders WHERE id = ?");
    remove.Bind(1, folder);
    return StatusOf(remove.Step());
}

IndexStatus LibraryIndex::FolderDemos(int64_t folder, std::vector<std::pair<int64_t, std::string>>& demos)
{
    demos.clear();
    // The key is made again from the stored columns rather than stored: it would repeat them.
    SqliteStatement read = m_db.Prepare("SELECT d.id, d.name, d.size, d.recorded, d.archive, d.location, f.path "
                                        "FROM demos d JOIN folders f ON f.id = d.folder WHERE d.folder = ?");
    read.Bind(1, folder);
    int code;
    while ((code = read.Step()) == SQLITE_ROW) {
        const std::string location = read.Text(5);
        // A member's location is its archive; its archive field the archive's name and its folder.
        const std::string archiveField =
            location == read.Text(6) ? std::string()
                                     : location.substr(location.rfind(kPathSeparator) + 1) + "\\" + read.Text(4);
        demos.emplace_back(read.Int(0), IndexKey(read.Text(1), static_cast<uint64_t>(read.Int(2)),
                                                 static_cast<uint32_t>(read.Int(3)), archiveField, location));
    }
    return StatusOf(code);
}

IndexStatus LibraryIndex::AddText(int64_t id, const std::string& text, const std::string& players)
{
    SqliteStatement insert = m_db.Prepare("INSERT INTO demo_text(rowid, text, players) VALUES(?, ?, ?)");
    insert.Bind(1, id);
    insert.Bind(2, text);
    insert.Bind(3, players);
    return StatusOf(insert.Step());
}

IndexStatus LibraryIndex::PlayersTextOf(int64_t id, std::string& players)
{
    players.clear();
    SqliteStatement read = m_db.Prepare("SELECT plain FROM players WHERE demo = ? ORDER BY rowid");
    read.Bind(1, id);
    int code;
    while ((code = read.Step()) == SQLITE_ROW)
        players += read.Text(0) + "\n";
    return StatusOf(code);
}

// The text index keeps no copy of the texts, so removing a row's entry needs exactly the texts it
// was made from: the row keeps them, so that a change in how texts are folded cannot upset it.
IndexStatus LibraryIndex::RemoveTextOf(int64_t id)
{
    SqliteStatement read = m_db.Prepare("SELECT search_text FROM demos WHERE id = ?");
    read.Bind(1, id);
    const int code = read.Step();
    if (code != SQLITE_ROW)
        return StatusOf(code);
    const std::string text = read.Text(0);
    std::string players;
    if (const IndexStatus status = PlayersTextOf(id, players); status != IndexStatus::Ok)
        return status;
    SqliteStatement remove =
        m_db.Prepare("INSERT INTO demo_text(demo_text, rowid, text, players) VALUES('delete', ?, ?, ?)");
    remove.Bind(1, id);
    remove.Bind(2, text);
    remove.Bind(3, players);
    return StatusOf(remove.Step());
}

IndexStatus LibraryIndex::AddDemo(int64_t folder, const IndexedDemo& demo)
{
    const std::string columns = ColumnList();
    const std::string text = SearchableText(demo.row[FieldDemoname], demo.row[FieldMap], demo.mapTitle,
                                            demo.row[FieldHostname], demo.row[FieldMod], demo.row[FieldDescription]);
    SqliteStatement insert = m_db.Prepare("INSERT INTO demos(folder, " + columns +
                                          ", map_title, day, rating_value, search_text) VALUES(?, " +
                                          Placeholders(DemoFieldCount) + ", ?, ?, ?, ?)");
    insert.Bind(1, folder);
    for (int i = 0; i < DemoFieldCount; ++i)
        insert.Bind(2 + i, demo.row[i]);
    insert.Bind(2 + FieldSize, static_cast<int64_t>(demo.bytes));
    insert.Bind(2 + FieldRecorded, static_cast<int64_t>(demo.dosDateTime));
    insert.Bind(2 + DemoFieldCount, demo.mapTitle);
    insert.Bind(3 + DemoFieldCount, static_cast<int64_t>(DayOfDosDateTime(demo.dosDateTime)));
    if (const Rating rating = demo.row.keys.rating)
        insert.Bind(4 + DemoFieldCount, *rating);
    else
        insert.BindNull(4 + DemoFieldCount);
    insert.Bind(5 + DemoFieldCount, text);
    IndexStatus status = StatusOf(insert.Step());
    if (status != IndexStatus::Ok)
        return status;
    const int64_t id = m_db.LastInsertId();
    if (const std::optional<DefragRun>& run = demo.row.defrag) {
        SqliteStatement add =
            m_db.Prepare("INSERT INTO runs(demo, run_map, physics, time, player) VALUES(?, ?, ?, ?, ?)");
        add.Bind(1, id);
        add.Bind(2, demo.row[FieldMap]);
        add.Bind(3, run->physics);
        if (run->milliseconds)
            add.Bind(4, *run->milliseconds);
        else
            add.BindNull(4);
        add.Bind(5, run->player);
        if ((status = StatusOf(add.Step())) != IndexStatus::Ok)
            return status;
    }
    SqliteStatement player =
        m_db.Prepare("INSERT INTO players(demo, name, plain, team, score, clan) VALUES(?, ?, ?, ?, ?, ?)");
    std::string players;
    for (const IndexedPlayer& one : demo.players) {
        const std::string plain = SearchablePlayer(one);
        player.Reset();
        player.Bind(1, id);
        player.Bind(2, one.name);
        player.Bind(3, plain);
        player.Bind(4, static_cast<int64_t>(one.team));
        if (one.score)
            player.Bind(5, static_cast<int64_t>(*one.score));
        else
            player.BindNull(5);
        player.Bind(6, one.clanTag);
        if ((status = StatusOf(player.Step())) != IndexStatus::Ok)
            return status;
        players += plain + "\n";
    }
    SqliteStatement accuracy = m_db.Prepare("INSERT INTO accuracy(demo, weapon, percent) VALUES(?, ?, ?)");
    for (const IndexedAccuracy& one : demo.accuracies) {
        if (one.shots <= 0)
            continue; // never fired: no accuracy, rather than 0 %
        accuracy.Reset();
        accuracy.Bind(1, id);
        accuracy.Bind(2, one.weapon);
        accuracy.Bind(3, 100.0 * one.hits / one.shots);
        if ((status = StatusOf(accuracy.Step())) != IndexStatus::Ok)
            return status;
    }
    if ((status = AddText(id, text, players)) != IndexStatus::Ok)
        return status;
    return demo.events.read ? AddEvents(id, demo.events) : IndexStatus::Ok;
}

IndexStatus LibraryIndex::RemoveDemo(int64_t id)
{
    IndexStatus status = RemoveTextOf(id);
    if (status != IndexStatus::Ok || (status = RemoveEventsOf(id)) != IndexStatus::Ok)
        return status;
    SqliteStatement players = m_db.Prepare("DELETE FROM players WHERE demo = ?");
    players.Bind(1, id);
    if ((status = StatusOf(players.Step())) != IndexStatus::Ok)
        return status;
    SqliteStatement accuracy = m_db.Prepare("DELETE FROM accuracy WHERE demo = ?");
    accuracy.Bind(1, id);
    if ((status = StatusOf(accuracy.Step())) != IndexStatus::Ok)
        return status;
    SqliteStatement run = m_db.Prepare("DELETE FROM runs WHERE demo = ?");
    run.Bind(1, id);
    if ((status = StatusOf(run.Step())) != IndexStatus::Ok)
        return status;
    SqliteStatement demo = m_db.Prepare("DELETE FROM demos WHERE id = ?");
    demo.Bind(1, id);
    return StatusOf(demo.Step());
}

IndexStatus LibraryIndex::SetUserData(const std::string& demoName, const UserInfo& user)
{
    std::vector<int64_t> ids;
    SqliteStatement find = m_db.Prepare("SELECT id FROM demos WHERE name = ?");
    find.Bind(1, demoName);
    int code;
    while ((code = find.Step()) == SQLITE_ROW)
        ids.push_back(find.Int(0));
    if (code != SQLITE_DONE)
        return StatusOf(code);
    for (const int64_t id : ids) {
        IndexStatus status = RemoveTextOf(id);
        if (status != IndexStatus::Ok)
            return status;
        SqliteStatement read = m_db.Prepare("SELECT name, map, map_title, hostname, mod FROM demos WHERE id = ?");
        read.Bind(1, id);
        if ((code = read.Step()) != SQLITE_ROW)
            return StatusOf(code);
        // The text index entry is made again with the new description.
        const std::string text =
            SearchableText(read.Text(0), read.Text(1), read.Text(2), read.Text(3), read.Text(4), user.description);
        SqliteStatement update = m_db.Prepare("UPDATE demos SET pov = ?, rating = ?, web = ?, description = ?, "
                                              "rating_value = ?, search_text = ? WHERE id = ?");
        update.Bind(1, user.pov);
        update.Bind(2, user.rating);
        update.Bind(3, user.web);
        update.Bind(4, user.description);
        if (const auto rating = RatingOf(user.rating))
            update.Bind(5, *rating);
        else
            update.BindNull(5);
        update.Bind(6, text);
        update.Bind(7, id);
        if ((status = StatusOf(update.Step())) != IndexStatus::Ok)
            return status;
        std::string players;
        if ((status = PlayersTextOf(id, players)) != IndexStatus::Ok ||
            (status = AddText(id, text, players)) != IndexStatus::Ok)
            return status;
    }
    return IndexStatus::Ok;
}

IndexStatus LibraryIndex::LoadUserDataStamps(std::map<std::string, std::string>& stamps)
{
    stamps.clear();
    SqliteStatement read = m_db.Prepare("SELECT name, stamp FROM userdata");
    int code;
    while ((code = read.Step()) == SQLITE_ROW)
        stamps[read.Text(0)] = read.Text(1);
    return StatusOf(code);
}

IndexStatus LibraryIndex::SetUserDataStamp(const std::string& demoName, const std::string& stamp)
{
    SqliteStatement write = m_db.Prepare("INSERT OR REPLACE INTO userdata(name, stamp) VALUES(?, ?)");
    write.Bind(1, demoName);
    write.Bind(2, stamp);
    return StatusOf(write.Step());
}

IndexStatus LibraryIndex::RemoveUserDataStamp(const std::string& demoName)
{
    SqliteStatement remove = m_db.Prepare("DELETE FROM userdata WHERE name = ?");
    remove.Bind(1, demoName);
    return StatusOf(remove.Step());
}

SearchResult LibraryIndex::Search(const SearchQuery& query, size_t limit)
{
    SearchResult result;
    if (!m_db.IsOpen()) {
        result.status = IndexStatus::Failed;
        result.message = "The library index is not open.";
        return result;
    }
    const std::vector<Condition> conditions = ConditionsOf(query);
    // The run as one value, so that the rows of other demos cost one look-up.
    std::string sql = "SELECT " + ColumnList() +
                      ", (SELECT r.physics || char(1) || ifnull(r.time, '') || char(1) || r.player FROM runs r WHERE "
                      "r.demo = demos.id) FROM demos";
    if (!conditions.empty() && conditions.front().sql == kTextMatch)
        sql += " JOIN demo_text ON demo_text.rowid = demos.id";
    for (size_t i = 0; i < conditions.size(); ++i)
        sql += (i ? " AND " : " WHERE ") + conditions[i].sql;
    // Sorting every match before the limit would cost more than the rest of a broad search; a
    // limited search is for the list, which sorts by its own column.
    // The fastest runs are known only once every match is: df:best limits afterwards.
    if (limit != SIZE_MAX && !query.dfBest)
        sql += " LIMIT " + std::to_string(limit + 1);
    else
        sql += " ORDER BY name COLLATE NOCASE, location, archive, id";
    SqliteStatement select = m_db.Prepare(sql);
    int position = 1;
    for (const Condition& condition : conditions) {
        for (const std::string& text : condition.texts)
            select.Bind(position++, text);
        for (const int64_t number : condition.numbers)
            select.Bind(position++, number);
    }
    int code;
    while ((code = select.Step()) == SQLITE_ROW) {
        if (result.rows.size() == limit && !query.dfBest) {
            result.more = true;
            break;
        }
        DemoInfo row;
        for (int i = 0; i < DemoFieldCount; ++i)
            row[i] = select.Text(i);
        const auto bytes = static_cast<uint64_t>(select.Int(FieldSize));
        const auto recorded = static_cast<uint32_t>(select.Int(FieldRecorded));
        row[FieldSize] = FormatListSize(bytes);
        row[FieldRecorded] = DosDateTimeText(recorded);
        SetRowKeys(row, bytes, recorded);
        if (!select.IsNull(DemoFieldCount))
            SetDefragRun(row, RunOfColumn(select.Text(DemoFieldCount)));
        result.rows.push_back(std::move(row));
    }
    if (query.dfBest && code == SQLITE_DONE) {
        KeepFastestRuns(result.rows);
        if (result.rows.size() > limit) {
            result.rows.resize(limit);
            result.more = true;
        }
    }
    if (code != SQLITE_ROW && code != SQLITE_DONE) {
        result.rows.clear();
        result.status = StatusOf(code);
        result.message = result.status == IndexStatus::Busy
                             ? "The library index is in use by another program; try again in a moment."
                             : "The library index cannot be read: " + m_lastError;
    }
    return result;
}

std::optional<size_t> LibraryIndex::DemoCount()
{
    SqliteStatement count = m_db.Prepare("SELECT count(*) FROM demos");
    if (const int code = count.Step(); code != SQLITE_ROW) {
        StatusOf(code);
        return std::nullopt;
    }
    return static_cast<size_t>(count.Int(0));
}

IndexStatus LibraryIndex::DemoRowOf(int64_t id, DemoInfo& row, std::string& folder, SqliteStatement* reuse)
{
    SqliteStatement own;
    SqliteStatement& read = reuse ? *reuse : own;
    if (!read.Valid())
        read = m_db.Prepare("SELECT " + ColumnList() +
                            ", f.path FROM demos JOIN folders f ON f.id = demos.folder WHERE demos.id = ?");
    read.Reset();
    read.Bind(1, id);
    const int code = read.Step();
    if (code != SQLITE_ROW)
        return code == SQLITE_DONE ? IndexStatus::Failed : StatusOf(code);
    for (int i = 0; i < DemoFieldCount; ++i)
        row[i] = read.Text(i);
    const auto bytes = static_cast<uint64_t>(read.Int(FieldSize));
    const auto recorded = static_cast<uint32_t>(read.Int(FieldRecorded));
    row[FieldSize] = FormatListSize(bytes);
    row[FieldRecorded] = DosDateTimeText(recorded);
    SetRowKeys(row, bytes, recorded);
    folder = read.Text(DemoFieldCount);
    return IndexStatus::Ok;
}

IndexStatus LibraryIndex::Players(const DemoInfo& row, std::vector<IndexedPlayer>& players)
{
    players.clear();
    SqliteStatement read = m_db.Prepare("SELECT p.name, p.team, p.score, p.clan FROM players p JOIN demos d ON "
                                        "d.id = p.demo WHERE d.name = ? AND d.location = ? AND d.archive = ? ORDER BY "
                                        "p.rowid");
    read.Bind(1, row[FieldDemoname]);
    read.Bind(2, row[FieldLocation]);
    read.Bind(3, row[FieldArchiveLocation]);
    int code;
    while ((code = read.Step()) == SQLITE_ROW)
        players.push_back({read.Text(0), static_cast<int32_t>(read.Int(1)),
                           read.IsNull(2) ? Score() : Score(static_cast<int32_t>(read.Int(2))), read.Text(3)});
    return StatusOf(code);
}

} // namespace core
