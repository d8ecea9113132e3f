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
