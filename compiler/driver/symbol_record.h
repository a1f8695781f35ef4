// What an editor asks of a build, copied out before the build's pool goes:
// every step with the places of its header, label, output changes and
// instructions; the code each instruction compiled to; every goto
// destination with the step it names; every use of a resource. An editor
// answers "where is this label", "who uses flag 3" and "what does this line
// compile to" from here, from what the compiler itself resolved, never from
// a second reading of the text.
//
// A caller that wants it puts one in the build's context beside a
// recording, which holds the places; without one (the export, pxc's
// builds) the compiler notes nothing and nothing here runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "driver/build_context.h"
#include "driver/xref.h"

namespace px {

struct symbol_record {
    // A place in a file of the recording (build_recording::files); line 0
    // when the reader noted none.
    struct where {
        uint32_t file = 0;
        uint32_t line = 0;
        uint32_t column = 0;  // in bytes from 1
    };
    struct instruction_entry {
        where at;
        std::string text;           // as written
        std::vector<uint8_t> code;  // what it appended to its step's code
    };
    struct output_entry {
        where at;
        int32_t value;  // +n on, -n off, 0 all off
    };
    struct step_entry {
        uint32_t number = 0;   // in the linked program
        uint32_t written = 0;  // as its file numbers it
        bool labelled = false;
        std::string label;
        where header;    // the "["
        where label_at;  // the label's first character
        std::vector<output_entry> outputs;
        std::vector<instruction_entry> instructions;
    };
    enum destination_kind : uint8_t { TO_NEXT, TO_NUMBER, TO_LABEL };
    // A word of a goto clause or a do list that names a step.
    struct destination_use {
        where at;
        uint32_t length = 0;
        destination_kind kind = TO_LABEL;
        uint32_t step = 0;    // the step whose instruction it is
        uint32_t target = 0;  // the step it names; 0 when none does
    };
    // A resource an instruction names (at its word), or an output change of a
    // step (at its entry, length 0).
    struct resource_use {
        int kind = 0;  // of the cross-reference map
        int32_t number = 0;
        where at;
        uint32_t length = 0;
        uint32_t step = 0;
        std::string text;  // the instruction, or the action word of an output change
    };

    std::vector<step_entry> steps;  // in program order
    std::vector<destination_use> destinations;
    std::vector<resource_use> resources;  // kind by kind, in number order
    // The model the build compiled for.
    int32_t max_steps = 0;
    // The highest number of each resource kind the compiler accepts under
    // that model (0: the kind takes no number, or there is no data table).
    int32_t highest[KIND_COUNT] = {};

    // While the build runs, keyed by the program's nodes.
    struct pending_code {
        const void* instruction;
        std::vector<uint8_t> code;
    };
    struct pending_destination {
        const void* instruction;
        uint32_t offset;  // from the instruction's first character
        uint32_t length;
        destination_kind kind;
        uint32_t step;
        uint32_t target;
    };
    std::vector<pending_code> codes;
    std::vector<pending_destination> pending;
};

// Called by the step compiler; each does nothing without a record.
void note_instruction_code(build_context& build, const void* instruction, const uint8_t* code, std::size_t length);
void note_destination(build_context& build, const void* instruction, uint32_t offset, uint32_t length,
                      symbol_record::destination_kind kind, uint32_t step, uint32_t target);
// Called by the driver while the program and its places are still there.
void collect_symbols(build_context& build);

}  // namespace px
