#include "core/index/Moments.h"

#include <sqlite3.h>

#include <iterator>

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <tuple>
#include <unordered_set>
#include <utility>

#include "core/common/TextEncoding.h"
#include "core/index/EventStore.h"

namespace core {
namespace {

bool Holds(const std::string& plain, const std::vector<std::string>& terms)
{
    return std::any_of(terms.begin(), terms.end(),
                       [&](const std::string& term) { return plain.find(term) != std::string::npos; });
}

std::string FtsAnyOf(const std::vector<std::string>& terms)
{
    std::string match;
    for (const std::string& term : terms) {
        std::string phrase = "\"";
        for (const char c : term)
            phrase += c == '"' ? std::string("\"\"") : std::string(1, c);
        match += (match.empty() ? "" : " OR ") + phrase + "\"";
    }
    return match;
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
            return std::move(m_result);
        }
        const IndexStatus status = Search();
        if (status != IndexStatus::Ok) {
            m_found.clear();
            m_result.status = status;
            m_result.message = status == IndexStatus::Busy
                                   ? "The library index is in use by another program; try again in a moment."
                                   : "The library index cannot be read: " + m_index.LastError();
            return std::move(m_result);
        }
        // The demos in list order once, the moments by their demo's place in it and their time.
        std::vector<DemoOfEvents*> demos;
        for (auto& [id, demo] : m_demos)
            demos.push_back(&demo);
        std::sort(demos.begin(), demos.end(),
                  [](const DemoOfEvents* a, const DemoOfEvents* b) { return a->sortKey < b->sortKey; });
        for (size_t i = 0; i < demos.size(); ++i)
            demos[i]->rank = i;
        std::vector<size_t> order(m_found.size());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::sort(order.begin(), order.end(), [this](size_t a, size_t b) {
            return std::tie(m_momentDemos[a]->rank, m_found[a].demoTime, a) <
                   std::tie(m_momentDemos[b]->rank, m_found[b].demoTime, b);
        });
        if (order.size() > m_limit) {
            order.resize(m_limit);
            m_result.more = true;
        }
        // Each moment gets its demo's row; the last one of a demo takes it over.
        for (const size_t i : order)
            ++m_momentDemos[i]->uses;
        std::vector<Moment> sorted;
        sorted.reserve(order.size());
        for (const size_t i : order) {
            DemoOfEvents& demo = *m_momentDemos[i];
            Moment& moment = sorted.emplace_back(std::move(m_found[i]));
            moment.loadName = demo.loadName;
            moment.archive = demo.archive;
            if (--demo.uses == 0)
                moment.row = std::move(demo.row);
            else
                moment.row = demo.row;
        }
        m_result.moments = std::move(sorted);
        m_found.clear();
        return std::move(m_result);
    }

private:
    struct DemoOfEvents {
        DemoInfo row;
        std::string loadName, archive;
        // By slot: client and name; a slot without a name has client -1 and no name.
        std::vector<std::pair<int, std::string>> names;
        const std::pair<int, std::string>* NameOf(int64_t slot) const
        {
            return slot >= 0 && static_cast<size_t>(slot) < names.size() ? &names[static_cast<size_t>(slot)] : nullptr;
        }
        std::tuple<std::string, std::string, std::string, int64_t> sortKey;
        size_t rank = 0, uses = 0;
    };

    // The name rows (demo * kEventNameSlots + slot) whose names hold one of the terms: through
    // the name index when every term is long enough for its trigrams, else every name is looked at.
    SqliteStatement NamesStatement(const std::vector<std::string>& terms)
    {
        const bool indexed =
            std::all_of(terms.begin(), terms.end(), [](const std::string& term) { return CharacterCount(term) >= 3; });
        SqliteStatement read = m_index.Database().Prepare(
            indexed ? "SELECT id, plain FROM event_names WHERE id IN "
                      "(SELECT rowid FROM event_name_text WHERE event_name_text MATCH ?) ORDER BY id"
                    : "SELECT id, plain FROM event_names ORDER BY id");
        if (indexed)
            read.Bind(1, FtsAnyOf(terms));
        return read;
    }

