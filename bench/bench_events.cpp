// Events of demos: a 20-minute match made ready for the Events tab (events and figures), and the
// whole real corpus against reading its bytes plainly and against the listing's read, in one run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/demo/DemoEncoder.h"
#include "core/events/DemoEventsLoad.h"
#include "core/events/EventTables.h"
#include "core/events/PlayerFigures.h"
#include "core/summary/DemoReader.h"
#include "support/DemoBuilder.h"

#include "SummaryReporter.h"

namespace {

struct Corpus {
    std::vector<std::string> files;
    uint64_t bytes = 0;
};

const Corpus& RealCorpus()
{
    static const Corpus corpus = [] {
        Corpus c;
        const std::filesystem::path dir = VELMORA_CORPUS_DIR;
        if (!dir.empty() && std::filesystem::is_directory(dir))
            for (const auto& entry : std::filesystem::recursive_directory_iterator(dir))
                if (entry.is_regular_file() && entry.path().extension() != ".md") {
                    c.files.push_back(entry.path().string());
                    c.bytes += entry.file_size();
                }
        return c;
    }();
    return corpus;
}

// A 20-minute duel of protocol 68: 20 snapshots a second, two players and 30 moving entities,
// a frag every 20 seconds and a chat line now and then.
const std::string& TwentyMinuteDemo()
{
    static const std::string path = [] {
        const auto file = std::filesystem::temp_directory_path() / "velmora-bench-events-20min.dm_68";
        if (std::filesystem::exists(file))
            return file.string();
        std::vector<uint8_t> bytes;
        core::DemoEncoder encoder(bytes);
        const core::EventTables& tables = core::EventTablesFor(68, false);
        core::DemoMessage message;
        message.sequence = 1;
        message.gameState.emplace();
        message.gameState->configStrings = {
            {0, "\\protocol\\68\\g_gametype\\1\\mapname\\q3dm17"}, {544, "n\\Alice\\t\\0"}, {545, "n\\Bob\\t\\0"}};
        message.gameState->clientNumber = 0;
        message.gameState->checksumFeed = 0;
        encoder.Add(message);
        int32_t sequence = 0;
        for (int32_t t = 1000; t <= 1000 + 20 * 60 * 1000; t += 50) {
            core::DemoMessage m;
            m.sequence = ++message.sequence;
            if (t % 30000 == 0)
                m.serverCommands.push_back({++sequence, "chat \"Alice^7\x19: ^2nice\""});
            core::Snapshot& s = m.snapshot.emplace();
            s.serverTime = t;
            s.player[core::PlayerField::CommandTime] = static_cast<uint32_t>(t);
            for (int n = 0; n < 32; ++n) {
                core::EntityState& e = s.entities.emplace_back();
                e.number = n;
                e[core::EntityField::EType] = n < 2 ? 1 : 3;
                e[core::EntityField::Origin0] = static_cast<uint32_t>(t * (n + 1));
            }
            if (t % 20000 == 0) {
                core::EntityState& e = s.entities.emplace_back();
                e.number = 100;
                e[core::EntityField::EType] = static_cast<uint32_t>(tables.eventEntityType + tables.obituaryEvent);
                e[core::EntityField::OtherEntityNum] = 1;
                e[core::EntityField::EventParm] = 10;
            }
            encoder.Add(m);
        }
        encoder.Finish();
        testsupport::WriteBytes(file.string(), bytes);
        return file.string();
    }();
    return path;
}

void BM_EventsOfTwentyMinutes(benchmark::State& state)
{
    const std::string& file = TwentyMinuteDemo();
    for (auto _ : state) {
        const core::DemoEventsResult result = core::LoadDemoEvents(file, {});
        const auto figures = core::PlayerFiguresOf(result.events);
        benchmark::DoNotOptimize(figures.data());
    }
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(file)) / 1048576.0;
}

void BM_PlainReadCorpus(benchmark::State& state)
{
    const Corpus& corpus = RealCorpus();
    for (auto _ : state)
        for (const std::string& file : corpus.files) {
            std::vector<uint8_t> data(static_cast<size_t>(std::filesystem::file_size(file)));
            std::FILE* f = std::fopen(file.c_str(), "rb");
            const size_t got = f ? std::fread(data.data(), 1, data.size(), f) : 0;
            if (f)
                std::fclose(f);
            benchmark::DoNotOptimize(got);
            benchmark::DoNotOptimize(data.data());
        }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * corpus.bytes));
}

void BM_ListingReadCorpus(benchmark::State& state)
{
    const Corpus& corpus = RealCorpus();
    for (auto _ : state)
        for (const std::string& file : corpus.files) {
            core::DemoRead demo = core::LoadDemo(file, "", false);
            benchmark::DoNotOptimize(demo ? demo->playtimeSeconds : 0u);
        }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * corpus.bytes));
}

void BM_EventsCorpus(benchmark::State& state)
{
    const Corpus& corpus = RealCorpus();
    for (auto _ : state)
        for (const std::string& file : corpus.files) {
            const core::DemoEventsResult result = core::LoadDemoEvents(file, {});
            benchmark::DoNotOptimize(result.events.data());
        }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * corpus.bytes));
}

BENCHMARK(BM_EventsOfTwentyMinutes)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_PlainReadCorpus)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ListingReadCorpus)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_EventsCorpus)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv)
{
    // After the table: the events' rate over the corpus as a share of the other two.
    return bench::RunWithSummary(argc, argv, [](const bench::RunFigures& figures) {
        const double plain = figures.Rate("BM_PlainReadCorpus");
        const double listing = figures.Rate("BM_ListingReadCorpus");
        const double events = figures.Rate("BM_EventsCorpus");
        if (plain > 0 && listing > 0 && events > 0)
            std::printf("real corpus (%zu files, %.1f MB): plain read %.0f MB/s, listing read %.0f MB/s, events %.1f "
                        "MB/s; events/plain %.3f, events/listing %.2f\n",
                        RealCorpus().files.size(), RealCorpus().bytes / 1048576.0, plain / 1048576.0,
                        listing / 1048576.0, events / 1048576.0, events / plain, events / listing);
    });
}
