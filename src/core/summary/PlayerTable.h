#pragma once
// The player table of a demo: userinfo and score report updates, the course log's score tables,
// the final order and the ranking shown in the lists.
#include <string>
#include <string_view>

#include "core/summary/DemoReader.h"

namespace core {

// Fills the record of `client` from a userinfo text; false when a number did not convert.
bool UpdatePlayer(DemoState& demo, int client, std::string_view userinfo);
// Applies a score report (the "scores" command without its first 7 characters).
bool ParseScores(DemoState& demo, std::string_view report);
// Appends the score table of a report to the course log.
void WriteScoreTable(DemoState& demo, std::string_view report, int64_t currentMs, int64_t demoStartMs,
                     int64_t levelStartMs);
// Orders the table: score descending, then report position, then skill (humans before bots).
void SortPlayers(DemoState& demo);

// True when the game type compares greater than "2" as a text (team games; also "N/A").
bool IsTeamGame(const DemoState& demo);
std::string TeamOneName(const DemoState& demo);
std::string TeamTwoName(const DemoState& demo);

struct RankedPlayers {
    std::string winner = "N/A";
    std::string second = "N/A";
    std::string finalScore = "0:0";
    bool operator==(const RankedPlayers&) const = default;
};
RankedPlayers GetRankedPlayers(const DemoState& demo);

// Stores a team score (a score configuration string or a board's) unless it is a no-score value;
// a text that is no number leaves the side without a score.
void SetTeamScore(Score& score, std::string_view value);
void SetTeamScore(Score& score, int32_t value);
// The course log's "TEAMSCORE" line of a team game.
std::string TeamScoreLine(const DemoState& demo);

// Strict decimal conversion of a 32-bit integer (optional sign, digits only).
bool ToInt32(std::string_view text, int32_t& value);

} // namespace core
