// The folder listing against the file system work it cannot avoid, in one run:
//   cold scan (no cache: every demo read) against reading the same files, on 1 and on 2 threads;
//   cached scan (every demo from "vmr_scan") against a bare listing that stats every file;
//   and the peak memory of scanning the whole corpus cold, measured in a child process.
//
// The corpus: 10,000 synthetic demos in 20 nested folders; each folder holds 400 demo files and
// two .pk3 archives of 50 demos each. It is written once to a temporary folder and then read
// from the page cache.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/library/DemoFiles.h"
#include "core/library/Scanner.h"
#include "support/DemoBuilder.h"
#include "support/ZipBuilder.h"

namespace {

constexpr int kFolders = 20;
constexpr int kFilesPerFolder = 400;
constexpr int kArchivesPerFolder = 2;
constexpr int kMembersPerArchive = 50;

struct Corpus {
    std::filesystem::path root;
    std::vector<std::string> folders;
    std::vector<std::string> files; // every file of every folder (demos and archives)
    uint64_t bytes = 0;
    int demos = 0;
};

std::vector<uint8_t> SomeDemo(int n)
{
    // 25 to 60 KB: short matches of protocol 45 and 48.
    return testsupport::RealisticDemo(n % 2 ? 48 : 45, 250 + (n * 37) % 350, 90, static_cast<uint32_t>(n));
}

const Corpus& TheCorpus()
{
    static const Corpus corpus = [] {
        Corpus c;
        c.root = std::filesystem::temp_directory_path() / "velmora-bench-scan";
        const bool ready = std::filesystem::exists(c.root / "complete");
        std::filesystem::path folder = c.root;
        int n = 0;
        for (int f = 0; f < kFolders; ++f) {
            // Nested five deep, then a new branch.
            folder =
                (f % 5 == 0) ? c.root / ("branch" + std::to_string(f / 5)) : folder / ("level" + std::to_string(f));
            std::filesystem::create_directories(folder);
            c.folders.push_back(folder.string());
            for (int i = 0; i < kFilesPerFolder; ++i, ++n) {
                const auto path = folder / ("demo" + std::to_string(i) + (n % 2 ? ".dm_48" : ".dm3"));
                if (!ready)
                    testsupport::WriteBytes(path.string(), SomeDemo(n));
                c.files.push_back(path.string());
            }
            for (int a = 0; a < kArchivesPerFolder; ++a) {
                const auto path = folder / ("pak" + std::to_string(a) + ".pk3");
                std::vector<testsupport::ZipMember> members;
                for (int m = 0; m < kMembersPerArchive; ++m, ++n)
                    if (!ready)
                        members.push_back({.name = "demos/d" + std::to_string(m) + (n % 2 ? ".dm_48" : ".dm3"),
                                           .data = SomeDemo(n),
                                           .deflate = true});
                if (!ready)
                    testsupport::WriteBytes(path.string(), testsupport::BuildZip(members));
                c.files.push_back(path.string());
            }
        }
        c.demos = n;
        for (const std::string& file : c.files)
            c.bytes += std::filesystem::file_size(file);
        testsupport::WriteBytes((c.root / "complete").string(), {1});
        return c;
    }();
    return corpus;
}

// Holds the rows as the demo list would, so that their memory counts.
class RowList : public core::ScanTarget {
public:
    void Clear() override { m_rows.clear(); }
    void AddRow(core::DemoInfo row) override { m_rows.push_back(std::move(row)); }
    int RowCount() const override { return static_cast<int>(m_rows.size()); }

private:
    std::vector<core::DemoInfo> m_rows;
};

size_t ScanAll(const Corpus& corpus, unsigned threads, bool useCache)
{
    RowList list, playList;
    core::LibraryFeedback feedback;
    core::ScanSettings settings;
    settings.demoDataDirectory = corpus.root / "userdata";
    settings.threads = threads;
    settings.readCache = useCache;
    settings.writeCache = useCache;
    size_t rows = 0;
    for (const std::string& folder : corpus.folders) {
        core::ScanTotals totals;
        core::ScanDemos(core::FolderScanArgument(folder), list, playList, feedback, settings, &totals);
        rows += totals.rows;
    }
    return rows;
}

void BM_ReadFiles(benchmark::State& state)
{
    const Corpus& corpus = TheCorpus();
    std::vector<uint8_t> buffer;
    for (auto _ : state) {
        for (const std::string& file : corpus.files) {
            std::FILE* f = std::fopen(file.c_str(), "rb");
            std::fseek(f, 0, SEEK_END);
            buffer.resize(static_cast<size_t>(std::ftell(f)));
            std::fseek(f, 0, SEEK_SET);
            benchmark::DoNotOptimize(std::fread(buffer.data(), 1, buffer.size(), f));
            std::fclose(f);
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * corpus.bytes));
}

double ProcessCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage); // every thread of the process
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void BM_ColdScan(benchmark::State& state)
{
    const Corpus& corpus = TheCorpus();
    size_t rows = 0;
    double wall = 0, cpu = 0;
    for (auto _ : state) {
        const double cpuBefore = ProcessCpuSeconds();
        const auto wallBefore = std::chrono::steady_clock::now();
        rows = ScanAll(corpus, static_cast<unsigned>(state.range(0)), false);
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
        cpu += ProcessCpuSeconds() - cpuBefore;
    }
    if (rows != static_cast<size_t>(corpus.demos))
        state.SkipWithError("not every demo was listed");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * corpus.bytes));
    // A pool that keeps both cores busy takes about half its CPU time in wall time; a machine
    // busy with other work shows here too, so compare with the load at the time.
    if (cpu > 0)
        state.counters["wall_per_cpu"] = wall / cpu;
}

