// The ratio lines the scaling benchmarks end with: each benchmark sets the
// counter "items" (steps, uses, ...) to what one iteration handles, the
// reporter keeps the time per item of every run, and ratio() prints that of
// a large case over that of a small one, both measured in the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace pxbench {

class ratio_reporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> per_item;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            auto it = r.counters.find("items");
            if (it != r.counters.end() && r.iterations > 0)
                per_item[r.benchmark_name()] = r.GetAdjustedRealTime() / it->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void ratio(const char* what, const char* large, const char* small) {
        if (per_item.count(large) && per_item.count(small))
            std::printf("per-%s time ratio %s / %s = %.2f\n", what, large, small, per_item[large] / per_item[small]);
    }
};

// The per-item rate shown beside a run, and the count the ratio divides by.
inline void count_items(benchmark::State& state, const char* name, double items) {
    state.counters["items"] = items;
    state.counters[name] = benchmark::Counter(items * double(state.iterations()),
                                              benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace pxbench
