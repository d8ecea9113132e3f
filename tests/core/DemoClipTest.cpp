// Clips: a stretch of a demo written as a demo of its own, decoded again; its first snapshot is
// the source's snapshot at the cut, entity for entity.
#include <gtest/gtest.h>

#include <filesystem>
#include <stop_token>
#include <vector>

#include "core/convert/ClipBatch.h"
#include "core/convert/DemoClip.h"
#include "core/convert/DemoConversion.h"
#include "core/demo/DemoDecoder.h"
#include "core/events/DemoEvents.h"
#include "core/events/DemoEventsLoad.h"
#include "support/DemoBuilder.h"
#include "support/EventDemoModel.h"
#include "support/ScratchDir.h"
#include "support/ZipBuilder.h"

using core::DemoMessage;
using testsupport::EventDemoModel;

namespace {

TEST(DemoClip, ABuiltDemoCutKeepsItsFragsAndStartsAtTheCut)
{
    const std::vector<uint8_t> source = testsupport::EncodeDemo(testsupport::DuelModel());
    std::vector<uint8_t> clip;
    // Demo time 4990 is server time 14990: the first snapshot at or after it is 15000.
    const core::ClipResult result = core::CutDemo(source, ".dm_68", 4990, 11000, clip, core::TargetGameData{});
    ASSERT_TRUE(result.ok) << result.problem;
    EXPECT_EQ(result.firstServerTime, 15000);
    EXPECT_EQ(result.snapshots, (21000 - 15000) / 50 + 1);

    const core::DecodedDemo decoded = core::DecodeDemo(clip, 68);
    ASSERT_EQ(decoded.error, core::DecodeError::None);
    EXPECT_TRUE(decoded.endMarker);
    const std::vector<core::DemoEvent> events = core::DemoEvents(decoded);
    ASSERT_EQ(events.size(), 2u); // at 15000 and 20000
    EXPECT_EQ(events[0].serverTime, 15000);
    EXPECT_EQ(events[0].demoTime, 0);
    EXPECT_EQ(events[0].playerName, "Alice");
    EXPECT_EQ(events[1].serverTime, 20000);
}

TEST(DemoClip, RefusalsAndNames)
{
    std::vector<uint8_t> clip;
    const std::vector<uint8_t> source = testsupport::EncodeDemo(testsupport::DuelModel());
    EXPECT_FALSE(
        core::CutDemo(source, ".dm_68", 20001, 30000, clip, core::TargetGameData{}).ok); // past the last snapshot
    EXPECT_TRUE(
        core::CutDemo(source, ".dm_68", 20000, 30000, clip, core::TargetGameData{}).ok); // the last snapshot alone
    clip.clear();
    // Protocol 68's bytes named as Quake Live's do not decode as such: nothing is appended.
    EXPECT_FALSE(core::CutDemo(source, ".dm_73", 0, 1000, clip, core::TargetGameData{}).ok);
    EXPECT_TRUE(clip.empty());
    // The old game's protocols through their conversion, 66 to 91 as they are.
    for (const int protocol : {43, 45, 46, 48, 66, 68, 71, 73, 90, 91})
        EXPECT_TRUE(core::CanClipProtocol(protocol)) << protocol;
    for (const int protocol : {42, 44, 47, 49, 65, 72, 89, 92})
        EXPECT_FALSE(core::CanClipProtocol(protocol)) << protocol;
    EXPECT_EQ(core::ClipFileName("duel.dm_68", 61000, 125999), "duel-01.01-02.05.dm_68");
    EXPECT_EQ(core::ClipFileName("demos\\a.b\\final.DM_66", 0, 3600000), "final-00.00-60.00.DM_66");
    EXPECT_EQ(core::ClipFileName("duel.dm3", 0, 1000, ".dm_68"), "duel-00.00-00.01.dm_68");
}

TEST(DemoClip, SavedIntoItsFolder)
{
    testsupport::ScratchDir dir;
    const std::filesystem::path source = dir.path() / "duel.dm_68";
    testsupport::WriteFile(source, testsupport::EncodeDemo(testsupport::DuelModel()));
    std::filesystem::path written;
    const core::ClipResult result =
        core::SaveClip(source.string(), {}, 1000, 2000, core::TargetGameData{}, dir.path() / "Clips" / "new", written);
    ASSERT_TRUE(result.ok) << result.problem;
    EXPECT_EQ(written, dir.path() / "Clips" / "new" / "duel-00.01-00.02.dm_68");
    EXPECT_EQ(core::DecodeDemo(testsupport::ReadBytes(written.string()), 68).error, core::DecodeError::None);
}

// A moment's clip: its margins count from 0 to 600 seconds, and it never starts before the demo.
TEST(DemoClip, AMomentsClipKeepsItsMargins)
{
    struct Case {
        int64_t start, end;
        int before, after;
        int64_t from, to;
    };
    const Case cases[] = {
        {10000, 10000, 3, 3, 7000, 13000},
        {10000, 14200, 3, 3, 7000, 17200}, // a multi-frag: to its last
        {2999, 2999, 3, 0, 0, 2999},
        {3000, 3000, 3, 0, 0, 3000},
        {3001, 3001, 3, 0, 1, 3001},
        {700000, 700000, 600, 600, 100000, 1300000},
        {700000, 700000, 601, 601, 100000, 1300000},
        {5000, 5000, -1, -1, 5000, 5000},
    };
    for (const Case& c : cases) {
        const core::ClipOrder order = core::ClipAround("a.dm_68", "", c.start, c.end, c.before, c.after);
        EXPECT_EQ(order.from, c.from) << c.start << " " << c.before;
        EXPECT_EQ(order.to, c.to) << c.end << " " << c.after;
    }
}

// A stop request ends the cut between two messages: nothing is appended and no file is written.
TEST(DemoClip, AStopRequestEndsTheCutAndWritesNothing)
{
    testsupport::ScratchDir dir;
    const std::filesystem::path source = dir.path() / "duel.dm_68";
    testsupport::WriteFile(source, testsupport::EncodeDemo(testsupport::DuelModel()));
    for (const bool stopped : {false, true}) {
        std::stop_source stop;
        if (stopped)
            stop.request_stop();
        std::vector<uint8_t> out{1, 2, 3};
        const core::ClipResult cut =
            core::CutDemo(testsupport::ReadBytes(source.string()), ".dm_68", 1000, 2000, out, {}, stop.get_token());
        EXPECT_EQ(cut.ok, !stopped);
        EXPECT_EQ(out.size() == 3, stopped) << "appended only when not stopped";
        const std::filesystem::path folder = dir.path() / (stopped ? "stopped" : "whole");
        std::filesystem::path written;
        const core::ClipResult saved =
            core::SaveClip(source.string(), {}, 1000, 2000, {}, folder, written, stop.get_token());
        EXPECT_EQ(saved.ok, !stopped);
        EXPECT_EQ(std::filesystem::exists(folder), !stopped);
        EXPECT_EQ(saved.problem, stopped ? "The clip was stopped." : "");
    }
}

// What the events say of a moment, less the demo time, which a clip counts from its own start.
std::string EventText(const core::DemoEvent& e)
{
    return std::to_string(static_cast<int>(e.kind)) + " " + std::to_string(e.serverTime) + " " +
           std::to_string(e.player) + ">" + std::to_string(e.other) + " " + e.playerName + ">" + e.otherName + " " +
           std::to_string(e.playerTeam) + ">" + std::to_string(e.otherTeam) + " team " + std::to_string(e.team) +
           " mod " + std::to_string(e.meansOfDeath) + " weapon " + std::to_string(static_cast<int>(e.weapon)) +
           (e.teamKill ? " teamkill" : "") + (e.warmup ? " warmup" : "") + " " + e.text;
}

class CorpusClips : public testing::TestWithParam<const char*> {};

// A clip of a real demo keeps the demo's protocol and file name extension (Quake Live's too),
// decodes to its end marker, starts with what the source's snapshot at the cut holds, entity for
// entity, and holds the events the demo holds in the stretch, at the same server times.
TEST_P(CorpusClips, KeepTheProtocolTheFirstSnapshotAndTheEventsOfTheStretch)
{
    const std::filesystem::path path = std::filesystem::path(VELMORA_CORPUS_DIR) / GetParam();
    if (std::string(VELMORA_CORPUS_DIR).empty() || !std::filesystem::exists(path))
        GTEST_SKIP() << "no corpus demo " << path;
    const std::vector<uint8_t> source = testsupport::ReadBytes(path.string());
    const std::string extension = path.extension().string();
    const int protocol = core::DemoProtocolOf(source, extension);
    testsupport::ScratchDir dir;
    std::filesystem::path written;
    const core::ClipResult result =
        core::SaveClip(path.string(), {}, 60000, 150000, core::TargetGameData{}, dir.path(), written);
    ASSERT_TRUE(result.ok) << result.problem;
    EXPECT_EQ(result.protocol, protocol);
    EXPECT_TRUE(result.brokeOff.empty()) << result.brokeOff;
    EXPECT_EQ(written.filename().string(), path.stem().string() + "-01.00-02.30" + extension);

    const core::DecodedDemo original = core::DecodeDemo(source, protocol);
    const core::Snapshot* atCut = nullptr;
    for (const DemoMessage& m : original.messages)
        if (m.snapshot && m.snapshot->valid && m.snapshot->serverTime == result.firstServerTime) {
            atCut = &*m.snapshot;
            break;
        }
    ASSERT_NE(atCut, nullptr);
    const std::vector<uint8_t> clip = testsupport::ReadBytes(written.string());
    const core::DecodedDemo cut = core::DecodeDemo(clip, protocol);
    ASSERT_EQ(cut.error, core::DecodeError::None) << core::DecodeErrorText(cut.error);
    EXPECT_TRUE(cut.endMarker);
    const core::Snapshot* first = nullptr;
    int32_t lastServerTime = 0;
    for (const DemoMessage& m : cut.messages)
        if (m.snapshot) {
            EXPECT_TRUE(m.snapshot->valid);
            first = first ? first : &*m.snapshot;
            lastServerTime = m.snapshot->serverTime;
        }
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->serverTime, atCut->serverTime);
    EXPECT_EQ(first->player, atCut->player);
    EXPECT_EQ(first->entities, atCut->entities);
    EXPECT_EQ(first->areaMask, atCut->areaMask);

