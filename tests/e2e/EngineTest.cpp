// The play commands against the real engine: Debian's ioquake3 with the OpenArena data, in a
// private game directory made by scripts/prepare-test-engine.sh, drawing into an Xvfb display.
// The engine's console log shows what it ran. Skipped when the engine, its data, Xvfb or the real
// demos are not installed.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <thread>

#include "core/archive/ZipRead.h"
#include "core/convert/DemoClip.h"
#include "core/convert/DemoConversion.h"
#include "core/demo/DemoDecoder.h"
#include "core/demo/DemoEncoder.h"
#include "core/library/Scanner.h"
#include "core/playback/GameLaunch.h"
#include "core/playback/Mods.h"
#include "core/playback/PlayFromMoment.h"
#include "core/playback/PlayList.h"
#include "core/playback/PlayScript.h"
#include "core/playback/RunningGame.h"
#include "core/row/DemoInfo.h"
#include "core/settings/Settings.h"
#include "platform/GameProcess.h"
#include "platform/GameWindow.h"
#include "support/DemoBuilder.h"
#include "support/LibraryTestSupport.h"
#include "support/MessageLog.h"
#include "support/SampleDemos.h"
#include "support/ShownPlays.h"
#include "support/ZipBuilder.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using librarytest::ReadText;

const fs::path kEngine = "/usr/lib/ioquake3/ioquake3";
const fs::path kData = "/usr/lib/openarena/baseoa/pak0.pk3";
// The real demos: beside the repository, or where $VELMORA_CORPUS_DIR says (a work tree elsewhere).
fs::path CorpusDir()
{
    const char* folder = std::getenv("VELMORA_CORPUS_DIR");
    return folder && *folder ? fs::path(folder) : fs::path(VELMORA_CORPUS_DIR);
}
const fs::path kCorpus = CorpusDir() / "modern";
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

// A plain window of the test's own, mapped above everything on the display.
class CoveringWindow {
public:
    CoveringWindow()
    {
        m_connection = xcb_connect(nullptr, nullptr);
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        m_id = xcb_generate_id(m_connection);
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_id, screen->root, 0, 0, 640, 480, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        xcb_map_window(m_connection, m_id);
        xcb_flush(m_connection);
    }
    ~CoveringWindow() { xcb_disconnect(m_connection); }
    uint32_t Id() const { return m_id; }

private:
    xcb_connection_t* m_connection;
    uint32_t m_id;
};

// The process whose window is on top of the display, -2 for a window of no process.
platform::ProcessId TopWindowProcess()
{
    const std::vector<platform::DisplayWindow> windows = platform::TopLevelWindows();
    return windows.empty() ? -2 : windows.back().process;
}

class EngineTest : public testsupport::ShownPlays {
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

        m_record.base_folder = "baseoa";
        core::SetGameDirectory(m_record, GameDir().string());
        core::DiscoverMods(m_record.q3a_dir, m_record.base_folder);
        ASSERT_EQ(m_record.game.gameExecutable, (GameDir() / "ioquake3").string());
    }
    void TearDown() override
    {
        if (HasFailure())
            std::cerr << "-- end of the engine's console log:\n" << LogTail() << "\n";
        platform::Game().Close(5s);
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

    testsupport::ScratchDir m_scratch;
    VirtualDisplay m_display;
};

