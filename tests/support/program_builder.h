// A program built in memory, as the reader would leave it: steps with labels,
// output changes, comments and instructions, and a data table. Its steps
// compile one by one as the build driver compiles them, with the listing and
// the cross-reference map at hand.
//
// The builder owns a scratch folder (the working directory while it lives,
// where the listing "<name>.lst" lands) and the build's state, so one builder
// is one build; make a log_capture after it, not before.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "driver/model.h"
#include "test_support.h"

namespace pxtest {

struct listing_entry {
    int step;
    std::string instruction;
    std::string message;  // as the listing shows it, "Problem:  " included
};

// What the instructions of one compile gave: the whole image ("none" when
// there is none), its bytes after the length and output-change count ("" when
// none), and the listing's messages.
struct compiled {
    std::string image;
    std::string code;
    std::vector<std::string> messages;
    bool operator==(const compiled&) const = default;
};

class program_builder {
public:
    // model: a name from the model table ("K410" numbers narrow, "K411" wide).
    explicit program_builder(const char* model = "K410", const char* name = "prog.vep");
    program_builder(const program_builder&) = delete;
    program_builder& operator=(const program_builder&) = delete;

    // Applies another model; the program stays as it is.
    static void use_model(const char* model);

    // Adds step `number` in number order, or gives an existing one the label,
    // output changes (+n on, -n off, 0 all off) and instructions, appended.
    px::list_node* add_step(uint32_t number, const std::vector<std::string>& instructions = {},
                            const char* label = nullptr, const std::vector<int32_t>& outputs = {});
    static void add_comment(px::list_node* step_node, const char* text);
    static void add_table(int32_t rows, int32_t columns);
    // The step numbered `number`, or the end marker.
    static px::list_node* find_step(uint32_t number);

    // The step's image as hex ("03 00 C9 ..."), or "none".
    std::string compile(px::list_node* step_node);
    // Every step in program order, as the driver walks them; the image of the
    // last step that has one.
    std::string compile_all();
    // Compiles step `number` (made when missing) with these instructions and
    // output changes in place of its own, then gives it its own back, so that
    // the same step serves the next compile.
    compiled compile_in(uint32_t number, const std::vector<std::string>& instructions,
                        const std::vector<int32_t>& outputs = {});

    // The listing as written so far ("" before the first error).
    std::string listing_text() const;
    std::vector<listing_entry> listing() const;
    std::vector<std::string> messages() const;
    // The cross-reference map as it would be written now.
    std::string xref() const;
    const scratch_dir& dir() const { return dir_; }
    px::build_context& build() const { return memory_.build(); }

private:
    scratch_dir dir_;
    memory_build memory_;
    std::string listing_name_;
};

}  // namespace pxtest