    IndexStatus NamesHolding(const std::vector<std::string>& terms, std::unordered_set<int64_t>& ids)
    {
        SqliteStatement read = NamesStatement(terms);
        int code;
        while ((code = read.Step()) == SQLITE_ROW)
            if (Holds(read.Text(1), terms))
                ids.insert(read.Int(0));
        return m_index.StatusOfCode(read.Valid() ? code : read.PrepareCode());
    }

    // The ids of the demos a statement lists, into `demos`.
    IndexStatus DemoIds(SqliteStatement& read, std::vector<int64_t>& demos)
    {
        int code;
        while ((code = read.Step()) == SQLITE_ROW)
            demos.push_back(read.Int(0));
        return m_index.StatusOfCode(read.Valid() ? code : read.PrepareCode());
    }

    // The moments of the demos of by: when no demo term chooses demos: its names in the order of
    // their ids, each demo read once its names are known, until there are more moments than the
    // limit. A common name is in tens of thousands of demos, of which the first hundreds fill the list.
    IndexStatus DemosOfNames(const std::vector<std::string>& terms, std::unordered_set<int64_t>& ids)
    {
        SqliteStatement names = NamesStatement(terms);
        SqliteStatement read =
            m_index.Database().Prepare("SELECT demo, server_start, events FROM event_demos WHERE demo = ?");
        const uint32_t kinds = Kinds();
        int64_t pending = -1;
        const auto flush = [&]() -> IndexStatus {
            if (pending < 0)
                return IndexStatus::Ok;
            read.Reset();
            read.Bind(1, pending);
            const int code = read.Step();
            if (code == SQLITE_ROW)
                return EventsOf(read, kinds);
            return m_index.StatusOfCode(read.Valid() ? code : read.PrepareCode());
        };
        int code = SQLITE_DONE;
        while (m_found.size() <= m_limit && (code = names.Step()) == SQLITE_ROW) {
            if (!Holds(names.Text(1), terms))
                continue;
            const int64_t id = names.Int(0);
            if (id / kEventNameSlots != pending) {
                if (const IndexStatus status = flush(); status != IndexStatus::Ok)
                    return status;
                pending = id / kEventNameSlots;
            }
            ids.insert(id);
        }
        if (code != SQLITE_ROW && code != SQLITE_DONE)
            return m_index.StatusOfCode(names.Valid() ? code : names.PrepareCode());
        if (!names.Valid())
            return m_index.StatusOfCode(names.PrepareCode());
        return m_found.size() <= m_limit ? flush() : IndexStatus::Ok;
    }

    IndexStatus Search()
    {
        IndexStatus status = IndexStatus::Ok;
        const DemoFilterSql filter = DemoFilterOf(m_query);
        if (!m_moments.of.empty() && (status = NamesHolding(m_moments.of, m_of)) != IndexStatus::Ok)
            return status;
        if (!m_moments.by.empty() && filter.where.empty())
            return DemosOfNames(m_moments.by, m_by);
        if (!m_moments.by.empty() && (status = NamesHolding(m_moments.by, m_by)) != IndexStatus::Ok)
            return status;
        // The demos to look into: those of the demo terms, and when by: holds for every moment
        // (or of: when only frags are asked), only those of its names.
        const bool onlyFrags = m_moments.SingleFrags() && !m_moments.suicides && !m_moments.captures &&
                               m_moments.says.empty() && !m_moments.multi && !m_moments.spree;
        const std::unordered_set<int64_t>* leading =
            !m_moments.by.empty() ? &m_by : (onlyFrags && !m_moments.of.empty() ? &m_of : nullptr);
        std::vector<int64_t> demos;
        if (!filter.where.empty()) {
            SqliteStatement chosen = m_index.Database().Prepare("SELECT demos.id FROM " + filter.from + filter.where);
            int position = 1;
            for (const DemoFilterSql::Value& value : filter.values) {
                if (value.isText)
                    chosen.Bind(position++, value.text);
                else
                    chosen.Bind(position++, value.number);
            }
            if ((status = DemoIds(chosen, demos)) != IndexStatus::Ok)
                return status;
        }
        if (leading) {
            std::vector<int64_t> named;
            for (const int64_t id : *leading)
                named.push_back(id / kEventNameSlots);
            std::sort(named.begin(), named.end());
            named.erase(std::unique(named.begin(), named.end()), named.end());
            if (!filter.where.empty()) {
                std::sort(demos.begin(), demos.end());
                std::vector<int64_t> both;
                std::set_intersection(named.begin(), named.end(), demos.begin(), demos.end(), std::back_inserter(both));
                named = std::move(both);
            }
            demos = std::move(named);
        } else if (filter.where.empty()) {
            // Every demo, read in one go below.
            return ReadEvents("SELECT demo, server_start, events FROM event_demos ORDER BY demo", {});
        }
        std::sort(demos.begin(), demos.end());
        return ReadEvents("SELECT demo, server_start, events FROM event_demos WHERE demo = ?", demos);
    }

