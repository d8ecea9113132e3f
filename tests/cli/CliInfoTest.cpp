// velmora-cli run from outside, on demos and archives written by the fixture builders; the
// output is compared with the expected files in tests/cli/expected (VELMORA_UPDATE_EXPECTED=1
// rewrites them after a deliberate change).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/CliRunner.h"
#include "support/DemoBuilder.h"
#include "support/ScratchDir.h"
#include "support/ZipBuilder.h"

namespace fs = std::filesystem;
using clitest::Quote;
using clitest::Result;
using clitest::RunCli;
using testsupport::DemoBuilder;
using testsupport::Message;

namespace {

class CliInfo : public ::testing::Test {
protected:
    // A team demo with players, score changes and a score report.
    static std::vector<uint8_t> TeamDemo(int protocol)
    {
        const bool old = protocol < 46;
        // Each entry has 5 numbers below plus the rest of the protocol's entry width.
        const int width = protocol == 46 ? 15 : protocol > 46 ? 14 : 6;
        std::string extra;
        for (int i = 5; i < width; ++i)
            extra += " 0";
        DemoBuilder demo(protocol);
        demo.Add(Message(protocol).GameState(
            {{0,
              testsupport::ServerInfo(protocol, "Q3CTF1", "4",
                                      "\\gamename\\baseq3\\g_redteam\\^1Stroggs\\sv_maxclients\\12\\capturelimit\\8")},
             {1, "\\sv_pure\\1"},
             {3, "Dueling Keeps"},
             {544, testsupport::UserInfo("^1Ranger", 1)},
             {545, testsupport::UserInfo("Visor", 2, "4.000000")},
             {546, testsupport::UserInfo("Watcher", 3)}}));
        demo.Add(Message(protocol).Snapshot(20000));
        demo.Add(Message(protocol).ServerCommand(1, old ? "cs 13 \"21000\"" : "cs 21 \"21000\"").Snapshot(21000));
        demo.Add(Message(protocol).ServerCommand(2, "cs 6 \"1\"").Snapshot(80000));
        demo.Add(Message(protocol).ServerCommand(3, "print \"^1Ranger captured the flag!\n\"").Snapshot(81000));
        demo.Add(Message(protocol).ServerCommand(4, "cs 7 \"1\"").Snapshot(140000));
        demo.Add(Message(protocol).ServerCommand(5, "cs 6 \"2\"").Snapshot(200000));
        demo.Add(
            Message(protocol)
                .ServerCommand(6, "scores 3 2 1 0 12 40 3 0" + extra + " 1 7 55 3 0" + extra + " 2 0 0 1 0" + extra)
                .Snapshot(201000));
        demo.Add(Message(protocol).ServerCommand(7, old ? "cs 14 \"1\"" : "cs 22 \"1\"").Snapshot(205000));
        demo.End();
        return demo.Bytes();
    }

    void ExpectOutput(const std::string& arguments, const std::string& expectedName)
    {
        const Result result = RunCli(arguments);
        EXPECT_EQ(result.status, 0) << result.err;
        const fs::path expected = fs::path(VELMORA_SOURCE_DIR) / "tests/cli/expected" / expectedName;
        std::string text = result.out;
        // The temporary folder differs from run to run.
        for (size_t at; (at = text.find(m_dir.string())) != std::string::npos;)
            text.replace(at, m_dir.string().size(), "TMP");
        if (std::getenv("VELMORA_UPDATE_EXPECTED")) {
            std::ofstream(expected, std::ios::binary) << text;
            return;
        }
        std::ifstream in(expected, std::ios::binary);
        std::stringstream want;
        want << in.rdbuf();
        EXPECT_EQ(text, want.str()) << "expected output in " << expected;
    }

