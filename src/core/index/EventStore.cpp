#include "core/index/EventStore.h"

#include <sqlite3.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>

#include "core/index/LibraryIndex.h"

namespace core {
namespace {

constexpr int64_t kCoordinateBias = int64_t{1} << 20;
constexpr int64_t kCoordinateMask = (int64_t{1} << 21) - 1;

int64_t Biased(int32_t value)
{
    return std::clamp<int64_t>(value, -(kCoordinateBias - 1), kCoordinateBias - 1) + kCoordinateBias;
}

} // namespace

int64_t PackPlace(const EventPlace& place)
{
    return (Biased(place.x) << 42) | (Biased(place.y) << 21) | Biased(place.z);
}

EventPlace UnpackPlace(int64_t packed, bool onGround, bool airborne)
{
    const auto coordinate = [&](int shift) {
        return static_cast<int32_t>(((packed >> shift) & kCoordinateMask) - kCoordinateBias);
    };
    return {coordinate(42), coordinate(21), coordinate(0), onGround, airborne};
}

IndexStatus LibraryIndex::AddEvents(int64_t id, const IndexedEvents& indexed)
{
    SqliteStatement demo = m_db.Prepare("INSERT INTO event_demos(demo, server_start) VALUES(?, ?)");
    demo.Bind(1, id);
    demo.Bind(2, static_cast<int64_t>(indexed.firstServerTime));
    IndexStatus status = StatusOf(demo.Step());
    if (status != IndexStatus::Ok)
        return status;
    SqliteStatement name = m_db.Prepare("INSERT INTO event_names(id, client, name, plain) VALUES(?, ?, ?, ?)");
    SqliteStatement text = m_db.Prepare("INSERT INTO event_name_text(rowid, plain) VALUES(?, ?)");
    std::map<std::pair<int, std::string>, int64_t> slots;
    // The slot of a name, made when first met; nothing for nobody or past the last slot.
    const auto slotOf = [&](int client, const std::string& shown) -> std::optional<int64_t> {
        if (client < 0)
            return std::nullopt;
        const auto key = std::make_pair(client, shown);
        if (const auto found = slots.find(key); found != slots.end())
            return found->second;
        const auto slot = static_cast<int64_t>(slots.size());
        if (slot >= kEventNameSlots)
            return std::nullopt;
        slots.emplace(key, slot);
        const std::string plain = SearchText(shown, TextCoding::Latin1);
        name.Reset();
        name.Bind(1, id * kEventNameSlots + slot);
        name.Bind(2, static_cast<int64_t>(client));
        name.Bind(3, shown);
        name.Bind(4, plain);
        if ((status = StatusOf(name.Step())) != IndexStatus::Ok)
            return std::nullopt;
        text.Reset();
        text.Bind(1, id * kEventNameSlots + slot);
        text.Bind(2, plain);
        status = StatusOf(text.Step());
        return slot;
    };
    SqliteStatement insert = m_db.Prepare("INSERT INTO events(demo, seq, kind, time, player, other, cause, flags, "
                                          "team, clock, place, other_place, text) "
                                          "VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    int64_t seq = 0;
    for (const DemoEvent& event : indexed.events) {
        const std::optional<int64_t> player = slotOf(event.player, event.playerName);
        const std::optional<int64_t> other = slotOf(event.other, event.otherName);
        if (status != IndexStatus::Ok)
            return status;
        insert.Reset();
        insert.Bind(1, id);
        insert.Bind(2, seq++);
        insert.Bind(3, static_cast<int64_t>(event.kind));
        insert.Bind(4, event.demoTime);
        const auto bindOptional = [&](int position, std::optional<int64_t> value) {
            if (value)
                insert.Bind(position, *value);
            else
                insert.BindNull(position);
        };
        bindOptional(5, player);
        bindOptional(6, other);
        const bool death = event.kind == EventKind::Frag || event.kind == EventKind::Suicide;
        bindOptional(7, death ? std::optional<int64_t>(static_cast<int64_t>(event.cause)) : std::nullopt);
        int64_t flags = (event.teamKill ? kFlagTeamKill : 0) | (event.warmup ? kFlagWarmup : 0);
        if (event.playerPlace)
            flags |= (event.playerPlace->airborne ? kFlagPlayerAirborne : 0) |
                     (event.playerPlace->onGround ? kFlagPlayerOnGround : 0);
        if (event.otherPlace)
            flags |= (event.otherPlace->airborne ? kFlagOtherAirborne : 0) |
                     (event.otherPlace->onGround ? kFlagOtherOnGround : 0);
        bindOptional(8, flags ? std::optional<int64_t>(flags) : std::nullopt);
        bindOptional(9, event.team >= 0 ? std::optional<int64_t>(event.team) : std::nullopt);
        const int64_t clock =
            static_cast<int64_t>(event.serverTime) - static_cast<int64_t>(indexed.firstServerTime) - event.demoTime;
        bindOptional(10, clock ? std::optional<int64_t>(clock) : std::nullopt);
        bindOptional(11, event.playerPlace ? std::optional<int64_t>(PackPlace(*event.playerPlace)) : std::nullopt);
        bindOptional(12, event.otherPlace ? std::optional<int64_t>(PackPlace(*event.otherPlace)) : std::nullopt);
        if (event.text.empty())
            insert.BindNull(13);
        else
            insert.Bind(13, event.text);
        if ((status = StatusOf(insert.Step())) != IndexStatus::Ok)
            return status;
    }
    return status;
}

IndexStatus LibraryIndex::RemoveEventsOf(int64_t id)
{
    // The name index keeps no copy of its texts: its entries are removed with the texts they hold.
    SqliteStatement names = m_db.Prepare("SELECT id, plain FROM event_names WHERE id BETWEEN ? AND ?");
    names.Bind(1, id * kEventNameSlots);
    names.Bind(2, id * kEventNameSlots + kEventNameSlots - 1);
    std::vector<std::pair<int64_t, std::string>> found;
    int code;
    while ((code = names.Step()) == SQLITE_ROW)
        found.emplace_back(names.Int(0), names.Text(1));
    IndexStatus status = StatusOf(code);
    SqliteStatement remove = m_db.Prepare("INSERT INTO event_name_text(event_name_text, rowid, plain) "
                                          "VALUES('delete', ?, ?)");
    for (size_t i = 0; i < found.size() && status == IndexStatus::Ok; ++i) {
        remove.Reset();
        remove.Bind(1, found[i].first);
        remove.Bind(2, found[i].second);
        status = StatusOf(remove.Step());
    }
    const std::string slots = std::to_string(kEventNameSlots);
    for (const std::string& sql :
         {"DELETE FROM event_names WHERE id BETWEEN ?1 * " + slots + " AND ?1 * " + slots + " + " + slots + " - 1",
          std::string("DELETE FROM events WHERE demo = ?1"), std::string("DELETE FROM event_demos WHERE demo = ?1")}) {
        if (status != IndexStatus::Ok)
            break;
        SqliteStatement statement = m_db.Prepare(sql);
        statement.Bind(1, id);
        status = StatusOf(statement.Step());
    }
    return status;
}

std::optional<size_t> LibraryIndex::EventCount()
{
    SqliteStatement count = m_db.Prepare("SELECT count(*) FROM events");
    if (const int code = count.Step(); code != SQLITE_ROW) {
        StatusOf(code);
        return std::nullopt;
    }
    return static_cast<size_t>(count.Int(0));
}

} // namespace core
