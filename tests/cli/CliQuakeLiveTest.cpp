// Quake Live demos through the command line: what info prints of them. Their listing, cache and
// archives go the way of every demo (tests/cli/CliScanTest; their extensions: core's QuakeLiveTest).
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/CliRunner.h"
#include "support/DemoBuilder.h"
#include "support/QuakeLiveBuilder.h"

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
        fs::create_directories(m_dir);
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