    const core::DemoEventsResult cutEvents = core::ReadDemoEvents(clip, extension);
    ASSERT_TRUE(cutEvents.problem.empty()) << cutEvents.problem;
    std::vector<std::string> expected, got;
    for (const core::DemoEvent& e : core::ReadDemoEvents(source, extension).events)
        if (e.serverTime >= result.firstServerTime && e.serverTime <= lastServerTime)
            expected.push_back(EventText(e));
    for (const core::DemoEvent& e : cutEvents.events)
        got.push_back(EventText(e));
    EXPECT_GT(expected.size(), 0u);
    EXPECT_EQ(got, expected);
}

// An old demo's clip is cut from its conversion to protocol 68: the same bytes as cutting the
// converted demo, a protocol 68 demo that starts at the cut, saved under the extension ".dm_68".
TEST(DemoClip, OldDemosAreCutFromTheirConversion)
{
    for (const char* name : {"duel-1.17-osp.dm3", "duel-1.27-osp.dm_48"}) {
        const std::filesystem::path path = std::filesystem::path(VELMORA_CORPUS_DIR) / name;
        if (std::string(VELMORA_CORPUS_DIR).empty() || !std::filesystem::exists(path))
            GTEST_SKIP() << "no corpus demo " << path;
        const std::vector<uint8_t> source = testsupport::ReadBytes(path.string());
        const std::string extension = path.extension().string();
        std::vector<uint8_t> clip;
        const core::ClipResult result = core::CutDemo(source, extension, 60000, 90000, clip, core::TargetGameData{});
        ASSERT_TRUE(result.ok) << name << ": " << result.problem;
        EXPECT_EQ(result.protocol, 68) << name;

        const core::ConvertedDemo converted =
            core::ConvertDemo(source, core::DemoProtocolOf(source, extension), 68, core::TargetGameData{});
        ASSERT_TRUE(converted.ok) << converted.failure;
        std::vector<uint8_t> direct;
        const core::ClipResult directResult =
            core::CutDemo(converted.bytes, ".dm_68", 60000, 90000, direct, core::TargetGameData{});
        ASSERT_TRUE(directResult.ok);
        EXPECT_EQ(clip, direct) << name;
        EXPECT_EQ(result.firstServerTime, directResult.firstServerTime) << name;

        const core::DecodedDemo decoded = core::DecodeDemo(clip, 68);
        EXPECT_EQ(decoded.error, core::DecodeError::None) << name;
        EXPECT_TRUE(decoded.endMarker) << name;

        testsupport::ScratchDir dir;
        std::filesystem::path written;
        ASSERT_TRUE(core::SaveClip(path.string(), {}, 60000, 90000, core::TargetGameData{}, dir.path(), written).ok);
        EXPECT_EQ(written.filename().string(), path.stem().string() + "-01.00-01.30.dm_68");
        EXPECT_EQ(testsupport::ReadBytes(written.string()), clip);
    }
}

INSTANTIATE_TEST_SUITE_P(Demos, CorpusClips,
                         testing::Values("modern/cpma-duel.dm_68", "modern/duel-1.29.dm_66", "ql/duel-hektik.dm_73",
                                         "ql/ca-campgrounds.dm_90", "ql/duel-sinister.dm_91"));

} // namespace
