// Video export before anything runs: what the plan refuses and why, the disk space it asks for,
// the engine's and ffmpeg's words, and the frames counted in an AVI still being written.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/video/AviFrameCount.h"
#include "core/video/CapturePlan.h"
#include "core/video/VideoCapture.h"
#include "core/video/VideoChoices.h"
#include "core/video/VideoEncode.h"
#include "support/EventDemoModel.h"
#include "support/ScratchDir.h"
#include "support/ZipBuilder.h"

namespace {

namespace fs = std::filesystem;

void WriteText(const fs::path& path, const std::string& text, bool executable = false)
{
    fs::create_directories(path.parent_path());
    testsupport::WriteFile(path, std::vector<uint8_t>(text.begin(), text.end()));
    if (executable)
        fs::permissions(path, fs::perms::owner_all);
}

// A game folder with an engine, the main pack holding q3dm17 and the mod cpma installed; the
// programs the capture runs on a PATH of their own; the DuelModel demo (20 s on q3dm17).
class VideoPlan : public ::testing::Test {
public:
    void SetUp() override
    {
        m_game = {}, m_system = {}, m_source = {}, m_settings = {};
        const fs::path game = m_scratch.path() / "game";
        WriteText(game / "ioquake3", "#!/bin/sh\n", true);
        testsupport::WriteFile(game / "baseq3" / "pak0.pk3", testsupport::BuildZip({{.name = "maps/q3dm17.bsp"}}));
        testsupport::WriteFile(game / "cpma" / "z-cpma-pak.pk3", testsupport::BuildZip({{.name = "maps/cpm22.bsp"}}));
        for (const char* program : {"ffmpeg", "Xvfb"})
            WriteText(m_scratch.path() / "bin" / program, "#!/bin/sh\n", true);
        testsupport::WriteFile(Demo(), testsupport::EncodeDemo(testsupport::DuelModel()));

        m_game.paths = core::MakeGamePaths(game.string(), "baseq3");
        m_game.baseFolder = "baseq3";
        m_game.mods = core::ListMods(game.string(), "baseq3");
        m_system.searchPath = (m_scratch.path() / "bin").string();
        m_system.display = ":5";
        m_system.freeSpace = [](const std::string&) { return std::optional<unsigned long long>(1ull << 40); };
        m_source.name = Demo().string();
        m_source.demoName = "duel.dm_68";
        m_source.protocol = "68";
        m_source.map = "q3dm17";
        m_source.mod = "baseq3";
        m_settings.width = 320;
        m_settings.height = 240;
    }
    fs::path Demo() const { return m_scratch.path() / "duel.dm_68"; }
    std::string Output(const char* extension = ".mp4") const
    {
        return (m_scratch.path() / "Videos" / (std::string("duel") + extension)).string();
    }
    core::PlanResult Plan(const std::string& output) const
    {
        return core::PlanCapture(m_source, output, m_settings, m_game, m_system);
    }

