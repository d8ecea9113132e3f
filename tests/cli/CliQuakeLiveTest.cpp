// Quake Live demos through the command line: info, a listing with its cache, a demo inside an
// archive and the tree's marks.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/CliRunner.h"
#include "support/DemoBuilder.h"
#include "support/QuakeLiveBuilder.h"
#include "support/ZipBuilder.h"

using namespace clitest;

namespace {

std::vector<uint8_t> Duel(int protocol)
{
    testsupport::QuakeLiveDemo demo(protocol, "1", "bloodrun");
    demo.Player(0, "^1Rex", 0, "^3ZZ", "76561198000000001").Player(1, "Bob", 0).Start(10000);
    demo.Command(testsupport::QuakeLiveScores("scores_duel", protocol, {{0, 0, 12}, {1, 0, 9}}));
    demo.Intermission(610000);
    return demo.Bytes();
}

class CliQuakeLive : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("velmora-cli-ql-" + std::to_string(getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "ql" / "packed");
        fs::create_directories(m_dir / "empty");
    }
    void TearDown() override { fs::remove_all(m_dir); }
    fs::path m_dir;
};

} // namespace

TEST_F(CliQuakeLive, InfoShowsTheMatch)
{
    for (int protocol : {73, 90, 91}) {
        const fs::path path = m_dir / ("duel.dm_" + std::to_string(protocol));
        testsupport::WriteBytes(path.string(), Duel(protocol));
        const Result result = RunCli("info --plain " + Quote(path));
        ASSERT_EQ(result.status, 0) << result.err;
        for (const std::string& line :
             std::vector<std::string>{"Map: bloodrun\n", "Gametype: Duel\n", "Winner: Rex\n", "Second: Bob\n",
                                      "Final Score: 12:9\n", "Protocol: " + std::to_string(protocol) + "\n",
                                      "Hostname: ^1Live ^7Arena\n", "\tclan ZZ\tsteam 76561198000000001\n"})
            EXPECT_NE(result.out.find(line), std::string::npos) << protocol << " [" << line << "]\n" << result.out;
        const Result json = RunCli("info --json " + Quote(path));
        EXPECT_NE(json.out.find("\"clan\": \"^3ZZ\", \"steamId\": \"76561198000000001\""), std::string::npos)
            << json.out;
    }
}

TEST_F(CliQuakeLive, ScanListsCachesAndMarks)
{
    testsupport::WriteBytes((m_dir / "ql" / "a.dm_91").string(), Duel(91));
    testsupport::WriteFile(m_dir / "ql" / "packed" / "demos.zip",
                           testsupport::BuildZip({{.name = "match/b.dm_73", .data = Duel(73), .deflate = true}}));
    const Result first = RunCli("scan --json " + Quote(m_dir / "ql"));
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_NE(first.out.find("\"Gametype\": \"Duel\""), std::string::npos) << first.out;
    EXPECT_NE(first.out.find("\"Final Score\": \"12:9\""), std::string::npos) << first.out;
    const Result second = RunCli("scan --json " + Quote(m_dir / "ql"));
    EXPECT_EQ(second.out.substr(0, second.out.find("\"summary\"")), first.out.substr(0, first.out.find("\"summary\"")));
    EXPECT_NE(second.err.find(" 100.00% read from cache."), std::string::npos) << second.err;

    const Result packed = RunCli("scan --json " + Quote(m_dir / "ql" / "packed"));
    EXPECT_NE(packed.out.find("\"Archive Location\": \"match\""), std::string::npos) << packed.out;
    EXPECT_NE(packed.out.find("\"Protocol\": \"73\""), std::string::npos) << packed.out;
    const Result member = RunCli("info --plain " + Quote(m_dir / "ql" / "packed" / "demos.zip") + " 'match/b.dm_73'");
    EXPECT_NE(member.out.find("Winner: Rex\n"), std::string::npos) << member.out << member.err;

    const Result tree = RunCli("scan --tree " + Quote(m_dir));
    EXPECT_NE(tree.out.find("  * ql\n"), std::string::npos) << tree.out;
    EXPECT_NE(tree.out.find("    empty\n"), std::string::npos) << tree.out;
}
