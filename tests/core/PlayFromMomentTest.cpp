// Where "play from here" starts: the setting's seconds before the moment, kept within 0 to 600
// seconds and never before the demo's start.
#include <gtest/gtest.h>

#include "core/playback/PlayFromMoment.h"

namespace {

TEST(PlayFromMoment, StartBeforeTheMoment)
{
    struct Case {
        int64_t moment;
        int lead;
        int64_t start;
    };
    const Case cases[] = {
        {10000, 5, 5000},   {5000, 5, 0},          {4999, 5, 0},          {10000, 0, 10000},
        {10000, -1, 10000}, {700000, 600, 100000}, {700000, 601, 100000}, {700000, 599, 101000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(core::PlayFromStart(c.moment, c.lead), c.start) << c.moment << " " << c.lead;
}

} // namespace

namespace {

TEST(PlayFromMoment, CourseLinesTellTheirDemoTime)
{
    // The match started at server time 30000; the demo's first snapshot was at 20000.
    struct Case {
        const char* line;
        std::optional<int64_t> time;
    };
    const Case cases[] = {
        {"^400:00:01 ^7ZeRo4^7: ^2gl dude", 1000},
        {"^200:01:05 ^7ZeRo4 ^7fragged fatal1ty", 10000 + 65000},
        {"^201:00:00 x", 10000 + 3600000},
        {"^2-00:00:05 x", 5000},
        {"^2-00:00:15 x", 0},
        {"^4100:00:00 x", int64_t{100} * 3600000},
        {"         ^70       0      10     ZeRo4", std::nullopt}, // a score table row
        {"^1SCORE   PING", std::nullopt},
        {"^400:0a:01 x", std::nullopt},
        {"^400:00", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(core::CourseLineDemoTime(c.line, 30000, 20000), c.time) << c.line;
    // Without the level's start a match line tells nothing; a warm-up line still does.
    EXPECT_EQ(core::CourseLineDemoTime("^200:00:10 x", 0, 20000), std::nullopt);
    EXPECT_EQ(core::CourseLineDemoTime("^400:00:10 x", 0, 20000), 10000);
}

} // namespace
