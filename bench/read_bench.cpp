// Reading whole programs with read_file: a 4096-step program spread over 80
// step files with 20000 instruction lines, against a 256-step program of the
// same make-up. Reading must take time in proportion to the steps read: the
// reader links each step after the last one it keeps at hand and never walks
// the program, so the time per step at 4096 steps stays close to that at 256.
//
// read_scaling reads both programs in every iteration and reports the time
// per step of each and their ratio, measured side by side in one run.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "driver/build_context.h"
#include "driver/build_state.h"
#include "driver/model.h"
#include "files/config.h"
#include "files/read_file.h"
#include "files/save_file.h"
#include "platform/clock.h"

namespace fs = std::filesystem;

namespace {

struct program_files {
    std::string link_file;
    int steps;
};

// A program of `steps` steps with `instructions` instruction lines in all,
// spread evenly over `files` step files. Files alternate between numbering
// that follows on from the previous file ([1] first) and absolute numbering.
program_files write_program(const fs::path& folder, const std::string& name, int steps, int files,
                            int instructions) {
    fs::create_directories(folder);
    std::ofstream link(folder / (name + ".mak"));
    int next = 1;  // program step number of the next step
    for (int f = 0; f < files; ++f) {
        int count = steps / files + (f < steps % files ? 1 : 0);
        fs::path file = folder / (name + "_" + std::to_string(f) + ".pre");
        link << file.string() << "\r\n";
        if (f == 0) std::ofstream(folder / (name + "_0.fig")) << "controller_model K530\n";
        std::ofstream out(file);
        bool follows_on = f % 2 == 0;
        for (int i = 0; i < count; ++i, ++next) {
            int written = follows_on ? i + 1 : next;
            out << "\n[" << written << "]    s" << next << "\n    ;;; step " << next << " of " << name << "\n    "
                << std::string(75, '-') << "\n        " << (next % 1000 + 1) << "+" << std::string(12, ' ')
                << (next % 7 + 1) << "-\n    " << std::string(75, '-') << "\n";
            long before = static_cast<long>(next - 1) * instructions / steps;
            long after = static_cast<long>(next) * instructions / steps;
            for (long k = before; k < after; ++k)
                out << "    if input#" << (k % 64 + 1) << " on and flag#" << (k % 32 + 1) << " off goto s"
                    << (next % steps + 1) << "\n";
        }
    }
    return {(folder / (name + ".mak")).string(), steps};
}

struct bench_programs {
    fs::path folder;
    program_files large, small;

    bench_programs() {
        folder = fs::temp_directory_path() / ("px-read-bench-" + std::to_string(::getpid()));
        large = write_program(folder, "large", 4096, 80, 20000);
        small = write_program(folder, "small", 256, 5, 1250);
        // Wide numbering whether or not the .fig is read.
        px::set_pauses_enabled(false);
        px::model_code = 12;
    }
    ~bench_programs() {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
};

const bench_programs& programs() {
    static bench_programs p;
    return p;
}

// Seconds to read the program once, or a negative value when it fails.
double read_once(const program_files& program) {
    px::build_context build;
    px::pool_create(build, px::save_file_try);
    px::reset_program();
    auto start = std::chrono::steady_clock::now();
    int result = px::read_file(build, program.link_file.c_str());
    auto stop = std::chrono::steady_clock::now();
    int steps = 0;
    for (px::list_node* n = px::the_program.steps; !px::is_end(n); n = n->next) ++steps;
    px::pool_destroy();
    if (result != 0 || steps != program.steps) return -1;
    return std::chrono::duration<double>(stop - start).count();
}

void read_program(benchmark::State& state) {
    const program_files& program = state.range(0) == 4096 ? programs().large : programs().small;
    for (auto _ : state) {
        if (read_once(program) < 0) {
            state.SkipWithError("the program did not read whole");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * program.steps);
    state.counters["per_step"] =
        benchmark::Counter(static_cast<double>(program.steps), benchmark::Counter::kIsIterationInvariantRate |
                                                                   benchmark::Counter::kInvert);
}
BENCHMARK(read_program)->Arg(256)->Arg(4096)->Unit(benchmark::kMillisecond);

double last_small = 0, last_large = 0;

void read_scaling(benchmark::State& state) {
    double small_seconds = 0, large_seconds = 0;
    for (auto _ : state) {
        double s = read_once(programs().small);
        double l = read_once(programs().large);
        if (s < 0 || l < 0) {
            state.SkipWithError("a program did not read whole");
            return;
        }
        small_seconds += s;
        large_seconds += l;
    }
    double n = static_cast<double>(state.iterations());
    last_small = small_seconds / n / programs().small.steps * 1e9;
    last_large = large_seconds / n / programs().large.steps * 1e9;
    state.counters["ns_per_step_256"] = last_small;
    state.counters["ns_per_step_4096"] = last_large;
    state.counters["ratio_4096_to_256"] = last_large / last_small;
}
BENCHMARK(read_scaling)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (last_small > 0)
        std::printf("read_file time per step: %.0f ns at 256 steps, %.0f ns at 4096 steps, ratio %.2f\n", last_small,
                    last_large, last_large / last_small);
    return 0;
}
