// The destination index on a program of the largest size: every goto of a
// 4096-step program finds its label without a walk of the program.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "driver/build_state.h"
#include "program_builder.h"

namespace {

TEST(DestinationIndex, KeepsLargeProgramsLinear) {
    pxtest::program_builder program("K530");
    for (uint32_t n = 1; n <= 4096; ++n) {
        std::string label = "label_" + std::to_string(n);
        program.add_step(n, {"goto label_" + std::to_string(4097 - n), "goto [4096]"},
                         n <= 4000 ? label.c_str() : nullptr);
    }
    auto start = std::chrono::steady_clock::now();
    program.compile_all();
    auto elapsed = std::chrono::steady_clock::now() - start;
    // Steps 1 to 96 name labels that do not exist (4001 to 4096).
    EXPECT_EQ(px::error_count, 96);
    EXPECT_EQ(program.compile(program.find_step(97)), "07 00 E9 9F 0F E9 FF 0F");
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 3000);
}

}  // namespace