    // Reads the events of the demos (all of them when `demos` is empty and the statement asks for
    // none) and finds the moments in them, until there are more than the limit.
    // Only the kinds of event the moments are made of.
    uint32_t Kinds() const
    {
        uint32_t kinds = 0;
        if (m_moments.SingleFrags() || m_moments.multi)
            kinds |= KindBit(EventKind::Frag);
        if (m_moments.suicides)
            kinds |= KindBit(EventKind::Suicide);
        if (m_moments.captures)
            kinds |= KindBit(EventKind::FlagCaptured);
        if (!m_moments.says.empty())
            kinds |= KindBit(EventKind::Chat) | KindBit(EventKind::TeamChat);
        if (m_moments.spree)
            kinds |= KindBit(EventKind::Frag) | KindBit(EventKind::Suicide) | KindBit(EventKind::GameStart) |
                     KindBit(EventKind::PlayerLeft);
        return kinds;
    }

    // The moments of the demo of a row of event_demos (demo, server_start, events).
    IndexStatus EventsOf(SqliteStatement& read, uint32_t kinds)
    {
        // A damaged value keeps the events before the damage.
        DecodeEvents(read.Bytes(2), static_cast<int32_t>(read.Int(1)), kinds, m_events);
        return MomentsOfDemo(read.Int(0), m_events);
    }

    IndexStatus ReadEvents(const std::string& sql, const std::vector<int64_t>& demos)
    {
        SqliteStatement read = m_index.Database().Prepare(sql);
        const uint32_t kinds = Kinds();
        const auto one = [&]() { return EventsOf(read, kinds); };
        int code = SQLITE_DONE;
        if (!sql.ends_with("?")) {
            while (m_found.size() <= m_limit && (code = read.Step()) == SQLITE_ROW)
                if (const IndexStatus status = one(); status != IndexStatus::Ok)
                    return status;
        } else {
            for (size_t i = 0; i < demos.size() && m_found.size() <= m_limit; ++i) {
                read.Reset();
                read.Bind(1, demos[i]);
                if ((code = read.Step()) == SQLITE_ROW) {
                    if (const IndexStatus status = one(); status != IndexStatus::Ok)
                        return status;
                    code = SQLITE_DONE;
                }
                if (code != SQLITE_DONE)
                    break;
            }
        }
        if (code == SQLITE_ROW)
            code = SQLITE_DONE; // stopped at the limit
        return m_index.StatusOfCode(read.Valid() ? code : read.PrepareCode());
    }

    bool NameIs(const std::unordered_set<int64_t>& ids, int64_t demo, int64_t slot) const
    {
        return slot >= 0 && ids.contains(demo * kEventNameSlots + slot);
    }

    bool FragCounts(int64_t demo, const StoredEvent& e) const
    {
        return (m_moments.of.empty() || NameIs(m_of, demo, e.other)) &&
               (!m_moments.air || (e.flags & kFlagOtherAirborne)) &&
               (m_moments.causes.empty() || (e.cause && std::find(m_moments.causes.begin(), m_moments.causes.end(),
                                                                  *e.cause) != m_moments.causes.end()));
    }

