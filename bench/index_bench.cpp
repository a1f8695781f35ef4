// The two indexes a build keeps so that its time grows with the program and
// no faster: the goto destinations (labels and step numbers, found without a
// walk of the program) and the cross-reference lists (distinct numbers kept
// in order without a walk of a list). Each is timed on a small and a large
// program in the same run; the last lines give the ratio of the time per
// item of the large one to that of the small one, near 1 when linear.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "driver/build_context.h"
#include "driver/build_state.h"
#include "driver/model.h"
#include "driver/xref.h"
#include "files/config.h"
#include "files/save_file.h"
#include "ratio_reporter.h"
#include "steps/frame.h"

namespace {

// A build's state without a build: a fresh pool and an empty program under
// the 4096-step K530.
struct in_memory_build {
    px::build_context context;
    in_memory_build() {
        px::apply_model(*px::find_model("K530"));
        px::pool_create(context, px::save_file_try);
        px::reset_program();
        px::the_program.name = px::pool_strdup("bench.vep");
        px::error_count = 0;
        px::build_ok = true;
        px::current_step = px::END;
        px::current_instruction = px::END;
    }
    ~in_memory_build() {
        px::current_step = px::END;
        px::current_instruction = px::END;
        px::pool_destroy();
    }
    in_memory_build(const in_memory_build&) = delete;
    in_memory_build& operator=(const in_memory_build&) = delete;
};

px::list_node* add_step(px::list_node* after, uint32_t number, const char* label,
                        const std::vector<std::string>& instructions) {
    px::list_node* s = px::new_step_after(after, number);
    if (label) px::step_of(s)->label = px::pool_strdup(label);
    px::list_node* last = px::END;
    for (const std::string& text : instructions) {
        last = px::append_inst(s, last);
        px::instruction_of(last)->text = px::pool_strdup(text);
    }
    return s;
}

// Every step labelled and jumping by label to the step as far from the end
// as it is from the start, then by number to the last step: each step of
// the walk resolves two destinations.
void compile_gotos(benchmark::State& state, uint32_t steps) {
    in_memory_build build;
    px::list_node* after = px::END;
    for (uint32_t n = 1; n <= steps; ++n) {
        std::string label = "label_" + std::to_string(n);
        after = add_step(after, n, label.c_str(),
                         {"goto label_" + std::to_string(steps + 1 - n), "goto [" + std::to_string(steps) + "]"});
    }
    for (auto _ : state) {
        for (px::list_node* n = px::the_program.steps; !px::is_end(n); n = n->next) {
            px::current_instruction = px::END;
            benchmark::DoNotOptimize(px::compile_step(build.context, n));
        }
    }
    if (px::error_count) state.SkipWithError("a destination was not found");
    pxbench::count_items(state, "per_step", steps);
}

// Two uses of each of `registers` distinct registers, recorded from the top
// number down, the worst order for lists kept ascending, by steps that
// each hold one instruction.
void record_registers(benchmark::State& state, uint32_t steps, int32_t registers) {
    for (auto _ : state) {
        state.PauseTiming();
        {
            in_memory_build build;
            px::clear_usage();
            std::vector<px::list_node*> instructions;
            px::list_node* after = px::END;
            for (uint32_t n = 1; n <= steps; ++n) {
                after = add_step(after, n, nullptr, {"store 1 to reg#" + std::to_string(n)});
                instructions.push_back(px::step_of(after)->instructions);
            }
            px::list_node* s = px::the_program.steps;
            state.ResumeTiming();
            for (int32_t r = registers; r >= 1; --r) {
                std::size_t index = static_cast<std::size_t>(r) % steps;
                px::record_usage(px::KIND_REGISTER, r, s, instructions[index]);
                px::record_usage(px::KIND_REGISTER, r, s, instructions[(index + 1) % steps]);
            }
            state.PauseTiming();
        }
        state.ResumeTiming();
    }
    pxbench::count_items(state, "per_use", 2.0 * registers);
}

void BM_Goto256(benchmark::State& s) { compile_gotos(s, 256); }
void BM_Goto4096(benchmark::State& s) { compile_gotos(s, 4096); }
void BM_Usage3750(benchmark::State& s) { record_registers(s, 256, 3750); }
void BM_Usage60000(benchmark::State& s) { record_registers(s, 4096, 60000); }

BENCHMARK(BM_Goto256)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Goto4096)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Usage3750)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Usage60000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    pxbench::ratio_reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.ratio("step", "BM_Goto4096", "BM_Goto256");
    reporter.ratio("use", "BM_Usage60000", "BM_Usage3750");
    benchmark::Shutdown();
    return 0;
}
