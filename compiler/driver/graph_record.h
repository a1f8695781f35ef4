// What the step compiler notes of a program for a caller that draws it as a
// graph of steps: each step with its place, its label and its code image,
// the span of that image each instruction wrote, and the labels that goto
// clauses and the tasks of "do" named.
//
// Nothing here changes what a build writes or how fast the export runs: a
// caller that wants the record puts one in the build's context, and without
// it the step compiler notes nothing. Everything is copied out as plain data
// while the step is compiled, because the program goes with the build's pool.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "driver/build_context.h"
#include "driver/model.h"

namespace px {

struct graph_record {
    struct instruction {
        std::string text;  // as written
        // The code it wrote: offsets from the image's count byte, end excluded.
        uint32_t begin = 0;
        uint32_t end = 0;
    };
    struct step_entry {
        uint32_t number = 0;   // in the linked program
        uint32_t written = 0;  // as its file numbers it
        std::string label;     // empty: none
        uint32_t file = 0;     // index into the recording's files
        uint32_t line = 0;     // of the header; 0 when the build records no places
        uint32_t column = 0;
        uint32_t label_line = 0;
        uint32_t label_column = 0;
        std::vector<instruction> instructions;
        bool has_code = false;
        std::vector<uint8_t> code;  // the image after its length byte
    };
    bool wide = false;                   // the numbering the code is written in
    std::vector<step_entry> steps;       // every step handed to the compiler, in program order
    std::vector<uint32_t> named_labels;  // numbers of the steps whose label a clause named
};

// Called by the step compiler; each does nothing without a record.
void graph_note_step(build_context& build, list_node* step_node);
void graph_note_instruction(build_context& build, list_node* instruction_node, int begin, int end);
void graph_note_code(build_context& build, const uint8_t* image);
// Called by goto resolution when a destination or a task names a label.
void graph_note_label_named(build_context& build, uint32_t step_number);

}  // namespace px
