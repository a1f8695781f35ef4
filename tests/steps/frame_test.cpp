// Byte 1 of a step image, the output-change count, is the frame's own: no
// family can take it back.
#include <gtest/gtest.h>

#include "program_builder.h"
#include "steps/frame.h"

namespace {

TEST(WithdrawByte, NeverTakesTheOutputChangeCount) {
    pxtest::program_builder program;
    program.compile(program.add_step(1, {"clear flag#3"}));
    px::instruction_frame f{program.build(), "clear flag#3", "clear flag#3 "};
    for (int i = 0; i < 3; ++i) f.withdraw();
    EXPECT_EQ(program.build().write_position, 1);
}

}  // namespace
