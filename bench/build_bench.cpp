// Build time per step through the export, for a small and a large program:
// the cost of a build must grow with the program, not faster. The last lines
// give the per-step ratios of the large program to the small one, measured
// in this run.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "driver/driver.h"
#include "platform/clock.h"
#include "ratio_reporter.h"

namespace fs = std::filesystem;

namespace {

// A program of `steps` steps in one file for a 4096-step model. With
// `registers` set, the steps between them use that many distinct registers;
// every step but the last has a label and jumps to the next one by label.
std::string make_program(const fs::path& dir, int steps, int registers) {
    fs::create_directories(dir);
    std::ofstream fig(dir / "prog.fig");
    fig << "controller_model K531\n";
    std::ofstream out(dir / "prog.vep");
    int per_step = registers ? (registers + steps - 1) / steps : 0;
    int next_register = 1;
    for (int n = 1; n <= steps; ++n) {
        out << "\n[" << n << "]    l" << n << "\n    ---\n        " << (n % 64 + 1) << "+\n    ---\n";
        out << "    set flag#" << (n % 32 + 1) << "\n";
        for (int i = 0; i < per_step && next_register <= registers; ++i, ++next_register)
            out << "    store " << next_register << " to reg#" << next_register << "\n";
        if (n < steps)
            out << "    goto l" << n + 1 << "\n";
        else
            out << "    goto [1]\n";
    }
    return (dir / "prog.vep").string();
}

void build_program(benchmark::State& state, int steps, int registers) {
    fs::path dir = fs::temp_directory_path() / ("pxbench-" + std::to_string(steps) + "-" + std::to_string(registers));
    std::string path = make_program(dir, steps, registers);
    fs::path previous = fs::current_path();
    fs::current_path(dir);
    px::set_pauses_enabled(false);
    for (auto _ : state) {
        int32_t result = px::run_export(path.c_str());
        benchmark::DoNotOptimize(result);
        if (result == 0) state.SkipWithError("build failed");
    }
    pxbench::count_items(state, "per_step", steps);
    fs::current_path(previous);
    fs::remove_all(dir);
}

void BM_Build256(benchmark::State& s) { build_program(s, 256, 0); }
void BM_Build4096(benchmark::State& s) { build_program(s, 4096, 0); }
void BM_Build256Registers(benchmark::State& s) { build_program(s, 256, 3750); }
void BM_Build4096Registers(benchmark::State& s) { build_program(s, 4096, 60000); }

BENCHMARK(BM_Build256)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Build4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Build256Registers)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Build4096Registers)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    pxbench::ratio_reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.ratio("step", "BM_Build4096", "BM_Build256");
    reporter.ratio("step", "BM_Build4096Registers", "BM_Build256Registers");
    benchmark::Shutdown();
    return 0;
}
