// The destination index on a program of the largest size: every goto of a
// 4096-step program finds its label or step. How its time grows with the
// program is measured by bench/index_bench.cpp.
#include <gtest/gtest.h>

#include <string>

#include "driver/build_state.h"
#include "program_builder.h"

namespace {

TEST(DestinationIndex, FindsEveryLabelOfTheLargestProgram) {
    pxtest::program_builder program("K530");
    for (uint32_t n = 1; n <= 4096; ++n) {
        std::string label = "label_" + std::to_string(n);
        program.add_step(n, {"goto label_" + std::to_string(4097 - n), "goto [4096]"},
                         n <= 4000 ? label.c_str() : nullptr);
    }
    program.compile_all();
    // Steps 1 to 96 name labels that do not exist (4001 to 4096).
    EXPECT_EQ(px::error_count, 96);
    EXPECT_EQ(program.compile(program.find_step(97)), "07 00 E9 9F 0F E9 FF 0F");
}

}  // namespace
