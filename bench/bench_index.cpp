// The library index on a library of 100,000 demos in 500 folders:
//   query latency (median and 95th percentile) of typical searches: free text, a player, a map
//     with a rating; on rows put into the index directly, as many as the GUI shows at most;
//   the database's size per demo;
//   an update when nothing changed against a listing of the same folders from their scan caches,
//     on real demo files (small synthetic ones: the work measured is the file system's and the
//     index's, not the demo reader's).
//   the events of every demo (some sixty each: frags with places, chat, joins) stored with it:
//     the time to store them, bytes per event on disk (a library with and one without them),
//     and moment queries;
//   on the real demos: events indexed per second of processor time (reading, decoding, storing,
//     on every core) against the decoder's own rate of events.
// VELMORA_BENCH_INDEX_DEMOS changes the number of demos (spread over the same 500 folders).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/events/DemoEventsLoad.h"
#include "core/index/IndexUpdater.h"
#include "core/index/LibraryIndex.h"
#include "core/index/Moments.h"
#include "core/library/Scanner.h"
#include "support/DemoBuilder.h"

namespace {

constexpr int kFolders = 500;
constexpr size_t kShownRows = 20000; // the GUI's limit

int DemoCount()
{
    const char* wanted = std::getenv("VELMORA_BENCH_INDEX_DEMOS");
    return wanted ? std::max(kFolders, std::atoi(wanted)) : 100000;
}

const std::vector<std::string> kMaps{"q3dm1",      "q3dm2",      "q3dm3",      "q3dm4",      "q3dm5",      "q3dm6",
                                     "q3dm7",      "q3dm8",      "q3dm9",      "q3dm10",     "q3dm11",     "q3dm12",
                                     "q3dm13",     "q3dm14",     "q3dm15",     "q3dm16",     "q3dm17",     "q3dm18",
                                     "q3dm19",     "q3tourney1", "q3tourney2", "q3tourney3", "q3tourney4", "q3tourney5",
                                     "q3tourney6", "q3ctf1",     "q3ctf2",     "q3ctf3",     "q3ctf4",     "pro-q3dm6"};
const std::vector<std::string> kTypes{"Free for All", "Tournament", "Team Deathmatch", "Capture the Flag"};
const std::vector<std::string> kClans{"", "", "", "^1cK^7-", "[^4SK^7]", "^3mTw^7|", "^2fnatic^7.", "4k-"};

// About 3,000 players, so that one player is in a few hundred demos.
std::string PlayerName(int n)
{
    static const std::vector<std::string> stems{"fatal",  "zero",  "toxic", "rapha",  "cooller",  "cypher", "evil",
                                                "stermy", "daler", "vo0",   "fox",    "socrates", "czm",    "ztn",
                                                "lakerz", "av3k",  "jibo",  "strenx", "k1llsen",  "winz"};
    return kClans[static_cast<size_t>(n) % kClans.size()] + stems[static_cast<size_t>(n) % stems.size()] +
           std::to_string(n % 150);
}

core::IndexedDemo SyntheticDemo(int n, std::mt19937& random, const std::string& folder)
{
    core::IndexedDemo demo;
    core::DemoInfo& row = demo.row;
    row[core::FieldDemoname] = "demo" + std::to_string(n) + (n % 3 ? ".dm_68" : ".dm_48");
    row[core::FieldMap] = kMaps[random() % kMaps.size()];
    row[core::FieldPlaytime] = "00:1" + std::to_string(random() % 10) + ":00";
    row[core::FieldVersion] = "ioq3 1.36_GIT linux-x86_64";
    row[core::FieldGametype] = kTypes[random() % kTypes.size()];
    row[core::FieldMod] = n % 5 ? "baseq3" : "osp";
    row[core::FieldHostname] = "^1Server ^7number " + std::to_string(random() % 200);
    row[core::FieldTimelimit] = "15";
    row[core::FieldFraglimit] = "N/S";
    row[core::FieldCapturelimit] = "8";
    row[core::FieldProtocol] = n % 3 ? "68" : "48";
    row[core::FieldMaxClients] = "16";
    row[core::FieldMaxRate] = "25000";
    row[core::FieldMaxPing] = "N/S";
    row[core::FieldMinPing] = "N/S";
    const int players = 2 + static_cast<int>(random() % 7);
    for (int p = 0; p < players; ++p)
        demo.players.push_back({PlayerName(static_cast<int>(random() % 3000)),
                                static_cast<int32_t>(p % 2 + 1),
                                static_cast<int32_t>(random() % 40),
                                {}});
    row[core::FieldWinner] = demo.players[0].name;
    row[core::FieldSecond] = demo.players[1].name;
    row[core::FieldFinalScore] = "20:13";
    row[core::FieldLocation] = folder;
    if (random() % 10 == 0) {
        row[core::FieldRating] = std::to_string(random() % 10 + 1);
        row[core::FieldDescription] = "great comeback in the last minute";
    }
    if (random() % 20 == 0)
        row[core::FieldPOV] = demo.players[0].name;
    demo.bytes = 100000 + random() % 4000000;
    const uint32_t year = 2005 + random() % 20, month = 1 + random() % 12, day = 1 + random() % 28;
    demo.dosDateTime = ((year - 1980) << 25) | (month << 21) | (day << 16) | (12u << 11);
    demo.mapTitle = "Map " + row[core::FieldMap];
    return demo;
}

// A match's events: the players join, some forty frags over ten minutes (one in ten of a victim in
// the air), a few suicides, chat lines, the start and the end.
void AddSyntheticEvents(core::IndexedDemo& demo, std::mt19937& random)
{
    using core::EventKind;
    static const std::vector<core::DeathCause> causes{core::DeathCause::Rocket,     core::DeathCause::RocketSplash,
                                                      core::DeathCause::Railgun,    core::DeathCause::Lightning,
                                                      core::DeathCause::MachineGun, core::DeathCause::Shotgun,
                                                      core::DeathCause::Plasma,     core::DeathCause::GrenadeSplash};
    static const std::vector<std::string> lines{"gg", "nice shot", "lag!", "gl hf", "wp"};
    core::IndexedEvents& indexed = demo.events;
    indexed.read = true;
    indexed.firstServerTime = 100000 + static_cast<int32_t>(random() % 1000) * 50;
    const int players = static_cast<int>(demo.players.size());
    int64_t time = 0;
    const auto add = [&](EventKind kind, int player, int other) -> core::DemoEvent& {
        core::DemoEvent& e = indexed.events.emplace_back();
        e.kind = kind;
        e.demoTime = time;
        e.serverTime = indexed.firstServerTime + static_cast<int32_t>(time);
        e.player = player;
        e.other = other;
        if (player >= 0)
            e.playerName = demo.players[static_cast<size_t>(player)].name;
        if (other >= 0)
            e.otherName = demo.players[static_cast<size_t>(other)].name;
        return e;
    };
    for (int p = 0; p < players; ++p)
        add(EventKind::PlayerJoined, p, -1).team = p % 2 + 1;
    add(EventKind::GameStart, -1, -1);
    const int frags = 30 + static_cast<int>(random() % 20);
    for (int f = 0; f < frags; ++f) {
        time += 2000 + random() % 20000;
        const int attacker = static_cast<int>(random() % static_cast<unsigned>(players));
        const int victim = (attacker + 1 + static_cast<int>(random() % static_cast<unsigned>(players - 1))) % players;
        const bool suicide = random() % 15 == 0;
        core::DemoEvent& e = add(suicide ? EventKind::Suicide : EventKind::Frag, suicide ? -1 : attacker, victim);
        e.cause = suicide ? core::DeathCause::Falling : causes[random() % causes.size()];
        e.weapon = core::WeaponOfCause(e.cause);
        const auto place = [&](bool air) {
            const auto coordinate = [&] { return static_cast<int32_t>(random() % 4000) - 2000; };
            return core::EventPlace{coordinate(), coordinate(), coordinate() / 4, !air, air};
        };
        e.otherPlace = place(random() % 10 == 0);
        if (!suicide)
            e.playerPlace = place(random() % 20 == 0);
    }
    for (int c = 0; c < 3; ++c) {
        time += random() % 5000;
        add(EventKind::Chat, static_cast<int>(random() % static_cast<unsigned>(players)), -1).text =
            lines[random() % lines.size()];
    }
    add(EventKind::GameEnd, -1, -1);
}

// A folder of this run's own: other runs of the benchmark (other builds, other versions of the
// index) may work beside it, and one would empty the other's index.
// They go when the run ends.
std::vector<std::filesystem::path>& ScratchFolders()
{
    static std::vector<std::filesystem::path> folders;
    return folders;
}

std::filesystem::path ScratchFolder(const std::string& name)
{
    if (ScratchFolders().empty())
        std::atexit([] {
            for (const std::filesystem::path& folder : ScratchFolders()) {
                std::error_code error;
                std::filesystem::remove_all(folder, error);
            }
        });
    ScratchFolders().push_back(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid())));
    return ScratchFolders().back();
}

