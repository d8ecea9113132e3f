#include "cli/VideoCommand.h"

#include <unistd.h>

#include <atomic>
#include <charconv>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <optional>
#include <thread>

#include "cli/CutCommand.h"
#include "core/paths/Paths.h"
#include "core/settings/Settings.h"
#include "core/summary/DemoFields.h"
#include "core/summary/DemoReader.h"
#include "core/video/CapturePlan.h"
#include "core/video/VideoCapture.h"

namespace cli {
namespace {

constexpr const char* kUsage =
    "usage: velmora-cli video [--from T --to T] [--size WxH] [--fps N] [--format mp4|webm] [--no-sound]\n"
    "                         [--quality high|normal|small] [--show-window] [--game DIR] [--base FOLDER] IN OUT\n";

std::atomic<bool> interrupted{false};

extern "C" void OnInterrupt(int)
{
    interrupted = true;
}

std::optional<int> Number(std::string_view text)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

struct VideoOptions {
    core::VideoSettings settings;
    std::optional<core::VideoFormat> format;
    std::optional<long long> from, to;
    std::string gameDirectory, baseFolder;
    std::vector<std::string> positional;
};

// Parses the words; a text for standard error and exit code 2 when they are wrong.
std::optional<std::string> Parse(const std::vector<std::string>& args, VideoOptions& options)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool takesValue = arg == "--from" || arg == "--to" || arg == "--size" || arg == "--fps" ||
                                arg == "--format" || arg == "--quality" || arg == "--game" || arg == "--base";
        if (takesValue && i + 1 == args.size())
            return arg + " needs a value";
        const std::string value = takesValue ? args[++i] : "";
        if (arg == "--from" || arg == "--to") {
            const DemoTimeText time = ParseDemoTime(value);
            if (!time.millis)
                return arg + " " + value + " is no demo time: " + time.problem;
            (arg == "--from" ? options.from : options.to) = time.millis;
        } else if (arg == "--size") {
            const size_t x = value.find('x');
            const auto width = Number(std::string_view(value).substr(0, x));
            const auto height = x == std::string::npos ? std::nullopt : Number(std::string_view(value).substr(x + 1));
            if (!width || !height)
                return "--size takes WIDTHxHEIGHT, not " + value;
            options.settings.width = *width;
            options.settings.height = *height;
        } else if (arg == "--fps") {
            const auto fps = Number(value);
            if (!fps)
                return "--fps takes a number, not " + value;
            options.settings.fps = *fps;
        } else if (arg == "--format") {
            const auto format = core::VideoFormatOfName("." + value);
            if (!format)
                return "--format takes mp4 or webm, not " + value;
            options.format = format;
        } else if (arg == "--quality") {
            if (value == "high")
                options.settings.quality = core::VideoQuality::High;
            else if (value == "normal")
                options.settings.quality = core::VideoQuality::Normal;
            else if (value == "small")
                options.settings.quality = core::VideoQuality::Small;
            else
                return "--quality takes high, normal or small, not " + value;
        } else if (arg == "--no-sound") {
            options.settings.sound = false;
        } else if (arg == "--show-window") {
            options.settings.showWindow = true;
        } else if (arg == "--game") {
            options.gameDirectory = value;
        } else if (arg == "--base") {
            options.baseFolder = value;
        } else if (arg.rfind("--", 0) == 0) {
            return "unknown option " + arg;
        } else {
            options.positional.push_back(arg);
        }
    }
    if (options.positional.size() != 2)
        return "";
    if (options.from && options.to && *options.to < *options.from)
        return "--to lies before --from";
    const std::optional<core::VideoFormat> named = core::VideoFormatOfName(options.positional[1]);
    if (!named)
        return "the video's name must end in .mp4 or .webm: " + options.positional[1];
    if (options.format && *options.format != *named)
        return "--format " + std::string(*options.format == core::VideoFormat::Mp4 ? "mp4" : "webm") +
               " does not match the name " + options.positional[1];
    options.settings.format = *named;
    return std::nullopt;
}

