// velmora-cli events and cut, run as a user would: a built duel's frags and figures as JSON, a
// stretch cut out of it, and what the commands refuse.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "core/demo/DemoDecoder.h"
#include "core/events/DemoEvents.h"
#include "support/CliRunner.h"
#include "support/DemoBuilder.h"
#include "support/EventDemoModel.h"
#include "support/ScratchDir.h"

using namespace clitest;

namespace {

size_t Count(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

TEST(CliEvents, FragsAndFiguresOfABuiltDuel)
{
    testsupport::ScratchDir dir;
    const fs::path demo = dir.path() / "duel.dm_68";
    testsupport::WriteBytes(demo.string(), testsupport::EncodeDemo(testsupport::DuelModel()));

    const Result json = RunCli("events --json '" + demo.string() + "'");
    EXPECT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(Count(json.out, "\"kind\": \"Frag\""), 4u);
    EXPECT_NE(json.out.find("{\"kind\": \"Frag\", \"demoTime\": 5000, \"serverTime\": 15000, \"player\": 0, "
                            "\"playerName\": \"Alice\", \"victim\": 1, \"victimName\": \"Bob\", \"meansOfDeath\": 10, "
                            "\"cause\": \"Railgun\", \"weapon\": \"Railgun\"}"),
              std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find("\"name\": \"Alice\", \"frags\": 4, \"deaths\": 0, \"suicides\": 0, \"teamKills\": 0, "
                            "\"longestSpree\": 4, \"captures\": 0, \"fragsByWeapon\": {\"Railgun\": 4}}"),
              std::string::npos);
    EXPECT_NE(json.out.find("\"length\": 20000"), std::string::npos);

    const Result text = RunCli("events '" + demo.string() + "'");
    EXPECT_EQ(text.status, 0);
    EXPECT_NE(text.out.find("0:05.000\t15000\tFrag\tAlice\tBob\tRailgun\n"), std::string::npos) << text.out;
}

TEST(CliEvents, CutAStretch)
{
    testsupport::ScratchDir dir;
    const fs::path demo = dir.path() / "duel.dm_68";
    const fs::path clip = dir.path() / "clip.dm_68";
    testsupport::WriteBytes(demo.string(), testsupport::EncodeDemo(testsupport::DuelModel()));

    const Result cut = RunCli("cut --from 0:04.5 --to 11 '" + demo.string() + "' '" + clip.string() + "'");
    ASSERT_EQ(cut.status, 0) << cut.err;
    EXPECT_EQ(cut.out, "Wrote " + clip.string() + ": 131 snapshots from server time 14500\n");
    const core::DecodedDemo decoded = core::DecodeDemo(testsupport::ReadBytes(clip.string()), 68);
    EXPECT_EQ(core::DemoEvents(decoded).size(), 2u);

    // Refusals: times that are no times or go backwards, a missing input, a FIFO, a stretch past
    // the end.
    EXPECT_EQ(RunCli("cut --from 1:xx --to 2 '" + demo.string() + "' '" + clip.string() + "'").status, 2);
    EXPECT_EQ(RunCli("cut --from 0:10 --to 0:09 '" + demo.string() + "' '" + clip.string() + "'").status, 2);
    EXPECT_EQ(RunCli("cut --from 0:01.0001 --to 2 '" + demo.string() + "' '" + clip.string() + "'").status, 2);
    EXPECT_EQ(RunCli("cut --from 0 --to 1 '" + (dir.path() / "none.dm_68").string() + "' x").status, 1);
    const fs::path fifo = dir.path() / "pipe.dm_68";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(RunCli("cut --from 0 --to 1 '" + fifo.string() + "' '" + clip.string() + "'").status, 1);
    EXPECT_EQ(RunCli("events '" + fifo.string() + "'").status, 1);
    const Result late = RunCli("cut --from 21 --to 30 '" + demo.string() + "' '" + clip.string() + "'");
    EXPECT_EQ(late.status, 1);
    EXPECT_NE(late.err.find("ends before the stretch"), std::string::npos);
}

// An old demo's clip is a protocol 68 demo: written under ".dm_68", refused under its own extension
// (no reader would take it for what it is).
TEST(CliEvents, CutOfAnOldDemoIsAProtocol68Demo)
{
    const fs::path source = fs::path(VELMORA_CORPUS_DIR) / "duel-1.27-osp.dm_48";
    if (std::string(VELMORA_CORPUS_DIR).empty() || !fs::exists(source))
        GTEST_SKIP() << "no corpus demo " << source;
    testsupport::ScratchDir dir;
    const fs::path wrong = dir.path() / "clip.dm_48";
    const Result refused = RunCli("cut --from 60 --to 70 '" + source.string() + "' '" + wrong.string() + "'");
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("name it .dm_68"), std::string::npos) << refused.err;
    EXPECT_FALSE(fs::exists(wrong));

    const fs::path clip = dir.path() / "clip.DM_68";
    const Result cut = RunCli("cut --from 60 --to 70 '" + source.string() + "' '" + clip.string() + "'");
    ASSERT_EQ(cut.status, 0) << cut.err;
    const core::DecodedDemo decoded = core::DecodeDemo(testsupport::ReadBytes(clip.string()), 68);
    EXPECT_EQ(decoded.error, core::DecodeError::None);
    EXPECT_TRUE(decoded.endMarker);
}

} // namespace
