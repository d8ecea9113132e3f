#pragma once
// The per-player statistics that match mods send at the end of a match (or on request): hits and
// shots per weapon, damage given and taken, armour and health picked up. OSP sends them as
// "statsinfo" (the recording player's own) and "xstats1", Challenge ProMode as "xstats2",
// "xstats2a", "mstats" and "mstatsa", Quake Live's duel as "scores_duel". The original game sends
// none, so most demos hold none: that is told apart from a player who fired nothing.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/demo/DemoMessage.h"
#include "core/events/DemoEvent.h"

namespace core {

struct WeaponStatistics {
    Weapon weapon = Weapon::None;
    int hits = 0;
    int shots = 0;
    int kills = -1; // -1: the command does not carry it
    int deaths = -1;
    // Hits per hundred shots; nullopt for a weapon never fired.
    std::optional<double> Accuracy() const;
    bool operator==(const WeaponStatistics&) const = default;
};

struct PlayerStatistics {
    int client = -1;
    std::string name;                      // as the player was called when the statistics came, colour codes kept
    std::vector<WeaponStatistics> weapons; // in the game's weapon order, only those the command lists
    // -1 where the command form does not carry the figure.
    int damageGiven = -1;
    int damageTaken = -1;
    int armourTaken = -1;
    int healthTaken = -1;
    const WeaponStatistics* Find(Weapon weapon) const;
    bool operator==(const PlayerStatistics&) const = default;
};

struct MatchStatistics {
    std::string source;                    // "OSP", "CPMA" or "Quake Live"; empty when the demo holds none
    std::vector<PlayerStatistics> players; // by client number
    bool Empty() const { return players.empty(); }
    const PlayerStatistics* ForClient(int client) const;
    // The last entry of that name (colour codes compared as they are), or nullptr.
    const PlayerStatistics* ForName(std::string_view name) const;
};

// Walks a demo's game states, server commands and snapshots in demo order. A player's later
// statistics replace the earlier ones: the mods send the running totals again and again.
class MatchStatisticsCollector {
public:
    explicit MatchStatisticsCollector(int protocol);
    void GameState(const struct GameState& state);
    void ServerCommand(int32_t sequence, std::string_view command);
    // The client whose view the snapshot shows: "statsinfo" belongs to that player.
    void FollowedClient(int client) { m_followed = client; }
    MatchStatistics Finish();
    // Lines whose figures ran past their end despite the checks of their form (a fault of the
    // reader, not of the demo: tests expect none).
    int LinesLeftOut() const { return m_linesLeftOut; }

private:
    void ReadCommand(std::string_view command);
    void ConfigString(int index, std::string_view text);
    PlayerStatistics& Player(int client, std::string_view source);
    // Checked reads (at): a line shorter than its form says is a fault caught here, not a read past it.
    void OspWeapons(PlayerStatistics& player, const std::vector<int64_t>& values, int mask, size_t& at);

    int m_protocol;
    int m_firstPlayerIndex;
    int m_followed = -1;
    int32_t m_sequence = 0;
    bool m_sequenceKnown = false;
    std::vector<std::string> m_names;
    MatchStatistics m_result;
    int m_linesLeftOut = 0;
};

void CollectStatistics(MatchStatisticsCollector& collector, const DemoMessage& message);
MatchStatistics ReadMatchStatistics(std::span<const DemoMessage> messages, int protocol);

struct MatchStatisticsResult {
    MatchStatistics statistics;
    bool found = false;  // the file or member could be read
    std::string problem; // why the walk ended early; statistics before that are kept
};
MatchStatisticsResult ReadMatchStatistics(std::span<const uint8_t> data, std::string_view lowerExtension);
// `archive` empty: `name` is a file; otherwise a member of the archive, as LoadDemoBytes takes it.
MatchStatisticsResult LoadMatchStatistics(const std::string& name, const std::string& archive);

// Names for weapons in searches: the short forms players use ("rg", "rl", "lg", "mg"...) and the
// long ones ("rail", "railgun", "rocket"...), any case. Weapon::None for anything else.
Weapon WeaponNamed(std::string_view name);
// The short name searches and the index use ("rg", "rl"..., "gauntlet", "bfg").
std::string_view WeaponShortName(Weapon weapon);

} // namespace core
