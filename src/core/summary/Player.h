#pragma once
// One player of a demo, filled from userinfo strings and score reports.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/row/DemoValues.h"

namespace core {

constexpr int32_t kAbsentNumber = -2147483647;
constexpr double kAbsentSkill = -2147483647.0;
constexpr int32_t kNoScore = -9999;
// Quake Live's score for the side that left a forfeited match.
constexpr int32_t kForfeitScore = -999;
// The values the games write where a player or a team has no score: kNoScore (also CPMA's empty
// place), the value one below it, and Quake Live's forfeit marker. None of them is ever shown.
constexpr bool ShowsNoScore(int32_t score)
{
    return score == kNoScore || score == kNoScore - 1 || score == kForfeitScore;
}

// The score a value of the game stands for. The games' markers for "no score" end at the reader:
// past it a score is a number or none, never a magic value.
constexpr Score ScoreOf(int32_t value)
{
    return ShowsNoScore(value) ? Score() : Score(value);
}

struct Player {
    std::string name; // userinfo "n", colour codes kept
    int32_t team = 0; // userinfo "t"; 3 = spectator
    int32_t imageIndex = 0;
    Score score;
    int32_t time = 0;
    int32_t accuracy = 0, impressive = 0, excellent = 0, gauntlet = 0, defend = 0, assist = 0, perfect = 0,
            captures = 0;
    int32_t rankPosition = 9999;
    int32_t handicap = 0, wins = 0, losses = 0;
    bool leader = false; // userinfo "tl"
    std::string model, headModel;
    // Quake Live: the clan tag shown before the name ("cn") and the Steam ID ("st"), where held.
    std::string clanTag, steamId;
    double skill = 0.0;
    // Left a forfeited match (moved to the spectators or gone): keeps the score he had and ranks
    // after the player who stayed.
    bool forfeited = false;
};

// The value of a key in a userinfo text ("\n\Bob\t\0..."); empty when absent. Case-sensitive.
std::string UserInfoValue(std::string_view userinfo, std::string_view key);
// The n-th blank-separated field (from 1) of a score report as an integer; kNoScore if not a number.
int32_t ScoreField(std::string_view report, int n);

} // namespace core
