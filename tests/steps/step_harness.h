// A program built in memory for step compiler tests: steps with labels,
// output changes and instructions, compiled one by one as the build driver
// does, with the listing entries and the cross-reference map at hand.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "driver/build_state.h"
#include "driver/model.h"
#include "driver/xref.h"
#include "files/config.h"
#include "steps/frame.h"
#include "program_builder.h"
#include "test_support.h"

namespace pxtest {

// Index into px::model_table: K410 is model code 0 (narrow numbering), K411
// model code 2 (wide numbering).
constexpr int NARROW_MODEL = 0;
constexpr int WIDE_MODEL = 2;

inline compiled result(std::string code, std::vector<std::string> messages = {}) {
    return {"", std::move(code), std::move(messages)};
}

inline std::ostream& operator<<(std::ostream& out, const compiled& c) {
    out << "code [" << c.code << "] messages [";
    for (std::size_t i = 0; i < c.messages.size(); ++i) out << (i ? " | " : "") << c.messages[i];
    return out << "]";
}

// A table row: an instruction and what it must give, compiled under the
// program's own model unless the row names another.
struct instruction_row {
    std::string text;
    std::string code;
    std::vector<std::string> messages = {};
    std::optional<int> model = std::nullopt;
};

class step_program {
public:
    explicit step_program(int model = NARROW_MODEL) : model_(model) { px::apply_model(px::model_table[model]); }
    step_program(const step_program&) = delete;
    step_program& operator=(const step_program&) = delete;

    // Appends a step after the last one.
    px::list_node* add_step(uint32_t number, const std::vector<std::string>& instructions,
                            const char* label = nullptr, std::initializer_list<int32_t> outputs = {}) {
        px::list_node* s = px::new_step_after(px::last_step(), number);
        if (label) px::step_of(s)->label = px::pool_strdup(label);
        for (int32_t value : outputs) px::add_output_change(s, value);
        give_instructions(s, instructions);
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

    // Compiles the instructions as the only ones of step `number`, then
    // takes them away again so that the same steps serve the next compile.
    compiled compile_in(uint32_t number, const std::vector<std::string>& instructions) {
        px::list_node* s = find_step(number);
        if (px::is_end(s)) {
            ADD_FAILURE() << "the program has no step " << number;
            return {};
        }
        give_instructions(s, instructions);
        compiled out = compile_code(s);
        px::step_of(s)->instructions = px::END;
        return out;
    }

    // Compiles the instructions as a step of their own, numbered after the
    // last one; the program keeps it.
    compiled compile_new(const std::vector<std::string>& instructions) {
        px::list_node* last = px::last_step();
        uint32_t number = px::is_end(last) ? 1 : px::step_of(last)->number + 1;
        return compile_code(add_step(number, instructions));
    }

    // Each row in a step of its own (compile_new).
    void expect_rows(const std::vector<instruction_row>& rows) {
        for (const instruction_row& row : rows) check(row, [&] { return compile_new({row.text}); });
    }
    // Each row as the only instruction of step `number` (compile_in).
    void expect_rows_in(uint32_t number, const std::vector<instruction_row>& rows) {
        for (const instruction_row& row : rows) check(row, [&] { return compile_in(number, {row.text}); });
    }

    // The listing file as written.
    std::string listing_text() const { return read_file("prog.lst"); }

    std::vector<listing_entry> listing() const {
        std::vector<listing_entry> entries;
        std::istringstream in(listing_text());
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
    static void give_instructions(px::list_node* step_node, const std::vector<std::string>& texts) {
        px::list_node* after = px::END;
        for (const std::string& text : texts) {
            after = px::append_inst(step_node, after);
            px::instruction_of(after)->text = px::pool_strdup(text);
        }
    }

    static px::list_node* find_step(uint32_t number) {
        for (px::list_node* n = px::the_program.steps; !px::is_end(n); n = n->next)
            if (px::step_of(n)->number == number) return n;
        return px::END;
    }

    // The listing only grows while the program lives, so what this compile
    // reported is what follows the entries there before it.
    compiled compile_code(px::list_node* step_node) {
        std::size_t earlier = listing().size();
        px::current_instruction = px::END;
        const uint8_t* image = px::compile_step(step_node);
        compiled out;
        if (image && image[0] > 1) out.code = hex(image + 2, image[0] - 1u);
        std::vector<listing_entry> entries = listing();
        const std::string problem = "Problem:  ";
        for (std::size_t i = earlier; i < entries.size(); ++i) {
            std::string& message = entries[i].message;
            if (message.compare(0, problem.size(), problem) == 0) message.erase(0, problem.size());
            out.messages.push_back(message);
        }
        return out;
    }

    template <typename Compile>
    void check(const instruction_row& row, Compile compile_row) {
        SCOPED_TRACE(row.text);
        if (row.model) px::apply_model(px::model_table[*row.model]);
        EXPECT_EQ(compile_row(), result(row.code, row.messages));
        if (row.model) px::apply_model(px::model_table[model_]);
    }

    scratch_dir dir_;
    int model_;
    memory_build memory_{"prog.vep"};
};

// A test with a fresh program of narrow numbering.
class step_program_test : public ::testing::Test {
protected:
    step_program program;
};

// Empty steps for the instructions that jump, wait and test to name: "fill"
// is step 5, "Drain" 9, "rinse" 12 and "far" 300, which needs two bytes;
// steps 6, 8 and 10-11 do not exist, so "goto next" fails after 5 and 9.
class jump_program : public step_program {
public:
    explicit jump_program(int model = NARROW_MODEL) : step_program(model) {
        const std::pair<uint32_t, const char*> steps[] = {{1, "start"}, {2, nullptr},  {3, nullptr},   {4, nullptr},
                                                          {5, "fill"},  {7, nullptr},  {9, "Drain"},   {12, "rinse"},
                                                          {13, nullptr}, {300, "far"}};
        for (const auto& [number, label] : steps) add_step(number, {}, label);
    }
};

}  // namespace pxtest
