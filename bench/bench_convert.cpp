// Conversion of the old game's demos for today's engines.
//
// - Throughput of converting the real 1.27 and 1.17 duels to protocol 68 (decode, map, encode), in
//   bytes of the old demo per second of one thread.
// - "Play it" on an old demo up to the temporary copy the engine is told to play: loading the demo,
//   converting it and writing it under a hidden name, renamed when complete (with its fsync). The
//   demo is the 15-minute 1.27 duel twice over (about 30 minutes of play), so that the figure bounds
//   the one of a 20-minute demo from above.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/convert/DemoConversion.h"
#include "core/playback/GameLaunch.h"
#include "core/row/DemoInfo.h"
#include "core/settings/Settings.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> CorpusFile(const char* name)
{
    if (std::string(VELMORA_CORPUS_DIR).empty())
        return {};
    std::ifstream in(fs::path(VELMORA_CORPUS_DIR) / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void Convert(benchmark::State& state, const char* name, int protocol)
{
    const std::vector<uint8_t> demo = CorpusFile(name);
    if (demo.empty()) {
        state.SkipWithError("no corpus");
        return;
    }
    const core::TargetGameData data = core::GameDataForBaseFolder("baseoa");
    size_t written = 0;
    for (auto _ : state) {
        const core::ConvertedDemo converted = core::ConvertDemo(demo, protocol, 68, data);
        if (!converted.ok) {
            state.SkipWithError(converted.failure.c_str());
            return;
        }
        written = converted.bytes.size();
        benchmark::DoNotOptimize(converted.bytes.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * demo.size()));
    state.counters["converted_bytes"] = static_cast<double>(written);
}

void BM_Convert127To68(benchmark::State& state)
{
    Convert(state, "duel-1.27-osp.dm_48", 48);
}
BENCHMARK(BM_Convert127To68)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Convert117To68(benchmark::State& state)
{
    Convert(state, "duel-1.17-osp.dm3", 45);
}
BENCHMARK(BM_Convert117To68)->Unit(benchmark::kMillisecond)->UseRealTime();

// The duel twice over: its messages once more after the end of the first, numbered on, the end
// marker after both. The second run starts with its own game state, as after a map change.
std::vector<uint8_t> TwiceOver(const std::vector<uint8_t>& demo)
{
    std::vector<uint8_t> out(demo.begin(), demo.end() - 8);
    int32_t next = 0;
    for (size_t at = 0; at + 8 <= demo.size() - 8;) {
        const auto length = static_cast<int32_t>(demo[at + 4] | demo[at + 5] << 8 | demo[at + 6] << 16 |
                                                 static_cast<uint32_t>(demo[at + 7]) << 24);
        next = static_cast<int32_t>(demo[at] | demo[at + 1] << 8 | demo[at + 2] << 16 |
                                    static_cast<uint32_t>(demo[at + 3]) << 24) +
               1;
        at += 8 + static_cast<size_t>(length);
    }
    int32_t sequence = next + 100;
    for (size_t at = 0; at + 8 <= demo.size() - 8;) {
        const auto length = static_cast<int32_t>(demo[at + 4] | demo[at + 5] << 8 | demo[at + 6] << 16 |
                                                 static_cast<uint32_t>(demo[at + 7]) << 24);
        for (int shift = 0; shift < 32; shift += 8)
            out.push_back(static_cast<uint8_t>(static_cast<uint32_t>(sequence) >> shift));
        out.insert(out.end(), demo.begin() + static_cast<long>(at + 4),
                   demo.begin() + static_cast<long>(at + 8 + static_cast<size_t>(length)));
        ++sequence;
        at += 8 + static_cast<size_t>(length);
    }
    out.insert(out.end(), 8, 0xFF);
    return out;
}

void BM_PlayItToTheConvertedCopy(benchmark::State& state)
{
    const std::vector<uint8_t> duel = CorpusFile("duel-1.27-osp.dm_48");
    if (duel.empty()) {
        state.SkipWithError("no corpus");
        return;
    }
    const fs::path dir = fs::temp_directory_path() / ("velmora-bench-convert-" + std::to_string(::getpid()));
    fs::create_directories(dir / "game" / "baseoa" / "demos");
    const std::vector<uint8_t> demo = TwiceOver(duel);
    std::ofstream(dir / "long.dm_48", std::ios::binary)
        .write(reinterpret_cast<const char*>(demo.data()), static_cast<std::streamsize>(demo.size()));
    core::SettingsRecord record;
    record.base_folder = "baseoa";
    core::SetGameDirectory(record, (dir / "game").string());
    const core::PlaybackSettings settings = core::PlaybackSettingsFor(record);
    core::PlayNotices notices;
    core::DemoInfo row;
    row[core::FieldDemoname] = "long.dm_48";
    row[core::FieldLocation] = dir.string();
    row[core::FieldMod] = "baseq3";
    row[core::FieldProtocol] = "48";
    for (auto _ : state) {
        notices.clear();
        const std::optional<core::PreparedEntry> entry = core::PrepareEntry(row, 0, settings, notices, 68);
        if (!entry) {
            state.SkipWithError("the converted copy was not made");
            break;
        }
    }
    state.counters["demo_minutes"] = 2 * 15.3;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * demo.size()));
    fs::remove_all(dir);
}
BENCHMARK(BM_PlayItToTheConvertedCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