    testsupport::ScratchDir m_scratch;
    core::CaptureGame m_game;
    core::CaptureSystem m_system;
    core::VideoSource m_source;
    core::VideoSettings m_settings;
};

TEST_F(VideoPlan, EverythingACaptureNeedsIsFoundOrRefusedWithItsReason)
{
    struct Case {
        const char* what;
        std::function<void(VideoPlan&)> change;
        const char* problem; // empty: planned; "*": refused, whatever the words
        const char* extension = ".mp4";
    };
    const auto fs_remove = [](const fs::path& path) { fs::remove_all(path); };
    const std::vector<Case> cases = {
        {"all there", [](VideoPlan&) {}, ""},
        {"map missing", [](VideoPlan& t) { t.m_source.map = "q3dm7"; }, "The map \"q3dm7\" of the demo \"duel.dm_68\""},
        {"map in the mod's pack", [](VideoPlan& t) { t.m_source.map = "cpm22", t.m_source.mod = "cpma"; }, ""},
        {"mod missing", [](VideoPlan& t) { t.m_source.mod = "osp"; }, "with the mod \"osp\", which is not installed"},
        {"Quake Live", [](VideoPlan& t) { t.m_source.protocol = "73"; }, "was recorded by Quake Live"},
        {"no engine", [&](VideoPlan& t) { fs_remove(t.m_scratch.path() / "game" / "ioquake3"); },
         "No game program was found"},
        {"the original game only",
         [](VideoPlan& t) {
             const fs::path original = t.m_scratch.path() / "game" / "quake3.x86";
             WriteText(original, "#!/bin/sh\n", true);
             t.m_game.programSetting = original.string();
         },
         "cannot record video: that takes ioquake3"},
        {"no ffmpeg", [&](VideoPlan& t) { fs_remove(t.m_scratch.path() / "bin" / "ffmpeg"); },
         "ffmpeg was not found: it encodes the video. Install it"},
        {"no Xvfb for a hidden capture", [&](VideoPlan& t) { fs_remove(t.m_scratch.path() / "bin" / "Xvfb"); },
         "Xvfb was not found"},
        {"no Xvfb, window seen",
         [&](VideoPlan& t) { fs_remove(t.m_scratch.path() / "bin" / "Xvfb"), t.m_settings.showWindow = true; }, ""},
        {"window seen without display",
         [](VideoPlan& t) { t.m_settings.showWindow = true, t.m_system.display.clear(); }, "no display"},
        {"unreadable demo", [](VideoPlan& t) { t.m_source.name += ".gone"; }, "could not be read"},
        {"range past the end", [](VideoPlan& t) { t.m_source.from = 60000; }, "*"},
        {"name of the other format", [](VideoPlan&) {}, "must end in .mp4", ".webm"},
        {"odd width", [](VideoPlan& t) { t.m_settings.width = 321; }, "must be even numbers"},
        {"smallest size", [](VideoPlan& t) { t.m_settings.width = 64, t.m_settings.height = 64; }, ""},
        {"below the smallest", [](VideoPlan& t) { t.m_settings.height = 62; }, "must be even numbers"},
        {"largest size", [](VideoPlan& t) { t.m_settings.width = 7680, t.m_settings.height = 4320; }, ""},
        {"wider than that", [](VideoPlan& t) { t.m_settings.width = 7682; }, "must be even numbers"},
        {"no frame rate", [](VideoPlan& t) { t.m_settings.fps = 0; }, "from 1 to 240"},
        {"240 fps", [](VideoPlan& t) { t.m_settings.fps = 240; }, ""},
        {"241 fps", [](VideoPlan& t) { t.m_settings.fps = 241; }, "from 1 to 240"},
    };
    for (const Case& c : cases) {
        SetUp();
        c.change(*this);
        const core::PlanResult result = Plan(Output(c.extension));
        if (std::string(c.problem) == "*") { // the cut says why
            EXPECT_FALSE(result.plan || result.problem.empty()) << c.what;
        } else if (*c.problem == '\0') {
            EXPECT_TRUE(result.plan) << c.what << ": " << result.problem;
        } else {
            EXPECT_FALSE(result.plan) << c.what;
            EXPECT_NE(result.problem.find(c.problem), std::string::npos) << c.what << ": " << result.problem;
        }
    }
}

TEST_F(VideoPlan, FramesAndDiskSpaceFollowTheDemoTimeTheSizeAndTheRange)
{
    // 20 s of demo at 30 fps; 320x240 frames take 28800 + 24 bytes, a frame's sound 6400 + 24.
    core::PlanResult whole = Plan(Output());
    ASSERT_TRUE(whole.plan) << whole.problem;
    EXPECT_EQ(whole.plan->length, 20000);
    EXPECT_EQ(whole.plan->expectedFrames, 600);
    EXPECT_EQ(whole.plan->aviBytes, 600ull * (28824 + 6424) + 65536);
    EXPECT_EQ(whole.plan->demoExtension, ".dm_68");

    m_settings.sound = false;
    m_settings.fps = 60;
    EXPECT_EQ(Plan(Output()).plan->aviBytes, 1200ull * 28824 + 65536);

    // A range is cut first: only its time is filmed.
    m_settings = {};
    m_settings.width = 320, m_settings.height = 240;
    m_source.from = 5000;
    m_source.to = 10000;
    const core::PlanResult range = Plan(Output());
    ASSERT_TRUE(range.plan) << range.problem;
    EXPECT_EQ(range.plan->length, 5000);
    EXPECT_EQ(range.plan->expectedFrames, 150);

    // The AVI and the video beside it: 21214336 bytes and a quarter more.
    m_source.from.reset(), m_source.to.reset();
    for (const auto& [free, planned] : {std::pair{26517920ull, true}, std::pair{26517919ull, false}}) {
        m_system.freeSpace = [free = free](const std::string&) { return std::optional<unsigned long long>(free); };
        const core::PlanResult result = Plan(Output());
        EXPECT_EQ(result.plan.has_value(), planned) << free;
        if (!planned) {
            EXPECT_NE(result.problem.find("needs about 26 MB"), std::string::npos) << result.problem;
        }
    }
}

TEST(VideoEngine, CaptureWordsStayFewAndEndWithTheScript)
{
    core::CapturePlan plan;
    plan.settings.width = 1280, plan.settings.height = 720, plan.settings.fps = 60;
    plan.game.globalParameters = "+set cg_fov 110 +exec my.cfg";
    plan.modFolder = "cpma";
    const std::vector<std::string> words = core::EngineCaptureArguments(plan, "/g", "/h");
    // The engine drops every command after its 32nd; a launcher's own (OpenArena's: 6, the test
    // engine's: 16) and the user's come first.
    EXPECT_LE(std::count_if(words.begin(), words.end(), [](const std::string& w) { return w[0] == '+'; }), 12);
    const std::vector<std::string> start(words.begin(), words.begin() + 5);
    EXPECT_EQ(start, (std::vector<std::string>{"+set", "cg_fov", "110", "+exec", "my.cfg"}));
    EXPECT_EQ(std::vector<std::string>(words.end() - 2, words.end()),
              (std::vector<std::string>{"+exec", "velmora-video.cfg"}));
    for (const char* setting : {"fs_basepath /g", "fs_homepath /h", "fs_game cpma", "r_customwidth 1280",
                                "r_customheight 720", "cl_aviFrameRate 60", "s_initsound 1"}) {
        const std::string name(setting, std::string(setting).find(' '));
        const auto at = std::find(words.begin(), words.end(), name);
        ASSERT_NE(at, words.end()) << setting;
        EXPECT_EQ(name + " " + *(at + 1), setting);
    }
    // Sound is filmed from the engine's own mixer only.
    EXPECT_NE(core::CaptureConfigText(plan.settings).find("seta s_useOpenAL \"0\""), std::string::npos);
    plan.settings.sound = false;
    EXPECT_EQ(core::CaptureConfigText(plan.settings).find("s_useOpenAL"), std::string::npos);

    using Stage = core::CaptureProgress::Stage;
    EXPECT_EQ(core::CaptureProgressText({Stage::Starting, 0, 1213, -1, true}), "Starting the game...");
    EXPECT_EQ(core::CaptureProgressText({Stage::Capturing, 120, 1213, 45.4, true}),
              "Capturing frame 120 of 1213, about 0:45 left");
    EXPECT_EQ(core::CaptureProgressText({Stage::Encoding, 1214, 1213, 0, true}),
              "Encoding frame 1214 of 1214, about 0:00 left");
    EXPECT_EQ(core::CaptureProgressText({Stage::Encoding, 0, 1213, -1, true}), "Encoding frame 0 of 1213");
}

TEST(VideoEncode, FormatsSoundAndPartsReachFfmpeg)
{
    core::VideoSettings settings;
    const auto has = [](const std::vector<std::string>& args, const std::vector<std::string>& part) {
        return std::search(args.begin(), args.end(), part.begin(), part.end()) != args.end();
    };
    std::vector<std::string> args = core::EncodeArguments(settings, {"a.avi"}, "l.txt", "p.txt", "o.mp4");
    EXPECT_TRUE(has(args, {"-i", "a.avi"}));
    EXPECT_TRUE(has(args, {"-c:v", "libx264"}));
    EXPECT_TRUE(has(args, {"-crf", "23"}));
    EXPECT_TRUE(has(args, {"-c:a", "aac"}));
    EXPECT_TRUE(has(args, {"-progress", "p.txt"}));
    EXPECT_EQ(args.back(), "o.mp4");

    settings.format = core::VideoFormat::WebM;
    settings.sound = false;
    settings.quality = core::VideoQuality::High;
    args = core::EncodeArguments(settings, {"a.avi", "a.avi_"}, "l.txt", "p.txt", "o.webm");
    EXPECT_TRUE(has(args, {"-f", "concat", "-safe", "0", "-i", "l.txt"}));
    EXPECT_TRUE(has(args, {"-c:v", "libvpx-vp9", "-crf", "24"}));
    EXPECT_TRUE(has(args, {"-an"}));
    EXPECT_FALSE(has(args, {"-c:a", "libopus"}));
    EXPECT_EQ(core::ConcatListText({"/v/it's.avi"}), "file '/v/it'\\''s.avi'\n");

    EXPECT_EQ(core::EncodedFrames("frame=12\nfps=3\nprogress=continue\nframe=40\nfps=4\n"), 40);
    EXPECT_EQ(core::EncodedFrames("fps=3\n"), std::nullopt);
    EXPECT_EQ(core::EncodedFrames("out_frame=7\n"), std::nullopt);
}

// The engine's AVI as it grows: headers, then "LIST" "movi", then chunks, the index at the end.
TEST(AviFrameCount, CountsWholeChunksOfAFileStillBeingWritten)
{
    testsupport::ScratchDir scratch;
    const fs::path avi = scratch.path() / "v.avi";
    std::string bytes = std::string("RIFF\0\0\0\0AVI LIST\4\0\0\0hdrl", 24) + std::string("LIST\0\0\0\0movi", 12);
    const auto chunk = [](const char* id, uint32_t size) {
        std::string text(id, 4);
        for (int shift = 0; shift < 32; shift += 8)
            text += static_cast<char>((size >> shift) & 0xFF);
        return text + std::string(size + (size & 1), 'x');
    };
    const std::string frames = chunk("00dc", 3) + chunk("01wb", 8) + chunk("00dc", 4);
    const std::string last = chunk("00dc", 5);
    WriteText(avi, bytes + frames + last.substr(0, last.size() - 1));
    core::AviFrameCount count(avi.string());
    ASSERT_TRUE(count.Update());
    EXPECT_EQ(count.VideoFrames(), 2); // the last one lacks its padding byte
    EXPECT_EQ(count.SoundChunks(), 1);
    WriteText(avi, bytes + frames + last + chunk("idx1", 16));
    count.Update();
    EXPECT_EQ(count.VideoFrames(), 3);
    EXPECT_TRUE(count.Finished());

    core::AviFrameCount missing((scratch.path() / "none.avi").string());
    EXPECT_FALSE(missing.Update());
    EXPECT_EQ(core::AviPartName("v.avi", 2), "v.avi__");
}

} // namespace

