// Throughput of the demo reader against plain reading of the same files, in one run.
//
// The corpus: synthetic demos of realistic shape (a game state, then thousands of snapshot
// messages with a reliable command now and then), a few hundred KB each, written once to a
// temporary folder and read from the page cache.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/archive/DemoFile.h"
#include "core/summary/DemoReader.h"
#include "support/DemoBuilder.h"

#include "SummaryReporter.h"

namespace {

struct Corpus {
    std::vector<std::string> files;
    uint64_t bytes = 0;
};

const Corpus& TheCorpus()
{
    static const Corpus corpus = [] {
        Corpus c;
        const auto dir = std::filesystem::temp_directory_path() / "velmora-bench-reader";
        std::filesystem::create_directories(dir);
        const int protocols[] = {45, 48};
        for (int i = 0; i < 120; ++i) {
            const int protocol = protocols[i % 2];
            const auto path = dir / ("demo" + std::to_string(i) + (protocol == 48 ? ".dm_48" : ".dm3"));
            if (!std::filesystem::exists(path))
                testsupport::WriteBytes(
                    path.string(), testsupport::RealisticDemo(protocol, 3000 + 20 * i, 90, static_cast<uint32_t>(i)));
            c.files.push_back(path.string());
            c.bytes += std::filesystem::file_size(path);
        }
        return c;
    }();
    return corpus;
}

// The real demos of protocols 66 to 71 beside the repository (empty when absent).
const Corpus& ModernCorpus()
{
    static const Corpus corpus = [] {
        Corpus c;
        const std::filesystem::path dir = std::filesystem::path(VELMORA_CORPUS_DIR) / "modern";
        if (std::filesystem::is_directory(dir))
            for (const auto& entry : std::filesystem::directory_iterator(dir))
                if (entry.path().extension().string().rfind(".dm_", 0) == 0) {
                    c.files.push_back(entry.path().string());
                    c.bytes += entry.file_size();
                }
        return c;
    }();
    return corpus;
}

void PlainRead(benchmark::State& state, const Corpus& corpus)
{
    for (auto _ : state) {
        for (const std::string& file : corpus.files) {
            std::vector<uint8_t> data;
            std::FILE* f = std::fopen(file.c_str(), "rb");
            std::fseek(f, 0, SEEK_END);
            data.resize(static_cast<size_t>(std::ftell(f)));
            std::fseek(f, 0, SEEK_SET);
            const size_t got = std::fread(data.data(), 1, data.size(), f);
            std::fclose(f);
            benchmark::DoNotOptimize(got);
            benchmark::DoNotOptimize(data.data());
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * corpus.bytes));
}

void ReadDemos(benchmark::State& state, const Corpus& corpus)
{
    for (auto _ : state) {
        for (const std::string& file : corpus.files) {
            core::DemoRead demo = core::LoadDemo(file, "", false);
            benchmark::DoNotOptimize(demo ? demo->playtimeSeconds : 0u);
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * corpus.bytes));
}

void BM_PlainRead(benchmark::State& state)
{
    PlainRead(state, TheCorpus());
}
void BM_GetFromDemo(benchmark::State& state)
{
    ReadDemos(state, TheCorpus());
}
void BM_PlainReadModern(benchmark::State& state)
{
    PlainRead(state, ModernCorpus());
}
void BM_GetFromDemoModern(benchmark::State& state)
{
    ReadDemos(state, ModernCorpus());
}

BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_GetFromDemo)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_PlainReadModern)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_GetFromDemoModern)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Prints the ratio of the reader's throughput to the plain read's after the table.
void PrintRatio(const bench::RunFigures& figures, const char* what, const Corpus& corpus, const std::string& readName,
                const std::string& parseName)
{
    const double read = figures.Rate(readName);
    const double parse = figures.Rate(parseName);
    if (read > 0 && parse > 0)
        std::printf("%s (%zu files, %.1f MB): plain read %.0f MB/s, GetFromDemo %.0f MB/s, ratio %.2f\n", what,
                    corpus.files.size(), corpus.bytes / 1048576.0, read / 1048576.0, parse / 1048576.0, parse / read);
}

} // namespace

int main(int argc, char** argv)
{
    return bench::RunWithSummary(argc, argv, [](const bench::RunFigures& figures) {
        PrintRatio(figures, "synthetic old demos", TheCorpus(), "BM_PlainRead", "BM_GetFromDemo");
        PrintRatio(figures, "real modern demos", ModernCorpus(), "BM_PlainReadModern", "BM_GetFromDemoModern");
    });
}
