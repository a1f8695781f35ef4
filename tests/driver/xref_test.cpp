// The cross-reference map of 60000 distinct registers, recorded in the worst
// order: what no build case holds. How its time grows is measured by
// bench/index_bench.cpp.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/build_state.h"
#include "driver/model.h"
#include "driver/xref.h"
#include "test_support.h"

namespace {

using namespace px;

TEST(CrossReference, ManyDistinctRegistersRecordedTopDownComeOutInOrder) {
    pxtest::scratch_dir dir;
    pxtest::memory_build memory;
    clear_usage();
    // 4096 steps naming 60000 registers from the top down: the worst order
    // for a list kept in ascending order.
    list_node* after = END;
    std::vector<list_node*> instructions;
    for (uint32_t n = 1; n <= 4096; ++n) {
        after = new_step_after(after, n);
        list_node* inst = append_inst(after, END);
        instruction_of(inst)->text = pool_strdup("store 1 to register " + std::to_string(n));
        instructions.push_back(inst);
    }
    list_node* s = the_program.steps;
    for (int32_t r = 60000; r >= 1; --r) {
        std::size_t index = static_cast<std::size_t>(r) % 4096;
        record_usage(KIND_REGISTER, r, s, instructions[index]);
        record_usage(KIND_REGISTER, r, s, instructions[(index + 1) % 4096]);
    }

    ASSERT_EQ(write_cross_reference_map(memory.build(), "PROG.XRF"), 1);
    std::string map = pxtest::read_file("PROG.XRF");
    std::size_t first = map.find("\nRegister #1\n");
    std::size_t second = map.find("\nRegister #2\n");
    ASSERT_NE(first, std::string::npos);
    EXPECT_LT(first, second);
    EXPECT_LT(second, map.find("\nRegister #60000\n"));
    // Every register has its two uses.
    std::size_t lines = 0;
    for (std::size_t at = map.find("       [1]  "); at != std::string::npos; at = map.find("       [1]  ", at + 1))
        ++lines;
    EXPECT_EQ(lines, 120000u);
}

}  // namespace