namespace {

TEST(VideoChoices, NamesSizesAndTheStretchAroundAMoment)
{
    using core::VideoFormat;
    EXPECT_EQ(core::VideoFileName("duel.dm_68", std::nullopt, std::nullopt, VideoFormat::Mp4), "duel.mp4");
    EXPECT_EQ(core::VideoFileName("demos\\final.DM_48", 150000, 185000, VideoFormat::WebM), "final-02.30-03.05.webm");
    EXPECT_EQ(core::WithVideoExtension("/v/a.mp4", VideoFormat::WebM), "/v/a.webm");
    EXPECT_EQ(core::WithVideoExtension("/v/a.WEBM", VideoFormat::Mp4), "/v/a.mp4");
    EXPECT_EQ(core::WithVideoExtension("/v/a.avi", VideoFormat::Mp4), "/v/a.avi.mp4");

    const std::vector<core::VideoSize> sizes = core::VideoSizeChoices();
    EXPECT_EQ(sizes.front(), (core::VideoSize{320, 240}));
    EXPECT_EQ(sizes.back(), (core::VideoSize{2048, 1536}));
    for (const core::VideoSize size :
         {core::VideoSize{1280, 720}, core::VideoSize{1920, 1080}, core::VideoSize{856, 480}})
        EXPECT_NE(std::find(sizes.begin(), sizes.end(), size), sizes.end()) << size.width;

    // Five seconds before, three after, within the demo (length 0: its end unknown).
    using Range = std::pair<int64_t, int64_t>;
    EXPECT_EQ(core::VideoRangeAround(4999, 60000), (Range{0, 7999}));
    EXPECT_EQ(core::VideoRangeAround(5000, 60000), (Range{0, 8000}));
    EXPECT_EQ(core::VideoRangeAround(5001, 60000), (Range{1, 8001}));
    EXPECT_EQ(core::VideoRangeAround(56999, 60000), (Range{51999, 59999}));
    EXPECT_EQ(core::VideoRangeAround(57001, 60000), (Range{52001, 60000}));
    EXPECT_EQ(core::VideoRangeAround(57001, 0), (Range{52001, 60001}));
}

} // namespace
