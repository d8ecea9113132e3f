#include "core/index/Moments.h"

#include <sqlite3.h>

#include <algorithm>
#include <functional>
#include <map>
#include <tuple>
#include <utility>

#include "core/common/TextEncoding.h"
#include "core/index/EventStore.h"

namespace core {
namespace {

constexpr std::string_view kEventColumns = "e.demo, e.seq, e.kind, e.time, e.player, e.other, e.cause, e.flags, "
                                           "e.team, e.clock, e.place, e.other_place, e.text, d.server_start";

struct EventRow {
    int64_t demo = 0, seq = 0;
    EventKind kind = EventKind::Frag;
    int64_t time = 0;
    std::optional<int64_t> player, other, place, otherPlace;
    DeathCause cause = DeathCause::Unknown;
    int64_t flags = 0;
    int team = -1;
    int32_t serverTime = 0;
    std::string text;
};

EventRow ReadRow(const SqliteStatement& read)
{
    const auto optional = [&](int column) {
        return read.IsNull(column) ? std::nullopt : std::optional<int64_t>(read.Int(column));
    };
    EventRow row;
    row.demo = read.Int(0);
    row.seq = read.Int(1);
    row.kind = static_cast<EventKind>(read.Int(2));
    row.time = read.Int(3);
    row.player = optional(4);
    row.other = optional(5);
    row.cause = static_cast<DeathCause>(read.Int(6));
    row.flags = read.Int(7);
    row.team = read.IsNull(8) ? -1 : static_cast<int>(read.Int(8));
    row.serverTime = static_cast<int32_t>(read.Int(13) + row.time + read.Int(9));
    row.place = optional(10);
    row.otherPlace = optional(11);
    row.text = read.Text(12);
    return row;
}

// velmora_said(term, text): whether a chat line, colour codes removed and case folded, holds the term.
void SaidFunction(sqlite3_context* context, int, sqlite3_value** values)
{
    const auto* term = reinterpret_cast<const char*>(sqlite3_value_text(values[0]));
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(values[1]));
    const bool found =
        term && text &&
        SearchText(std::string_view(text, static_cast<size_t>(sqlite3_value_bytes(values[1]))), TextCoding::Latin1)
                .find(std::string_view(term, static_cast<size_t>(sqlite3_value_bytes(values[0])))) != std::string::npos;
    sqlite3_result_int(context, found ? 1 : 0);
}

struct Sql {
    std::string text;
    std::vector<DemoFilterSql::Value> values;
    void Add(const std::string& sql) { text += sql; }
    void AddText(const std::string& value) { values.push_back({true, value, 0}); }
};

// The event's name slot holds one of the names.
std::string NameCondition(const char* column, const std::vector<std::string>& names, Sql& sql)
{
    std::string any;
    for (const std::string& name : names) {
        any += std::string(any.empty() ? "" : " OR ") + "instr(n.plain, ?) > 0";
        sql.AddText(name);
    }
    const std::string slots = std::to_string(kEventNameSlots);
    return std::string("(e.") + column + " IS NOT NULL AND EXISTS (SELECT 1 FROM event_names n WHERE n.id = e.demo * " +
           slots + " + e." + column + " AND (" + any + ")))";
}

// The demos where one of the names occurs, through the name index: what a name search starts from.
// Names shorter than a trigram cannot be found there; then every demo is looked at.
bool NameDemos(const std::vector<std::string>& names, Sql& sql)
{
    if (names.empty() ||
        !std::all_of(names.begin(), names.end(), [](const std::string& name) { return CharacterCount(name) >= 3; }))
        return false;
    std::string match;
    for (const std::string& name : names) {
        std::string phrase = "\"";
        for (const char c : name)
            phrase += c == '"' ? std::string("\"\"") : std::string(1, c);
        match += (match.empty() ? "" : " OR ") + phrase + "\"";
    }
    sql.Add(" AND e.demo IN (SELECT rowid / " + std::to_string(kEventNameSlots) +
            " FROM event_name_text WHERE event_name_text MATCH ?)");
    sql.AddText(match);
    return true;
}

std::string KindList(std::initializer_list<EventKind> kinds)
{
    std::string list;
    for (const EventKind kind : kinds)
        list += (list.empty() ? "" : ", ") + std::to_string(static_cast<int>(kind));
    return list;
}

// The frag conditions of of:, weapon: and air.
std::string FragCondition(const MomentQuery& query, Sql& sql)
{
    std::string condition = "e.kind = " + KindList({EventKind::Frag});
    if (!query.of.empty())
        condition += " AND " + NameCondition("other", query.of, sql);
    if (!query.causes.empty()) {
        std::string causes;
        for (const DeathCause cause : query.causes)
            causes += (causes.empty() ? "" : ", ") + std::to_string(static_cast<int>(cause));
        condition += " AND e.cause IN (" + causes + ")";
    }
    if (query.air)
        condition += " AND (e.flags & " + std::to_string(kFlagOtherAirborne) + ") <> 0";
    return condition;
}

class MomentSearch {
public:
    MomentSearch(LibraryIndex& index, const SearchQuery& query, size_t limit)
        : m_index(index), m_query(query), m_moments(query.moments), m_limit(limit)
    {
    }

