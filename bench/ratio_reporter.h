// A console reporter that also keeps the mean CPU time per iteration of
// every run, so that a benchmark can print ratios measured in one run.
#ifndef KAL_BENCH_RATIO_REPORTER_H
#define KAL_BENCH_RATIO_REPORTER_H

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
   public:
    std::map<std::string, double> iterationNs;  // benchmark name -> ns per iteration
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                iterationNs[run.benchmark_name()] = run.cpu_accumulated_time * 1e9 / run.iterations;
        ConsoleReporter::ReportRuns(runs);
    }
    // ns per iteration of a run, or 0 when it did not run.
    double at(const std::string &name) const
    {
        auto it = iterationNs.find(name);
        return it == iterationNs.end() ? 0.0 : it->second;
    }
};

// Runs the registered benchmarks, then hands their times to `print`.
inline void runAndPrintRatios(int argc, char **argv, void (*print)(const RatioReporter &))
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    print(reporter);
    benchmark::Shutdown();
}

#endif