struct QueryLibrary {
    std::filesystem::path file;
    uint64_t bytes = 0;
    size_t events = 0;
    double storeSeconds = 0; // putting the demos with their events into the index
};

const QueryLibrary& TheQueryLibrary()
{
    static const QueryLibrary library = [] {
        QueryLibrary made;
        const auto folder = ScratchFolder("velmora-bench-index-query");
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        made.file = folder / "library-index.sqlite";
        {
            core::LibraryIndex index;
            index.Open(made.file);
            std::mt19937 random(17);
            const int demos = DemoCount();
            std::chrono::steady_clock::duration storing{};
            for (int f = 0; f < kFolders; ++f) {
                const std::string path = "/library/folder" + std::to_string(f);
                std::vector<core::IndexedDemo> inFolder;
                for (int n = f; n < demos; n += kFolders) {
                    inFolder.push_back(SyntheticDemo(n, random, path));
                    AddSyntheticEvents(inFolder.back(), random);
                    made.events += inFolder.back().events.events.size();
                }
                const auto started = std::chrono::steady_clock::now();
                int64_t id = 0;
                index.Begin();
                index.AddFolder(path, id);
                for (const core::IndexedDemo& demo : inFolder)
                    index.AddDemo(id, demo);
                index.Commit();
                storing += std::chrono::steady_clock::now() - started;
            }
            made.storeSeconds = std::chrono::duration<double>(storing).count();
        } // closing checkpoints the log into the file
        made.bytes = std::filesystem::file_size(made.file);
        return made;
    }();
    return library;
}

double ThreadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Runs every query once per iteration and reports the latency percentiles over all runs.
void RunQueries(benchmark::State& state, const std::vector<std::string>& queries)
{
    const QueryLibrary& library = TheQueryLibrary();
    core::LibraryIndex index;
    index.Open(library.file);
    // Wall time is what the user waits; the thread's processor time leaves out the waits for other
    // processes of a busy machine.
    std::vector<double> ms, cpuMs;
    size_t rows = 0;
    for (auto _ : state) {
        for (const std::string& text : queries) {
            const auto started = std::chrono::steady_clock::now();
            const double cpuStarted = ThreadCpuMs();
            const core::SearchResult result = index.Search(core::ParseSearchQuery(text), kShownRows);
            cpuMs.push_back(ThreadCpuMs() - cpuStarted);
            ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count());
            rows += result.rows.size();
            benchmark::DoNotOptimize(result);
        }
    }
    std::sort(ms.begin(), ms.end());
    std::sort(cpuMs.begin(), cpuMs.end());
    state.counters["p95_cpu_ms"] = cpuMs[std::min(cpuMs.size() - 1, cpuMs.size() * 95 / 100)];
    state.counters["p50_ms"] = ms[ms.size() / 2];
    state.counters["p95_ms"] = ms[std::min(ms.size() - 1, ms.size() * 95 / 100)];
    state.counters["rows_per_query"] = static_cast<double>(rows) / static_cast<double>(ms.size());
    state.counters["db_bytes_per_demo"] = static_cast<double>(library.bytes) / DemoCount();
}