void BM_StatListing(benchmark::State& state)
{
    const Corpus& corpus = TheCorpus();
    for (auto _ : state) {
        size_t entries = 0;
        for (const std::string& folder : corpus.folders)
            for (const auto& entry : std::filesystem::directory_iterator(folder)) {
                struct stat st {};
                benchmark::DoNotOptimize(::stat(entry.path().c_str(), &st));
                ++entries;
            }
        benchmark::DoNotOptimize(entries);
    }
}

void BM_CachedScan(benchmark::State& state)
{
    const Corpus& corpus = TheCorpus();
    ScanAll(corpus, 0, true); // fills every "vmr_scan"
    size_t rows = 0;
    for (auto _ : state)
        rows = ScanAll(corpus, 0, true);
    if (rows != static_cast<size_t>(corpus.demos))
        state.SkipWithError("not every demo was listed");
}

BENCHMARK(BM_ReadFiles)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_ColdScan)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_StatListing)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_CachedScan)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

// Prints the ratios the targets are stated in after the usual table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (!run.error_occurred) {
                m_ms[run.benchmark_name()] = run.GetAdjustedRealTime();
                m_cpuMs[run.benchmark_name()] = run.GetAdjustedCPUTime();
            }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const auto ratio = [&](const char* a, const char* b, const char* what) {
            if (m_ms.contains(a) && m_ms.contains(b))
                std::printf("%-48s %6.2f\n", what, m_ms[a] / m_ms[b]);
        };
        ratio("BM_ColdScan/1/min_time:2.000/real_time", "BM_ReadFiles/min_time:2.000/real_time",
              "cold scan, 1 thread / reading the files");
        ratio("BM_ColdScan/2/min_time:2.000/real_time", "BM_ReadFiles/min_time:2.000/real_time",
              "cold scan, 2 threads / reading the files");
        ratio("BM_ColdScan/1/min_time:2.000/real_time", "BM_ColdScan/2/min_time:2.000/real_time",
              "cold scan speed-up, 2 threads over 1");
        ratio("BM_CachedScan/min_time:2.000/real_time", "BM_StatListing/min_time:2.000/real_time",
              "cached scan / listing with stat");
        // Both run on one thread, so their CPU times compare fairly on a machine that is busy.
        const char* cached = "BM_CachedScan/min_time:2.000/real_time";
        const char* listing = "BM_StatListing/min_time:2.000/real_time";
        if (m_cpuMs.contains(cached) && m_cpuMs.contains(listing))
            std::printf("%-48s %6.2f\n", "cached scan / listing with stat, CPU time",
                        m_cpuMs[cached] / m_cpuMs[listing]);
    }

private:
    std::map<std::string, double> m_ms;
    std::map<std::string, double> m_cpuMs;
};

// Scans the corpus cold in a child process, whose peak resident size is then the scan's alone
// (plus the program's own few megabytes).
void ReportPeakMemory()
{
    const Corpus& corpus = TheCorpus();
    const pid_t child = fork();
    if (child == 0) {
        ScanAll(corpus, 0, false);
        _exit(0);
    }
    int status = 0;
    rusage usage{};
    if (child > 0 && wait4(child, &status, 0, &usage) == child)
        std::printf("%-48s %6.1f MB (%d demos, %.0f MB of files)\n", "peak memory of a cold scan of the corpus",
                    static_cast<double>(usage.ru_maxrss) / 1024.0, corpus.demos,
                    static_cast<double>(corpus.bytes) / 1048576.0);
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    TheCorpus();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    ReportPeakMemory();
    benchmark::Shutdown();
    return 0;
}