TEST_F(EngineTest, PlayListReachesTheEngineAndTheRunningEngineGetsTheNextScript)
{
    const std::vector<core::DemoInfo> rows = Collection();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][core::FieldProtocol], "71");
    EXPECT_EQ(rows[1][core::FieldProtocol], "68");
    m_record.q3a_start_param = "+set com_pipefile velmora.fifo";

    // Both demos lie outside the game: copied to temporary demos, script written, engine started.
    ASSERT_TRUE(Shown(core::CreatePlaylist(rows, Play(), m_notices)));
    EXPECT_TRUE(fs::exists(DemoDir() / "vmrtmp00.dm_71"));
    EXPECT_TRUE(fs::exists(DemoDir() / "vmrtmp01.dm_68"));
    ASSERT_TRUE(core::IsGameRunning(Play()));
    ASSERT_TRUE(LogShows("^5VMR ^51.32 ^5(vmrtmp.vmr)"));
    ASSERT_TRUE(LogShows("Demo #^21^7 of ^22^7: ^3ffa-oa_dm1-ioquake3.dm_71"));
    EXPECT_TRUE(LogShows("demos/vmrtmp00.dm_71"));
    EXPECT_TRUE(LogShows("^2NORMALSPEED"));

    // The key bindings of the script are in effect.
    ASSERT_TRUE(core::SendConsoleCommand("bind kp_5", Play()));
    EXPECT_TRUE(LogShows("\"KP_5\" = \"vstr nextdemo\""));

    // A second play command while the engine runs goes through its console, not a new start, and
    // brings the game's window back in front of the one that covered it.
    const platform::ProcessId engine = platform::Game().ChildPid();
    ASSERT_TRUE(WaitUntil([&] { return TopWindowProcess() == engine; }, 10s));
    CoveringWindow cover;
    ASSERT_TRUE(WaitUntil([&] { return platform::TopLevelWindows().back().id == cover.Id(); }, 5s));
    ASSERT_TRUE(Shown(core::PlayDemo(rows[1], Play(), m_notices)));
    EXPECT_EQ(platform::Game().ChildPid(), engine);
    ASSERT_TRUE(LogShows("Playing demo: ^3ffa-oa_dm2-ioquake3.dm_68"));
    EXPECT_EQ(Count(Log(), "execing vmrtmp.vmr"), 2u);
    EXPECT_EQ(TopWindowProcess(), engine);

    // Another program reaches the same engine through its console FIFO.
    platform::GameProcess elsewhere;
    elsewhere.SetPipeFiles(core::ConsolePipeFiles(Play()));
    EXPECT_TRUE(elsewhere.IsRunning());
    ASSERT_TRUE(elsewhere.SendLine("echo reached through the fifo"));
    EXPECT_TRUE(LogShows("reached through the fifo"));

    ASSERT_TRUE(core::CloseGame(Play()));
    EXPECT_FALSE(core::IsGameRunning(Play()));
    ASSERT_TRUE(platform::Game().LastExitStatus());
    EXPECT_TRUE(WIFEXITED(*platform::Game().LastExitStatus()) && WEXITSTATUS(*platform::Game().LastExitStatus()) == 0);

    core::CleanTempFiles(Play());
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
    m_record.time_demos = true; // as fast as the machine draws

    ASSERT_TRUE(Shown(core::CreatePlaylist(rows, Play(), m_notices)));
    ASSERT_TRUE(WaitUntil([this] { return !core::IsGameRunning(Play()); }, 90s));
    const std::string log = Log();
    EXPECT_NE(log.find("Demo #^21^7 of ^22^7: ^3ffa-oa_dm1-ioquake3.dm_71"), std::string::npos);
    EXPECT_NE(log.find("Demo #^22^7 of ^22^7: ^3ffa-oa_dm2-ioquake3.dm_68"), std::string::npos);
    EXPECT_EQ(Count(log, " fps "), 2u); // one timedemo result per demo
    ASSERT_TRUE(platform::Game().LastExitStatus());
    EXPECT_TRUE(WIFEXITED(*platform::Game().LastExitStatus()) && WEXITSTATUS(*platform::Game().LastExitStatus()) == 0);

    core::CleanTempFiles(Play());
    EXPECT_TRUE(fs::is_empty(DemoDir()));
}

TEST_F(EngineTest, DemoTheEngineCannotPlayIsRefusedAndTheRunningGameGoesOn)
{
    // Quake Live's demos: no engine on Linux plays them, and they are not converted. A CPMA demo:
    // its game code is CPMA's, which is not installed.
    if (!fs::exists(CorpusDir() / "ql" / "duel-hektik.dm_73") || !fs::exists(kCorpus / "cpma-duel.dm_68"))
        GTEST_SKIP() << "no Quake Live or CPMA demo in " << CorpusDir();
    fs::copy_file(CorpusDir() / "ql" / "duel-hektik.dm_73", m_scratch.path() / "collection" / "old.dm_73");
    fs::copy_file(kCorpus / "cpma-duel.dm_68", m_scratch.path() / "collection" / "cpma.dm_68");
    const std::vector<core::DemoInfo> rows = Collection();
    ASSERT_EQ(rows.size(), 4u);
    const auto named = [&](const std::string& name) {
        const auto row = std::find_if(rows.begin(), rows.end(),
                                      [&](const core::DemoInfo& r) { return r[core::FieldDemoname] == name; });
        return row == rows.end() ? nullptr : &*row;
    };
    const core::DemoInfo* old = named("old.dm_73");
    const core::DemoInfo* cpma = named("cpma.dm_68");
    const core::DemoInfo* own = named(kDemos[0]);
    ASSERT_TRUE(old && cpma && own);
    ASSERT_EQ((*old)[core::FieldProtocol], "73");
    ASSERT_EQ((*cpma)[core::FieldMod], "cpma");
    // An earlier list left a copy of the engine's own protocol under the name the engine would
    // fall back to.
    fs::copy_file(kCorpus / kDemos[1], DemoDir() / "vmrtmp00.dm_68");

    EXPECT_FALSE(Shown(core::PlayDemo(*old, Play(), m_notices)));
    EXPECT_FALSE(Shown(core::PlayDemo(*cpma, Play(), m_notices)));
    ASSERT_EQ(m_messages.shown.size(), 2u);
    EXPECT_EQ(m_messages.shown[0].title, "Demo Protocol not Playable");
    EXPECT_NE(m_messages.shown[0].text.find("\"old.dm_73\" was recorded by Quake Live"), std::string::npos);
    EXPECT_EQ(m_messages.shown[1].title, "Demo Mod not Installed");
    EXPECT_NE(m_messages.shown[1].text.find("\"cpma.dm_68\" was recorded with the mod \"cpma\""), std::string::npos);
    EXPECT_FALSE(core::IsGameRunning(Play()));
    EXPECT_FALSE(fs::exists(GameDir() / "baseoa" / "vmrtmp.vmr"));

    // With the engine playing, the refusals reach neither the engine nor the files it reads.
    ASSERT_TRUE(Shown(core::PlayDemo(*own, Play(), m_notices)));
    EXPECT_FALSE(fs::exists(DemoDir() / "vmrtmp00.dm_68"));
    ASSERT_TRUE(LogShows("Playing demo: ^3ffa-oa_dm1-ioquake3.dm_71"));
    EXPECT_FALSE(Shown(core::PlayDemo(*old, Play(), m_notices)));
    EXPECT_FALSE(Shown(core::PlayDemo(*cpma, Play(), m_notices)));
    ASSERT_TRUE(core::SendConsoleCommand("echo still playing", Play()));
    ASSERT_TRUE(LogShows("still playing"));
    const std::string log = Log();
    EXPECT_EQ(log.find("not supported for demos"), std::string::npos);
    EXPECT_EQ(log.find("couldn't open"), std::string::npos);
    EXPECT_EQ(log.find("mismatch"), std::string::npos);
    EXPECT_EQ(Count(log, "execing vmrtmp.vmr"), 1u);
    EXPECT_TRUE(fs::exists(DemoDir() / "vmrtmp00.dm_71"));
}

