// Video export with the real engine: Debian's ioquake3 with the OpenArena data in a private game
// directory (scripts/prepare-test-engine.sh), filming on an Xvfb screen of the capture's own, then
// ffmpeg. ffprobe checks what a video player would get. Skipped when the engine, its data, Xvfb,
// ffmpeg or the real demos are not installed.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "core/video/CapturePlan.h"
#include "core/video/VideoCapture.h"
#include "platform/GameProcess.h"
#include "support/ScratchDir.h"

namespace {

namespace fs = std::filesystem;

fs::path Corpus()
{
    const char* folder = std::getenv("VELMORA_CORPUS_DIR");
    return (folder && *folder ? fs::path(folder) : fs::path(VELMORA_CORPUS_DIR)) / "modern";
}

std::string Output(const std::string& command)
{
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t got;
        while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            text.append(buffer, got);
        pclose(pipe);
    }
    return text;
}

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct Probe {
    int frames = 0;
    int width = 0, height = 0;
    bool audio = false;
};

Probe ProbeVideo(const fs::path& video)
{
    Probe probe;
    std::istringstream lines(Output("ffprobe -v error -count_frames -show_entries "
                                    "stream=codec_type,width,height,nb_read_frames -of compact=p=0 '" +
                                    video.string() + "'"));
    for (std::string line; std::getline(lines, line);) {
        if (line.find("codec_type=audio") != std::string::npos)
            probe.audio = true;
        if (line.find("codec_type=video") == std::string::npos)
            continue;
        std::sscanf(line.substr(line.find("width=")).c_str(), "width=%d|height=%d", &probe.width, &probe.height);
        std::sscanf(line.substr(line.find("nb_read_frames=")).c_str(), "nb_read_frames=%d", &probe.frames);
    }
    return probe;
}

// Every process whose command line names the folder.
int ProcessesNaming(const std::string& folder)
{
    int count = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::string words = ReadText(entry.path() / "cmdline");
        if (words.find(folder) != std::string::npos)
            ++count;
    }
    return count;
}

class VideoExport : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
        if (!fs::exists("/usr/lib/ioquake3/ioquake3") || !fs::exists("/usr/lib/openarena/baseoa/pak0.pk3"))
            GTEST_SKIP() << "ioquake3 and the OpenArena data are not installed";
        for (const char* program : {"Xvfb", "ffmpeg", "ffprobe"})
            if (!platform::FindProgramInPath(program, path))
                GTEST_SKIP() << program << " is not installed";
        if (!fs::exists(Corpus() / "ffa-oa_dm1-ioquake3.dm_71"))
            GTEST_SKIP() << "the real demos are not there: " << Corpus();
        const std::string prepare =
            std::string(VELMORA_SOURCE_DIR) + "/scripts/prepare-test-engine.sh '" + Game().string() + "' > /dev/null";
        ASSERT_EQ(std::system(prepare.c_str()), 0);
        // The user's own configuration, which a capture reads and never changes.
        std::ofstream(Game() / "baseoa" / "q3config.cfg") << "seta cg_drawFPS \"1\"\nseta name \"Tester\"\n";
        m_game.paths = core::MakeGamePaths(Game().string(), "baseoa");
        m_game.baseFolder = "baseoa";
        m_game.mods = core::ListMods(Game().string(), "baseoa");
        m_settings.width = 320;
        m_settings.height = 240;
    }

    fs::path Game() const { return m_scratch.path() / "game"; }
    fs::path Videos() const { return m_scratch.path() / "Videos"; }

    core::PlanResult Plan(const char* demo, const std::string& output, std::optional<int64_t> from = std::nullopt,
                          std::optional<int64_t> to = std::nullopt)
    {
        core::VideoSource source;
        source.name = (Corpus() / demo).string();
        source.demoName = demo;
        source.protocol = demo[std::string(demo).size() - 1] == '8' ? "68" : "71";
        source.map = std::string(demo).find("oa_dm1") != std::string::npos ? "oa_dm1" : "oa_dm2";
        source.mod = "baseoa";
        source.from = from;
        source.to = to;
        return core::PlanCapture(source, (Videos() / output).string(), m_settings, m_game,
                                 core::CurrentCaptureSystem());
    }

    // Nothing but the finished videos in the folder, nothing new in the user's game folder.
    void ExpectNothingLeftBehind(const std::vector<std::string>& videos)
    {
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(Videos()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, videos);
        EXPECT_EQ(ReadText(Game() / "baseoa" / "q3config.cfg"), "seta cg_drawFPS \"1\"\nseta name \"Tester\"\n");
        for (const char* written : {"qconsole.log", "videos", "demos/velmora-video.dm_71"})
            EXPECT_FALSE(fs::exists(Game() / "baseoa" / written)) << written;
    }

    testsupport::ScratchDir m_scratch;
    core::CaptureGame m_game;
    core::VideoSettings m_settings;
};

