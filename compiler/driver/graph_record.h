// What the step compiler notes of a program for a caller that draws it as a
// graph of steps: each step with its place, its label and its code image,
// the span of that image each instruction wrote, and the labels that goto
// clauses and the tasks of "do" named.
//
// Nothing here changes what a build writes or how fast the export runs: a
// caller that wants the record puts one in the build's context, and without
// it the reader and the step compiler note nothing. Everything is copied out as plain data
// while the step is compiled, because the program goes with the build's pool.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "driver/build_context.h"
#include "driver/model.h"
#include "driver/source_places.h"

namespace px {

struct graph_record {
    // Kept in a few long arrays rather than a string and a vector each, so
    // that a program of thousands of steps costs few allocations.
    struct instruction {
        uint32_t text = 0;  // in texts, as written
        uint32_t text_length = 0;
        // The code it wrote: offsets from the image's count byte, end excluded.
        uint32_t begin = 0;
        uint32_t end = 0;
        // It reported an error: whatever bytes it left are not an instruction.
        bool failed = false;
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
        uint32_t first_instruction = 0;  // in instructions
        uint32_t instruction_count = 0;
        bool has_code = false;
        uint32_t code = 0;  // in code: the image after its length byte
        uint32_t code_length = 0;
    };
    // A caller that only checks the flow has no use for the texts.
    bool keep_texts = true;
    bool wide = false;                   // the numbering the code is written in
    std::vector<step_entry> steps;       // every step handed to the compiler, in program order
    std::vector<instruction> instructions;
    std::string texts;
    std::vector<uint8_t> code;
    std::vector<uint32_t> named_labels;  // numbers of the steps whose label a clause named

    // Where the reader found each step's header and label, by step node,
    // for the compiler to take as it meets the step: a few thousand
    // entries, where the recording's places run to tens of thousands.
    struct step_place {
        place header{};
        place label{};
        uint32_t written = 0;
    };
    std::unordered_map<const void*, step_place> step_places;

    std::string_view text_of(const instruction& i) const { return std::string_view(texts).substr(i.text, i.text_length); }
    // Forgets the last build's notes; keep_texts stays.
    void clear();
};

// Called as the reader notes a step's places and its number as written.
void graph_note_place(build_context& build, const void* node, place_kind kind, const place& where);
void graph_note_written(build_context& build, const void* step_node, uint32_t number);
// Called by the step compiler; each does nothing without a record.
void graph_note_step(build_context& build, list_node* step_node);
void graph_note_instruction(build_context& build, list_node* instruction_node, int begin, int end, bool failed);
void graph_note_code(build_context& build, const uint8_t* image);
// Called by goto resolution when a destination or a task names a label.
void graph_note_label_named(build_context& build, uint32_t step_number);

}  // namespace px