// The game as the program's settings say, or as the options say.
void SetUpGame(const VideoOptions& options)
{
    const core::Environment environment = core::CurrentEnvironment();
    core::ModLocations = core::DefaultModLocations(environment);
    const std::string builtIn = core::BuiltInGameDirectory(core::GameDirectoryCandidates(environment));
    core::Settings = core::ReadConfiguration(core::CurrentProgramPaths().configurationFile, builtIn);
    if (!options.baseFolder.empty())
        core::Settings.base_folder = options.baseFolder;
    core::SetGameDirectory(core::Settings,
                           options.gameDirectory.empty() ? core::Settings.q3a_dir : options.gameDirectory);
    core::DiscoverMods(core::Settings.q3a_dir, core::Settings.base_folder);
}

} // namespace

int RunVideo(const std::vector<std::string>& args)
{
    VideoOptions options;
    if (const std::optional<std::string> problem = Parse(args, options)) {
        if (!problem->empty())
            std::cerr << "velmora-cli video: " << *problem << "\n";
        std::cerr << kUsage;
        return 2;
    }
    const std::string& in = options.positional[0];
    const std::string& out = options.positional[1];
    std::error_code error;
    if (!std::filesystem::is_regular_file(in, error)) {
        std::cerr << "velmora-cli: cannot read " << in << "\n";
        return 1;
    }
    const core::DemoRead read = core::LoadDemo(in, {}, false);
    if (!read || (read->protocol == 0 && !read->whole)) {
        std::cerr << "velmora-cli: cannot read " << in << "\n";
        return 1;
    }
    const core::DemoState& demo = *read;
    SetUpGame(options);
    core::DemoInfo row;
    row[core::FieldDemoname] = std::filesystem::path(in).filename().string();
    const auto fields = core::DemoDerivedFields(demo);
    for (int i = 0; i < core::kDerivedFieldCount; ++i)
        row[core::kFirstDerivedField + i] = fields[static_cast<size_t>(i)];
    core::VideoSource source = core::VideoSourceOf(row, in, "");
    source.from = options.from;
    source.to = options.to;

    const core::PlanResult planned = core::PlanCapture(
        source, out, options.settings, core::CaptureGameFor(core::Settings), core::CurrentCaptureSystem());
    if (!planned.plan) {
        std::cerr << "velmora-cli: " << planned.problem << "\n";
        return 1;
    }
    // Ctrl-C stops the capture the way the window's Stop does: nothing is left behind.
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    const bool terminal = ::isatty(STDERR_FILENO) != 0;
    std::string lastText;
    core::CaptureResult result;
    std::atomic<bool> done{false};
    std::jthread worker([&](std::stop_token stop) {
        result = core::RunCapture(*planned.plan, stop, [&](const core::CaptureProgress& progress) {
            const std::string text = core::CaptureProgressText(progress);
            // A terminal shows one line that changes; a log gets a line per stage and per tenth.
            const int tenth = progress.expectedFrames > 0 ? progress.frames * 10 / progress.expectedFrames : 0;
            const std::string key = std::to_string(static_cast<int>(progress.stage)) + "/" + std::to_string(tenth);
            if (terminal)
                std::cerr << "\r" << text << "\033[K" << std::flush;
            else if (key != lastText)
                std::cerr << text << "\n";
            lastText = key;
        });
        done = true;
    });
    while (!done) {
        if (interrupted)
            worker.request_stop();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    worker.join();
    if (terminal)
        std::cerr << "\n";
    if (result.stopped) {
        std::cerr << "velmora-cli: stopped; nothing was written\n";
        return 1;
    }
    if (!result.ok) {
        std::cerr << "velmora-cli: " << result.problem << "\n";
        return 1;
    }
    std::cout << "Wrote " << out << ": " << result.frames << " frames, " << options.settings.width << "x"
              << options.settings.height << " at " << options.settings.fps << " fps (capture "
              << static_cast<int>(result.captureSeconds + 0.5) << " s, encode "
              << static_cast<int>(result.encodeSeconds + 0.5) << " s)\n";
    return 0;
}

} // namespace cli
