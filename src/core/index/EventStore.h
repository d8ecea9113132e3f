#pragma once
// How the library index keeps the events of its demos. Each event is one row of small numbers
// keyed by its demo, so that a demo's events lie together and cost some thirty bytes each: the
// names are kept once per demo (an event holds the slot of its name there), the server time as
// its difference from the demo's start, and a place as one packed number.
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/events/DemoEvent.h"

namespace core {

inline constexpr std::string_view kEventSchema = R"(
CREATE TABLE event_demos(demo INTEGER PRIMARY KEY, server_start INTEGER NOT NULL);
CREATE TABLE events(demo INTEGER NOT NULL, seq INTEGER NOT NULL, kind INTEGER NOT NULL, time INTEGER NOT NULL,
  player INTEGER, other INTEGER, cause INTEGER, flags INTEGER, team INTEGER, clock INTEGER, place INTEGER,
  other_place INTEGER, text TEXT, PRIMARY KEY(demo, seq)) WITHOUT ROWID;
CREATE INDEX events_air ON events(kind) WHERE (flags & 2) <> 0;
CREATE TABLE event_names(id INTEGER PRIMARY KEY, client INTEGER NOT NULL, name TEXT NOT NULL, plain TEXT NOT NULL);
CREATE VIRTUAL TABLE event_name_text USING fts5(plain, content='', tokenize='trigram', detail='full');
)";

// Frags of a victim in the air are few and asked for across the library: they have an index of
// their own (its condition is written the same way in the searches, so that SQLite uses it).

// A demo's names have slots 0 to kEventNameSlots - 1; their row id is demo * kEventNameSlots + slot.
// Names past the last slot (a player renaming himself a thousand times) are kept as unknown.
inline constexpr int64_t kEventNameSlots = 1024;

// The flags of an event row.
inline constexpr int64_t kFlagPlayerAirborne = 1;
inline constexpr int64_t kFlagOtherAirborne = 2;
inline constexpr int64_t kFlagTeamKill = 4;
inline constexpr int64_t kFlagWarmup = 8;
inline constexpr int64_t kFlagPlayerOnGround = 16;
inline constexpr int64_t kFlagOtherOnGround = 32;

// A place packed into one number: 21 bits for each coordinate, which holds every map's.
int64_t PackPlace(const EventPlace& place);
EventPlace UnpackPlace(int64_t packed, bool onGround, bool airborne);

} // namespace core