TEST_F(EngineTest, GameLeftPlayingByAnEarlierRunIsSeenKeptAndReached)
{
    const std::vector<core::DemoInfo> rows = Collection();
    ASSERT_EQ(rows.size(), 2u);
    ASSERT_EQ(m_record.q3a_start_param, ""); // no console FIFO of the user's own

    // "Play current Playlist && Exit": an earlier run of the program starts the list and ends.
    const pid_t earlierRun = ::fork();
    ASSERT_GE(earlierRun, 0);
    if (earlierRun == 0)
        ::_exit(Shown(core::CreatePlaylist(rows, Play(), m_notices)) ? 0 : 1);
    int status = 0;
    ASSERT_EQ(::waitpid(earlierRun, &status, 0), earlierRun);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    // This run did not start it, and sees it all the same.
    EXPECT_EQ(platform::Game().ChildPid(), -1);
    ASSERT_TRUE(WaitUntil([this] { return core::IsGameRunning(Play()); }, 20s));
    ASSERT_TRUE(LogShows("Demo #^21^7 of ^22^7: ^3ffa-oa_dm1-ioquake3.dm_71"));

    // The start-up clean-up leaves the files the list still needs.
    core::CleanTempFiles(Play());
    EXPECT_TRUE(fs::exists(DemoDir() / "vmrtmp00.dm_71"));
    EXPECT_TRUE(fs::exists(DemoDir() / "vmrtmp01.dm_68"));
    EXPECT_TRUE(fs::exists(GameDir() / "baseoa" / "vmrtmp.vmr"));

    // "Play it" goes to the running game instead of starting a second one, and brings its window
    // to the front.
    const std::vector<platform::ProcessId> engine =
        platform::ProcessesHolding((GameDir() / "baseoa" / "velmora.fifo").string());
    ASSERT_EQ(engine.size(), 1u);
    ASSERT_TRUE(WaitUntil([&] { return TopWindowProcess() == engine[0]; }, 10s));
    CoveringWindow cover;
    ASSERT_TRUE(WaitUntil([&] { return platform::TopLevelWindows().back().id == cover.Id(); }, 5s));
    ASSERT_TRUE(Shown(core::PlayDemo(rows[1], Play(), m_notices)));
    EXPECT_EQ(platform::Game().ChildPid(), -1);
    ASSERT_TRUE(LogShows("Playing demo: ^3ffa-oa_dm2-ioquake3.dm_68"));
    EXPECT_EQ(Count(Log(), "execing vmrtmp.vmr"), 2u);
    EXPECT_EQ(platform::ProcessesHolding((GameDir() / "baseoa" / "velmora.fifo").string()), engine);
    EXPECT_EQ(TopWindowProcess(), engine[0]);
    EXPECT_EQ(Log().find("couldn't open"), std::string::npos);

    ASSERT_TRUE(core::CloseGame(Play()));
    EXPECT_FALSE(core::IsGameRunning(Play()));
    EXPECT_TRUE(m_messages.shown.empty());
}

