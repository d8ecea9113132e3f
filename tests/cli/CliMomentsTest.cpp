// velmora-cli moments and clips: moments from the index as a table and as JSON, and a clip of each
// written beside the others without replacing any.
#include <gtest/gtest.h>

#include <set>

#include "core/events/DemoEventsLoad.h"
#include "support/CliRunner.h"
#include "support/DemoBuilder.h"
#include "support/MomentDemo.h"

namespace fs = std::filesystem;
using clitest::Quote;
using clitest::Result;
using clitest::RunCli;

namespace {

class CliMoments : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("velmora-cli-moments-" + std::to_string(getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "library");
        fs::create_directories(m_dir / "data");
        // Alice rails Bob at 2 s and 5 s of demo time (Bob in the air the second time), Bob
        // rockets Alice at 8 s, and Bob says gg at the end.
        testsupport::MomentDemoPlan plan{.players = {"Alice", "^1Bob"}, .recorder = 0};
        plan.places = {{15000, 1, 80, false}, {16000, 1, 0, true}};
        plan.frags = {{12000, 0, 1, 10}, {15000, 0, 1, 10}, {18000, 1, 0, 6}};
        plan.commands = {{19000, "chat \"^1Bob^7\x19: gg\""}};
        testsupport::WriteBytes((m_dir / "library" / "duel.dm_68").string(), testsupport::MomentDemoBytes(plan));
        ASSERT_EQ(RunCli("index " + Data() + " " + Quote(m_dir / "library")).status, 0);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Data() const { return "--data-dir " + Quote(m_dir / "data"); }

    fs::path m_dir;
};

TEST_F(CliMoments, MomentsAsATableAndAsJson)
{
    const Result table = RunCli("moments " + Data() + " frag by:alice");
    ASSERT_EQ(table.status, 0) << table.err;
    const std::string location = (m_dir / "library").string();
    EXPECT_EQ(table.out, "duel.dm_68\t" + location + "\t0:02.000\tFrag\tAlice\t^1Bob\tRailgun\n" + "duel.dm_68\t" +
                             location + "\t0:05.000\tFrag\tAlice\t^1Bob\tRailgun (air)\n");
    EXPECT_EQ(table.err, "2 moment(s) found\n");
    // A search with a moment term answers with the same moments.
    EXPECT_EQ(RunCli("search " + Data() + " frag by:alice").out, table.out);

    const Result json = RunCli("moments --json " + Data() + " 'say:GG' map:q3dm6");
    ASSERT_EQ(json.status, 0) << json.err;
    for (const std::string part : {"\"kind\": \"Chat\"", "\"demoTime\": 9000", "\"serverTime\": 19000",
                                   "\"playerName\": \"^1Bob\"", "\"text\": \"gg\"", "\"count\": 1", "\"more\": false"})
        EXPECT_NE(json.out.find(part), std::string::npos) << part << "\n" << json.out;
    const Result air = RunCli("moments --json " + Data() + " air");
    for (const std::string part :
         {"\"victimPlace\": [100, 0, 80]", "\"victimAirborne\": true", "\"weapon\": \"Railgun\""})
        EXPECT_NE(air.out.find(part), std::string::npos) << part << "\n" << air.out;

    struct Refusal {
        std::string arguments;
        int status;
        std::string message;
    };
    for (const Refusal& r : std::vector<Refusal>{
             {"moments " + Data() + " map:q3dm6", 2, "names no moment"},
             {"moments " + Data() + " multi:3", 2, "write multi:N/S"},
             {"moments " + Data(), 2, "usage"},
             {"moments --data-dir " + Quote(m_dir / "nothing") + " frag", 1, "no library index yet"},
             {"clips " + Data() + " frag", 2, "usage"},
             {"clips " + Data() + " map:q3dm6 " + Quote(m_dir / "out"), 2, "names no moment"},
             {"clips --before -1 " + Data() + " frag " + Quote(m_dir / "out"), 2, "usage"},
             {"clips " + Data() + " frag " + Quote(m_dir / "library" / "duel.dm_68"), 1, "not a folder"},
         }) {
        const Result refused = RunCli(r.arguments);
        EXPECT_EQ(refused.status, r.status) << r.arguments;
        EXPECT_NE(refused.err.find(r.message), std::string::npos) << r.arguments << ": " << refused.err;
    }
}

TEST_F(CliMoments, ClipsOfEveryMomentNeverReplacingOne)
{
    const fs::path out = m_dir / "clips";
    const Result made = RunCli("clips --before 1 --after 2 " + Data() + " frag " + Quote(out));
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_NE(made.err.find("[3/3] duel.dm_68 0:07.000-0:10.000: "), std::string::npos) << made.err;
    EXPECT_NE(made.err.find("3 clip(s) written, 0 already there, 0 failed"), std::string::npos) << made.err;
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(out))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names.size(), 3u); // no folder of the work left behind
    // Each clip is a demo holding its frag, a second after the start.
    for (const std::string& name : names) {
        const core::DemoEventsResult clip = core::LoadDemoEvents((out / name).string(), {});
        EXPECT_TRUE(clip.problem.empty()) << name << ": " << clip.problem;
        size_t frags = 0;
        for (const core::DemoEvent& e : clip.events)
            if (e.kind == core::EventKind::Frag) {
                ++frags;
                EXPECT_EQ(e.demoTime, 1000) << name;
            }
        EXPECT_EQ(frags, 1u) << name;
        EXPECT_NE(made.out.find((out / name).string() + "\n"), std::string::npos) << made.out;
    }

    // Again: every clip is there already and stays as it was.
    const auto before = fs::last_write_time(out / *names.begin());
    const Result again = RunCli("clips --before 1 --after 2 " + Data() + " frag " + Quote(out));
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.err.find("0 clip(s) written, 3 already there, 0 failed"), std::string::npos) << again.err;
    EXPECT_EQ(again.out, "");
    EXPECT_EQ(fs::last_write_time(out / *names.begin()), before);
    EXPECT_EQ(static_cast<size_t>(std::distance(fs::directory_iterator(out), fs::directory_iterator())), 3u);
}

} // namespace
