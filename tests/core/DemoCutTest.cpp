// Cutting a stretch out of a decoded demo: the key frame's game state and the messages after it.
#include <gtest/gtest.h>

#include <vector>

#include "core/convert/DemoCut.h"
#include "support/EventDemoModel.h"

using core::DemoMessage;
using core::EntityField;
using core::EntityState;
using testsupport::EventDemoModel;

namespace {

EntityState Mover(int number, uint32_t origin)
{
    EntityState e;
    e.number = number;
    e[EntityField::EType] = 4;
    e[EntityField::Origin0] = origin;
    return e;
}

// Snapshots every second from 1000 to 6000 ms server time; entity 7 moves, entity 9 appears at
// 3000; a configuration string changes at 2000 and 4000.
EventDemoModel SampleDemo()
{
    EventDemoModel demo(68);
    demo.GameState({{0, "\\mapname\\q3dm6"}, {21, "500"}});
    core::DemoMessage& first = demo.Last();
    first.gameState->baselines = {Mover(7, 0), Mover(9, 0), Mover(11, 5)};
    first.gameState->serverCommandSequence = 0;
    first.gameState->clientNumber = 3;
    first.gameState->checksumFeed = 1234;
    for (int32_t t = 1000; t <= 6000; t += 1000) {
        if (t == 2000)
            demo.Command("cs 21 \"2000\"");
        if (t == 3000)
            demo.Command("chat \"A: hi\"");
        if (t == 4000)
            demo.Command("cs 22 \"1\"");
        std::vector<EntityState> entities = {Mover(7, static_cast<uint32_t>(t))};
        if (t >= 3000)
            entities.push_back(Mover(9, static_cast<uint32_t>(t)));
        demo.Snapshot(t, entities);
    }
    return demo;
}

struct CutResult {
    std::vector<DemoMessage> messages;
    int32_t firstServerTime = 0;
    int64_t firstDemoTime = 0;
    int snapshots = 0;
};

CutResult Cut(const EventDemoModel& demo, int64_t from, int64_t to)
{
    CutResult result;
    core::DemoCut cut(from, to, [&result](const DemoMessage& m) {
        result.messages.push_back(m);
        return true;
    });
    for (const DemoMessage& m : demo.Messages())
        if (!cut.Add(m))
            break;
    result.firstServerTime = cut.FirstServerTime();
    result.firstDemoTime = cut.FirstDemoTime();
    result.snapshots = cut.Snapshots();
    return result;
}

TEST(DemoCut, KeyFrameHoldsTheGameStateAsItStands)
{
    const EventDemoModel demo = SampleDemo();
    // Demo time 2000 is server time 3000.
    const CutResult cut = Cut(demo, 2000, 3000);
    const std::vector<DemoMessage>& out = cut.messages;
    ASSERT_EQ(out.size(), 3u);
    ASSERT_TRUE(out[0].gameState);
    EXPECT_FALSE(out[0].snapshot);
    const core::GameState& state = *out[0].gameState;
    // The change made before the key frame is in; the one after it is not.
    const std::vector<std::pair<int, std::string>> expected = {{0, "\\mapname\\q3dm6"}, {21, "2000"}};
    EXPECT_EQ(state.configStrings, expected);
    EXPECT_EQ(state.serverCommandSequence, 1); // the cs 21 change
    EXPECT_EQ(state.clientNumber, 3);
    EXPECT_EQ(state.checksumFeed, 1234);
    // Baselines: the entities at the key frame, the others as they were.
    ASSERT_EQ(state.baselines.size(), 3u);
    EXPECT_EQ(state.baselines[0], Mover(7, 3000));
    EXPECT_EQ(state.baselines[1], Mover(9, 3000));
    EXPECT_EQ(state.baselines[2], Mover(11, 5));
    // Then the key frame's own message, with its chat, and the next one.
    ASSERT_TRUE(out[1].snapshot);
    EXPECT_EQ(out[1].snapshot->serverTime, 3000);
    ASSERT_EQ(out[1].serverCommands.size(), 1u);
    EXPECT_EQ(out[1].serverCommands[0].text, "chat \"A: hi\"");
    EXPECT_LT(out[0].sequence, out[1].sequence);
    EXPECT_EQ(out[2].snapshot->serverTime, 4000);
    EXPECT_EQ(cut.firstServerTime, 3000);
    EXPECT_EQ(cut.firstDemoTime, 2000);
    EXPECT_EQ(cut.snapshots, 2);
}

TEST(DemoCut, EdgesOfTheStretch)
{
    const EventDemoModel demo = SampleDemo();
    struct Case {
        int64_t from, to;
        int32_t first, last; // server times of the first and last snapshot written; 0: nothing
    };
    const Case cases[] = {
        {0, 0, 1000, 1000},         // the very first snapshot alone
        {1000, 1999, 2000, 2000},   // `to` just before the next snapshot
        {1001, 2000, 3000, 3000},   // `from` just after a snapshot starts at the next
        {4000, 100000, 5000, 6000}, // to the end
        {5001, 9000, 0, 0},         // after the last snapshot: no cut
    };
    for (const Case& c : cases) {
        const std::vector<DemoMessage> out = Cut(demo, c.from, c.to).messages;
        if (c.first == 0) {
            EXPECT_TRUE(out.empty()) << c.from;
            continue;
        }
        ASSERT_GE(out.size(), 2u) << c.from;
        EXPECT_EQ(out[1].snapshot->serverTime, c.first) << c.from;
        EXPECT_EQ(out.back().snapshot->serverTime, c.last) << c.from;
    }
}

TEST(DemoCut, ANewMapEndsTheCutAndUnshownSnapshotsStayOut)
{
    EventDemoModel demo(68);
    demo.GameState({{0, "a"}});
    demo.Snapshot(1000);
    demo.Snapshot(2000, {}, false); // coded against a snapshot the demo lacks
    demo.Snapshot(3000);
    demo.GameState({{0, "b"}});
    demo.Snapshot(500);
    const std::vector<DemoMessage> out = Cut(demo, 0, 100000).messages;
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[1].snapshot->serverTime, 1000);
    EXPECT_EQ(out[2].snapshot->serverTime, 3000);
}

TEST(DemoCut, ARefusingSinkStopsTheCut)
{
    const EventDemoModel demo = SampleDemo();
    int written = 0;
    core::DemoCut cut(0, 100000, [&written](const DemoMessage&) { return ++written < 2; });
    int fed = 0;
    for (const DemoMessage& m : demo.Messages()) {
        ++fed;
        if (!cut.Add(m))
            break;
    }
    EXPECT_TRUE(cut.Failed());
    EXPECT_EQ(written, 2);
    EXPECT_EQ(fed, 2);
}

} // namespace
