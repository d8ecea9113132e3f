// The play commands against the real engine: Debian's ioquake3 with the OpenArena data, in a
// private game directory made by scripts/prepare-test-engine.sh, drawing into an Xvfb display.
// The engine's console log shows what it ran. Skipped when the engine, its data, Xvfb or the real
// demos are not installed.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <thread>

#include "analysis/DemoInfo.h"
#include "app/Settings.h"
#include "core/LibraryTestSupport.h"
#include "library/Scanner.h"
#include "platform/GameProcess.h"
#include "playback/GameLaunch.h"
#include "playback/Mods.h"
#include "playback/PlayList.h"
#include "playback/demoplay.h"
#include "playback/q3a_control.h"
#include "support/Recorder.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using librarytest::ReadText;

const fs::path kEngine = "/usr/lib/ioquake3/ioquake3";
const fs::path kData = "/usr/lib/openarena/baseoa/pak0.pk3";
const fs::path kCorpus = fs::path(VELMORA_CORPUS_DIR) / "modern";
// Recorded by this engine with this data, 40 and 20 seconds long.
const char* const kDemos[] = {"ffa-oa_dm1-ioquake3.dm_71", "ffa-oa_dm2-ioquake3.dm_68"};

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return condition();
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

size_t Count(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// An X server of its own on the first free display number from 90 on.
class VirtualDisplay {
public:
    bool Start(std::string& error)
    {
        const std::optional<std::string> xvfb = platform::FindProgramInPath("Xvfb", std::getenv("PATH"));
        if (!xvfb) {
            error = "Xvfb is not installed";
            return false;
        }
        for (int number = 90; number < 140; ++number) {
            const std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
            if (fs::exists(socket) || fs::exists("/tmp/.X" + std::to_string(number) + "-lock"))
                continue;
            const std::string name = ":" + std::to_string(number);
            if (!m_server.Start({*xvfb, {name, "-screen", "0", "640x480x24", "-nolisten", "tcp"}, "/"}, error))
                return false;
            if (WaitUntil([&] { return fs::exists(socket) || !m_server.IsRunning(); }, 10s) && m_server.IsRunning()) {
                m_name = name;
                return true;
            }
        }
        error = "no display could be opened";
        return false;
    }
    ~VirtualDisplay() { m_server.Close(3s); }
    const std::string& Name() const { return m_name; }

private:
    platform::GameProcess m_server;
    std::string m_name;
};

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!fs::exists(kEngine) || !fs::exists(kData))
            GTEST_SKIP() << "ioquake3 and the OpenArena data are not installed";
        for (const char* demo : kDemos)
            if (!fs::exists(kCorpus / demo))
                GTEST_SKIP() << "the real demos are not there: " << kCorpus;
        std::string error;
        if (!m_display.Start(error))
            GTEST_SKIP() << error;
        ::setenv("DISPLAY", m_display.Name().c_str(), 1);

        const std::string prepare = std::string(VELMORA_SOURCE_DIR) + "/scripts/prepare-test-engine.sh '" +
                                    GameDir().string() + "' > /dev/null";
        ASSERT_EQ(std::system(prepare.c_str()), 0);
        fs::create_directories(m_scratch.path() / "collection");
        for (const char* demo : kDemos)
            fs::copy_file(kCorpus / demo, m_scratch.path() / "collection" / demo);

        m_saved = core::Settings;
        core::Settings = core::SettingsRecord{};
        core::Settings.base_folder = "baseoa";
        core::SetGameDirectory(core::Settings, GameDir().string());
        core::DiscoverMods();
        ASSERT_EQ(core::Settings.game.gameExecutable, (GameDir() / "ioquake3").string());
    }
    void TearDown() override
    {
        if (HasFailure())
            std::cerr << "-- end of the engine's console log:\n" << LogTail() << "\n";
        platform::Game().Close(5s);
        core::Settings = m_saved;
        core::ModTable.clear();
    }

    fs::path GameDir() const { return m_scratch.path() / "game"; }
    fs::path DemoDir() const { return GameDir() / "baseoa" / "demos"; }
    std::string Log() const { return ReadText(GameDir() / "baseoa" / "qconsole.log"); }
    std::string LogTail() const
    {
        const std::string log = Log();
        size_t start = log.size();
        for (int lines = 0; lines < 40 && start > 0 && start != std::string::npos; ++lines)
            start = log.rfind('\n', start - 1);
        return start == std::string::npos ? log : log.substr(start);
    }
    bool LogShows(const std::string& text, std::chrono::milliseconds limit = 20s) const
    {
        return WaitUntil([&] { return Log().find(text) != std::string::npos; }, limit);
    }

    // The demo list of the collection folder, read by the program's own scanner.
    std::vector<core::DemoInfo> Collection()
    {
        core::PlayList demoList, playList;
        core::LibraryFeedback feedback;
        core::ScanSettings settings;
        settings.readCache = settings.writeCache = false;
        core::ScanDemos(core::FolderScanArgument((m_scratch.path() / "collection").string()), demoList, playList,
                        feedback, settings);
        return demoList.Rows();
    }

    librarytest::ScratchFolder m_scratch;
    VirtualDisplay m_display;
    testsupport::RecordingSink m_messages;

