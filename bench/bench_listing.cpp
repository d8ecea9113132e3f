// How responsive the main window stays while it lists a folder of 10,000 demos: a 2 ms timer
// runs during the listing, and the largest gap between its ticks (and from the last tick to the
// listing's end) is the longest time the window could not react to the user.
//
//   cold:   every demo is read (the folder's "vmr_scan" is deleted first, as "Reparse List" does)
//   cached: every demo comes from "vmr_scan" ("Refresh List")
//
//   index:  the library index built from nothing in the background
//
// Counters: max_gap_ms (the figure that matters, target below 100 ms) and rows. Runs the real
// window on the offscreen platform; the corpus is written once to a temporary folder.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdlib>
#include <filesystem>

#include "core/index/LibraryIndex.h"
#include "core/library/FolderTreeOps.h"
#include "core/settings/Settings.h"
#include "gui/app/MainWindow.h"
#include "gui/lists/DemoListPane.h"
#include "gui/lists/LibrarySearch.h"
#include "gui/tree/FolderTreePane.h"
#include "support/DemoBuilder.h"

namespace {

constexpr int kDemos = 10000;

std::filesystem::path Corpus()
{
    static const std::filesystem::path folder = [] {
        const std::filesystem::path root = std::filesystem::temp_directory_path() / "velmora-bench-listing";
        const std::filesystem::path demos = root / "demos";
        if (!std::filesystem::exists(root / "complete")) {
            std::filesystem::remove_all(root);
            std::filesystem::create_directories(demos);
            for (int i = 0; i < kDemos; ++i) {
                const int protocol = i % 3 == 0 ? 45 : 48;
                char name[64];
                std::snprintf(name, sizeof name, "match%05d.%s", i, protocol == 48 ? "dm_48" : "dm3");
                testsupport::WriteBytes((demos / name).string(), testsupport::RealisticDemo(protocol, 60 + i % 90, 40,
                                                                                            static_cast<uint32_t>(i)));
            }
            testsupport::WriteBytes((root / "complete").string(), {});
        }
        return demos;
    }();
    return folder;
}

// Records the largest time between two moments the window handled its events.
class GapMeter {
public:
    GapMeter()
    {
        m_timer.setInterval(2);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Tick(); });
    }
    void Start()
    {
        m_longest = 0;
        m_clock.start();
        m_last = 0;
        m_timer.start();
    }
    double Stop()
    {
        Tick();
        m_timer.stop();
        return static_cast<double>(m_longest) / 1e6;
    }

private:
    void Tick()
    {
        const qint64 now = m_clock.nsecsElapsed();
        m_longest = std::max(m_longest, now - m_last);
        m_last = now;
    }
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

gui::MainWindow& Window()
{
    static gui::MainWindow* window = [] {
        const std::filesystem::path program = Corpus().parent_path() / "program";
        std::filesystem::create_directories(program);
        core::Settings.paths = core::MakeProgramPaths(program.string(), true, core::Environment{});
        auto* made = new gui::MainWindow;
        made->resize(1000, 700);
        made->show();
        QApplication::processEvents();
        made->TreePane().AddRoot(QString::fromStdString(Corpus().string())); // lists it once
        return made;
    }();
    return *window;
}

void Listing(benchmark::State& state, bool cold)
{
    gui::MainWindow& window = Window();
    GapMeter meter;
    double longest = 0;
    for (auto _ : state) {
        meter.Start();
        if (cold)
            window.ReparseList();
        else
            window.RefreshList();
        longest = std::max(longest, meter.Stop());
    }
    state.counters["max_gap_ms"] = longest;
    state.counters["rows"] = window.DemoList().Model().rowCount();
}

void BM_ListFolderCold(benchmark::State& state)
{
    Listing(state, true);
}
void BM_ListFolderCached(benchmark::State& state)
{
    Listing(state, false);
}

// The library index built from nothing on its own thread (every demo read) while the window runs.
void BM_IndexLibraryFromNothing(benchmark::State& state)
{
    gui::MainWindow& window = Window();
    gui::LibrarySearch& search = window.Search();
    search.databaseFile =
        std::filesystem::path(core::Settings.paths.dataDirectory) / std::string(core::kLibraryIndexName);
    GapMeter meter;
    double longest = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(search.databaseFile);
        state.ResumeTiming();
        meter.Start();
        search.StartIndexing();
        while (search.Indexing())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        longest = std::max(longest, meter.Stop());
    }
    state.counters["max_gap_ms"] = longest;
}
BENCHMARK(BM_IndexLibraryFromNothing)->Unit(benchmark::kMillisecond)->Iterations(2);

BENCHMARK(BM_ListFolderCold)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ListFolderCached)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