// Debian's OpenArena as users start it, through its own wrapper with its own settings
// (com_legacyprotocol 71), its home folder ~/.openarena as the game folder.
TEST_F(EngineTest, OpenArenaWrapperPlaysALegacyProtocolDemo)
{
    const fs::path wrapper = "/usr/games/openarena";
    if (!fs::exists(wrapper))
        GTEST_SKIP() << "the openarena wrapper is not installed";
    const fs::path home = m_scratch.path() / "home";
    fs::create_directories(home / ".openarena" / "baseoa" / "demos");
    const char* savedHome = std::getenv("HOME");
    const std::string oldHome = savedHome ? savedHome : "";
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    core::SetGameDirectory(m_record, (home / ".openarena").string());
    m_record.game_program = wrapper.string();
    // Only what a headless machine needs, and the console log; nothing about protocols.
    m_record.q3a_start_param = "+set s_initsound 0 +set cl_renderer opengl1 +set r_mode -1 "
                               "+set r_customwidth 320 +set r_customheight 240 +set r_fullscreen 0 "
                               "+set in_nograb 1 +set com_introplayed 1 +set net_ip 127.0.0.1 +set logfile 2";
    m_record.time_demos = true;
    const std::vector<core::DemoInfo> rows = Collection();
    ASSERT_EQ(rows[1][core::FieldProtocol], "68");

    const bool played = Shown(core::CreatePlaylist({rows[1]}, Play(), m_notices));
    const bool ended = played && WaitUntil([this] { return !core::IsGameRunning(Play()); }, 90s);
    ::setenv("HOME", oldHome.c_str(), 1);
    const std::string log = ReadText(home / ".openarena" / "baseoa" / "qconsole.log");
    EXPECT_TRUE(played);
    EXPECT_TRUE(ended);
    EXPECT_NE(log.find("Demo #^21^7 of ^21^7: ^3ffa-oa_dm2-ioquake3.dm_68"), std::string::npos) << log.substr(0, 2000);
    EXPECT_EQ(log.find("not supported for demos"), std::string::npos);
    EXPECT_EQ(Count(log, " fps "), 1u) << "the demo was played through";
    EXPECT_TRUE(m_messages.shown.empty());
}

// A demo decoded and written again by the program's own protocol 68 encoder plays on the engine
// like the recording it came from: the same number of frames in a time demo, and no complaint.
TEST_F(EngineTest, DemoReencodedAsProtocol68PlaysFrameForFrame)
{
    const std::vector<uint8_t> original = testsupport::ReadBytes((kCorpus / kDemos[0]).string());
    std::vector<uint8_t> reencoded;
    {
        core::DemoDecoder decoder(original, 71);
        core::DemoEncoder encoder(reencoded);
        core::DemoMessage message;
        while (decoder.Next(message))
            ASSERT_EQ(encoder.Add(message), core::EncodeError::None);
        ASSERT_EQ(decoder.Error(), core::DecodeError::None);
        encoder.Finish();
    }
    testsupport::WriteBytes((m_scratch.path() / "collection" / "reencoded.dm_68").string(), reencoded);
    std::vector<core::DemoInfo> list;
    for (const char* name : {kDemos[0], "reencoded.dm_68"})
        for (const core::DemoInfo& row : Collection())
            if (row[core::FieldDemoname] == name)
                list.push_back(row);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1][core::FieldPlaytime], list[0][core::FieldPlaytime]);
    m_record.time_demos = true;

    ASSERT_TRUE(Shown(core::CreatePlaylist(list, Play(), m_notices)));
    ASSERT_TRUE(WaitUntil([this] { return !core::IsGameRunning(Play()); }, 90s));
    const std::string log = Log();
    std::vector<std::string> frames; // "808 frames 12.2 seconds 66.1 fps ..."
    for (size_t at = log.find(" frames "); at != std::string::npos; at = log.find(" frames ", at + 1))
        frames.push_back(log.substr(log.rfind('\n', at) + 1, at - log.rfind('\n', at) - 1));
    ASSERT_EQ(frames.size(), 2u) << LogTail();
    EXPECT_EQ(frames[1], frames[0]);
    EXPECT_GT(std::stoi(frames[0]), 700);
    EXPECT_EQ(log.find("ERROR"), std::string::npos);
    EXPECT_EQ(log.find("Delta"), std::string::npos); // "Delta frame too old" and its kin
    EXPECT_TRUE(m_messages.shown.empty());
}

