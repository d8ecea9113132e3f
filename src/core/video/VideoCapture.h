#pragma once
// Running a capture made by PlanCapture: the engine plays the demo in a folder of its own and
// writes the AVI, ffmpeg encodes it, the result replaces the output file.
//
// Nothing of the user's is changed. The engine runs with a home folder made for the capture (the
// user's q3config.cfg copied in, the capture's settings on the command line after the user's own
// parameters, so they win) and, when the game folder holds the game's packs, a game folder of
// links to them; every file the engine writes lands there. That folder lies hidden beside the
// output, on the disk whose space was checked, and is removed at the end whatever happened. The
// game draws on an X server of its own (Xvfb) unless the window may be seen or none can be
// started; sound goes through SDL's dummy output into the AVI, so no sound device is needed.
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

#include "core/video/CapturePlan.h"

namespace core {

struct CaptureProgress {
    enum class Stage { Starting, Capturing, Encoding };
    Stage stage = Stage::Starting;
    int frames = 0; // written by the engine, or encoded by ffmpeg
    int expectedFrames = 0;
    double secondsLeft = -1; // negative: not known yet
    bool hidden = true;      // the game draws on a screen of its own
};

struct CaptureResult {
    bool ok = false;
    bool stopped = false; // ended by the stop request; nothing was left behind
    std::string problem;  // why it failed, for the user
    std::string output;
    int frames = 0;
    double captureSeconds = 0;
    double encodeSeconds = 0;
    bool hidden = true;
};

using CaptureProgressFunction = std::function<void(const CaptureProgress&)>;

// Runs the whole capture on the calling thread; `progress` is called from it about four times a
// second. A stop request ends the engine or ffmpeg and removes every file the capture made.
CaptureResult RunCapture(const CapturePlan& plan, std::stop_token stop, const CaptureProgressFunction& progress);

// The words after the engine's program: the user's own parameters, then the capture's.
std::vector<std::string> EngineCaptureArguments(const CapturePlan& plan, const std::string& gameFolder,
                                                const std::string& homeFolder);

// The settings the capture adds after the user's configuration in its own copy of q3config.cfg.
std::string CaptureConfigText(const VideoSettings& settings);

// "Capturing frame 120 of 1213, about 0:45 left", "Encoding ...", "Starting the game...".
std::string CaptureProgressText(const CaptureProgress& progress);

// The name of the demo, script and video inside the capture's home folder.
inline constexpr const char* kCaptureName = "velmora-video";

} // namespace core
