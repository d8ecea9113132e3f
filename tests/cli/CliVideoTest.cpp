// "velmora-cli video" from outside: wrong command lines exit with 2 and the usage, refusals with 1
// and the reason before any game starts, and a short stretch of a real demo becomes an MP4 when
// the engine, its data, Xvfb and ffmpeg are installed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/CliRunner.h"
#include "support/EventDemoModel.h"
#include "support/ScratchDir.h"
#include "support/ZipBuilder.h"

namespace {

namespace fs = std::filesystem;
using clitest::Quote;

// The CLI reads the program's settings and the engines' home folders: here those of a scratch home.
class CliVideo : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
        m_savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
        ::setenv("HOME", (m_scratch.path() / "home").c_str(), 1);
        ::unsetenv("XDG_CONFIG_HOME");
        ::unsetenv("XDG_DATA_HOME");
        fs::create_directories(m_scratch.path() / "home");
        const fs::path game = m_scratch.path() / "game";
        fs::create_directories(game / "baseq3");
        testsupport::WriteFile(game / "ioquake3", {'#', '!', '/', 'b', 'i', 'n', '/', 's', 'h', '\n'});
        fs::permissions(game / "ioquake3", fs::perms::owner_all);
        testsupport::WriteFile(game / "baseq3" / "pak0.pk3", testsupport::BuildZip({{.name = "maps/q3dm6.bsp"}}));
        testsupport::WriteFile(Demo(), testsupport::EncodeDemo(testsupport::DuelModel())); // q3dm17
    }
    void TearDown() override
    {
        ::setenv("HOME", m_savedHome.c_str(), 1);
        ::setenv("PATH", m_savedPath.c_str(), 1);
    }
    fs::path Demo() const { return m_scratch.path() / "duel.dm_68"; }
    std::string Game() const { return "--game " + Quote(m_scratch.path() / "game") + " "; }

    testsupport::ScratchDir m_scratch;
    std::string m_savedHome, m_savedPath;
};

TEST_F(CliVideo, WrongCommandLinesAndRefusalsSayWhy)
{
    const std::string demo = Quote(Demo());
    const std::string out = Quote(m_scratch.path() / "v.mp4");
    struct Case {
        std::string arguments;
        int status;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"video " + demo, 2, "usage: velmora-cli video [--from T --to T]"},
        {"video --size 640 " + demo + " " + out, 2, "--size takes WIDTHxHEIGHT, not 640"},
        {"video --fps fast " + demo + " " + out, 2, "--fps takes a number, not fast"},
        {"video --format avi " + demo + " " + out, 2, "--format takes mp4 or webm, not avi"},
        {"video --format webm " + demo + " " + out, 2, "--format webm does not match the name"},
        {"video " + demo + " v.avi", 2, "must end in .mp4 or .webm"},
        {"video --from 0:10 --to 0:05 " + demo + " " + out, 2, "--to lies before --from"},
        {"video --loud " + demo + " " + out, 2, "unknown option --loud"},
        {"video " + Game() + Quote(m_scratch.path() / "none.dm_68") + " " + out, 1, "cannot read"},
        {"video " + Game() + demo + " " + out, 1, "The map \"q3dm17\" of the demo \"duel.dm_68\" is not in"},
        {"video --size 321x240 " + Game() + demo + " " + out, 1, "must be even numbers"},
    };
    for (const Case& c : cases) {
        const clitest::Result result = clitest::RunCli(c.arguments);
        EXPECT_EQ(result.status, c.status) << c.arguments << "\n" << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << c.arguments << "\n" << result.err;
        EXPECT_TRUE(result.out.empty()) << c.arguments;
    }

    // With the map there, ffmpeg is the next thing missing on a PATH without it.
    testsupport::WriteFile(m_scratch.path() / "game" / "baseq3" / "pak1.pk3",
                           testsupport::BuildZip({{.name = "maps/q3dm17.bsp"}}));
    ::setenv("PATH", (m_scratch.path() / "home").c_str(), 1);
    const clitest::Result result = clitest::RunCli("video " + Game() + demo + " " + out);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("ffmpeg was not found"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("apt install ffmpeg"), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(m_scratch.path() / "v.mp4"));
}

TEST_F(CliVideo, AStretchOfARealDemoBecomesAnMp4)
{
    const fs::path demo = fs::path(VELMORA_CORPUS_DIR) / "modern" / "ffa-oa_dm2-ioquake3.dm_68";
    if (!fs::exists("/usr/lib/ioquake3/ioquake3") || !fs::exists(demo) ||
        std::system("command -v Xvfb ffmpeg "
                    "ffprobe > /dev/null") != 0)
        GTEST_SKIP() << "the engine, its data, Xvfb, ffmpeg or the real demos are not installed";
    const fs::path game = m_scratch.path() / "oa";
    ASSERT_EQ(std::system(
                  (std::string(VELMORA_SOURCE_DIR) + "/scripts/prepare-test-engine.sh " + Quote(game) + " > /dev/null")
                      .c_str()),
              0);
    const fs::path out = m_scratch.path() / "Videos" / "three seconds.mp4";
    const clitest::Result result = clitest::RunCli("video --from 0:05 --to 0:08 --size 320x240 --game " + Quote(game) +
                                                   " --base baseoa " + Quote(demo) + " " + Quote(out));
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.rfind("Wrote " + out.string() + ": ", 0), 0u) << result.out;
    EXPECT_NE(result.err.find("Capturing frame"), std::string::npos);
    EXPECT_NE(result.err.find("Encoding frame"), std::string::npos);
    FILE* probe =
        popen(("ffprobe -v error -show_entries stream=codec_type,width -of csv=p=0 " + Quote(out)).c_str(), "r");
    ASSERT_NE(probe, nullptr);
    char buffer[256] = {};
    const size_t got = fread(buffer, 1, sizeof buffer - 1, probe);
    pclose(probe);
    EXPECT_EQ(std::string(buffer, got), "video,320\naudio\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(out.parent_path()), fs::directory_iterator()), 1);
}

} // namespace