    MomentResult Run()
    {
        if (!m_index.Database().IsOpen()) {
            m_result.status = IndexStatus::Failed;
            m_result.message = "The library index is not open.";
            return m_result;
        }
        sqlite3_create_function(m_index.Database().Handle(), "velmora_said", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                                nullptr, SaidFunction, nullptr, nullptr);
        IndexStatus status = SingleMoments();
        if (status == IndexStatus::Ok && (m_moments.multi || m_moments.spree))
            status = FragRuns();
        if (status != IndexStatus::Ok) {
            m_result.moments.clear();
            m_result.status = status;
            m_result.message = status == IndexStatus::Busy
                                   ? "The library index is in use by another program; try again in a moment."
                                   : "The library index cannot be read: " + m_index.LastError();
            return m_result;
        }
        std::vector<size_t> order(m_result.moments.size());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::sort(order.begin(), order.end(), [this](size_t a, size_t b) {
            return std::tie(m_sortKeys[a], m_result.moments[a].demoTime, a) <
                   std::tie(m_sortKeys[b], m_result.moments[b].demoTime, b);
        });
        if (order.size() > m_limit) {
            order.resize(m_limit);
            m_result.more = true;
        }
        std::vector<Moment> sorted;
        sorted.reserve(order.size());
        for (const size_t i : order)
            sorted.push_back(std::move(m_result.moments[i]));
        m_result.moments = std::move(sorted);
        return m_result;
    }

private:
    struct DemoOfEvents {
        DemoInfo row;
        std::string loadName, archive;
        std::map<int64_t, std::pair<int, std::string>> names; // slot: client, name
        std::tuple<std::string, std::string, std::string, int64_t> sortKey;
    };

    // The conditions every event query has: the demo terms and, when it can lead, the name index.
    std::string Common(Sql& sql, const std::vector<std::string>& driverNames)
    {
        const DemoFilterSql demos = DemoFilterOf(m_query);
        std::string where;
        if (!demos.where.empty()) {
            where += " AND e.demo IN (SELECT demos.id FROM " + demos.from + demos.where + ")";
            sql.values.insert(sql.values.end(), demos.values.begin(), demos.values.end());
        }
        Sql driver;
        if (NameDemos(driverNames, driver)) {
            where += driver.text;
            sql.values.insert(sql.values.end(), driver.values.begin(), driver.values.end());
        }
        return where;
    }

    IndexStatus Query(Sql& sql, const std::function<bool(const EventRow&)>& take)
    {
        SqliteStatement select = m_index.Database().Prepare(sql.text);
        int position = 1;
        for (const DemoFilterSql::Value& value : sql.values) {
            if (value.isText)
                select.Bind(position++, value.text);
            else
                select.Bind(position++, value.number);
        }
        int code;
        while ((code = select.Step()) == SQLITE_ROW)
            if (!take(ReadRow(select)))
                return IndexStatus::Ok;
        if (!select.Valid())
            code = select.PrepareCode();
        return m_index.StatusOfCode(code);
    }