void BM_QueryFreeText(benchmark::State& state)
{
    // What users look for by words: a player, a server, a clan tag, a map.
    RunQueries(state,
               {"fatal12", "zero12", "toxic7", "cypher99", "k1llsen", "skfox", "mtw|daler", "q3dm17", "tourney4"});
}
BENCHMARK(BM_QueryFreeText)->Unit(benchmark::kMillisecond)->Iterations(5);

// Words found in a fifth of the library: the list shows the first 20,000.
void BM_QueryBroadText(benchmark::State& state)
{
    RunQueries(state, {"osp", "comeback", "q3tourney", "fatal"});
}
BENCHMARK(BM_QueryBroadText)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_QueryPlayer(benchmark::State& state)
{
    std::vector<std::string> queries;
    for (int n = 0; n < 20; ++n)
        queries.push_back("player:" + core::SearchText(PlayerName(n * 149)));
    RunQueries(state, queries);
}
BENCHMARK(BM_QueryPlayer)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_QueryMapAndRating(benchmark::State& state)
{
    std::vector<std::string> queries;
    for (const std::string& map : kMaps)
        queries.push_back("map:" + map + " rating>=8");
    RunQueries(state, queries);
}
BENCHMARK(BM_QueryMapAndRating)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_QueryCombined(benchmark::State& state)
{
    RunQueries(state, {"player:fatal map:q3dm6 rating>=8 after:2019-01-01", "player:zero type:1v1 before:2010",
                       "fatal mod:osp pov:yes"});
}
BENCHMARK(BM_QueryCombined)->Unit(benchmark::kMillisecond)->Iterations(5);

// Moment searches as the window makes them (at most the rows it shows); the p95 target is 50 ms.
void RunMomentQueries(benchmark::State& state, const std::vector<std::string>& queries)
{
    const QueryLibrary& library = TheQueryLibrary();
    core::LibraryIndex index;
    index.Open(library.file);
    std::vector<double> ms, cpuMs;
    size_t moments = 0;
    for (auto _ : state) {
        for (const std::string& text : queries) {
            const auto started = std::chrono::steady_clock::now();
            const double cpuStarted = ThreadCpuMs();
            const core::MomentResult result = core::SearchMoments(index, core::ParseSearchQuery(text), kShownRows);
            cpuMs.push_back(ThreadCpuMs() - cpuStarted);
            ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count());
            moments += result.moments.size();
            benchmark::DoNotOptimize(result);
        }
    }
    std::sort(ms.begin(), ms.end());
    std::sort(cpuMs.begin(), cpuMs.end());
    state.counters["p95_cpu_ms"] = cpuMs[std::min(cpuMs.size() - 1, cpuMs.size() * 95 / 100)];
    state.counters["p50_ms"] = ms[ms.size() / 2];
    state.counters["p95_ms"] = ms[std::min(ms.size() - 1, ms.size() * 95 / 100)];
    state.counters["moments_per_query"] = static_cast<double>(moments) / static_cast<double>(ms.size());
    state.counters["events"] = static_cast<double>(library.events);
    state.counters["store_s"] = library.storeSeconds;
}

void BM_MomentFragByPlayer(benchmark::State& state)
{
    std::vector<std::string> queries;
    for (int n = 0; n < 20; ++n)
        queries.push_back("frag by:" + core::SearchText(PlayerName(n * 149)));
    RunMomentQueries(state, queries);
}
BENCHMARK(BM_MomentFragByPlayer)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_MomentAirRocketFrags(benchmark::State& state)
{
    RunMomentQueries(state, {"frag weapon:rocket air", "air weapon:rl map:q3dm6", "frag air weapon:rocket by:fatal"});
}
BENCHMARK(BM_MomentAirRocketFrags)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_MomentMultiOnAMap(benchmark::State& state)
{
    std::vector<std::string> queries;
    for (size_t m = 0; m < kMaps.size(); m += 3)
        queries.push_back("multi:3/5 map:" + kMaps[m]);
    RunMomentQueries(state, queries);
}
BENCHMARK(BM_MomentMultiOnAMap)->Unit(benchmark::kMillisecond)->Iterations(3);