    IndexStatus MomentsOfDemo(int64_t demo, const std::vector<StoredEvent>& events)
    {
        const bool frags = m_moments.SingleFrags();
        const auto byOk = [&](int64_t slot) { return m_moments.by.empty() || NameIs(m_by, demo, slot); };
        for (const StoredEvent& e : events) {
            bool take = false;
            switch (e.kind) {
            case EventKind::Frag:
                take = frags && FragCounts(demo, e) && byOk(e.player);
                break;
            case EventKind::Suicide:
                take = m_moments.suicides && byOk(e.other);
                break;
            case EventKind::FlagCaptured:
                take = m_moments.captures && byOk(e.player);
                break;
            case EventKind::Chat:
            case EventKind::TeamChat:
                take = !m_moments.says.empty() && byOk(e.player) &&
                       Holds(SearchText(e.text, TextCoding::Latin1), m_moments.says);
                break;
            default:
                break;
            }
            if (!take)
                continue;
            // Made in place: a moment is large, and most of the time goes to moving them.
            Moment& moment = m_found.emplace_back();
            if (const IndexStatus status = Fill(demo, e, moment); status != IndexStatus::Ok)
                return status;
            m_momentDemos.push_back(m_lastDemo);
        }
        if (m_moments.multi || m_moments.spree)
            return RunsOfDemo(demo, events);
        return IndexStatus::Ok;
    }

