#pragma once
// How the library index keeps the events of its demos: all events of a demo in one value, each
// event a few variable-length numbers (its kind and flags, the time since the one before, its
// players' name slots, means of death, places), some twenty bytes a frag. The names are kept once
// per demo, with a trigram index of them that finds the demos of a player. A search reads the
// events of the demos its other terms leave and looks at them here, which costs less than asking
// SQLite for each event row and keeps the index small.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/events/DemoEvent.h"

namespace core {

inline constexpr std::string_view kEventSchema = R"(
CREATE TABLE event_demos(demo INTEGER PRIMARY KEY, server_start INTEGER NOT NULL, count INTEGER NOT NULL,
  events BLOB NOT NULL);
CREATE TABLE event_names(id INTEGER PRIMARY KEY, client INTEGER NOT NULL, name TEXT NOT NULL, plain TEXT NOT NULL);
CREATE VIRTUAL TABLE event_name_text USING fts5(plain, content='', tokenize='trigram', detail='full');
)";

// A demo's names have slots 0 to kEventNameSlots - 1; their row id is demo * kEventNameSlots + slot.
// Names past the last slot (a player renaming himself a thousand times) are kept as unknown.
inline constexpr int64_t kEventNameSlots = 1024;

// The flags of a stored event.
inline constexpr int64_t kFlagPlayerAirborne = 1;
inline constexpr int64_t kFlagOtherAirborne = 2;
inline constexpr int64_t kFlagTeamKill = 4;
inline constexpr int64_t kFlagWarmup = 8;
inline constexpr int64_t kFlagPlayerOnGround = 16;
inline constexpr int64_t kFlagOtherOnGround = 32;

// One event as stored: names as slots.
struct StoredEvent {
    EventKind kind = EventKind::Frag;
    int64_t time = 0; // demo time
    int32_t serverTime = 0;
    int64_t player = -1, other = -1; // name slots, -1 for nobody
    std::optional<DeathCause> cause;
    int64_t flags = 0;
    int team = -1;
    std::optional<EventPlace> place, otherPlace;
    std::string text;
};

// The events coded for storing; `slotOf` gives the name slot of a client's name (-1: none).
std::string EncodeEvents(const std::vector<DemoEvent>& events, int32_t firstServerTime,
                         const std::function<int64_t(int client, const std::string& name)>& slotOf);
// False for bytes that are no such coding (a damaged index): then the events are those before.
bool DecodeEvents(std::string_view bytes, int32_t firstServerTime, std::vector<StoredEvent>& events);
// The same keeping only the events whose kind has its bit (1 << kind) in `kinds`: the others are
// stepped over, which costs much less than making them.
bool DecodeEvents(std::string_view bytes, int32_t firstServerTime, uint32_t kinds, std::vector<StoredEvent>& events);
inline constexpr uint32_t KindBit(EventKind kind)
{
    return 1u << static_cast<unsigned>(kind);
}

} // namespace core
