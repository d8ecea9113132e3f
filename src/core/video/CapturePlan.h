#pragma once
// A video of a demo: what the capture needs, found or refused before anything starts.
//
// ioquake3 records a playing demo itself ("video NAME" writes an AVI of Motion JPEG frames and the
// mixed sound, one frame per 1/cl_aviFrameRate of demo time however slowly the machine draws);
// ffmpeg turns that AVI into the MP4 or WebM file the user shares. The plan checks everything a
// capture can fail on in advance (the engine, the demo's protocol and mod, its map, ffmpeg, a
// hidden screen, the disk space the AVI takes) and makes the demo the engine will play: old demos
// and OpenArena 0.8.1's converted, a range cut out, as the play commands do.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/paths/Paths.h"
#include "core/playback/Mods.h"
#include "core/row/DemoInfo.h"

namespace core {

enum class VideoFormat { Mp4, WebM };
enum class VideoQuality { High, Normal, Small };

// The user's choices, handed to the capture as a value.
struct VideoSettings {
    int width = 1280;
    int height = 720;
    int fps = 30;
    VideoFormat format = VideoFormat::Mp4;
    VideoQuality quality = VideoQuality::Normal;
    bool sound = true;
    bool showWindow = false; // the game draws on the user's display instead of a hidden one
};

// ".mp4", ".webm".
std::string VideoExtension(VideoFormat format);
// The format an output name asks for by its extension; nullopt for any other.
std::optional<VideoFormat> VideoFormatOfName(const std::string& fileName);

// The demo to capture: a file, or the member `name` of `archive`, with what its list row says.
struct VideoSource {
    std::string name;
    std::string archive;
    std::string demoName;            // as the list shows it
    std::string protocol;            // "68", "N/A"
    std::string map;                 // lower case
    std::string mod;                 // the demo's game: "baseoa", "cpma", "n/a"
    std::optional<int64_t> from, to; // a range of demo time, milliseconds; none: the whole demo
};
VideoSource VideoSourceOf(const DemoInfo& row, const std::string& name, const std::string& archive);

// The game as the user set it up, taken from the settings when the export starts.
struct CaptureGame {
    GamePaths paths;
    std::string baseFolder;       // "baseq3", "baseoa"
    std::string programSetting;   // game_program
    std::string protocolsSetting; // game_protocols
    std::string globalParameters; // q3a_start_param
    std::string gameVersion;      // game_version
    std::vector<ModEntry> mods;
    ModFolders elsewhere; // the engines' home and system folders
};

// What the capture finds on this computer.
struct CaptureSystem {
    std::string searchPath; // $PATH
    std::string display;    // $DISPLAY
    std::function<std::optional<unsigned long long>(const std::string&)> freeSpace;
};
CaptureSystem CurrentCaptureSystem();

struct CapturePlan {
    std::string program;       // the engine
    std::string ffmpeg;        // ffmpeg's path
    std::string xvfb;          // Xvfb's path for a hidden capture; empty: the user's display
    std::string display;       // the user's display
    std::string modFolder;     // the folder the engine runs as its game ("fs_game"); empty: the base game
    std::string modDirectory;  // that folder's full path
    std::vector<uint8_t> demo; // what the engine plays
    std::string demoExtension; // its extension: ".dm_68", ".dm_71"
    int64_t length = 0;        // its demo time, milliseconds
    int expectedFrames = 0;
    unsigned long long aviBytes = 0; // estimate of the AVI's size
    std::string output;
    VideoSettings settings;
    CaptureGame game;
};

struct PlanResult {
    std::optional<CapturePlan> plan;
    std::string problem; // why not, for the user
};

// Checks and prepares; nothing is written.
PlanResult PlanCapture(const VideoSource& source, const std::string& output, const VideoSettings& settings,
                       const CaptureGame& game, const CaptureSystem& system);

// Frames the engine writes for so much demo time.
int ExpectedFrames(int64_t lengthMs, int fps);
// Bytes of the AVI for that many frames: Motion JPEG frames of about 3/8 byte a pixel (the game's
// frames are rarely a third of that, the HUD and dark corners compress well), 16-bit stereo
// sound at 48 kHz, chunk headers and the index.
unsigned long long EstimatedAviBytes(int frames, int width, int height, int fps, bool sound);
// The room a capture needs: the AVI and the encoded video beside it.
unsigned long long NeededDiskBytes(unsigned long long aviBytes);

// The sizes the dialog offers besides the game's own modes.
inline constexpr int kMinVideoSide = 64;
inline constexpr int kMaxVideoWidth = 7680;
inline constexpr int kMaxVideoHeight = 4320;
inline constexpr int kMaxVideoFps = 240;

inline constexpr const char* kVideoTitle = "Export video";

} // namespace core
