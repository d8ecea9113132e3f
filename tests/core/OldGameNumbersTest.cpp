// The old game's numbers on 1.32's: every moved run at both of its ends, and the numbers on
// either side of what has no counterpart.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/convert/OldGameNumbers.h"

namespace {

using Map = std::optional<int> (*)(int, int);

struct Case {
    Map map;
    const char* what;
    int protocol;
    int old;
    std::optional<int> mapped;
};

TEST(OldGameNumbersTest, NumbersMoveByTheirRunsAndTheRestHasNoCounterpart)
{
    const std::optional<int> none;
    // clang-format off
    const Case cases[] = {
        {core::ConfigStringIndexTo132, "vote no",               45, 11,  11},
        {core::ConfigStringIndexTo132, "game version",          45, 12,  20},
        {core::ConfigStringIndexTo132, "level start",           45, 13,  21},
        {core::ConfigStringIndexTo132, "intermission",          43, 14,  22},
        {core::ConfigStringIndexTo132, "flag status",           46, 15,  23},
        {core::ConfigStringIndexTo132, "first without a place", 45, 16,  none},
        {core::ConfigStringIndexTo132, "last without a place",  45, 26,  none},
        {core::ConfigStringIndexTo132, "items",                 45, 27,  27},
        {core::ConfigStringIndexTo132, "player 63",             45, 607, 607},
        {core::ConfigStringIndexTo132, "player 64",             45, 608, none},
        {core::ConfigStringIndexTo132, "player 127",            45, 671, none},
        {core::ConfigStringIndexTo132, "first location",        45, 672, 608},
        {core::ConfigStringIndexTo132, "last location",         45, 735, 671},
        {core::ConfigStringIndexTo132, "a mod's own",           45, 806, 806},
        {core::ConfigStringIndexTo132, "1.27 level start",      48, 21,  21},
        {core::ConfigStringIndexTo132, "1.27 beyond the game",  48, 1024, none},
        {core::EntityEventTo132, "global sound",                45, 46,  46},
        {core::EntityEventTo132, "bullet hits flesh",           45, 47,  48},
        {core::EntityEventTo132, "missile miss",                45, 50,  51},
        {core::EntityEventTo132, "rail trail",                  45, 51,  53},
        {core::EntityEventTo132, "obituary",                    45, 58,  60},
        {core::EntityEventTo132, "gib",                         45, 62,  64},
        {core::EntityEventTo132, "debug line",                  45, 63,  74},
        {core::EntityEventTo132, "taunt",                       45, 64,  76},
        {core::EntityEventTo132, "beyond the old list",         45, 65,  none},
        {core::EntityEventTo132, "sequence bits kept",          45, 0x200 | 47, 0x200 | 48},
        {core::EntityEventTo132, "1.27 as it is",               48, 60,  60},
        {core::EntityTypeTo132, "grapple",                      45, 11,  11},
        {core::EntityTypeTo132, "event entity without event",   45, 12,  13},
        {core::EntityTypeTo132, "obituary entity",              45, 12 + 58, 13 + 60},
        {core::EntityTypeTo132, "unknown event entity",         45, 12 + 65, none},
        {core::EntityTypeTo132, "1.27 team entity",             48, 12,  12},
        {core::PersistantIndexTo132, "spawn count",             45, 4,   4},
        {core::PersistantIndexTo132, "no counterpart",          45, 5,   none},
        {core::PersistantIndexTo132, "no counterpart either",   45, 6,   none},
        {core::PersistantIndexTo132, "attacker",                45, 7,   6},
        {core::PersistantIndexTo132, "excellent",               45, 10,  10},
        {core::PersistantIndexTo132, "gauntlet awards",         45, 11,  13},
        {core::PersistantIndexTo132, "beyond",                  45, 12,  none},
        {core::PersistantIndexTo132, "1.27 captures",           48, 14,  14},
        {core::ItemTo132, "blue flag",                          45, 35,  35},
        {core::ItemTo132, "beyond the list",                    45, 36,  none},
        {core::ItemTo132, "negative",                           45, -1,  none},
        {core::WeaponTo132, "grappling hook",                   45, 10,  10},
        {core::WeaponTo132, "beyond",                           45, 11,  none},
        {core::MeansOfDeathTo132, "grapple",                    45, 23,  23},
        {core::MeansOfDeathTo132, "beyond",                     45, 24,  none},
        {core::GameTypeTo132, "capture the flag",               45, 4,   4},
        {core::GameTypeTo132, "not in 1.17",                    45, 5,   none},
        {core::GameTypeTo132, "1.27 harvester",                 48, 7,   7},
        {core::GameTypeTo132, "beyond 1.27",                    48, 8,   none},
    };
    // clang-format on
    for (const Case& c : cases)
        EXPECT_EQ(c.map(c.protocol, c.old), c.mapped) << c.what;
}

TEST(OldGameNumbersTest, ScoreCommandsTakeTheFourteenNumbersOf132)
{
    EXPECT_EQ(core::ScoresCommandTo132(45, "scores 2 0 0 1 20 50 600 0 0 0 -3 40 700 0 0"),
              "scores 2 0 0 1 20 50 600 0 0 0 0 0 0 0 0 0 0 0 -3 40 700 0 0 0 0 0 0 0 0 0 0");
    // A protocol 46 entry has one number more than 1.32's.
    EXPECT_EQ(core::ScoresCommandTo132(46, "scores 1 5 6 0 1 2 3 4 5 6 7 8 9 10 11 12 13 14"),
              "scores 1 5 6 0 1 2 3 4 5 6 7 8 9 10 11 12 13");
    const std::string unchanged[] = {
        "scores 1 0 0 1 20 50 600 0 0 0 0 0 0 0 0 0 0", // 1.27: already 1.32's
        "scores 2 0 0 1 20 50 600 0 0",                 // fewer numbers than the entries need
        "scores x 0 0",
        "scores -1 0 0",
    };
    EXPECT_EQ(core::ScoresCommandTo132(48, unchanged[0]), unchanged[0]);
    for (size_t i = 1; i < std::size(unchanged); ++i)
        EXPECT_EQ(core::ScoresCommandTo132(45, unchanged[i]), unchanged[i]) << unchanged[i];
}

TEST(OldGameNumbersTest, OpenArenaTakesItsOwnStatsScoresAndMeansOfDeath)
{
    EXPECT_EQ(core::ScoresCommandToOpenArena("scores 2 0 0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 "
                                             "21 22 23 24 25 26 27 28 29 30 31 32 33 34"),
              "scores 2 0 0 0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 0 21 22 23 24 25 26 27 28 29 30 31 32 33 34 0");
    EXPECT_EQ(core::ScoresCommandToOpenArena("scores 2 0 0 1 2 3"), "scores 2 0 0 1 2 3");
    const std::array<int32_t, 16> stats = {100, 0, 510, 50, 0, 0, 100, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    EXPECT_EQ(core::StatsToOpenArena(stats),
              (std::array<int32_t, 16>{100, 0, 0, 510, 50, 0, 0, 100, 7, 8, 9, 10, 11, 12, 13, 14}));
    EXPECT_EQ(core::MeansOfDeathToOpenArena(22), 22); // trigger hurt: before the mission pack's
    EXPECT_EQ(core::MeansOfDeathToOpenArena(23), 28); // the grappling hook: after them
}

TEST(OldGameNumbersTest, ServerInfoGetsTheNewProtocol)
{
    EXPECT_EQ(core::ServerInfoTo132("\\mapname\\q3dm6\\protocol\\45\\g_gametype\\1", 68),
              "\\mapname\\q3dm6\\protocol\\68\\g_gametype\\1");
    EXPECT_EQ(core::ServerInfoTo132("\\mapname\\q3dm6", 71), "\\mapname\\q3dm6\\protocol\\71");
    EXPECT_EQ(core::ServerInfoTo132("\\sv_hostname\\\\protocol\\48", 68), "\\sv_hostname\\\\protocol\\68");
}

} // namespace