// The time demo result lines of the log: "18340 frames 105.6 seconds 173.6 fps ...".
std::vector<int> FrameCounts(const std::string& log)
{
    std::vector<int> frames;
    for (size_t at = log.find(" frames "); at != std::string::npos; at = log.find(" frames ", at + 1)) {
        const size_t line = log.rfind('\n', at) + 1;
        frames.push_back(std::atoi(log.substr(line, at - line).c_str()));
    }
    return frames;
}

// A time demo draws one frame for every 50 ms of server time from the first snapshot to the
// last, whether or not the server sent a snapshot for each.
int SnapshotSteps(const fs::path& demo, int protocol)
{
    const std::vector<uint8_t> bytes = testsupport::ReadBytes(demo.string());
    core::DemoDecoder decoder(bytes, protocol);
    core::DemoMessage message;
    int first = -1, last = 0;
    while (decoder.Next(message))
        if (message.snapshot) {
            if (first < 0)
                first = message.snapshot->serverTime;
            last = message.snapshot->serverTime;
        }
    return (last - first) / 50;
}

// Lines of the engine's log that complain: errors, warnings other than the network's (a second
// engine on the machine holds the port) and the data's, commands the game code does not know, bad
// scores.
std::vector<std::string> Complaints(const std::string& log)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < log.size()) {
        const size_t end = std::min(log.find('\n', start), log.size());
        const std::string line = log.substr(start, end - start);
        // A picture the game's data lacks (a player skin of OpenArena 0.8.1) says nothing of the demo.
        const bool dataWarning =
            line.find("WARNING: NET_") != std::string::npos || line.find("R_FindImageFile") != std::string::npos;
        const bool complaint = line.find("ERROR") != std::string::npos ||
                               (line.find("WARNING") != std::string::npos && !dataWarning) ||
                               line.find("Unknown client game command") != std::string::npos ||
                               line.find("Bad ") != std::string::npos || line.find("mismatch") != std::string::npos;
        if (complaint)
            lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// OpenArena has neither q3dm6 nor ztn3tourney1, nor two maps OpenArena 0.8.1's own demos were
// recorded on: a pack in the game's base folder holds its own maps under those names (its q3dm6
// remake, a tourney map, the remake's first version, a map with at least as many doors and lifts as
// the demo moves).
void InstallStandInMaps(const fs::path& baseFolder)
{
    const std::string maps = "/usr/lib/openarena/baseoa/pak1-maps.pk3";
    std::vector<testsupport::ZipMember> members;
    for (const auto& [own, standIn] : {std::pair{"maps\\q3dm6ish.bsp", "maps/q3dm6.bsp"},
                                       std::pair{"maps\\czest1tourney.bsp", "maps/ztn3tourney1.bsp"},
                                       std::pair{"maps\\q3dm6ish.bsp", "maps/q3dm6ish_v2.bsp"},
                                       std::pair{"maps\\oa_dm1.bsp", "maps/schism-b2.bsp"}}) {
        core::ZipSearchRec search;
        ASSERT_EQ(core::FindMemberByName(maps, own, search), 0) << own;
        const uint32_t offset = search.headerOffset;
        core::CloseZipSearch(search);
        const fs::path extracted = baseFolder / "standin.tmp";
        ASSERT_EQ(core::UnzipFile(maps, extracted.string(), 0, offset), core::UnzipResult::Ok);
        members.push_back({.name = standIn, .data = testsupport::ReadBytes(extracted.string())});
        fs::remove(extracted);
    }
    testsupport::WriteFile(baseFolder / "zz-standin-maps.pk3", testsupport::BuildZip(members));
}

// The old game's demos through "Play it": converted to protocol 68 for the engine and played
// to their end, frame for frame, without a complaint of the engine or its game code.
TEST_F(EngineTest, OldDemosPlayConvertedToTheirEnd)
{
    struct OldDemo {
        const char* file;
        int protocol;
    };
    const OldDemo demos[] = {{"duel-1.17-osp.dm3", 45}, {"duel-1.27-osp.dm_48", 48}};
    for (const OldDemo& demo : demos) {
        if (!fs::exists(CorpusDir() / demo.file))
            GTEST_SKIP() << "the old demos are not there: " << CorpusDir();
        fs::copy_file(CorpusDir() / demo.file, m_scratch.path() / "collection" / demo.file);
    }
    InstallStandInMaps(GameDir() / "baseoa");
    m_record.time_demos = true;
    for (const OldDemo& demo : demos) {
        const core::DemoInfo* row = nullptr;
        const std::vector<core::DemoInfo> rows = Collection();
        for (const core::DemoInfo& r : rows)
            if (r[core::FieldDemoname] == demo.file)
                row = &r;
        ASSERT_TRUE(row) << demo.file;
        fs::remove(GameDir() / "baseoa" / "qconsole.log");

        ASSERT_TRUE(Shown(core::PlayDemo(*row, Play(), m_notices))) << demo.file;
        EXPECT_TRUE(fs::exists(DemoDir() / "vmrtmp00.dm_68")) << demo.file;
        ASSERT_TRUE(WaitUntil([this] { return !core::IsGameRunning(Play()); }, 280s)) << demo.file;
        const std::string log = Log();
        EXPECT_NE(log.find("Playing demo: ^3" + std::string(demo.file)), std::string::npos) << demo.file;
        EXPECT_EQ(FrameCounts(log), std::vector<int>{SnapshotSteps(CorpusDir() / demo.file, demo.protocol)})
            << demo.file;
        EXPECT_EQ(Complaints(log), std::vector<std::string>{}) << demo.file;
        // The game printed what the conversion says, right after it started the demo's game code.
        const size_t notice = log.find("Converted from protocol " + std::to_string(demo.protocol) + " to 68");
        EXPECT_NE(notice, std::string::npos) << demo.file;
        EXPECT_LT(notice, log.find(" frames ")) << demo.file;
    }
    EXPECT_TRUE(m_messages.shown.empty());
}

// The sample game's demos, written by the project's own demo writer: through "Play it" each
// protocol's shortest one (of a batch the sample game gets) is converted and played to its end on
// its OpenArena map, frame for frame, without a complaint.
TEST_F(EngineTest, SampleDemosPlayConvertedToTheirEnd)
{
    std::map<int, testsupport::SampleDemo> shortest;
    for (testsupport::SampleDemo& demo : testsupport::SampleDemos(20, 2)) {
        auto [at, added] = shortest.try_emplace(demo.protocol, demo);
        if (!added && demo.bytes.size() < at->second.bytes.size())
            at->second = std::move(demo);
    }
    ASSERT_EQ(shortest.size(), 4u);
    for (const auto& [protocol, demo] : shortest)
        testsupport::WriteBytes((m_scratch.path() / "collection" / demo.name).string(), demo.bytes);
    m_record.time_demos = true;
    for (const auto& [protocol, demo] : shortest) {
        const std::vector<core::DemoInfo> rows = Collection();
        const auto row = std::find_if(rows.begin(), rows.end(),
                                      [&](const core::DemoInfo& r) { return r[core::FieldDemoname] == demo.name; });
        ASSERT_NE(row, rows.end()) << demo.name;
        ASSERT_EQ((*row)[core::FieldProtocol], std::to_string(protocol));
        fs::remove(GameDir() / "baseoa" / "qconsole.log");

        ASSERT_TRUE(Shown(core::PlayDemo(*row, Play(), m_notices))) << demo.name;
        ASSERT_TRUE(WaitUntil([this] { return !core::IsGameRunning(Play()); }, 200s)) << demo.name;
        const std::string log = Log();
        EXPECT_EQ(FrameCounts(log),
                  std::vector<int>{SnapshotSteps(m_scratch.path() / "collection" / demo.name, protocol)})
            << demo.name;
        EXPECT_EQ(Complaints(log), std::vector<std::string>{}) << demo.name;
    }
    EXPECT_TRUE(m_messages.shown.empty());
}

// Everything below a folder, symbolic links not followed, as paths relative to it.
std::set<std::string> FilesBelow(const fs::path& folder)
{
    std::set<std::string> files;
    for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it)
        files.insert(fs::relative(it->path(), folder).string());
    return files;
}

