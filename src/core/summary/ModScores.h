#pragma once
// Scores that do not come as the game's own "scores" report: Quake Live's per-game-type score
// commands and CPMA's score configuration strings and commands. Also keeps the result of the
// last complete match when a demo holds a restarted or a further match.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/summary/Player.h"
#include "core/summary/QuakeLive.h"

namespace core {

struct DemoState;
class DemoWalk;

// Applies a score board to the player table as the game's own report is applied: rank position,
// score and time per entry; the team scores when the board has them; frozen after the game end.
void ApplyScoreBoard(DemoState& demo, const ScoreBoard& board);
// The course log's score table of a board, in the layout of the game's own score tables.
// `prefix` is the coloured time of the table's header ("^2" + time).
void WriteBoardTable(DemoState& demo, const ScoreBoard& board, const std::string& prefix);

// The winner and runner-up of a Quake Live race: the two shortest positive times.
struct RankedPlayers;
RankedPlayers RankRace(const DemoState& demo);

class ModScores {
public:
    enum class Mod { Game, QuakeLive, Cpma };

    explicit ModScores(DemoState& demo) : m_demo(demo) {}

    // The server information decides which commands are read.
    void ServerInfo(std::string_view info, int protocol);
    Mod mod() const { return m_mod; }

    // True when the command was one of the mod's own score commands (and is handled).
    bool ServerCommand(std::string_view command, DemoWalk& walk);
    // True when the configuration string change was the mod's (and is handled).
    bool ConfigString(int index, std::string_view value, DemoWalk& walk);

    // A print or centre print: a forfeit ends the match.
    void Chat(std::string_view text, DemoWalk& walk);

    // A new match begins (a restart, or a further game state): the result so far is kept when
    // that match was complete, and the new one starts from empty scores.
    void Restart(DemoWalk& walk);
    // At the end of the walk: an unfinished last match gives way to the last complete one.
    void Finish();
    // True once after a restart: the next level start time is the new match's.
    bool TakeLevelStart() { return std::exchange(m_awaitLevelStart, false); }

private:
    struct Result {
        Score score1, score2;
        bool scoresSeen = false;
        int scoreEntries = 0;
        int forfeitedSide = -1;
        std::vector<Player> players;
    };

    void CpmaGameInfo(std::string_view value);
    void CpmaPlaces(int32_t first, int32_t second);
    void PlaceFallback();
    void Forfeit(DemoWalk& walk);
    void MarkForfeit();

    DemoState& m_demo;
    Mod m_mod = Mod::Game;
    int m_protocol = 0;
    std::optional<Result> m_lastComplete;
    // CPMA's two scores ("sb" and "sr"): the leaders in a duel, blue and red in team games.
    int32_t m_cpmaBlue = kNoScore, m_cpmaRed = kNoScore;
    int32_t m_firstClient = -1, m_secondClient = -1;
    // Quake Live's names of the leader and the runner-up, for demos without a readable board.
    std::string m_firstPlace, m_secondPlace;
    bool m_boardSeen = false;
    bool m_awaitLevelStart = false;
};

} // namespace core
