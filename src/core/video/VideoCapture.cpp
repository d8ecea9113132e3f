#include "core/video/VideoCapture.h"

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "core/common/FileNames.h"
#include "core/common/FileWrite.h"
#include "core/library/DemoFiles.h"
#include "core/row/DemoInfo.h"
#include "core/video/AviFrameCount.h"
#include "core/video/VideoEncode.h"
#include "platform/ChildProcess.h"
#include "platform/ShellWords.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace core {
namespace {

// A game that shows an error and stays in its menu writes no more frames: after this long without
// one the error ends the capture.
constexpr auto kErrorQuiet = 3s;
// Without any error, the longest a game may go without a new frame: loading a big map on a slow
// machine before the first, far less between two.
constexpr auto kFirstFrameLimit = 120s;
constexpr auto kNextFrameLimit = 60s;
constexpr auto kPoll = 100ms;

// The capture's own folder, removed with everything in it whatever way the capture ends.
class WorkFolder {
public:
    bool Make(const fs::path& parent, std::string& error)
    {
        std::string pattern = (parent / ".velmora-video-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) {
            error = "The folder " + parent.string() + " cannot be written to.";
            return false;
        }
        m_path = pattern;
        return true;
    }
    ~WorkFolder()
    {
        std::error_code ignored;
        if (!m_path.empty())
            fs::remove_all(m_path, ignored);
    }
    const fs::path& Path() const { return m_path; }

private:
    fs::path m_path;
};

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool Writable(const fs::path& path, std::string_view text)
{
    return ReplaceFileContents(path, text);
}

bool HoldsMainPack(const std::string& folder)
{
    for (const FolderEntry& entry : ListFolder(folder))
        if (!entry.isDirectory && LowerCase(entry.name) == "pak0.pk3")
            return true;
    return false;
}

// Links to what the user's folder holds, except what the engine writes or what would mix the
// user's demos and videos into the capture.
void LinkFolder(const std::string& from, const fs::path& to, bool packsOnly)
{
    std::error_code ignored;
    fs::create_directories(to, ignored);
    for (const FolderEntry& entry : ListFolder(from)) {
        const std::string name = LowerCase(entry.name);
        if (entry.isPipeOrDevice || name == "demos" || name == "videos" || name == "screenshots" ||
            name == "qconsole.log" || name == "q3config.cfg" || fs::exists(to / entry.name, ignored))
            continue;
        if (packsOnly && (entry.isDirectory || LowerExtension(name) != ".pk3"))
            continue;
        fs::create_symlink(fs::path(from) / entry.name, to / entry.name, ignored);
    }
}

// The user's configuration with the capture's settings after it.
bool WriteConfig(const CapturePlan& plan, const std::string& folder, const fs::path& to)
{
    std::vector<std::string> candidates;
    for (const std::string& home : plan.game.elsewhere.homes)
        candidates.push_back(JoinPath(JoinPath(home, folder), "q3config.cfg"));
    candidates.push_back(JoinPath(JoinPath(plan.game.paths.gameDirectory, folder), "q3config.cfg"));
    std::string text;
    std::error_code ignored;
    for (const std::string& candidate : candidates)
        if (fs::is_regular_file(candidate, ignored)) {
            text = ReadText(candidate);
            break;
        }
    return Writable(to / "q3config.cfg", text + CaptureConfigText(plan.settings));
}

struct CaptureFolders {
    fs::path game; // empty: the engine's own
    fs::path home;
};

// The folders the engine runs with, the demo and the script that plays and films it.
bool PrepareFolders(const CapturePlan& plan, const fs::path& work, CaptureFolders& folders)
{
    const std::string& base = plan.game.baseFolder;
    folders.home = work / "home";
    if (HoldsMainPack(plan.game.paths.baseDirectory)) {
        folders.game = work / "game";
        LinkFolder(plan.game.paths.baseDirectory, folders.game / base, false);
        if (!plan.modFolder.empty())
            LinkFolder(plan.modDirectory, folders.game / plan.modFolder, false);
    } else {
        // A game folder without the game's packs is a home folder of the engine's: its packs
        // join the capture's home, the engine finds its own.
        LinkFolder(plan.game.paths.baseDirectory, folders.home / base, true);
        if (!plan.modFolder.empty())
            LinkFolder(plan.modDirectory, folders.home / plan.modFolder, true);
    }
    // Maps and mods the user downloaded live in the engines' home folders.
    for (const std::string& home : plan.game.elsewhere.homes) {
        LinkFolder(JoinPath(home, base), folders.home / base, true);
        if (!plan.modFolder.empty())
            LinkFolder(JoinPath(home, plan.modFolder), folders.home / plan.modFolder, true);
    }
    std::error_code error;
    fs::create_directories(folders.home / base / "demos", error);
    if (!WriteConfig(plan, base, folders.home / base))
        return false;
    if (!plan.modFolder.empty()) {
        fs::create_directories(folders.home / plan.modFolder, error);
        if (!WriteConfig(plan, plan.modFolder, folders.home / plan.modFolder))
            return false;
    }
    const std::string demoName = std::string(kCaptureName) + plan.demoExtension;
    const std::string_view demo(reinterpret_cast<const char*>(plan.demo.data()), plan.demo.size());
    const std::string script =
        std::string("set nextdemo \"stopvideo; quit\"\n") + "demo " + demoName + "\n" + "video " + kCaptureName + "\n";
    return Writable(folders.home / base / "demos" / demoName, demo) &&
           Writable(folders.home / base / (std::string(kCaptureName) + ".cfg"), script);
}

// The last line the engine marked as an error.
std::string LastErrorLine(const std::string& log)
{
    const size_t at = log.rfind("ERROR:");
    if (at == std::string::npos)
        return "";
    const size_t end = log.find_first_of("\r\n", at);
    return log.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

std::string LastLines(const std::string& text, int count)
{
    size_t start = text.size();
    while (start > 0 && (text[start - 1] == '\n' || text[start - 1] == '\r'))
        --start;
    const size_t end = start;
    for (int lines = 0; lines < count && start > 0; ++lines) {
        start = text.rfind('\n', start - 1);
        if (start == std::string::npos) {
            start = 0;
            break;
        }
    }
    std::string lines = text.substr(start, end - start);
    while (!lines.empty() && (lines.front() == '\n' || lines.front() == '\r'))
        lines.erase(0, 1);
    return lines;
}

double Seconds(Clock::duration duration)
{
    return std::chrono::duration<double>(duration).count();
}

double SecondsLeft(Clock::duration elapsed, int done, int total)
{
    if (done <= 0 || total <= done)
        return done > 0 ? 0 : -1;
    return Seconds(elapsed) / done * (total - done);
}

struct Parts {
    std::string first;
    std::vector<AviFrameCount> counts;

    int Frames()
    {
        int frames = 0;
        for (int part = 0;; ++part) {
            if (static_cast<size_t>(part) == counts.size()) {
                if (!fs::exists(AviPartName(first, part)))
                    break;
                counts.emplace_back(AviPartName(first, part));
            }
            counts[static_cast<size_t>(part)].Update();
            frames += counts[static_cast<size_t>(part)].VideoFrames();
        }
        return frames;
    }
    std::vector<std::string> Files() const
    {
        std::vector<std::string> files;
        for (size_t part = 0; part < counts.size(); ++part)
            files.push_back(AviPartName(first, static_cast<int>(part)));
        return files;
    }
};

// An X server of the capture's own: it picks a free display itself and tells its number.
bool StartHiddenDisplay(const CapturePlan& plan, const fs::path& work, platform::ChildProcess& server,
                        std::string& display)
{
    platform::ChildStart start;
    start.executable = plan.xvfb;
    start.arguments = {"-displayfd",
                       "3",
                       "-screen",
                       "0",
                       std::to_string(plan.settings.width) + "x" + std::to_string(plan.settings.height) + "x24",
                       "-nolisten",
                       "tcp",
                       "-noreset"};
    start.outputFile = (work / "xvfb-output.txt").string();
    start.readyPipe = true;
    std::string error;
    if (!server.Start(start, error))
        return false;
    const std::optional<std::string> number = server.ReadReady(10s);
    if (!number || number->empty() || !server.Running()) {
        server.Terminate();
        return false;
    }
    display = ":" + *number;
    return true;
}

} // namespace

std::vector<std::string> EngineCaptureArguments(const CapturePlan& plan, const std::string& gameFolder,
                                                const std::string& homeFolder)
{
    std::vector<std::string> args = platform::SplitShellWords(plan.game.globalParameters);
    const auto set = [&](const std::string& name, const std::string& value) {
        args.insert(args.end(), {"+set", name, value});
    };
    // Only what must win over a launcher's own words goes here: the engine takes no more than 32
    // commands from its command line and drops the rest without a word. The other settings
    // follow the user's configuration in the capture's copy of it.
    if (!gameFolder.empty())
        set("fs_basepath", gameFolder);
    set("fs_homepath", homeFolder);
    if (!plan.modFolder.empty())
        set("fs_game", plan.modFolder);
    // OpenArena's own start leaves ".dm_68" demos out; the engine takes this from its command line only.
    set("com_legacyprotocol", "68");
    set("r_mode", "-1");
    set("r_customwidth", std::to_string(plan.settings.width));
    set("r_customheight", std::to_string(plan.settings.height));
    set("s_initsound", plan.settings.sound ? "1" : "0");
    set("cl_aviFrameRate", std::to_string(plan.settings.fps));
    args.insert(args.end(), {"+exec", std::string(kCaptureName) + ".cfg"});
    return args;
}

std::string CaptureConfigText(const VideoSettings& settings)
{
    std::string text = "\n// The video capture's own settings, after the user's\n";
    const auto set = [&](const char* name, const std::string& value) {
        text += std::string("seta ") + name + " \"" + value + "\"\n";
    };
    set("r_fullscreen", "0");
    set("r_swapInterval", "0");
    set("in_nograb", "1");
    set("com_introplayed", "1");
    // Each frame stands for a fixed step of demo time while filming: no limit on how fast the
    // machine draws them, focused or not.
    set("com_maxfps", "0");
    set("com_maxfpsUnfocused", "0");
    set("com_maxfpsMinimized", "0");
    set("cl_aviMotionJpeg", "1");
    if (settings.sound) {
        // The engine films sound only from its own mixer (not OpenAL), 16-bit stereo; 48 kHz is
        // a whole number of samples per frame at every usual frame rate.
        set("s_useOpenAL", "0");
        set("s_sdlSpeed", "48000");
        set("s_sdlBits", "16");
        set("s_sdlChannels", "2");
    }
    set("logfile", "2");
    return text;
}

std::string CaptureProgressText(const CaptureProgress& progress)
{
    if (progress.stage == CaptureProgress::Stage::Starting)
        return "Starting the game...";
    std::string text = progress.stage == CaptureProgress::Stage::Capturing ? "Capturing frame " : "Encoding frame ";
    // The estimate may be a frame short: the count never shows more done than expected.
    text +=
        std::to_string(progress.frames) + " of " + std::to_string(std::max(progress.expectedFrames, progress.frames));
    if (progress.secondsLeft >= 0) {
        const long seconds = std::lround(progress.secondsLeft);
        char left[32];
        std::snprintf(left, sizeof left, "%ld:%02ld", seconds / 60, seconds % 60);
        text += std::string(", about ") + left + " left";
    }
    return text;
}

CaptureResult RunCapture(const CapturePlan& plan, std::stop_token stop, const CaptureProgressFunction& progress)
{
    CaptureResult result;
    const auto report = [&](const CaptureProgress& state) {
        if (progress)
            progress(state);
    };
    const auto fail = [&](std::string problem) {
        result.problem = std::move(problem);
        return result;
    };
    const fs::path output = fs::absolute(plan.output);
    std::error_code error;
    fs::create_directories(output.parent_path(), error);
    WorkFolder work;
    std::string problem;
    if (!work.Make(output.parent_path(), problem))
        return fail(problem);
    CaptureFolders folders;
    if (!PrepareFolders(plan, work.Path(), folders))
        return fail("The capture's files could not be written in " + output.parent_path().string() + ".");

    CaptureProgress state;
    state.expectedFrames = plan.expectedFrames;
    report(state);

    platform::ChildProcess server;
    std::string display = plan.display;
    result.hidden = false;
    if (!plan.xvfb.empty()) {
        if (StartHiddenDisplay(plan, work.Path(), server, display))
            result.hidden = true;
        else if (plan.display.empty())
            return fail("Xvfb could not be started, and there is no display to show the game on. No video was made.");
        else
            display = plan.display; // the window is seen, but the video is made
    }
    state.hidden = result.hidden;

    platform::ChildStart engineStart;
    engineStart.executable = plan.program;
    engineStart.arguments = EngineCaptureArguments(plan, folders.game.string(), folders.home.string());
    engineStart.workingDirectory = plan.game.paths.gameDirectory;
    engineStart.outputFile = (work.Path() / "engine-output.txt").string();
    engineStart.environment = {{"DISPLAY", display}, {"SDL_AUDIODRIVER", "dummy"}};
    if (result.hidden)
        engineStart.environment.insert(engineStart.environment.end(),
                                       {{"SDL_VIDEODRIVER", "x11"}, {"LIBGL_ALWAYS_SOFTWARE", "1"}});
    platform::ChildProcess engine;
    if (!engine.Start(engineStart, problem))
        return fail("The game could not be started: " + problem + ". No video was made.");

    const std::string gameFolder = plan.modFolder.empty() ? plan.game.baseFolder : plan.modFolder;
    const fs::path log = folders.home / gameFolder / "qconsole.log";
    Parts parts{(folders.home / gameFolder / "videos" / (std::string(kCaptureName) + ".avi")).string(), {}};
    const Clock::time_point started = Clock::now();
    Clock::time_point lastChange = started;
    std::optional<Clock::time_point> firstFrame;
    int frames = 0;
    for (int round = 0;; ++round) {
        if (stop.stop_requested()) {
            engine.Terminate();
            result.stopped = true;
            return result;
        }
        const bool running = engine.Running();
        const int now = parts.Frames();
        if (now != frames || round == 0) {
            lastChange = Clock::now();
            if (now > 0 && !firstFrame)
                firstFrame = lastChange;
            frames = now;
        }
        if (round % 3 == 0 || !running) {
            state.stage = frames > 0 ? CaptureProgress::Stage::Capturing : CaptureProgress::Stage::Starting;
            state.frames = frames;
            state.secondsLeft = firstFrame ? SecondsLeft(Clock::now() - *firstFrame, frames, plan.expectedFrames) : -1;
            report(state);
        }
        if (!running)
            break;
        const Clock::duration quiet = Clock::now() - lastChange;
        if (round % 5 == 0 && quiet > kErrorQuiet) {
            const std::string errorLine = LastErrorLine(ReadText(log));
            if (!errorLine.empty()) {
                engine.Terminate();
                return fail("The game stopped the demo: " + errorLine + " No video was made.");
            }
        }
        if (quiet > (frames > 0 ? kNextFrameLimit : kFirstFrameLimit)) {
            engine.Terminate();
            const std::string text = ReadText(log);
            // The engine drops the commands after its 32nd: too many global parameters leave the
            // capture's script out, and the game waits in its menu.
            if (text.find(std::string("execing ") + kCaptureName) == std::string::npos)
                return fail("The game did not run the capture's script: its command line may hold more than 32 "
                            "commands, with the global parameters. No video was made.");
            return fail("The game stopped writing frames. No video was made. Its last words:\n" + LastLines(text, 5));
        }
        std::this_thread::sleep_for(kPoll);
    }
    result.captureSeconds = Seconds(Clock::now() - started);
    result.frames = parts.Frames();
    if (result.frames == 0) {
        const std::string errorLine = LastErrorLine(ReadText(log));
        return fail("The game wrote no video frames" + (errorLine.empty() ? std::string(".") : ": " + errorLine) +
                    " No video was made.");
    }

    // ffmpeg writes into the capture's folder; only a complete video replaces the output.
    const std::vector<std::string> inputs = parts.Files();
    const fs::path concatList = work.Path() / "parts.txt";
    if (inputs.size() > 1 && !Writable(concatList, ConcatListText(inputs)))
        return fail("The capture's files could not be written in " + output.parent_path().string() + ".");
    const fs::path progressFile = work.Path() / "encode-progress.txt";
    const fs::path encoded = work.Path() / ("video" + VideoExtension(plan.settings.format));
    platform::ChildStart encodeStart;
    encodeStart.executable = plan.ffmpeg;
    encodeStart.arguments =
        EncodeArguments(plan.settings, inputs, concatList.string(), progressFile.string(), encoded.string());
    encodeStart.outputFile = (work.Path() / "ffmpeg-output.txt").string();
    platform::ChildProcess encoder;
    if (!encoder.Start(encodeStart, problem))
        return fail("ffmpeg could not be started: " + problem + ". No video was made.");
    const Clock::time_point encodeStarted = Clock::now();
    state.stage = CaptureProgress::Stage::Encoding;
    state.expectedFrames = result.frames;
    state.frames = 0;
    state.secondsLeft = -1;
    report(state);
    for (int round = 0;; ++round) {
        if (stop.stop_requested()) {
            encoder.Terminate();
            result.stopped = true;
            return result;
        }
        const bool running = encoder.Running();
        if (round % 3 == 0 || !running) {
            state.frames = EncodedFrames(ReadText(progressFile)).value_or(state.frames);
            state.secondsLeft = SecondsLeft(Clock::now() - encodeStarted, state.frames, state.expectedFrames);
            report(state);
        }
        if (!running)
            break;
        std::this_thread::sleep_for(kPoll);
    }
    result.encodeSeconds = Seconds(Clock::now() - encodeStarted);
    if (encoder.ExitCode() != 0 || !fs::is_regular_file(encoded, error))
        return fail("ffmpeg could not encode the video: " + LastLines(ReadText(work.Path() / "ffmpeg-output.txt"), 3) +
                    "\nNo video was made.");
    fs::rename(encoded, output, error);
    if (error)
        return fail("The video could not be saved as " + output.string() + ": " + error.message() + ".");
    result.ok = true;
    result.output = output.string();
    return result;
}

} // namespace core