// The sample game's bot matches are recorded by the engine in a home folder of their own: the
// recording's small window, renderer and player name never reach the settings the user's games
// start with, and nothing but the two demos stays behind.
TEST_F(EngineTest, SampleMatchesAreRecordedWithoutLeavingTheirSettingsBehind)
{
    const std::set<std::string> before = FilesBelow(GameDir());
    const std::string record = "VELMORA_MATCH_SECONDS=2 bash " + std::string(VELMORA_SOURCE_DIR) +
                               "/scripts/record-sample-matches.sh '" + GameDir().string() + "' > /dev/null";
    ASSERT_EQ(std::system(record.c_str()), 0);

    std::set<std::string> expected = before;
    expected.insert("baseoa/demos/bots-oa_dm2.dm_68");
    expected.insert("baseoa/demos/bots-oa_dm1.dm_71");
    EXPECT_EQ(FilesBelow(GameDir()), expected);
    EXPECT_FALSE(fs::exists(GameDir() / "baseoa" / "q3config.cfg"));
    // Two seconds of play each, 20 snapshots a second.
    EXPECT_GE(SnapshotSteps(DemoDir() / "bots-oa_dm2.dm_68", 68), 30);
    EXPECT_GE(SnapshotSteps(DemoDir() / "bots-oa_dm1.dm_71", 71), 30);
}