    const testsupport::ScratchDir m_scratch;
    const fs::path m_dir = m_scratch.path();
};

// 2001-08-15 13:45:30 UTC as a file time.
void SetFileTime(const fs::path& path)
{
    const struct timespec times[2] = {{997883130, 0}, {997883130, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

} // namespace

TEST_F(CliInfo, EveryOldProtocol)
{
    for (int protocol : {43, 45, 46, 48}) {
        const fs::path path = m_dir / ("team" + std::to_string(protocol) + (protocol == 48 ? ".dm_48" : ".dm3"));
        testsupport::WriteBytes(path.string(), TeamDemo(protocol));
        SetFileTime(path);
        ExpectOutput("info --course " + Quote(path), "team" + std::to_string(protocol) + ".txt");
    }
}

TEST_F(CliInfo, DemosInsideArchives)
{
    const std::vector<uint8_t> demo = TeamDemo(48);
    const std::vector<testsupport::ZipMember> members = {
        {.name = "readme.txt", .data = {'h', 'i'}},
        {.name = "demos/ctf/final.dm_48", .data = demo, .deflate = true},
    };
    testsupport::WriteFile(m_dir / "pak9.pk3", testsupport::BuildZip(members));
    testsupport::WriteFile(m_dir / "demos.zip", testsupport::BuildZip(members));
    testsupport::WriteFile(m_dir / "demos.exe", testsupport::BuildZip(members, {.exeStubSize = 4096}));
    for (const char* archive : {"pak9.pk3", "demos.zip", "demos.exe"}) {
        const Result result = RunCli("info --json " + Quote(m_dir / archive) + " 'demos/ctf/FINAL.dm_48'");
        EXPECT_EQ(result.status, 0) << archive << result.err;
        EXPECT_NE(result.out.find("\"Winner\": \"^1Stroggs\""), std::string::npos) << archive << result.out;
        EXPECT_NE(result.out.find("\"Final Score\": \"2:1\""), std::string::npos) << archive;
        EXPECT_NE(result.out.find("\"recorded\": \"06/15/21 12:30:00\""), std::string::npos) << archive;
    }
    ExpectOutput("info --json --plain " + Quote(m_dir / "pak9.pk3") + " 'demos\\ctf\\final.dm_48'", "member.json");
}

TEST_F(CliInfo, ErrorsGoToStandardError)
{
    testsupport::WriteBytes((m_dir / "text.dm3").string(), {'n', 'o', 't', ' ', 'a', ' ', 'd', 'e', 'm', 'o'});
    testsupport::WriteFile(m_dir / "pak.pk3", testsupport::BuildZip({{.name = "a.dm3", .data = {1, 2}}}));
    const struct {
        std::string arguments;
        const char* message;
    } cases[] = {
        {"info " + Quote(m_dir / "missing.dm3"), "cannot read"},
        {"info " + Quote(m_dir / "text.dm3"), "not a demo"},
        {"info " + Quote(m_dir / "pak.pk3") + " b.dm3", "is not in"},
        {"info", "usage"},
        {"frobnicate", "usage"},
    };
    for (const auto& c : cases) {
        const Result result = RunCli(c.arguments);
        EXPECT_NE(result.status, 0) << c.arguments;
        EXPECT_TRUE(result.out.empty()) << c.arguments;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << c.arguments << ": " << result.err;
    }
}

TEST(CliRealDemos, CourseWalksToTheEnd)
{
    for (const char* name : {"duel-1.17-osp.dm3", "duel-1.27-osp.dm_48"}) {
        const fs::path path = fs::path(VELMORA_CORPUS_DIR) / name;
        if (!fs::exists(path))
            GTEST_SKIP() << "corpus not present";
        const Result result = RunCli("info --course --plain " + Quote(path));
        EXPECT_EQ(result.status, 0) << result.err;
        for (const char* part : {"*** GAME START ***", "*** GAME END ***", "Demo end.", "Gametype: Tournament"})
            EXPECT_NE(result.out.find(part), std::string::npos) << name << " " << part;
    }
}