    IndexStatus SingleMoments()
    {
        const bool frags = m_moments.SingleFrags();
        if (!frags && !m_moments.suicides && !m_moments.captures && m_moments.says.empty())
            return IndexStatus::Ok;
        // The values are bound in the order the conditions are written, so the parts are made first.
        Sql parts;
        std::vector<std::string> kinds;
        const auto byWhom = [&](const char* column) {
            return m_moments.by.empty() ? std::string() : " AND " + NameCondition(column, m_moments.by, parts);
        };
        if (frags) {
            std::string frag = FragCondition(m_moments, parts);
            kinds.push_back("(" + frag + byWhom("player") + ")");
        }
        if (m_moments.suicides)
            kinds.push_back("(e.kind = " + KindList({EventKind::Suicide}) + byWhom("other") + ")");
        if (m_moments.captures)
            kinds.push_back("(e.kind = " + KindList({EventKind::FlagCaptured}) + byWhom("player") + ")");
        if (!m_moments.says.empty()) {
            std::string said;
            for (const std::string& text : m_moments.says) {
                said += (said.empty() ? "" : " OR ") + std::string("velmora_said(?, e.text)");
                parts.AddText(text);
            }
            kinds.push_back("(e.kind IN (" + KindList({EventKind::Chat, EventKind::TeamChat}) + ") AND (" + said + ")" +
                            byWhom("player") + ")");
        }
        std::string any;
        for (const std::string& kind : kinds)
            any += (any.empty() ? "" : " OR ") + kind;
        Sql sql;
        sql.Add("SELECT " + std::string(kEventColumns) +
                " FROM events e JOIN event_demos d ON d.demo = e.demo WHERE (" + any + ")");
        sql.values = parts.values;
        // by: holds for every kind, so the demos it names can lead; of: only when frags alone are asked.
        const bool onlyFrags = frags && kinds.size() == 1;
        const std::vector<std::string>& driver = !m_moments.by.empty() ? m_moments.by
                                                 : onlyFrags           ? m_moments.of
                                                                       : m_moments.by;
        sql.Add(Common(sql, driver));
        sql.Add(" ORDER BY e.demo, e.seq");
        if (m_limit != SIZE_MAX)
            sql.Add(" LIMIT " + std::to_string(m_limit + 1));
        IndexStatus status = IndexStatus::Ok;
        const IndexStatus read = Query(sql, [&](const EventRow& row) {
            Moment moment;
            if ((status = Fill(row, moment)) != IndexStatus::Ok)
                return false;
            Push(row.demo, std::move(moment));
            return true;
        });
        return status != IndexStatus::Ok ? status : read;
    }

    IndexStatus FragRuns()
    {
        Sql sql;
        sql.Add("SELECT " + std::string(kEventColumns) +
                " FROM events e JOIN event_demos d ON d.demo = e.demo WHERE e.kind IN (" +
                KindList({EventKind::Frag, EventKind::Suicide, EventKind::GameStart, EventKind::PlayerLeft}) + ")");
        sql.Add(Common(sql, m_moments.by));
        sql.Add(" ORDER BY e.demo, e.seq");
        std::vector<EventRow> demo;
        IndexStatus status = IndexStatus::Ok;
        const auto flush = [&]() {
            if (!demo.empty() && status == IndexStatus::Ok)
                status = RunsOfDemo(demo);
            demo.clear();
            return status == IndexStatus::Ok && m_result.moments.size() <= m_limit;
        };
        const IndexStatus read = Query(sql, [&](const EventRow& row) {
            if (!demo.empty() && demo.front().demo != row.demo && !flush())
                return false;
            demo.push_back(row);
            return true;
        });
        if (read != IndexStatus::Ok)
            return read;
        flush();
        return status;
    }