// Bytes per event: the same 5,000 demos stored with and without their events.
void BM_EventBytesOnDisk(benchmark::State& state)
{
    const auto folder = ScratchFolder("velmora-bench-index-events");
    double perEvent = 0;
    size_t events = 0;
    std::map<std::string, double> parts;
    for (auto _ : state) {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        uint64_t sizes[2] = {0, 0};
        for (const bool withEvents : {false, true}) {
            const auto file = folder / (withEvents ? "with.sqlite" : "without.sqlite");
            {
                core::LibraryIndex index;
                index.Open(file);
                std::mt19937 random(5);
                events = 0;
                for (int f = 0; f < 50; ++f) {
                    int64_t id = 0;
                    index.Begin();
                    index.AddFolder("/f" + std::to_string(f), id);
                    for (int n = 0; n < 100; ++n) {
                        core::IndexedDemo demo = SyntheticDemo(f * 100 + n, random, "/f" + std::to_string(f));
                        AddSyntheticEvents(demo, random);
                        events += demo.events.events.size();
                        if (!withEvents)
                            demo.events = {};
                        index.AddDemo(id, demo);
                    }
                    index.Commit();
                }
                if (withEvents) {
                    // Where the bytes go, table by table (where SQLite can say).
                    core::SqliteStatement pages = index.Database().Prepare(
                        "SELECT CASE WHEN name LIKE 'event_name%' THEN 'names' ELSE name END, sum(pgsize) FROM dbstat "
                        "WHERE name LIKE 'event%' GROUP BY 1");
                    while (pages.Step() == 100 /* a row */)
                        parts[pages.Text(0)] = static_cast<double>(pages.Int(1));
                }
            }
            sizes[withEvents ? 1 : 0] = std::filesystem::file_size(file);
        }
        perEvent = static_cast<double>(sizes[1] - sizes[0]) / static_cast<double>(events);
    }
    for (const auto& [table, bytes] : parts)
        state.counters["bytes_" + table] = bytes / static_cast<double>(events);
    state.counters["bytes_per_event"] = perEvent;
    state.counters["events"] = static_cast<double>(events);
}
BENCHMARK(BM_EventBytesOnDisk)->Unit(benchmark::kMillisecond)->Iterations(1);

double ProcessCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The real demos: the index's rate of events (listing, reading, decoding, storing, on every core)
// per second of processor time against the decoder's own.
void BM_CorpusEventsIndexed(benchmark::State& state)
{
    const std::filesystem::path corpus = VELMORA_CORPUS_DIR;
    if (corpus.empty() || !std::filesystem::is_directory(corpus)) {
        state.SkipWithError("no corpus");
        return;
    }
    const auto data = ScratchFolder("velmora-bench-index-corpus");
    const std::vector<std::string> folders = core::FolderAndSubfolders(corpus.string());
    double indexCpu = 0, decodeCpu = 0;
    size_t indexed = 0, decoded = 0;
    for (auto _ : state) {
        std::filesystem::remove_all(data);
        std::filesystem::create_directories(data);
        core::LibraryIndex index;
        index.Open(data / "library-index.sqlite");
        double started = ProcessCpuSeconds();
        core::UpdateLibraryIndex(index, folders, {});
        indexCpu += ProcessCpuSeconds() - started;
        indexed += index.EventCount().value_or(0);
        // The decoder alone, on the same demos.
        started = ProcessCpuSeconds();
        for (const std::string& folder : folders)
            for (const auto& entry : std::filesystem::directory_iterator(folder))
                if (entry.is_regular_file() && entry.path().filename().string().find(".dm") != std::string::npos)
                    decoded += core::LoadDemoEvents(entry.path().string(), {}).events.size();
        decodeCpu += ProcessCpuSeconds() - started;
    }
    state.counters["indexed_events_per_cpu_s"] = static_cast<double>(indexed) / indexCpu;
    state.counters["decoded_events_per_cpu_s"] = static_cast<double>(decoded) / decodeCpu;
    state.counters["ratio"] = (static_cast<double>(indexed) / indexCpu) / (static_cast<double>(decoded) / decodeCpu);
    state.counters["events"] = static_cast<double>(indexed) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_CorpusEventsIndexed)->Unit(benchmark::kMillisecond)->Iterations(3);

