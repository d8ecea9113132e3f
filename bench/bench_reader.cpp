// Throughput of the demo reader against plain reading of the same files, in one run.
//
// The corpus: synthetic demos of realistic shape (a game state, then thousands of snapshot
// messages with a reliable command now and then), a few hundred KB each, written once to a
// temporary folder and read from the page cache.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "analysis/DemoFile.h"
#include "analysis/Parsing.h"
#include "support/DemoBuilder.h"

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
                testsupport::WriteBytes(path.string(),
                                        testsupport::RealisticDemo(protocol, 3000 + 20 * i, 90, static_cast<uint32_t>(i)));
            c.files.push_back(path.string());
            c.bytes += std::filesystem::file_size(path);
        }
        return c;
    }();
    return corpus;
}

void BM_PlainRead(benchmark::State& state)
{
    const Corpus& corpus = TheCorpus();
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

void BM_GetFromDemo(benchmark::State& state)
{
    const Corpus& corpus = TheCorpus();
    for (auto _ : state) {
        for (const std::string& file : corpus.files) {
            core::DemoState demo = core::LoadDemo(file, "", false);
            benchmark::DoNotOptimize(demo.playtime.data());
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * corpus.bytes));
}

BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_GetFromDemo)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Prints the ratio of the reader's throughput to the plain read's after the table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.counters.count("bytes_per_second"))
                m_rates[run.benchmark_name()] = run.counters.at("bytes_per_second");
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const double read = m_rates["BM_PlainRead/min_time:2.000"];
        const double parse = m_rates["BM_GetFromDemo/min_time:2.000"];
        if (read > 0 && parse > 0)
            std::printf("corpus %.1f MB; plain read %.0f MB/s, GetFromDemo %.0f MB/s, ratio %.2f\n",
                        TheCorpus().bytes / 1048576.0, read / 1048576.0, parse / 1048576.0, parse / read);
    }

private:
    std::map<std::string, double> m_rates;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
