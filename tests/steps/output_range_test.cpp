// Output changes beyond what the model's numbering can hold are refused:
// encoded, they would wrap into the bits of another output.
#include <gtest/gtest.h>

#include <string>

#include "step_harness.h"

namespace {

using pxtest::step_program;

const std::string NARROW_LIMIT =
    "***ERROR*** in step [1]\n   Instruction:  <none>\n   Problem:  IXO K400 VEP supports only digital outputs 1-128.\n\n";

TEST(OutputRange, NarrowModelsRefuseOutputsAbove128) {
    step_program program(pxtest::NARROW_MODEL);
    px::list_node* s = program.add_step(1, {"goto [1]"}, nullptr, {128, 129, -200});
    EXPECT_EQ(program.compile(s), "04 01 FF E9 00");
    EXPECT_EQ(program.listing_text(), NARROW_LIMIT + NARROW_LIMIT);
}

TEST(OutputRange, WideModelsTakeOutputsTo1024) {
    step_program program(pxtest::WIDE_MODEL);
    px::list_node* s = program.add_step(1, {"goto [1]"}, nullptr, {1024, -1025});
    EXPECT_EQ(program.compile(s), "06 01 FF 83 E9 00 00");
    EXPECT_EQ(program.listing_text(),
              "***ERROR*** in step [1]\n   Instruction:  <none>\n   Problem:  IXO K400 VEP supports only digital "
              "outputs 1-1024.\n\n");
}

}  // namespace
