#pragma once
// What sets Quake Live demos apart from those of 1.32: their game type numbers and names, and the
// per-game-type score commands ("scores_duel", "scores_ca", ...), each with its own field layout
// (kept with the configuration string numbers in core/protocol/ProtocolTable).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/protocol/ProtocolTable.h"

namespace core {

struct DemoState;

// Quake Live's own game type names ("Duel", "Clan Arena", ...); the value itself when unknown.
std::string QuakeLiveGameTypeName(std::string_view value);
// Team games are the game types from Team Deathmatch (3) on; Race (2) is played alone.
bool IsQuakeLiveTeamGameType(std::string_view value);
bool IsQuakeLiveRace(std::string_view value);
bool IsQuakeLiveRedRover(std::string_view value);

// The "Gametype" column text of a read demo: Quake Live's names for its protocols, the game's
// own otherwise.
std::string GameTypeNameOf(const DemoState& demo);

// One score command turned into numbers, whatever its layout.
struct ScoreBoard {
    struct Entry {
        int32_t client = -1;
        int32_t team = -1; // -1: the command does not say
        int32_t score = 0;
        int32_t ping = 0;
        int32_t time = 0;
    };
    std::vector<Entry> entries;
    bool hasTeamScores = false;
    int32_t red = 0, blue = 0;
};

// Reads a Quake Live score command ("scores_duel 2 ...", "scores_ca ..."). False when the command
// is not one of them or its fields do not fit its layout; `board` is then unspecified. Client
// numbers are checked against 0..63 by the caller's table, not here.
bool ParseQuakeLiveScores(std::string_view command, int protocol, ScoreBoard& board);

} // namespace core
