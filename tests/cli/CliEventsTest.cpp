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

// Every reading command refuses a file that holds no message (status 1, a reason, nothing shown as
// read) instead of showing it as a demo without events.
TEST(CliEvents, FilesWithoutAMessageAreNotDemos)
{
    testsupport::ScratchDir dir;
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
    } files[] = {{"empty.dm_68", {}}, {"end-only.dm_68", std::vector<uint8_t>(8, 0xff)}, {"empty.dm3", {}}};
    for (const auto& file : files) {
        const fs::path demo = dir.path() / file.name;
        testsupport::WriteBytes(demo.string(), file.bytes);
        for (const char* command : {"events --json", "events", "info"}) {
            const Result run = RunCli(std::string(command) + " '" + demo.string() + "'");
            EXPECT_EQ(run.status, 1) << command << " " << file.name << "\n" << run.out;
            EXPECT_FALSE(run.err.empty()) << command << " " << file.name;
            EXPECT_TRUE(run.out.empty()) << command << " " << file.name << ": " << run.out;
        }
    }
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

    // Refusals: a missing input, a FIFO, a stretch past the end.
    EXPECT_EQ(RunCli("cut --from 0 --to 1 '" + (dir.path() / "none.dm_68").string() + "' x").status, 1);
    const fs::path fifo = dir.path() / "pipe.dm_68";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(RunCli("cut --from 0 --to 1 '" + fifo.string() + "' '" + clip.string() + "'").status, 1);
    EXPECT_EQ(RunCli("events '" + fifo.string() + "'").status, 1);
    const Result late = RunCli("cut --from 21 --to 30 '" + demo.string() + "' '" + clip.string() + "'");
    EXPECT_EQ(late.status, 1);
    EXPECT_NE(late.err.find("ends before the stretch"), std::string::npos);
}

// Times on each side of every limit the command line names: no sign, seconds after minutes in two
// digits up to 59, one to three digits of a fraction, numbers up to 100000000, a stretch that does
// not end before it begins. A refusal names the time and what is wrong with it.
TEST(CliEvents, CutTimesAreCheckedAndRefusalsNameThem)
{
    testsupport::ScratchDir dir;
    const fs::path demo = dir.path() / "duel.dm_68";
    const fs::path clip = dir.path() / "clip.dm_68";
    testsupport::WriteBytes(demo.string(), testsupport::EncodeDemo(testsupport::DuelModel()));
    struct Case {
        const char* from;
        const char* to;
        std::string error; // empty: the clip is written
    };
    const Case cases[] = {
        {"0:05", "0:06", ""},
        {"-0:05", "0:06", "--from -0:05 is no demo time: a demo time cannot lie before the demo's start"},
        {"-5", "6", "--from -5 is no demo time: a demo time cannot lie before the demo's start"},
        {"+5", "6", "--from +5 is no demo time: the seconds must be a number up to 100000000"},
        {"0", "0:59", ""},
        {"0", "0:60", "--to 0:60 is no demo time: the seconds after the minutes take two digits, 00 to 59"},
        {"0", "9:99", "--to 9:99 is no demo time: the seconds after the minutes take two digits, 00 to 59"},
        {"0:5", "1", "--from 0:5 is no demo time: the seconds after the minutes take two digits, 00 to 59"},
        {"0:005", "1", "--from 0:005 is no demo time: the seconds after the minutes take two digits, 00 to 59"},
        {"x:05", "1", "--from x:05 is no demo time: the minutes must be a number up to 100000000"},
        {"1:xx", "2", "--from 1:xx is no demo time: the seconds must be a number up to 100000000"},
        {"0:01.001", "2", ""},
        {"0:01.0001", "2", "--from 0:01.0001 is no demo time: the fraction of a second takes one to three digits"},
        {"1.", "2", "--from 1. is no demo time: the fraction of a second takes one to three digits"},
        {"5", "100000000", ""},
        {"5", "100000001", "--to 100000001 is no demo time: the seconds must be a number up to 100000000"},
        {"0:10", "0:10", ""},
        {"0:10", "0:09.999", "the stretch ends before it begins: --from 0:10 lies after --to 0:09.999"},
    };
    for (const Case& c : cases) {
        const Result cut = RunCli(std::string("cut --from ") + c.from + " --to " + c.to + " '" + demo.string() + "' '" +
                                  clip.string() + "'");
        EXPECT_EQ(cut.status, c.error.empty() ? 0 : 2) << c.from << " " << c.to << "\n" << cut.err;
        EXPECT_EQ(cut.err, c.error.empty() ? "" : "velmora-cli cut: " + c.error + "\n") << c.from << " " << c.to;
    }
    EXPECT_TRUE(RunCli("cut --from 1 '" + demo.string() + "' x")
                    .err.starts_with("velmora-cli cut: both --from and --to are needed\nusage: "));
    EXPECT_TRUE(RunCli("cut '" + demo.string() + "' x --to").err.starts_with("velmora-cli cut: --to needs a time\n"));
}

// A demo that breaks off inside (damaged, or cut short inside a message): the clip holds what came
// before, and both commands say so with the exit status of a demo that breaks off; before the
// stretch there is no clip.
TEST(CliEvents, DemoThatBreaksOffGivesAShortClipAndSaysSo)
{
    testsupport::ScratchDir dir;
    const fs::path demo = dir.path() / "duel.dm_68";
    const fs::path clip = dir.path() / "clip.dm_68";
    std::vector<uint8_t> bytes = testsupport::EncodeDemo(testsupport::DuelModel());
    bytes.resize(bytes.size() / 2);
    testsupport::WriteBytes(demo.string(), bytes);
    const core::DecodedDemo source = core::DecodeDemo(bytes, 68);
    ASSERT_EQ(source.error, core::DecodeError::CutOff);
    const std::string where =
        "the demo breaks off at byte " + std::to_string(source.errorOffset) + " (demo cut off inside a message)";

    const Result cut = RunCli("cut --from 0 --to 30 '" + demo.string() + "' '" + clip.string() + "'");
    EXPECT_EQ(cut.status, 3);
    EXPECT_EQ(cut.out, "Wrote " + clip.string() + ": " + std::to_string(source.messages.size() - 1) +
                           " snapshots from server time 10000\n");
    EXPECT_EQ(cut.err, "velmora-cli cut: " + demo.string() + ": " + where + ": the clip ends there\n");
    EXPECT_TRUE(core::DecodeDemo(testsupport::ReadBytes(clip.string()), 68).endMarker);
    // The stretch ends before the damage: a whole clip.
    EXPECT_EQ(RunCli("cut --from 0 --to 1 '" + demo.string() + "' '" + clip.string() + "'").status, 0);

    const Result late = RunCli("cut --from 19 --to 20 '" + demo.string() + "' '" + clip.string() + "'");
    EXPECT_EQ(late.status, 1);
    EXPECT_EQ(late.err, "velmora-cli: T" + where.substr(1) + ", before the stretch begins.\n");

    const fs::path converted = dir.path() / "converted.dm_71";
    const Result convert = RunCli("convert --base baseoa '" + demo.string() + "' '" + converted.string() + "'");
    EXPECT_EQ(convert.status, 3);
    EXPECT_EQ(convert.err, "velmora-cli convert: " + demo.string() + ": " + where + "; converted up to there\n");
    const core::DecodedDemo result = core::DecodeDemo(testsupport::ReadBytes(converted.string()), 71);
    EXPECT_EQ(result.messages.size(), source.messages.size());
    EXPECT_TRUE(result.endMarker);
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
