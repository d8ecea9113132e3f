#pragma once
// The console table of Google Benchmark, followed by a summary line the benchmark prints from the
// figures of its runs (rates compared with a plain read, one start-up against another).
#include <benchmark/benchmark.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace bench {

// What the summary reads: per benchmark function (its name without the "/min_time:..." part),
// its bytes per second and its real time per iteration in the table's unit.
struct RunFigures {
    std::map<std::string, double> rates;
    std::map<std::string, double> times;
    double Rate(const std::string& name) const
    {
        const auto found = rates.find(name);
        return found == rates.end() ? 0.0 : found->second;
    }
    double Time(const std::string& name) const
    {
        const auto found = times.find(name);
        return found == times.end() ? 0.0 : found->second;
    }
};

class SummaryReporter : public benchmark::ConsoleReporter {
public:
    explicit SummaryReporter(std::function<void(const RunFigures&)> summary) : m_summary(std::move(summary)) {}
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            const std::string name = run.run_name.function_name;
            if (run.counters.count("bytes_per_second"))
                m_figures.rates[name] = run.counters.at("bytes_per_second");
            m_figures.times[name] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        m_summary(m_figures);
    }

private:
    std::function<void(const RunFigures&)> m_summary;
    RunFigures m_figures;
};

// The benchmark program's main: runs the benchmarks the command line selects, then the summary.
inline int RunWithSummary(int argc, char** argv, std::function<void(const RunFigures&)> summary)
{
    benchmark::Initialize(&argc, argv);
    SummaryReporter reporter(std::move(summary));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

} // namespace bench
