// The bench of the flag, counter, motion and store tests: each compile is a
// step of its own in a program built in memory, run through the whole frame,
// and gives back the code the instructions appended and the messages the
// listing shows for that step.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "driver/build_state.h"
#include "driver/model.h"
#include "driver/xref.h"
#include "files/config.h"
#include "steps/frame.h"
#include "test_support.h"

namespace family_bench {

constexpr int NARROW = 0;  // model code 0: one-byte input numbers
constexpr int WIDE = 2;

struct compiled {
    std::string code;                   // after the length and output-change count bytes
    std::vector<std::string> messages;  // without the listing's "Problem:  " prefix
};

struct instruction_case {
    std::string text;
    std::string code;
    std::vector<std::string> messages;
    int model = NARROW;
};

class bench : public ::testing::Test {
protected:
    pxtest::scratch_dir scratch;
    uint32_t steps = 0;

    void SetUp() override {
        px::pool_create();
        px::clear_usage();
        px::the_program.name = px::pool_strdup("T.VEP");
    }
    void TearDown() override { px::pool_destroy(); }

    compiled compile(std::initializer_list<std::string> texts, int model = NARROW) {
        px::model_code = model;
        px::error_count = 0;  // the first report of the step starts a new listing
        std::remove("T.lst");
        px::list_node* step = px::new_step_after(px::last_step(), ++steps);
        px::list_node* after = px::END;
        for (const std::string& text : texts) {
            after = px::append_inst(step, after);
            px::instruction_of(after)->text = px::pool_strdup(text);
        }
        px::current_instruction = px::END;
        const uint8_t* image = px::compile_step(step);
        compiled out;
        if (image) out.code = pxtest::hex(image + 2, image[0] - 1u);
        std::istringstream listing(pxtest::read_file("T.lst"));
        for (std::string line; std::getline(listing, line);) {
            if (line.rfind("   ", 0) != 0 || line.rfind("   Instruction:  ", 0) == 0) continue;
            line.erase(0, line.rfind("   Problem:  ", 0) == 0 ? 13 : 3);
            out.messages.push_back(line);
        }
        return out;
    }

    void expect_cases(const std::vector<instruction_case>& cases) {
        for (const instruction_case& c : cases) {
            SCOPED_TRACE(c.text);
            compiled got = compile({c.text}, c.model);
            EXPECT_EQ(c.code, got.code);
            EXPECT_EQ(c.messages, got.messages);
        }
    }

    std::string cross_reference_map() {
        px::write_cross_reference_map("T.xrf");
        return pxtest::read_file("T.xrf");
    }
};

}  // namespace family_bench
