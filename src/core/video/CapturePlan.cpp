#include "core/video/CapturePlan.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <limits>

#include "core/archive/DemoFile.h"
#include "core/archive/ZipRead.h"
#include "core/common/FileNames.h"
#include "core/convert/DemoClip.h"
#include "core/convert/DemoConversion.h"
#include "core/events/DemoEventsLoad.h"
#include "core/library/DemoFiles.h"
#include "core/playback/GameLaunch.h"
#include "core/playback/GamePrograms.h"
#include "core/summary/QuakeLive.h"
#include "platform/ChildProcess.h"
#include "platform/FileSystem.h"
#include "platform/GameProcess.h"

namespace core {
namespace {

constexpr const char* kNoVideo = "No video was made.";

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

bool IsBaseGameName(const std::string& mod, const std::string& baseFolder)
{
    const std::string name = LowerCase(mod);
    return name.empty() || name == "n/a" || name == LowerCase(baseFolder) || name == "baseq3" || name == "baseoa";
}

// Every folder where the engine may load the packs of `folder` (the base folder or a mod's): the
// game directory, then the engines' home and system folders.
std::vector<std::string> PackFolders(const CaptureGame& game, const std::string& folder)
{
    std::vector<std::string> roots{game.paths.gameDirectory};
    roots.insert(roots.end(), game.elsewhere.homes.begin(), game.elsewhere.homes.end());
    roots.insert(roots.end(), game.elsewhere.system.begin(), game.elsewhere.system.end());
    std::vector<std::string> folders;
    for (const std::string& root : roots)
        if (!root.empty())
            folders.push_back(JoinPath(root, folder));
    return folders;
}

bool PackHoldsMember(const std::string& pack, const std::string& member)
{
    ZipSearchRec search;
    if (FindMemberByName(pack, member, search) != 0)
        return false;
    CloseZipSearch(search);
    return true;
}

bool MapPresent(const CaptureGame& game, const std::string& modFolder, const std::string& map)
{
    const std::string member = "maps\\" + LowerCase(map) + ".bsp";
    std::vector<std::string> folders = PackFolders(game, game.baseFolder);
    if (!modFolder.empty()) {
        const std::vector<std::string> modFolders = PackFolders(game, modFolder);
        folders.insert(folders.end(), modFolders.begin(), modFolders.end());
    }
    for (const std::string& folder : folders) {
        for (const FolderEntry& entry : ListFolder(folder)) {
            if (entry.isDirectory && LowerCase(entry.name) == "maps") {
                for (const FolderEntry& loose : ListFolder(JoinPath(folder, entry.name)))
                    if (!loose.isDirectory && "maps\\" + LowerCase(loose.name) == member)
                        return true;
            } else if (!entry.isDirectory && LowerExtension(entry.name) == ".pk3" &&
                       PackHoldsMember(JoinPath(folder, entry.name), member)) {
                return true;
            }
        }
    }
    return false;
}

std::string NearestExistingFolder(const std::string& output)
{
    std::error_code error;
    std::filesystem::path folder = std::filesystem::absolute(output, error).parent_path();
    while (!folder.empty() && !std::filesystem::is_directory(folder, error) && folder != folder.root_path())
        folder = folder.parent_path();
    return folder.string();
}

std::string Megabytes(unsigned long long bytes)
{
    return std::to_string((bytes + (1ull << 20) - 1) >> 20) + " MB";
}

std::optional<std::string> CheckSettings(const std::string& output, const VideoSettings& settings)
{
    if (settings.width < kMinVideoSide || settings.width > kMaxVideoWidth || settings.height < kMinVideoSide ||
        settings.height > kMaxVideoHeight || settings.width % 2 != 0 || settings.height % 2 != 0)
        return "The video size " + std::to_string(settings.width) + "x" + std::to_string(settings.height) +
               " cannot be made: width and height must be even numbers from 64 to 7680 and 4320.";
    if (settings.fps < 1 || settings.fps > kMaxVideoFps)
        return "The frame rate " + std::to_string(settings.fps) + " cannot be made: from 1 to 240 frames per second.";
    if (VideoFormatOfName(output) != settings.format)
        return "The video file " + Quoted(output) + " must end in " + VideoExtension(settings.format) + ".";
    return std::nullopt;
}

} // namespace

std::string VideoExtension(VideoFormat format)
{
    return format == VideoFormat::WebM ? ".webm" : ".mp4";
}

std::optional<VideoFormat> VideoFormatOfName(const std::string& fileName)
{
    const std::string extension = LowerExtension(fileName);
    if (extension == ".mp4")
        return VideoFormat::Mp4;
    if (extension == ".webm")
        return VideoFormat::WebM;
    return std::nullopt;
}

VideoSource VideoSourceOf(const DemoInfo& row, const std::string& name, const std::string& archive)
{
    VideoSource source;
    source.name = name;
    source.archive = archive;
    source.demoName = row[FieldDemoname];
    source.protocol = row[FieldProtocol];
    source.map = row[FieldMap];
    source.mod = row[FieldMod];
    return source;
}

CaptureSystem CurrentCaptureSystem()
{
    CaptureSystem system;
    const char* path = std::getenv("PATH");
    const char* display = std::getenv("DISPLAY");
    system.searchPath = path ? path : "";
    system.display = display ? display : "";
    system.freeSpace = [](const std::string& folder) { return platform::FreeDiskSpace(folder); };
    return system;
}

int ExpectedFrames(int64_t lengthMs, int fps)
{
    if (lengthMs <= 0 || fps <= 0)
        return 0;
    return static_cast<int>(std::min<int64_t>((lengthMs * fps + 999) / 1000, std::numeric_limits<int>::max()));
}

unsigned long long EstimatedAviBytes(int frames, int width, int height, int fps, bool sound)
{
    const unsigned long long count = static_cast<unsigned long long>(std::max(frames, 0));
    const unsigned long long frameBytes = static_cast<unsigned long long>(width) * height * 3 / 8;
    unsigned long long bytes = count * (frameBytes + 8 + 16);
    if (sound && fps > 0)
        bytes += count * (48000ull * 4 / static_cast<unsigned>(fps) + 8 + 16);
    return bytes + 65536;
}

unsigned long long NeededDiskBytes(unsigned long long aviBytes)
{
    return aviBytes + aviBytes / 4;
}

PlanResult PlanCapture(const VideoSource& source, const std::string& output, const VideoSettings& settings,
                       const CaptureGame& game, const CaptureSystem& system)
{
    PlanResult result;
    const auto refuse = [&](std::string problem) {
        result.problem = std::move(problem);
        return result;
    };
    if (const std::optional<std::string> problem = CheckSettings(output, settings))
        return refuse(*problem);

    CapturePlan plan;
    plan.settings = settings;
    plan.output = output;
    plan.game = game;
    plan.display = system.display;

    // The engine, as "Play it" picks it; only the ioquake3 family knows the "video" command.
    plan.program = GameProgramFor(source.protocol, game.paths, game.programSetting);
    if (plan.program.empty() || !platform::IsExecutableFile(plan.program))
        return refuse("No game program was found in the game folder " + Quoted(game.paths.gameDirectory) +
                      ": choose the game folder in the options. " + kNoVideo);
    if (KindOfProgram(plan.program) != ProgramKind::Ioquake3)
        return refuse("The game program " + plan.program +
                      " cannot record video: that takes ioquake3 or an engine made from it, such as OpenArena's. " +
                      kNoVideo);

    const std::optional<int> protocol = ProtocolNumber(source.protocol);
    const std::vector<int> playable = PlayableProtocols(plan.program, game.paths, game.protocolsSetting);
    std::optional<int> convertTo;
    if (protocol && std::find(playable.begin(), playable.end(), *protocol) == playable.end()) {
        convertTo = IsQuakeLiveProtocol(*protocol) ? std::nullopt : ConversionTarget(*protocol, playable);
        if (!convertTo) {
            std::string text =
                UnplayableDemoText(source.demoName, source.protocol, plan.program, playable).value_or("");
            if (const size_t at = text.find("Nothing was played."); at != std::string::npos)
                text.replace(at, 19, kNoVideo);
            return refuse(text);
        }
    }

    if (!IsBaseGameName(source.mod, game.baseFolder)) {
        const std::string directory =
            FindModDir(game.mods, game.paths.gameDirectory, game.paths.baseDirectory, source.mod);
        if (directory == game.paths.baseDirectory)
            return refuse("The demo " + Quoted(source.demoName) + " was recorded with the mod " + Quoted(source.mod) +
                          ", which is not installed: the game cannot play it without the mod's game code. " + kNoVideo);
        plan.modDirectory = directory;
        plan.modFolder = std::string(FileNameOf(directory));
    }

    if (!source.map.empty() && source.map != "n/a" && !MapPresent(game, plan.modFolder, source.map))
        return refuse("The map " + Quoted(source.map) + " of the demo " + Quoted(source.demoName) +
                      " is not in the game's packs: install the map and try again. " + kNoVideo);

    const std::optional<std::string> ffmpeg = platform::FindProgramInPath("ffmpeg", system.searchPath);
    if (!ffmpeg)
        return refuse("ffmpeg was not found: it encodes the video. Install it (on Debian and Ubuntu: sudo apt install "
                      "ffmpeg) and try again. " +
                      std::string(kNoVideo));
    plan.ffmpeg = *ffmpeg;
    if (!settings.showWindow) {
        const std::optional<std::string> xvfb = platform::FindProgramInPath("Xvfb", system.searchPath);
        if (!xvfb)
            return refuse("Xvfb was not found: it gives the game a hidden screen of its own. Install it (on Debian "
                          "and Ubuntu: sudo apt install xvfb), or let the game window be seen. " +
                          std::string(kNoVideo));
        plan.xvfb = *xvfb;
    } else if (system.display.empty()) {
        return refuse(std::string("There is no display to show the game window on: let the game run hidden. ") +
                      kNoVideo);
    }

    // The demo the engine plays: converted first, then cut, as "Play from here" does it, so that
    // the range keeps the demo's own times.
    DemoBytes bytes = LoadDemoBytes(source.name, source.archive);
    if (!bytes.found || bytes.memoryError)
        return refuse("The demo " + Quoted(source.demoName) + " could not be read. " + kNoVideo);
    std::vector<uint8_t> demo(bytes.data.span().begin(), bytes.data.span().end());
    bytes.data.Clear();
    plan.demoExtension = LowerExtension(source.name);
    if (convertTo) {
        ConvertedDemo converted =
            ConvertDemo(demo, *protocol, *convertTo, ConversionGameData(game.baseFolder, game.gameVersion));
        if (!converted.ok) {
            DemoInfo row;
            row[FieldDemoname] = source.demoName;
            row[FieldProtocol] = source.protocol;
            return refuse(ConversionFailureText(row, *convertTo, converted.failure));
        }
        demo = std::move(converted.bytes);
        plan.demoExtension = DemoExtensionOf(*convertTo);
    }
    if (source.from || source.to) {
        std::vector<uint8_t> cut;
        const ClipResult clip = CutDemo(demo, plan.demoExtension, source.from.value_or(0),
                                        source.to.value_or(std::numeric_limits<int64_t>::max()), cut,
                                        ConversionGameData(game.baseFolder, game.gameVersion));
        if (!clip.ok)
            return refuse(clip.problem);
        demo = std::move(cut);
    }
    plan.length = ReadDemoEvents(demo, plan.demoExtension).length;
    if (plan.length <= 0)
        return refuse("The demo " + Quoted(source.demoName) + " holds no time to film. " + kNoVideo);
    plan.demo = std::move(demo);
    plan.expectedFrames = ExpectedFrames(plan.length, settings.fps);
    plan.aviBytes =
        EstimatedAviBytes(plan.expectedFrames, settings.width, settings.height, settings.fps, settings.sound);

    const std::string folder = NearestExistingFolder(output);
    if (system.freeSpace) {
        const std::optional<unsigned long long> free = system.freeSpace(folder);
        if (free && *free < NeededDiskBytes(plan.aviBytes))
            return refuse("There is not enough free disk space in " + Quoted(folder) + ": the capture needs about " +
                          Megabytes(NeededDiskBytes(plan.aviBytes)) + " for its temporary AVI file and the video, " +
                          Megabytes(*free) + " are free. " + kNoVideo);
    }
    result.plan = std::move(plan);
    return result;
}

} // namespace core