    // The multi-frags and sprees of one demo's frags and deaths.
    IndexStatus RunsOfDemo(const std::vector<EventRow>& events)
    {
        DemoOfEvents* demo = nullptr;
        if (const IndexStatus status = Demo(events.front().demo, demo); status != IndexStatus::Ok)
            return status;
        const auto clientOf = [&](const std::optional<int64_t>& slot) {
            const auto found = slot ? demo->names.find(*slot) : demo->names.end();
            return found == demo->names.end() ? -1 : found->second.first;
        };
        const auto nameMatches = [&](const std::optional<int64_t>& slot, const std::vector<std::string>& names) {
            if (names.empty())
                return true;
            const auto found = slot ? demo->names.find(*slot) : demo->names.end();
            if (found == demo->names.end())
                return false;
            const std::string plain = SearchText(found->second.second, TextCoding::Latin1);
            return std::any_of(names.begin(), names.end(),
                               [&](const std::string& name) { return plain.find(name) != std::string::npos; });
        };
        const auto counts = [&](const EventRow& row) {
            return row.kind == EventKind::Frag && !(row.flags & kFlagTeamKill);
        };
        const auto emit = [&](MomentKind kind, const std::vector<const EventRow*>& run) -> IndexStatus {
            // The moment is the player's under the name of the run's last frag.
            if (!nameMatches(run.back()->player, m_moments.by))
                return IndexStatus::Ok;
            Moment moment;
            if (const IndexStatus status = Fill(*run.front(), moment); status != IndexStatus::Ok)
                return status;
            Moment last;
            Fill(*run.back(), last);
            moment.kind = kind;
            moment.playerName = last.playerName;
            moment.endDemoTime = last.demoTime;
            moment.endServerTime = last.serverTime;
            moment.frags = static_cast<int>(run.size());
            if (run.size() > 1) {
                // Several victims: the moment names none.
                moment.other = -1;
                moment.otherName.clear();
                moment.otherPlace.reset();
            }
            Push(events.front().demo, std::move(moment));
            return IndexStatus::Ok;
        };
        if (m_moments.multi) {
            const int n = m_moments.multi->frags;
            const int64_t window = int64_t{m_moments.multi->seconds} * 1000;
            std::map<int, std::vector<const EventRow*>> byClient;
            for (const EventRow& row : events) {
                if (!counts(row) || !nameMatches(row.other, m_moments.of) ||
                    (m_moments.air && !(row.flags & kFlagOtherAirborne)) ||
                    (!m_moments.causes.empty() &&
                     std::find(m_moments.causes.begin(), m_moments.causes.end(), row.cause) == m_moments.causes.end()))
                    continue;
                if (const int client = clientOf(row.player); client >= 0)
                    byClient[client].push_back(&row);
            }
            for (const auto& [client, frags] : byClient) {
                const auto valid = [&](size_t i) {
                    return i + static_cast<size_t>(n) <= frags.size() &&
                           frags[i + static_cast<size_t>(n) - 1]->time - frags[i]->time <= window;
                };
                for (size_t i = 0; i < frags.size();) {
                    if (!valid(i)) {
                        ++i;
                        continue;
                    }
                    // Windows that share a frag make one multi-frag.
                    size_t end = i + static_cast<size_t>(n) - 1;
                    for (size_t j = i + 1; j <= end && j < frags.size(); ++j)
                        if (valid(j))
                            end = j + static_cast<size_t>(n) - 1;
                    if (const IndexStatus status =
                            emit(MomentKind::MultiFrag, {frags.begin() + static_cast<ptrdiff_t>(i),
                                                         frags.begin() + static_cast<ptrdiff_t>(end) + 1});
                        status != IndexStatus::Ok)
                        return status;
                    i = end + 1;
                }
            }
        }
        if (m_moments.spree) {
            std::map<int, std::vector<const EventRow*>> runs;
            std::vector<std::vector<const EventRow*>> ended;
            const auto end = [&](int client) {
                if (const auto run = runs.find(client); run != runs.end()) {
                    if (run->second.size() >= static_cast<size_t>(*m_moments.spree))
                        ended.push_back(std::move(run->second));
                    runs.erase(run);
                }
            };
            for (const EventRow& row : events) {
                if (row.kind == EventKind::GameStart) {
                    while (!runs.empty())
                        end(runs.begin()->first);
                    continue;
                }
                if (row.kind == EventKind::PlayerLeft) {
                    end(clientOf(row.player));
                    continue;
                }
                // Dying ends a spree, and so does fragging a team mate.
                if (row.kind == EventKind::Frag || row.kind == EventKind::Suicide)
                    end(clientOf(row.other));
                const int client = clientOf(row.player);
                if (client < 0 || row.kind != EventKind::Frag)
                    continue;
                if (counts(row))
                    runs[client].push_back(&row);
                else
                    end(client);
            }
            while (!runs.empty())
                end(runs.begin()->first);
            for (const std::vector<const EventRow*>& run : ended)
                if (const IndexStatus status = emit(MomentKind::Spree, run); status != IndexStatus::Ok)
                    return status;
        }
        return IndexStatus::Ok;
    }

