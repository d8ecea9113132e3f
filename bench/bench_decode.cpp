// Throughput of the full decoder (every message, every snapshot's entity and player states) against
// plain reading of the same files, in one run; and of decoding with re-encoding as protocol 68.
//
// The corpus: the real demos beside the repository (VELMORA_CORPUS_DIR): the 1.17 and 1.27 duels,
// the demos of protocols 66 to 71, and Quake Live's, read from the page cache.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/demo/DemoDecoder.h"
#include "core/demo/DemoEncoder.h"

#include "SummaryReporter.h"

namespace {

struct Corpus {
    std::vector<std::string> files;
    std::vector<std::string> extensions;
    uint64_t bytes = 0;
};

Corpus Collect(const std::filesystem::path& dir)
{
    Corpus c;
    std::error_code ec;
    if (std::string(VELMORA_CORPUS_DIR).empty() || !std::filesystem::is_directory(dir, ec))
        return c;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string extension = entry.path().extension().string();
        if (extension.rfind(".dm", 0) != 0)
            continue;
        c.files.push_back(entry.path().string());
        c.extensions.push_back(extension);
        c.bytes += entry.file_size();
    }
    return c;
}

const Corpus& OldCorpus()
{
    static const Corpus c = Collect(std::filesystem::path(VELMORA_CORPUS_DIR));
    return c;
}
const Corpus& ModernCorpus()
{
    static const Corpus c = Collect(std::filesystem::path(VELMORA_CORPUS_DIR) / "modern");
    return c;
}
const Corpus& QuakeLiveCorpus()
{
    static const Corpus c = Collect(std::filesystem::path(VELMORA_CORPUS_DIR) / "ql");
    return c;
}

std::vector<uint8_t> Load(const std::string& file)
{
    std::vector<uint8_t> data;
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f)
        return data;
    std::fseek(f, 0, SEEK_END);
    data.resize(static_cast<size_t>(std::ftell(f)));
    std::fseek(f, 0, SEEK_SET);
    data.resize(std::fread(data.data(), 1, data.size(), f));
    std::fclose(f);
    return data;
}

void PlainRead(benchmark::State& state, const Corpus& corpus)
{
    if (corpus.files.empty())
        state.SkipWithError("no real demos");
    for (auto _ : state)
        for (const std::string& file : corpus.files) {
            std::vector<uint8_t> data = Load(file);
            benchmark::DoNotOptimize(data.data());
        }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * corpus.bytes));
}

void FullDecode(benchmark::State& state, const Corpus& corpus, bool reencode)
{
    if (corpus.files.empty())
        state.SkipWithError("no real demos");
    core::DemoMessage message;
    std::vector<uint8_t> out;
    for (auto _ : state)
        for (size_t i = 0; i < corpus.files.size(); ++i) {
            const std::vector<uint8_t> data = Load(corpus.files[i]);
            core::DemoDecoder decoder(data, core::DemoProtocolOf(data, corpus.extensions[i]));
            out.clear();
            core::DemoEncoder encoder(out);
            while (decoder.Next(message))
                if (reencode)
                    encoder.Add(message);
            if (decoder.Error() != core::DecodeError::None)
                state.SkipWithError("a demo did not decode");
            benchmark::DoNotOptimize(message.snapshot);
            benchmark::DoNotOptimize(out.data());
        }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * corpus.bytes));
}

// clang-format off
void BM_PlainReadOld(benchmark::State& s)       { PlainRead(s, OldCorpus()); }
void BM_FullDecodeOld(benchmark::State& s)      { FullDecode(s, OldCorpus(), false); }
void BM_DecodeTo68Old(benchmark::State& s)      { FullDecode(s, OldCorpus(), true); }
void BM_PlainReadModern(benchmark::State& s)    { PlainRead(s, ModernCorpus()); }
void BM_FullDecodeModern(benchmark::State& s)   { FullDecode(s, ModernCorpus(), false); }
void BM_DecodeTo68Modern(benchmark::State& s)   { FullDecode(s, ModernCorpus(), true); }
void BM_PlainReadQuakeLive(benchmark::State& s) { PlainRead(s, QuakeLiveCorpus()); }
void BM_FullDecodeQuakeLive(benchmark::State& s){ FullDecode(s, QuakeLiveCorpus(), false); }
// clang-format on

BENCHMARK(BM_PlainReadOld)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_FullDecodeOld)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_DecodeTo68Old)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_PlainReadModern)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_FullDecodeModern)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_DecodeTo68Modern)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_PlainReadQuakeLive)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_FullDecodeQuakeLive)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Prints each decode's rate and its ratio to the plain read of the same files after the table.
void PrintRatios(const bench::RunFigures& figures, const char* what, const Corpus& corpus, const std::string& readName,
                 const std::vector<std::string>& names)
{
    const double read = figures.Rate(readName);
    if (read <= 0)
        return;
    std::printf("%s (%zu files, %.1f MB): plain read %.0f MB/s\n", what, corpus.files.size(), corpus.bytes / 1048576.0,
                read / 1048576.0);
    for (const std::string& name : names) {
        const double rate = figures.Rate(name);
        if (rate > 0)
            std::printf("  %-22s %7.1f MB/s, ratio to the plain read %.3f\n", name.c_str(), rate / 1048576.0,
                        rate / read);
    }
}

} // namespace

int main(int argc, char** argv)
{
    return bench::RunWithSummary(argc, argv, [](const bench::RunFigures& figures) {
        PrintRatios(figures, "old demos (1.17, 1.27)", OldCorpus(), "BM_PlainReadOld",
                    {"BM_FullDecodeOld", "BM_DecodeTo68Old"});
        PrintRatios(figures, "demos of protocols 66-71", ModernCorpus(), "BM_PlainReadModern",
                    {"BM_FullDecodeModern", "BM_DecodeTo68Modern"});
        PrintRatios(figures, "Quake Live demos", QuakeLiveCorpus(), "BM_PlainReadQuakeLive",
                    {"BM_FullDecodeQuakeLive"});
    });
}