private:
    core::SettingsRecord m_saved;
};

TEST_F(EngineTest, PlayListReachesTheEngineAndTheRunningEngineGetsTheNextScript)
{
    const std::vector<core::DemoInfo> rows = Collection();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][core::FieldProtocol], "71");
    EXPECT_EQ(rows[1][core::FieldProtocol], "68");
    core::Settings.q3a_start_param = "+set com_pipefile velmora.fifo";

    // Both demos lie outside the game: copied to temporary demos, script written, engine started.
    ASSERT_TRUE(core::CreatePlaylist(rows));
    EXPECT_TRUE(fs::exists(DemoDir() / "vmrtmp00.dm_71"));
    EXPECT_TRUE(fs::exists(DemoDir() / "vmrtmp01.dm_68"));
    ASSERT_TRUE(core::IsGameRunning());
    ASSERT_TRUE(LogShows("^5VMR ^51.32 ^5(vmrtmp.vmr)"));
    ASSERT_TRUE(LogShows("Demo #^21^7 of ^22^7: ^3ffa-oa_dm1-ioquake3.dm_71"));
    EXPECT_TRUE(LogShows("demos/vmrtmp00.dm_71"));
    EXPECT_TRUE(LogShows("^2NORMALSPEED"));

    // The key bindings of the script are in effect.
    ASSERT_TRUE(core::SendConsoleCommand("bind kp_5"));
    EXPECT_TRUE(LogShows("\"KP_5\" = \"vstr nextdemo\""));

    // A second play command while the engine runs goes through its console, not a new start.
    const pid_t engine = platform::Game().ChildPid();
    ASSERT_TRUE(core::PlayDemo(rows[1]));
    EXPECT_EQ(platform::Game().ChildPid(), engine);
    ASSERT_TRUE(LogShows("Playing demo: ^3ffa-oa_dm2-ioquake3.dm_68"));
    EXPECT_EQ(Count(Log(), "execing vmrtmp.vmr"), 2u);

    // Another program reaches the same engine through its console FIFO.
    platform::GameProcess elsewhere;
    elsewhere.SetPipeFiles(core::ConsolePipeFiles());
    EXPECT_TRUE(elsewhere.IsRunning());
    ASSERT_TRUE(elsewhere.SendLine("echo reached through the fifo"));
    EXPECT_TRUE(LogShows("reached through the fifo"));

    ASSERT_TRUE(core::CloseGame());
    EXPECT_FALSE(core::IsGameRunning());
    ASSERT_TRUE(platform::Game().LastExitStatus());
    EXPECT_TRUE(WIFEXITED(*platform::Game().LastExitStatus()) && WEXITSTATUS(*platform::Game().LastExitStatus()) == 0);

    core::CleanTempFiles();
    EXPECT_FALSE(fs::exists(DemoDir() / "vmrtmp00.dm_71"));
    EXPECT_FALSE(fs::exists(DemoDir() / "vmrtmp01.dm_68"));
    EXPECT_FALSE(fs::exists(DemoDir() / "vmrtmp00.dm_68"));
    EXPECT_FALSE(fs::exists(GameDir() / "baseoa" / "vmrtmp.vmr"));
    EXPECT_TRUE(m_messages.shown.empty());
}

TEST_F(EngineTest, PlayListChainPlaysEveryDemoAndEndsTheGame)
{
    const std::vector<core::DemoInfo> rows = Collection();
    ASSERT_EQ(rows.size(), 2u);
    core::Settings.time_demos = true; // as fast as the machine draws

    ASSERT_TRUE(core::CreatePlaylist(rows));
    ASSERT_TRUE(WaitUntil([] { return !core::IsGameRunning(); }, 90s));
    const std::string log = Log();
    EXPECT_NE(log.find("Demo #^21^7 of ^22^7: ^3ffa-oa_dm1-ioquake3.dm_71"), std::string::npos);
    EXPECT_NE(log.find("Demo #^22^7 of ^22^7: ^3ffa-oa_dm2-ioquake3.dm_68"), std::string::npos);
    EXPECT_EQ(Count(log, " fps "), 2u); // one timedemo result per demo
    ASSERT_TRUE(platform::Game().LastExitStatus());
    EXPECT_TRUE(WIFEXITED(*platform::Game().LastExitStatus()) && WEXITSTATUS(*platform::Game().LastExitStatus()) == 0);

    core::CleanTempFiles();
    EXPECT_TRUE(fs::is_empty(DemoDir()));
}

} // namespace