TEST_F(VideoExport, ShortDemoAndAClipFromTheMiddleBecomePlayableVideos)
{
    // A whole 20-second demo, MP4 with sound.
    const core::PlanResult whole = Plan("ffa-oa_dm2-ioquake3.dm_68", "dm2.mp4");
    ASSERT_TRUE(whole.plan) << whole.problem;
    int reports = 0;
    core::CaptureResult result = core::RunCapture(*whole.plan, {}, [&](const core::CaptureProgress&) { ++reports; });
    ASSERT_TRUE(result.ok) << result.problem;
    EXPECT_TRUE(result.hidden);
    EXPECT_GT(reports, 10);
    Probe probe = ProbeVideo(Videos() / "dm2.mp4");
    EXPECT_NEAR(probe.frames, whole.plan->length * 30 / 1000.0, 1.0);
    EXPECT_EQ(probe.frames, result.frames);
    EXPECT_EQ(probe.width, 320);
    EXPECT_EQ(probe.height, 240);
    EXPECT_TRUE(probe.audio);
    std::cout << "capture " << result.captureSeconds << " s, encode " << result.encodeSeconds << " s for "
              << result.frames << " frames\n";

    // Four seconds from the middle of the 40-second demo, WebM at 60 fps without sound.
    m_settings.format = core::VideoFormat::WebM;
    m_settings.sound = false;
    m_settings.fps = 60;
    const core::PlanResult clip = Plan("ffa-oa_dm1-ioquake3.dm_71", "clip.webm", 20000, 24000);
    ASSERT_TRUE(clip.plan) << clip.problem;
    EXPECT_NEAR(clip.plan->length, 4000, 100);
    result = core::RunCapture(*clip.plan, {}, {});
    ASSERT_TRUE(result.ok) << result.problem;
    probe = ProbeVideo(Videos() / "clip.webm");
    EXPECT_NEAR(probe.frames, clip.plan->length * 60 / 1000.0, 1.0);
    EXPECT_EQ(probe.width, 320);
    EXPECT_FALSE(probe.audio);

    ExpectNothingLeftBehind({"clip.webm", "dm2.mp4"});
}

TEST_F(VideoExport, StopHalfWayEndsTheEngineAndLeavesNothing)
{
    const core::PlanResult planned = Plan("ffa-oa_dm1-ioquake3.dm_71", "stopped.mp4");
    ASSERT_TRUE(planned.plan) << planned.problem;
    std::stop_source stop;
    int framesWhenStopped = 0;
    const core::CaptureResult result =
        core::RunCapture(*planned.plan, stop.get_token(), [&](const core::CaptureProgress& progress) {
            if (progress.stage == core::CaptureProgress::Stage::Capturing && progress.frames >= 60 &&
                !stop.stop_requested()) {
                framesWhenStopped = progress.frames;
                EXPECT_EQ(ProcessesNaming(Videos().string()), 1); // the engine, filming
                stop.request_stop();
            }
        });
    EXPECT_TRUE(result.stopped);
    EXPECT_FALSE(result.ok);
    EXPECT_GE(framesWhenStopped, 60);
    EXPECT_EQ(ProcessesNaming(Videos().string()), 0);
    ExpectNothingLeftBehind({});
}

} // namespace