// Real files: small demos, the same number in each of the 500 folders.
struct FileLibrary {
    std::filesystem::path root, data;
    std::vector<std::string> folders;
};

const FileLibrary& TheFileLibrary()
{
    static const FileLibrary library = [] {
        FileLibrary made;
        made.root =
            std::filesystem::temp_directory_path() / ("velmora-bench-index-files-" + std::to_string(DemoCount()));
        made.data = ScratchFolder("velmora-bench-index-data");
        std::filesystem::remove_all(made.data);
        std::filesystem::create_directories(made.data / "Demos");
        const bool ready = std::filesystem::exists(made.root / "complete");
        const int perFolder = DemoCount() / kFolders;
        for (int f = 0; f < kFolders; ++f) {
            const auto folder = made.root / ("group" + std::to_string(f / 25)) / ("folder" + std::to_string(f));
            made.folders.push_back(folder.string());
            if (ready)
                continue;
            std::filesystem::create_directories(folder);
            for (int n = 0; n < perFolder; ++n) {
                testsupport::DemoBuilder demo(48);
                demo.Add(testsupport::Message(48).GameState(
                    {{0, testsupport::ServerInfo(48, kMaps[static_cast<size_t>(n) % kMaps.size()], "1")},
                     {544, testsupport::UserInfo(PlayerName(n * 7 + f), 0)},
                     {545, testsupport::UserInfo(PlayerName(n * 11 + f), 0)}}));
                demo.Add(testsupport::Message(48).Snapshot(1000)).End();
                testsupport::WriteBytes((folder / ("d" + std::to_string(n) + ".dm_48")).string(), demo.Bytes());
            }
        }
        std::ofstream(made.root / "complete") << "";
        return made;
    }();
    return library;
}

class NoRows final : public core::ScanTarget {
public:
    void AddRow(core::DemoInfo) override { ++rows; }
    int RowCount() const override { return rows; }
    int rows = 0;
};

void ListAll(const FileLibrary& library)
{
    core::LibraryFeedback quiet;
    core::ScanSettings settings;
    settings.demoDataDirectory = library.data / "Demos";
    for (const std::string& folder : library.folders) {
        NoRows list, play;
        core::ScanDemos(core::FolderScanArgument(folder), list, play, quiet, settings);
    }
}

void BM_CachedListingOfAllFolders(benchmark::State& state)
{
    const FileLibrary& library = TheFileLibrary();
    ListAll(library); // writes the caches the timed runs read
    for (auto _ : state)
        ListAll(library);
    state.counters["folders"] = kFolders;
}
BENCHMARK(BM_CachedListingOfAllFolders)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_IndexUpdateNothingChanged(benchmark::State& state)
{
    const FileLibrary& library = TheFileLibrary();
    core::LibraryIndex index;
    index.Open(library.data / "library-index.sqlite");
    core::IndexUpdateOptions options;
    options.demoDataDirectory = library.data / "Demos";
    const auto started = std::chrono::steady_clock::now();
    const core::IndexUpdateResult first = core::UpdateLibraryIndex(index, library.folders, options);
    state.counters["first_index_s"] = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    state.counters["first_index_demos"] = static_cast<double>(first.demosRead);
    size_t read = 0;
    for (auto _ : state)
        read += core::UpdateLibraryIndex(index, library.folders, options).demosRead;
    state.counters["demos_read_after"] = static_cast<double>(read);
    state.counters["db_bytes_per_demo"] =
        static_cast<double>(std::filesystem::file_size(library.data / "library-index.sqlite")) /
        static_cast<double>(std::max<size_t>(1, index.DemoCount().value_or(0)));
}
BENCHMARK(BM_IndexUpdateNothingChanged)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
