#pragma once
// The numbers each protocol family gives to the things the events are made of: entity event
// numbers, means of death, configuration string indexes. Kept as data, one table per family.
#include <span>
#include <string_view>

#include "core/events/DemoEvent.h"

namespace core {

struct EventTables {
    std::string_view family;  // "1.17", "1.27-1.32", "Quake Live"
    int eventEntityType = 13; // entity types from here on are free-standing events
    int obituaryEvent = 60;
    int warmupIndex = 5; // configuration strings
    int levelStartIndex = 21;
    int intermissionIndex = 22;
    int firstPlayerIndex = 544;
    int playerCount = 64;
    int roundStatusIndex = -1; // rounds (Quake Live only): the round number
    int roundTimeIndex = -1;   // the running round's start, "-1" once it is over
    // Index = the protocol's means-of-death number.
    std::span<const DeathCause> causes;
    // The broadcast team sound (EV_GLOBAL_TEAM_SOUND), whose first two values announce a capture;
    // -1: the family has none.
    int teamSoundEvent = -1;

    DeathCause Cause(int meansOfDeath) const;
};

// The tables for a protocol number of core/protocol/ProtocolTable. `missionPack`: demos of the mission pack's game
// code (and OpenArena's), whose means of death count the mission pack weapons before the grapple.
// An unknown protocol gets the 1.32 tables.
const EventTables& EventTablesFor(int protocol, bool missionPack);

} // namespace core