// OpenArena 0.8.1's own demos, from the pack OpenArena ships them in (Debian's openarena-081-misc,
// linked into the game's base folder; the corpus's fly-by demo is its flyby_oa_dm3): "Play it"
// converts each to protocol 71 for OpenArena's data, and the 0.8.8 engine plays it to its last
// frame, the recording player's weapons and armour in their places.
class OpenArena081DemoTest : public EngineTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(OpenArena081DemoTest, PlaysConvertedFromItsPackToTheEnd)
{
    const fs::path pack = GameDir() / "baseoa" / "pak6-misc.pk3";
    if (!fs::exists(pack))
        GTEST_SKIP() << "OpenArena 0.8.1's demos are not installed (openarena-081-misc)";
    const std::string name = std::string(GetParam()) + ".dm_70";
    InstallStandInMaps(GameDir() / "baseoa");
    core::PlayList demoList, playList;
    core::LibraryFeedback feedback;
    core::ScanSettings settings;
    settings.readCache = settings.writeCache = false;
    core::ScanDemos(core::FolderScanArgument((GameDir() / "baseoa").string()), demoList, playList, feedback, settings);
    const core::DemoInfo* row = nullptr;
    for (const core::DemoInfo& r : demoList.Rows())
        if (r[core::FieldDemoname] == name && r[core::FieldLocation] == pack.string())
            row = &r;
    ASSERT_TRUE(row) << name;
    core::ZipSearchRec search;
    ASSERT_EQ(core::FindMemberByName(pack.string(), "demos\\" + name, search), 0);
    const uint32_t offset = search.headerOffset;
    core::CloseZipSearch(search);
    const fs::path original = m_scratch.path() / name;
    ASSERT_EQ(core::UnzipFile(pack.string(), original.string(), 0, offset), core::UnzipResult::Ok);
    m_record.time_demos = true;

