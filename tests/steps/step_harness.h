// A program built in memory for step compiler tests: steps with labels,
// output changes and instructions, compiled one by one as the build driver
// does, with the listing entries and the cross-reference map at hand.
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

namespace pxtest {

// Index into px::model_table: K410 is model code 0 (narrow numbering), K411
// model code 2 (wide numbering).
constexpr int NARROW_MODEL = 0;
constexpr int WIDE_MODEL = 2;

struct listing_entry {
    int step;
    std::string instruction;
    std::string message;  // as the listing shows it, "Problem:  " included
};

class step_program {
public:
    explicit step_program(int model = NARROW_MODEL) {
        EXPECT_TRUE(px::pool_create());
        px::reset_program();
        px::the_program.name = px::pool_strdup("prog.vep");
        px::apply_model(px::model_table[model]);
        px::error_count = 0;
        px::build_ok = true;
        px::clear_usage();
        px::current_step = px::END;
        px::current_instruction = px::END;
    }
    ~step_program() {
        px::current_step = px::END;
        px::current_instruction = px::END;
        px::clear_usage();
        px::reset_program();
        px::pool_destroy();
    }
    step_program(const step_program&) = delete;
    step_program& operator=(const step_program&) = delete;

    // Appends a step after the last one.
    px::list_node* add_step(uint32_t number, std::initializer_list<const char*> instructions,
                            const char* label = nullptr, std::initializer_list<int32_t> outputs = {}) {
        px::list_node* s = px::new_step_after(px::last_step(), number);
        if (label) px::step_of(s)->label = px::pool_strdup(label);
        for (int32_t value : outputs) px::add_output_change(s, value);
        px::list_node* after = px::END;
        for (const char* text : instructions) {
            after = px::append_inst(s, after);
            px::instruction_of(after)->text = px::pool_strdup(text);
        }
        return s;
    }

    // The step's image as hex ("03 00 C9 ..."), or "none".
    std::string compile(px::list_node* step_node) {
        px::current_instruction = px::END;
        const uint8_t* image = px::compile_step(step_node);
        return image ? hex(image, std::size_t(image[0]) + 1) : "none";
    }

    // Every step in program order, as the driver walks them; returns the
    // image of the last step that has one.
    std::string compile_all() {
        std::string last = "none";
        for (px::list_node* n = px::the_program.steps; !px::is_end(n); n = n->next) {
            std::string image = compile(n);
            if (image != "none") last = image;
        }
        return last;
    }

    std::vector<listing_entry> listing() const {
        std::vector<listing_entry> entries;
        std::istringstream in(read_file("prog.lst"));
        std::string head, instruction, message, blank;
        while (std::getline(in, head) && std::getline(in, instruction) && std::getline(in, message)) {
            std::getline(in, blank);
            listing_entry e;
            e.step = std::atoi(head.c_str() + head.find('[') + 1);
            e.instruction = instruction.substr(std::string("   Instruction:  ").size());
            e.message = message.substr(3);
            entries.push_back(e);
        }
        return entries;
    }

    std::vector<std::string> messages() const {
        std::vector<std::string> out;
        for (const listing_entry& e : listing()) out.push_back(e.message);
        return out;
    }

    std::string xref() const {
        px::write_cross_reference_map("prog.xrf");
        return read_file("prog.xrf");
    }

private:
    scratch_dir dir_;
};

}  // namespace pxtest
