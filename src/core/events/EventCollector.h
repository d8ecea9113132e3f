#pragma once
// Turns the walk over one decoded demo into its events. The walk hands over, in demo order, the
// game states' configuration strings, the server commands and every snapshot's entities; the
// collector keeps what it needs between them (player names and teams, the match phase, the event
// entities of the last snapshot) and nothing else, so a long demo costs no more memory than its
// events.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/events/DemoClock.h"
#include "core/events/DemoEvent.h"
#include "core/events/EventTables.h"

namespace core {

// The value of `key` in a key\value\key\value text (a leading backslash is allowed); exact,
// case-sensitive keys as the game writes them. Empty when absent.
std::string_view InfoPair(std::string_view info, std::string_view key);

// The fields of an entity state that events are read from.
struct EventEntity {
    int number = 0;
    int type = 0; // eType
    int event = 0;
    int eventParm = 0;
    int otherEntityNum = 0;
    int otherEntityNum2 = 0;
    int generic1 = 0;
};

// Where a player stands in a snapshot: a player entity, or the recording player's own state.
struct PlayerPlaceSeen {
    int client = 0;
    float x = 0, y = 0, z = 0;
    bool onGround = false;
};

class EventCollector {
public:
    explicit EventCollector(int protocol);

    // A game state begins: the configuration strings up to the next snapshot describe the match
    // as it stands and make no events of their own.
    void GameState();
    void GameStateConfigString(int index, std::string_view text);
    // A reliable server command ("cs", "bcs0"..."bcs2", "chat", "tchat", "print"). It takes the
    // time of the snapshot that follows it in the demo. The server sends a command again until
    // the client acknowledges it, so demos hold repeats: a sequence not above the last one seen
    // is one, and is left out as the game leaves it out.
    void ServerCommand(int32_t sequence, std::string_view command);
    // A snapshot (after its delta is applied) with its entities; only those of the event types
    // count, so the others may be left out.
    void Snapshot(int32_t serverTime, std::span<const EventEntity> entities);
    // The players' places in the snapshot handed over next; players left out are not in view.
    // Frags and suicides of that snapshot take them.
    void Places(std::span<const PlayerPlaceSeen> places);

    // The events in demo order. The collector is spent afterwards.
    std::vector<DemoEvent> Finish();

    const EventTables& Tables() const { return *m_tables; }
    // The demo's length in demo time (to its last snapshot) and its first snapshot's server time.
    int64_t DemoLength() const { return m_clock.Now(); }
    int32_t FirstServerTime() const { return m_clock.FirstServerTime(); }
    // The server time the match last started at, by the level start configuration string; 0
    // when the demo never says.
    int32_t LevelStartServerTime() const { return m_levelStartTime; }

private:
    struct PlayerSlot {
        std::string info; // the whole configuration string
        std::string name;
        int team = -1;
    };
    struct SeenEvent {
        int number, type, event, parm, other, other2;
        bool operator==(const SeenEvent&) const = default;
    };

    void ConfigStringChanged(int index, std::string_view text, bool fromGameState);
    void PlayerChanged(int client, std::string_view info, bool fromGameState);
    void EntityEvent(const EventEntity& entity);
    void Obituary(const EventEntity& entity);
    void Chat(std::string_view command, bool team);
    void Print(std::string_view text);
    void CentrePrint(std::string_view text);
    bool CaptureAnnounced(std::string_view text);
    void TeamSound(const EventEntity& entity);
    void TeamScore(int which, std::string_view text, bool fromGameState);
    // A capture of the flag of `flag`, however the demo tells it; `client` -1 when it does not
    // say who (then `name` is what it says).
    void Captured(int flag, int client, std::string_view name);
    int FlagCapturedBy(int team) const;
    int ClientNamed(std::string_view shown) const;
    int ClientInChat(std::string_view line, size_t& nameEnd) const;
    void ServerInfo(std::string_view info, bool fromGameState);
    void GameStarts();
    DemoEvent& Add(EventKind kind, int player = -1);
    void FillPlayer(DemoEvent& event) const;

    const EventTables* m_tables;
    int m_protocol;
    std::vector<PlayerSlot> m_players;
    int32_t m_commandSequence = 0;
    bool m_sequenceKnown = false;
    // Quake Live says the match phase in the server information ("PRE_GAME", "COUNT_DOWN",
    // "IN_PROGRESS"); the original game by the warm-up configuration string.
    std::string m_gamePhase;
    bool m_cpma = false;
    bool m_missionPack = false;
    // Game types whose team scores count captures, and those with one neutral flag.
    bool m_scoresAreCaptures = false;
    bool m_oneFlag = false;
    int m_teamScores[2] = {0, 0};
    bool m_teamScoresKnown[2] = {false, false};
    std::string m_cpmaStart;
    size_t m_lastGameStart = SIZE_MAX; // index of the last game start event
    std::string m_warmup, m_levelStart, m_intermission, m_roundTime, m_roundStatus;
    std::string m_bigConfigString; // "bcs0" ... "bcs2" pieces
    std::vector<DemoEvent> m_events;
    DemoEvent m_discarded; // what Add fills once the events reach their limit
    size_t m_untimed = 0;  // events from here on wait for the next snapshot's time
    DemoClock m_clock;
    int32_t m_levelStartTime = 0;
    std::vector<SeenEvent> m_previousEvents, m_currentEvents;
    struct PlaceTrack {
        std::optional<EventPlace> now;  // in the current snapshot
        std::optional<int32_t> groundZ; // where the player last stood on the ground
    };
    std::vector<PlaceTrack> m_places;
    std::optional<EventPlace> PlaceOf(int client) const;
};

} // namespace core