    // The multi-frags and sprees of one demo's frags and deaths.
    IndexStatus RunsOfDemo(int64_t id, const std::vector<StoredEvent>& events)
    {
        DemoOfEvents* demo = nullptr;
        if (const IndexStatus status = Demo(id, demo); status != IndexStatus::Ok)
            return status;
        const auto clientOf = [&](int64_t slot) {
            const auto* found = demo->NameOf(slot);
            return found ? found->first : -1;
        };
        const auto counts = [&](const StoredEvent& e) {
            return e.kind == EventKind::Frag && !(e.flags & kFlagTeamKill);
        };
        const auto emit = [&](MomentKind kind, const std::vector<const StoredEvent*>& run) -> IndexStatus {
            // The moment is the player's under the name of the run's last frag.
            if (!m_moments.by.empty() && !NameIs(m_by, id, run.back()->player))
                return IndexStatus::Ok;
            Moment moment, last;
            if (const IndexStatus status = Fill(id, *run.front(), moment); status != IndexStatus::Ok)
                return status;
            Fill(id, *run.back(), last);
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
            Push(id, std::move(moment));
            return IndexStatus::Ok;
        };
        if (m_moments.multi) {
            const auto n = static_cast<size_t>(m_moments.multi->frags);
            const int64_t window = int64_t{m_moments.multi->seconds} * 1000;
            std::map<int, std::vector<const StoredEvent*>> byClient;
            for (const StoredEvent& e : events)
                if (counts(e) && FragCounts(id, e))
                    if (const int client = clientOf(e.player); client >= 0)
                        byClient[client].push_back(&e);
            for (const auto& clientFrags : byClient) {
                // Not a structured binding: lambdas cannot capture those in every compiler we build with.
                const std::vector<const StoredEvent*>& frags = clientFrags.second;
                const auto valid = [&](size_t i) {
                    return i + n <= frags.size() && frags[i + n - 1]->time - frags[i]->time <= window;
                };
                for (size_t i = 0; i < frags.size();) {
                    if (!valid(i)) {
                        ++i;
                        continue;
                    }
                    // Windows that share a frag make one multi-frag.
                    size_t end = i + n - 1;
                    for (size_t j = i + 1; j <= end && j < frags.size(); ++j)
                        if (valid(j))
                            end = j + n - 1;
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
            std::map<int, std::vector<const StoredEvent*>> runs;
            std::vector<std::vector<const StoredEvent*>> ended;
            const auto end = [&](int client) {
                if (const auto run = runs.find(client); run != runs.end()) {
                    if (run->second.size() >= static_cast<size_t>(*m_moments.spree))
                        ended.push_back(std::move(run->second));
                    runs.erase(run);
                }
            };
            for (const StoredEvent& e : events) {
                if (e.kind == EventKind::GameStart) {
                    while (!runs.empty())
                        end(runs.begin()->first);
                    continue;
                }
                if (e.kind == EventKind::PlayerLeft) {
                    end(clientOf(e.player));
                    continue;
                }
                if (e.kind != EventKind::Frag && e.kind != EventKind::Suicide)
                    continue;
                // Dying ends a spree, and so does fragging a team mate.
                end(clientOf(e.other));
                const int client = clientOf(e.player);
                if (client < 0 || e.kind != EventKind::Frag)
                    continue;
                if (counts(e))
                    runs[client].push_back(&e);
                else
                    end(client);
            }
            while (!runs.empty())
                end(runs.begin()->first);
            for (const std::vector<const StoredEvent*>& run : ended)
                if (const IndexStatus status = emit(MomentKind::Spree, run); status != IndexStatus::Ok)
                    return status;
        }
        return IndexStatus::Ok;
    }

    IndexStatus Demo(int64_t id, DemoOfEvents*& demo)
    {
        if (m_lastDemo && m_lastId == id) {
            demo = m_lastDemo;
            return IndexStatus::Ok;
        }
        auto [found, added] = m_demos.try_emplace(id);
        demo = &found->second;
        m_lastId = id;
        m_lastDemo = demo;
        if (!added)
            return IndexStatus::Ok;
        std::string folder;
        if (const IndexStatus status = m_index.DemoRowOf(id, demo->row, folder, &m_rows); status != IndexStatus::Ok)
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
        if (!m_names.Valid())
            m_names = m_index.Database().Prepare("SELECT id, client, name FROM event_names WHERE id BETWEEN ? AND ?");
        m_names.Reset();
        m_names.Bind(1, id * kEventNameSlots);
        m_names.Bind(2, id * kEventNameSlots + kEventNameSlots - 1);
        int code;
        while ((code = m_names.Step()) == SQLITE_ROW) {
            const auto slot = static_cast<size_t>(m_names.Int(0) - id * kEventNameSlots);
            if (slot >= demo->names.size())
                demo->names.resize(slot + 1, {-1, std::string()});
            demo->names[slot] = {static_cast<int>(m_names.Int(1)), m_names.Text(2)};
        }
        return m_index.StatusOfCode(m_names.Valid() ? code : m_names.PrepareCode());
    }

    IndexStatus Fill(int64_t id, const StoredEvent& e, Moment& moment)
    {
        DemoOfEvents* demo = nullptr;
        if (const IndexStatus status = Demo(id, demo); status != IndexStatus::Ok)
            return status;
        switch (e.kind) {
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
        moment.demoTime = moment.endDemoTime = e.time;
        moment.serverTime = moment.endServerTime = e.serverTime;
        const auto name = [&](int64_t slot, int& client, std::string& shown) {
            if (const auto* found = demo->NameOf(slot)) {
                client = found->first;
                shown = found->second;
            }
        };
        name(e.player, moment.player, moment.playerName);
        name(e.other, moment.other, moment.otherName);
        if (e.cause) {
            moment.cause = *e.cause;
            moment.weapon = WeaponOfCause(*e.cause);
        }
        moment.team = e.team;
        moment.teamKill = (e.flags & kFlagTeamKill) != 0;
        moment.warmup = (e.flags & kFlagWarmup) != 0;
        moment.playerPlace = e.place;
        moment.otherPlace = e.otherPlace;
        moment.text = e.text;
        return IndexStatus::Ok;
    }

    void Push(int64_t demo, Moment moment)
    {
        m_momentDemos.push_back(&m_demos.at(demo));
        m_found.push_back(std::move(moment));
    }

    LibraryIndex& m_index;
    const SearchQuery& m_query;
    const MomentQuery& m_moments;
    size_t m_limit;
    MomentResult m_result;
    // The moments found, in the order found: a deque, so that growing moves none of them.
    std::deque<Moment> m_found;
    std::vector<StoredEvent> m_events; // of the demo being read
    int64_t m_lastId = 0;
    DemoOfEvents* m_lastDemo = nullptr; // the demo of the last moment, asked for again and again
    std::unordered_set<int64_t> m_by, m_of;
    std::map<int64_t, DemoOfEvents> m_demos;
    SqliteStatement m_names, m_rows;
    std::vector<DemoOfEvents*> m_momentDemos; // of each moment, in m_demos (whose nodes stay put)
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
