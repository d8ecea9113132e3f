// Video export of the 40-second OpenArena demo with the real engine under Xvfb and software
// OpenGL: frames filmed per second of wall time at 640x360 and 1280x720, and ffmpeg's encode
// time. The figures tell whether the progress window's time left can be believed; there is no
// target. Needs ioquake3 with the OpenArena data, Xvfb, ffmpeg and the real demos.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/video/CapturePlan.h"
#include "core/video/VideoCapture.h"

namespace {

namespace fs = std::filesystem;

const fs::path& Scratch()
{
    static const fs::path folder = [] {
        const fs::path made = fs::temp_directory_path() / "velmora-bench-video";
        fs::remove_all(made);
        const std::string prepare = std::string(VELMORA_SOURCE_DIR) + "/scripts/prepare-test-engine.sh '" +
                                    (made / "game").string() + "' > /dev/null";
        return std::system(prepare.c_str()) == 0 ? made : fs::path();
    }();
    return folder;
}

void Capture(benchmark::State& state)
{
    const fs::path demo = fs::path(VELMORA_CORPUS_DIR) / "modern" / "ffa-oa_dm1-ioquake3.dm_71";
    if (Scratch().empty() || !fs::exists(demo)) {
        state.SkipWithError("ioquake3 with the OpenArena data or the real demos are not installed");
        return;
    }
    core::CaptureGame game;
    game.paths = core::MakeGamePaths((Scratch() / "game").string(), "baseoa");
    game.baseFolder = "baseoa";
    core::VideoSource source;
    source.name = demo.string();
    source.demoName = demo.filename().string();
    source.protocol = "71";
    source.map = "oa_dm1";
    source.mod = "baseoa";
    core::VideoSettings settings;
    settings.width = static_cast<int>(state.range(0));
    settings.height = static_cast<int>(state.range(1));
    const fs::path output = Scratch() / "video.mp4";
    const core::PlanResult planned =
        core::PlanCapture(source, output.string(), settings, game, core::CurrentCaptureSystem());
    if (!planned.plan) {
        state.SkipWithError(planned.problem.c_str());
        return;
    }
    core::CaptureResult result;
    for (auto _ : state) {
        result = core::RunCapture(*planned.plan, {}, {});
        if (!result.ok) {
            state.SkipWithError(result.problem.c_str());
            return;
        }
    }
    state.counters["frames"] = result.frames;
    state.counters["capture_fps"] = result.frames / result.captureSeconds;
    state.counters["capture_s"] = result.captureSeconds;
    state.counters["encode_s"] = result.encodeSeconds;
    state.counters["mp4_MB"] = static_cast<double>(fs::file_size(output)) / (1 << 20);
    state.counters["avi_estimate_MB"] = static_cast<double>(planned.plan->aviBytes) / (1 << 20);
}

BENCHMARK(Capture)->Args({640, 360})->Args({1280, 720})->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