    IndexStatus Demo(int64_t id, DemoOfEvents*& demo)
    {
        auto [found, added] = m_demos.try_emplace(id);
        demo = &found->second;
        if (!added)
            return IndexStatus::Ok;
        std::string folder;
        if (const IndexStatus status = m_index.DemoRowOf(id, demo->row, folder); status != IndexStatus::Ok)
            return status;
        const DemoInfo& row = demo->row;
        // A member's location is its archive, a file's its folder.
        if (row[FieldLocation] != folder) {
            const std::string& inside = row[FieldArchiveLocation];
            demo->loadName = inside.empty() ? row[FieldDemoname] : inside + "\\" + row[FieldDemoname];
            demo->archive = row[FieldLocation];
        } else {
            demo->loadName = row[FieldLocation] + "/" + row[FieldDemoname];
        }
        demo->sortKey = {LowerCase(row[FieldDemoname]), row[FieldLocation], row[FieldArchiveLocation], id};
        SqliteStatement names =
            m_index.Database().Prepare("SELECT id, client, name FROM event_names WHERE id BETWEEN ? AND ?");
        names.Bind(1, id * kEventNameSlots);
        names.Bind(2, id * kEventNameSlots + kEventNameSlots - 1);
        int code;
        while ((code = names.Step()) == SQLITE_ROW)
            demo->names[names.Int(0) - id * kEventNameSlots] = {static_cast<int>(names.Int(1)), names.Text(2)};
        return m_index.StatusOfCode(code);
    }

    IndexStatus Fill(const EventRow& row, Moment& moment)
    {
        DemoOfEvents* demo = nullptr;
        if (const IndexStatus status = Demo(row.demo, demo); status != IndexStatus::Ok)
            return status;
        moment.row = demo->row;
        moment.loadName = demo->loadName;
        moment.archive = demo->archive;
        switch (row.kind) {
        case EventKind::Suicide:
            moment.kind = MomentKind::Suicide;
            break;
        case EventKind::FlagCaptured:
            moment.kind = MomentKind::Capture;
            break;
        case EventKind::Chat:
            moment.kind = MomentKind::Chat;
            break;
        case EventKind::TeamChat:
            moment.kind = MomentKind::TeamChat;
            break;
        default:
            moment.kind = MomentKind::Frag;
        }
        moment.demoTime = moment.endDemoTime = row.time;
        moment.serverTime = moment.endServerTime = row.serverTime;
        const auto name = [&](const std::optional<int64_t>& slot, int& client, std::string& shown) {
            const auto found = slot ? demo->names.find(*slot) : demo->names.end();
            if (found != demo->names.end()) {
                client = found->second.first;
                shown = found->second.second;
            }
        };
        name(row.player, moment.player, moment.playerName);
        name(row.other, moment.other, moment.otherName);
        if (row.kind == EventKind::Frag || row.kind == EventKind::Suicide) {
            moment.cause = row.cause;
            moment.weapon = WeaponOfCause(row.cause);
        }
        moment.team = row.team;
        moment.teamKill = (row.flags & kFlagTeamKill) != 0;
        moment.warmup = (row.flags & kFlagWarmup) != 0;
        if (row.place)
            moment.playerPlace =
                UnpackPlace(*row.place, (row.flags & kFlagPlayerOnGround) != 0, (row.flags & kFlagPlayerAirborne) != 0);
        if (row.otherPlace)
            moment.otherPlace = UnpackPlace(*row.otherPlace, (row.flags & kFlagOtherOnGround) != 0,
                                            (row.flags & kFlagOtherAirborne) != 0);
        moment.text = row.text;
        return IndexStatus::Ok;
    }

    void Push(int64_t demo, Moment moment)
    {
        m_sortKeys.push_back(m_demos.at(demo).sortKey);
        m_result.moments.push_back(std::move(moment));
    }

    LibraryIndex& m_index;
    const SearchQuery& m_query;
    const MomentQuery& m_moments;
    size_t m_limit;
    MomentResult m_result;
    std::map<int64_t, DemoOfEvents> m_demos;
    std::vector<std::tuple<std::string, std::string, std::string, int64_t>> m_sortKeys;
};

} // namespace

std::string_view MomentKindName(MomentKind kind)
{
    switch (kind) {
    case MomentKind::Frag:
        return "Frag";
    case MomentKind::Suicide:
        return "Suicide";
    case MomentKind::Capture:
        return "Capture";
    case MomentKind::Chat:
        return "Chat";
    case MomentKind::TeamChat:
        return "Team chat";
    case MomentKind::MultiFrag:
        return "Multi-frag";
    case MomentKind::Spree:
        return "Spree";
    }
    return "Frag";
}

bool IsMomentSearch(const SearchQuery& query)
{
    return query.moments.Any();
}

MomentResult SearchMoments(LibraryIndex& index, const SearchQuery& query, size_t limit)
{
    return MomentSearch(index, query, limit).Run();
}

} // namespace core
