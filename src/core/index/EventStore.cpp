#include "core/index/EventStore.h"

#include <sqlite3.h>

#include <climits>
#include <map>
#include <utility>

#include "core/index/LibraryIndex.h"

namespace core {
namespace {

// What an event holds besides its kind, time and flags.
constexpr int64_t kHasPlayer = 1, kHasOther = 2, kHasCause = 4, kHasTeam = 8, kHasClock = 16, kHasPlace = 32,
                  kHasOtherPlace = 64, kHasText = 128;
constexpr int kKindBits = 4, kFlagBits = 6;

void PutNumber(std::string& out, uint64_t value)
{
    while (value >= 0x80) {
        out += static_cast<char>((value & 0x7F) | 0x80);
        value >>= 7;
    }
    out += static_cast<char>(value);
}

void PutSigned(std::string& out, int64_t value)
{
    PutNumber(out, (static_cast<uint64_t>(value) << 1) ^ static_cast<uint64_t>(value >> 63));
}

class Reader {
public:
    explicit Reader(std::string_view bytes) : m_bytes(bytes) {}
    bool AtEnd() const { return m_at == m_bytes.size(); }
    bool Number(uint64_t& value)
    {
        value = 0;
        for (int shift = 0; shift < 64 && m_at < m_bytes.size(); shift += 7) {
            const auto byte = static_cast<uint8_t>(m_bytes[m_at++]);
            value |= static_cast<uint64_t>(byte & 0x7F) << shift;
            if (!(byte & 0x80))
                return true;
        }
        return false;
    }
    bool Signed(int64_t& value)
    {
        uint64_t raw = 0;
        if (!Number(raw))
            return false;
        value = static_cast<int64_t>(raw >> 1) ^ -static_cast<int64_t>(raw & 1);
        return true;
    }
    bool Skip(uint64_t size)
    {
        if (size > m_bytes.size() - m_at)
            return false;
        m_at += size;
        return true;
    }
    bool Text(std::string& text, uint64_t size)
    {
        if (size > m_bytes.size() - m_at)
            return false;
        text.assign(m_bytes.substr(m_at, size));
        m_at += size;
        return true;
    }

private:
    std::string_view m_bytes;
    size_t m_at = 0;
};

void PutPlace(std::string& out, const EventPlace& place)
{
    PutSigned(out, place.x);
    PutSigned(out, place.y);
    PutSigned(out, place.z);
}

bool ReadPlace(Reader& in, std::optional<EventPlace>& place, bool onGround, bool airborne)
{
    int64_t x = 0, y = 0, z = 0;
    if (!in.Signed(x) || !in.Signed(y) || !in.Signed(z))
        return false;
    place = EventPlace{static_cast<int32_t>(x), static_cast<int32_t>(y), static_cast<int32_t>(z), onGround, airborne};
    return true;
}

} // namespace

std::string EncodeEvents(const std::vector<DemoEvent>& events, int32_t firstServerTime,
                         const std::function<int64_t(int client, const std::string& name)>& slotOf)
{
    std::string out;
    int64_t previous = 0;
    for (const DemoEvent& e : events) {
        const int64_t player = slotOf(e.player, e.playerName);
        const int64_t other = slotOf(e.other, e.otherName);
        const bool death = e.kind == EventKind::Frag || e.kind == EventKind::Suicide;
        const int64_t clock = static_cast<int64_t>(e.serverTime) - firstServerTime - e.demoTime;
        int64_t flags = (e.teamKill ? kFlagTeamKill : 0) | (e.warmup ? kFlagWarmup : 0);
        if (e.playerPlace)
            flags |= (e.playerPlace->airborne ? kFlagPlayerAirborne : 0) |
                     (e.playerPlace->onGround ? kFlagPlayerOnGround : 0);
        if (e.otherPlace)
            flags |=
                (e.otherPlace->airborne ? kFlagOtherAirborne : 0) | (e.otherPlace->onGround ? kFlagOtherOnGround : 0);
        const int64_t has = (player >= 0 ? kHasPlayer : 0) | (other >= 0 ? kHasOther : 0) | (death ? kHasCause : 0) |
                            (e.team >= 0 ? kHasTeam : 0) | (clock ? kHasClock : 0) | (e.playerPlace ? kHasPlace : 0) |
                            (e.otherPlace ? kHasOtherPlace : 0) | (e.text.empty() ? 0 : kHasText);
        PutNumber(out, static_cast<uint64_t>(static_cast<int64_t>(e.kind) | flags << kKindBits |
                                             has << (kKindBits + kFlagBits)));
        PutSigned(out, e.demoTime - previous);
        previous = e.demoTime;
        if (player >= 0)
            PutNumber(out, static_cast<uint64_t>(player));
        if (other >= 0)
            PutNumber(out, static_cast<uint64_t>(other));
        if (death)
            PutNumber(out, static_cast<uint64_t>(e.cause));
        if (e.team >= 0)
            PutNumber(out, static_cast<uint64_t>(e.team));
        if (clock)
            PutSigned(out, clock);
        if (e.playerPlace)
            PutPlace(out, *e.playerPlace);
        if (e.otherPlace)
            PutPlace(out, *e.otherPlace);
        if (!e.text.empty()) {
            PutNumber(out, e.text.size());
            out += e.text;
        }
    }
    return out;
}

bool DecodeEvents(std::string_view bytes, int32_t firstServerTime, std::vector<StoredEvent>& events)
{
    return DecodeEvents(bytes, firstServerTime, ~0u, events);
}

bool DecodeEvents(std::string_view bytes, int32_t firstServerTime, uint32_t kinds, std::vector<StoredEvent>& events)
{
    events.clear();
    Reader in(bytes);
    int64_t time = 0;
    while (!in.AtEnd()) {
        uint64_t head = 0, value = 0;
        int64_t delta = 0;
        if (!in.Number(head) || !in.Signed(delta))
            return false;
        const auto kind = static_cast<EventKind>(head & ((1u << kKindBits) - 1));
        const auto has = static_cast<int64_t>(head >> (kKindBits + kFlagBits));
        if (static_cast<int>(kind) > static_cast<int>(EventKind::TeamChange))
            return false;
        time += delta;
        if (!(kinds & KindBit(kind))) {
            // Stepped over with the same checks as one that is kept, so that damage is found the same.
            int64_t skipped = 0;
            for (const int64_t bit : {kHasPlayer, kHasOther, kHasCause, kHasTeam})
                if ((has & bit) && (!in.Number(value) || value > INT32_MAX))
                    return false;
            if ((has & kHasClock) && !in.Signed(skipped))
                return false;
            for (const int64_t bit : {kHasPlace, kHasOtherPlace})
                if ((has & bit) && (!in.Signed(skipped) || !in.Signed(skipped) || !in.Signed(skipped)))
                    return false;
            if ((has & kHasText) && (!in.Number(value) || !in.Skip(value)))
                return false;
            continue;
        }
        StoredEvent e;
        e.kind = kind;
        e.flags = static_cast<int64_t>(head >> kKindBits) & ((1 << kFlagBits) - 1);
        e.time = time;
        int64_t clock = 0;
        // The optional numbers, each when the head says it is there.
        const auto read = [&](int64_t bit, auto&& take) {
            if (!(has & bit))
                return true;
            if (!in.Number(value) || value > INT32_MAX)
                return false;
            take(static_cast<int64_t>(value));
            return true;
        };
        if (!read(kHasPlayer, [&](int64_t v) { e.player = v; }) || !read(kHasOther, [&](int64_t v) { e.other = v; }) ||
            !read(kHasCause, [&](int64_t v) { e.cause = static_cast<DeathCause>(v); }) ||
            !read(kHasTeam, [&](int64_t v) { e.team = static_cast<int>(v); }))
            return false;
        if ((has & kHasClock) && !in.Signed(clock))
            return false;
        e.serverTime = static_cast<int32_t>(firstServerTime + time + clock);
        if ((has & kHasPlace) &&
            !ReadPlace(in, e.place, (e.flags & kFlagPlayerOnGround) != 0, (e.flags & kFlagPlayerAirborne) != 0))
            return false;
        if ((has & kHasOtherPlace) &&
            !ReadPlace(in, e.otherPlace, (e.flags & kFlagOtherOnGround) != 0, (e.flags & kFlagOtherAirborne) != 0))
            return false;
        if ((has & kHasText) && (!in.Number(value) || !in.Text(e.text, value)))
            return false;
        events.push_back(std::move(e));
    }
    return true;
}

IndexStatus LibraryIndex::AddEvents(int64_t id, const IndexedEvents& indexed)
{
    IndexStatus status = IndexStatus::Ok;
    SqliteStatement name = m_db.Prepare("INSERT INTO event_names(id, client, name, plain) VALUES(?, ?, ?, ?)");
    SqliteStatement text = m_db.Prepare("INSERT INTO event_name_text(rowid, plain) VALUES(?, ?)");
    std::map<std::pair<int, std::string>, int64_t> slots;
    // The slot of a name, made when first met; none for nobody or past the last slot.
    const auto slotOf = [&](int client, const std::string& shown) -> int64_t {
        if (client < 0 || status != IndexStatus::Ok)
            return -1;
        const auto key = std::make_pair(client, shown);
        if (const auto found = slots.find(key); found != slots.end())
            return found->second;
        const auto slot = static_cast<int64_t>(slots.size());
        if (slot >= kEventNameSlots)
            return -1;
        slots.emplace(key, slot);
        const std::string plain = SearchText(shown, TextCoding::Latin1);
        name.Reset();
        name.Bind(1, id * kEventNameSlots + slot);
        name.Bind(2, static_cast<int64_t>(client));
        name.Bind(3, shown);
        name.Bind(4, plain);
        if ((status = StatusOf(name.Step())) != IndexStatus::Ok)
            return -1;
        text.Reset();
        text.Bind(1, id * kEventNameSlots + slot);
        text.Bind(2, plain);
        status = StatusOf(text.Step());
        return slot;
    };
    const std::string coded = EncodeEvents(indexed.events, indexed.firstServerTime, slotOf);
    if (status != IndexStatus::Ok)
        return status;
    SqliteStatement demo =
        m_db.Prepare("INSERT INTO event_demos(demo, server_start, count, events) VALUES(?, ?, ?, ?)");
    demo.Bind(1, id);
    demo.Bind(2, static_cast<int64_t>(indexed.firstServerTime));
    demo.Bind(3, static_cast<int64_t>(indexed.events.size()));
    demo.BindBlob(4, coded);
    return StatusOf(demo.Step());
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
          std::string("DELETE FROM event_demos WHERE demo = ?1")}) {
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
    SqliteStatement count = m_db.Prepare("SELECT coalesce(sum(count), 0) FROM event_demos");
    if (const int code = count.Step(); code != SQLITE_ROW) {
        StatusOf(code);
        return std::nullopt;
    }
    return static_cast<size_t>(count.Int(0));
}

} // namespace core
