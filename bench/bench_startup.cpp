// Start-up of one `velmora-cli info` process on a small modern demo against the same on a small
// ".dm3": the modern reader must not pay for building its decode tables in every process.
//
// The demos are the shared corpus's smallest of each kind when it is there, otherwise synthetic
// ones of similar size.
#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "support/DemoBuilder.h"
#include "support/HuffmanEncoder.h"

#include "SummaryReporter.h"

namespace {

std::string Demo(bool modern)
{
    const std::filesystem::path corpus(VELMORA_CORPUS_DIR);
    const auto real = modern ? corpus / "modern" / "ffa-oa_dm1-ioquake3.dm_71" : corpus / "duel-1.17-osp.dm3";
    if (std::filesystem::exists(real))
        return real.string();
    const auto path =
        std::filesystem::temp_directory_path() / (modern ? "velmora-startup.dm_71" : "velmora-startup.dm3");
    if (modern) {
        std::vector<std::vector<uint8_t>> messages;
        messages.push_back(
            testsupport::ModernMessageBuilder(0)
                .GameState(1, {{0, "\\protocol\\71\\mapname\\oa_dm1\\g_gametype\\0"}, {1, "\\sv_pure\\1"}})
                .Payload());
        for (uint32_t i = 1; i < 400; ++i)
            messages.push_back(testsupport::ModernMessageBuilder(i).Snapshot(1000 + 50 * i).End().Payload());
        testsupport::WriteBytes(path.string(), testsupport::ModernDemoFile(messages));
    } else {
        testsupport::WriteBytes(path.string(), testsupport::RealisticDemo(45, 3000, 90, 1));
    }
    return path.string();
}

void RunInfo(benchmark::State& state, bool modern)
{
    const std::string demo = Demo(modern);
    for (auto _ : state) {
        const pid_t child = fork();
        if (child == 0) {
            std::freopen("/dev/null", "w", stdout);
            execl(VELMORA_CLI_PATH, VELMORA_CLI_PATH, "info", demo.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            state.SkipWithError("velmora-cli info failed");
    }
}

void BM_InfoProcessModern(benchmark::State& state)
{
    RunInfo(state, true);
}
void BM_InfoProcessOld(benchmark::State& state)
{
    RunInfo(state, false);
}
BENCHMARK(BM_InfoProcessModern)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_InfoProcessOld)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

} // namespace

int main(int argc, char** argv)
{
    // After the table: the modern demo's start-up as a multiple of the old demo's.
    return bench::RunWithSummary(argc, argv, [](const bench::RunFigures& figures) {
        const double modern = figures.Time("BM_InfoProcessModern"), old = figures.Time("BM_InfoProcessOld");
        if (modern > 0 && old > 0)
            std::printf("info process: modern %.2f ms, .dm3 %.2f ms, ratio %.2f (at most 2 wanted)\n", modern, old,
                        modern / old);
    });
}
