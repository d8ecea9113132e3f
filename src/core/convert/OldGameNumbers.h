#pragma once
// The numbers the game code of 1.17 and 1.27 uses in its messages, mapped onto those of 1.32.
//
// Protocols 43, 45 and 46 (1.17 and its neighbours) number several of their tables differently
// from 1.32: the configuration strings between the votes and the items, the persistant player
// values, the entity events (1.32 added a global team sound and a metal missile impact in the
// middle of the list, and more at its end) and with them the event entity types. 1.27's protocol
// 48 already uses 1.32's tables. Items, weapons, means of death, game types, player stats and
// power-ups kept their numbers throughout: the old ranges are checked, nothing moves.
//
// Every function gives nullopt for an old number that 1.32 has no counterpart for; the caller
// leaves the value out and says so.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/protocol/ProtocolTable.h"

namespace core {

// True for the protocols whose game tables differ from 1.32's (43, 45, 46).
bool UsesOldGameTables(int protocol);

// Configuration string index: 12 to 15 (game version, level start, intermission, flag status) move
// to 20 to 23; the old game's 128 player slots (544-671) become 64, so its locations (672-735)
// move down by 64 and the players 64 to 127 and the strings 16 to 26 have no place.
std::optional<int> ConfigStringIndexTo132(int protocol, int index);

// An entity event with its two sequence bits (the game's EV_EVENT_BITS) kept.
std::optional<int> EntityEventTo132(int protocol, int event);
// An entity type; the event entity types (from the old ET_EVENTS on) follow their event.
std::optional<int> EntityTypeTo132(int protocol, int type);
// The index of a persistant player value (PERS_...).
std::optional<int> PersistantIndexTo132(int protocol, int index);

// Same numbers in both; nullopt for a number outside the old game's list.
std::optional<int> ItemTo132(int protocol, int item);
std::optional<int> WeaponTo132(int protocol, int weapon);
std::optional<int> MeansOfDeathTo132(int protocol, int meansOfDeath);
std::optional<int> GameTypeTo132(int protocol, int gameType);

// OpenArena's game code (0.8.5 to 0.8.8) where it differs from 1.32's: the player stats with the
// persistant power-up put in at 2 (the last stat falls off), and the means of death with the
// mission pack's five before the grappling hook.
std::array<int32_t, 16> StatsToOpenArena(const std::array<int32_t, 16>& stats);
int MeansOfDeathToOpenArena(int meansOfDeath);

// A "scores" command as 1.32 sends it: the old entries are widened with zero awards (accuracy,
// impressive, excellent, gauntlet, defend, assist, perfect, captures) or cut to 1.32's fourteen
// numbers. A command that does not parse is returned unchanged.
std::string ScoresCommandTo132(int protocol, std::string_view command);

// A 1.32 "scores" command as OpenArena's game code reads it: the round start time (0) after the
// team scores, and each entry ended by its "dead" flag (0). A command that does not parse is
// returned unchanged.
std::string ScoresCommandToOpenArena(std::string_view command);

// True for the server commands 1.32's client and game code act on ("cs", "print", "scores", ...).
// Commands of the old mods (OSP's "stuff", "viewlist", ...) are not: the game would only complain,
// or for "stuff" run what the old server put into the command. Score reports of every kind
// ("dmscores", "xscores", ...) are kept for the program's own reader.
bool Is132ServerCommand(std::string_view command);
// A command's first word: up to the first blank, tab or line end.
std::string_view FirstWord(std::string_view command);

// Server information with "protocol" set to the new protocol; everything else as it was.
std::string ServerInfoTo132(std::string_view info, int newProtocol);

// Event numbers of 1.32 the conversion needs by name.
inline constexpr int kEventBits = 0x300;        // EV_EVENT_BIT1 | EV_EVENT_BIT2
inline constexpr int kEventsEntityType = 13;    // ET_EVENTS of 1.32
inline constexpr int kItemPickupEvent = 19;     // EV_ITEM_PICKUP: its parameter is an item
inline constexpr int kGlobalPickupEvent = 20;   // EV_GLOBAL_ITEM_PICKUP: likewise
inline constexpr int kObituaryEvent = 60;       // EV_OBITUARY of 1.32: its parameter is a means of death
inline constexpr int kItemEntityType = 2;       // ET_ITEM: its model index is an item
inline constexpr int kInvisibleEntityType = 10; // ET_INVISIBLE
inline constexpr int kGameVersionIndex = kConfigStringNumbers132.gameVersion;
inline constexpr int kServerInfoIndex = kConfigStringNumbers132.serverInfo;

} // namespace core