    ASSERT_TRUE(Shown(core::PlayDemo(*row, Play(), m_notices)));
    EXPECT_TRUE(fs::exists(DemoDir() / "vmrtmp00.dm_71"));
    ASSERT_TRUE(WaitUntil([this] { return !core::IsGameRunning(Play()); }, 500s)) << LogTail();
    const std::string log = Log();
    EXPECT_EQ(FrameCounts(log), std::vector<int>{SnapshotSteps(original, 70)}) << LogTail();
    EXPECT_EQ(Complaints(log), std::vector<std::string>{});
    EXPECT_TRUE(m_messages.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Pack, OpenArena081DemoTest,
                         ::testing::Values("flyby_compromise", "flyby_hydronex", "flyby_oa_dm3", "flyby_oaspirit",
                                           "flyby_suspended", "stress_bases3", "stress_q3dm6ishv2", "stress_sago",
                                           "stress_schism"));

// A demo damaged inside: an entity's trajectory type no game code knows, as a flipped bit made it
// in a demo the engine then stopped at ("BG_EvaluateTrajectory: unknown trType"). Converted, it
// ends before the damage, and the engine plays all of it.
TEST_F(EngineTest, DamagedDemoConvertedPlaysUpToTheDamage)
{
    const std::vector<uint8_t> original = testsupport::ReadBytes((kCorpus / kDemos[1]).string());
    std::vector<uint8_t> damaged;
    {
        core::DemoDecoder decoder(original, 68);
        core::DemoEncoder encoder(damaged);
        core::DemoMessage message;
        int snapshots = 0;
        while (decoder.Next(message)) {
            if (message.snapshot && ++snapshots == 200 && !message.snapshot->entities.empty())
                message.snapshot->entities.back()[core::EntityField::PosTrType] = 31;
            ASSERT_EQ(encoder.Add(message), core::EncodeError::None);
        }
        encoder.Finish();
    }
    const core::ConvertedDemo converted = core::ConvertDemo(damaged, 68, 68, core::GameDataForBaseFolder("baseoa"));
    ASSERT_TRUE(converted.ok) << converted.failure;
    ASSERT_NE(converted.brokeOff.find("unknown kind of trajectory, 31"), std::string::npos) << converted.brokeOff;
    const fs::path file = m_scratch.path() / "collection" / "damaged.dm_68";
    testsupport::WriteBytes(file.string(), converted.bytes);
    const int steps = SnapshotSteps(file, 68);
    EXPECT_GT(steps, 150);
    EXPECT_LT(steps, SnapshotSteps(kCorpus / kDemos[1], 68));
    std::vector<core::DemoInfo> list;
    for (const core::DemoInfo& row : Collection())
        if (row[core::FieldDemoname] == "damaged.dm_68")
            list.push_back(row);
    ASSERT_EQ(list.size(), 1u);
    m_record.time_demos = true;

    ASSERT_TRUE(Shown(core::CreatePlaylist(list, Play(), m_notices)));
    ASSERT_TRUE(WaitUntil([this] { return !core::IsGameRunning(Play()); }, 120s));
    const std::string log = Log();
    EXPECT_EQ(FrameCounts(log), std::vector<int>{steps}) << LogTail();
    EXPECT_EQ(Complaints(log), std::vector<std::string>{});
    EXPECT_TRUE(m_messages.shown.empty());
}

// "Play from here" and a saved clip: cuts that begin at a key frame in the middle of the match
// play to their end, with nothing the engine complains about.
TEST_F(EngineTest, CutFromTheMiddlePlaysToItsEnd)
{
    std::vector<core::DemoInfo> rows;
    for (const core::DemoInfo& row : Collection())
        if (row[core::FieldDemoname] == kDemos[0])
            rows.push_back(row);
    ASSERT_EQ(rows.size(), 1u);
    const std::string source = (m_scratch.path() / "collection" / kDemos[0]).string();
    fs::path clip;
    ASSERT_TRUE(
        core::SaveClip(source, {}, 5000, 25000, core::TargetGameData{}, m_scratch.path() / "collection", clip).ok);
    m_record.time_demos = true;
    m_record.play_from_seconds = 5;

    ASSERT_TRUE(Shown(core::PlayFromMoment(rows[0], source, {}, 20000, Play(), m_notices)));
    ASSERT_TRUE(WaitUntil([this] { return !core::IsGameRunning(Play()); }, 90s));
    // Each start of the engine begins its log afresh.
    std::string log = Log();
    for (const core::DemoInfo& row : Collection())
        if (row[core::FieldDemoname] == clip.filename().string())
            rows.push_back(row);
    ASSERT_EQ(rows.size(), 2u);
    ASSERT_TRUE(Shown(core::CreatePlaylist({rows[1]}, Play(), m_notices)));
    ASSERT_TRUE(WaitUntil([this] { return !core::IsGameRunning(Play()); }, 90s));

    log += Log();
    std::vector<int> frames; // "808 frames 12.2 seconds 66.1 fps ..."
    for (size_t at = log.find(" frames "); at != std::string::npos; at = log.find(" frames ", at + 1))
        frames.push_back(std::stoi(log.substr(log.rfind('\n', at) + 1)));
    ASSERT_EQ(frames.size(), 2u) << LogTail();
    // From 15 s of a 40-second demo to its end, and 20 s of it: a frame per snapshot, 20 a second.
    EXPECT_GT(frames[0], 400);
    EXPECT_EQ(frames[1], 400);
    EXPECT_EQ(log.find("ERROR"), std::string::npos);
    EXPECT_EQ(log.find("Delta"), std::string::npos);
    EXPECT_TRUE(m_messages.shown.empty());
}

// "Play from here" on an old demo: the cut is made from its conversion, so the engine of today
// plays the 1.27 duel from the tenth minute to its end without a complaint.
TEST_F(EngineTest, OldDemoPlaysFromAMomentConverted)
{
    const char* file = "duel-1.27-osp.dm_48";
    if (!fs::exists(CorpusDir() / file))
        GTEST_SKIP() << "the old demos are not there: " << CorpusDir();
    fs::copy_file(CorpusDir() / file, m_scratch.path() / "collection" / file);
    InstallStandInMaps(GameDir() / "baseoa");
    const core::DemoInfo* row = nullptr;
    const std::vector<core::DemoInfo> rows = Collection();
    for (const core::DemoInfo& r : rows)
        if (r[core::FieldDemoname] == file)
            row = &r;
    ASSERT_TRUE(row);
    fs::remove(GameDir() / "baseoa" / "qconsole.log");
    m_record.time_demos = true;
    m_record.play_from_seconds = 5;

    const std::string source = (m_scratch.path() / "collection" / file).string();
    ASSERT_TRUE(Shown(core::PlayFromMoment(*row, source, {}, 600000, Play(), m_notices)));
    const fs::path temp = DemoDir() / "vmrtmp00.dm_68";
    ASSERT_TRUE(fs::exists(temp));
    EXPECT_FALSE(fs::exists(DemoDir() / "vmrtmp00.dm_48"));
    const int steps = SnapshotSteps(temp, 68);
    // From 9:55 of a 15-minute match: about five minutes of snapshots, 20 a second.
    EXPECT_GT(steps, 4 * 60 * 20);
    EXPECT_LT(steps, SnapshotSteps(CorpusDir() / file, 48));
    ASSERT_TRUE(WaitUntil([this] { return !core::IsGameRunning(Play()); }, 200s));
    const std::string log = Log();
    EXPECT_EQ(FrameCounts(log), std::vector<int>{steps}) << LogTail();
    EXPECT_EQ(Complaints(log), std::vector<std::string>{});
    EXPECT_TRUE(m_messages.shown.empty());
}

} // namespace
