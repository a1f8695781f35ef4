// Output changes beyond what the model's numbering can hold are refused:
// encoded, they would wrap into the bits of another output.
#include <gtest/gtest.h>

#include <string>

#include "driver/build_state.h"
#include "driver/model.h"
#include "files/config.h"
#include "steps/frame.h"
#include "test_support.h"

namespace {

using namespace px;

struct compiled {
    std::string image;
    std::string listing;
};

compiled compile_outputs(int model_row, std::initializer_list<int32_t> outputs) {
    pxtest::scratch_dir dir;
    EXPECT_TRUE(pool_create());
    reset_program();
    the_program.name = pool_strdup("T.VEP");
    apply_model(model_table[model_row]);
    error_count = 0;
    build_ok = true;
    list_node* s = new_step_after(END, 1);
    for (int32_t v : outputs) add_output_change(s, v);
    instruction_of(append_inst(s, END))->text = pool_strdup("goto [1]");
    const uint8_t* image = compile_step(s);
    compiled out{image ? pxtest::hex(image, image[0] + 1u) : "none", pxtest::read_file("T.lst")};
    pool_destroy();
    return out;
}

const std::string NARROW_LIMIT =
    "***ERROR*** in step [1]\n   Instruction:  <none>\n   Problem:  IXO K400 VEP supports only digital outputs 1-128.\n\n";

TEST(OutputRange, NarrowModelsRefuseOutputsAbove128) {
    compiled c = compile_outputs(0, {128, 129, -200});
    EXPECT_EQ(c.image, "04 01 FF E9 00");
    EXPECT_EQ(c.listing, NARROW_LIMIT + NARROW_LIMIT);
}

TEST(OutputRange, WideModelsTakeOutputsTo1024) {
    compiled c = compile_outputs(2, {1024, -1025});
    EXPECT_EQ(c.image, "06 01 FF 83 E9 00 00");
    EXPECT_EQ(c.listing,
              "***ERROR*** in step [1]\n   Instruction:  <none>\n   Problem:  IXO K400 VEP supports only digital "
              "outputs 1-1024.\n\n");
}

}  // namespace
