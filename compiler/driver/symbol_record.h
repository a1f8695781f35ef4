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
#include <span>
#include <string>
#include <string_view>
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
    // A run of bytes of `texts` or `code`.
    struct piece {
        uint32_t at = 0;
        uint32_t size = 0;
    };
    struct instruction_entry {
        where at;
        piece text;  // as written, in texts
        piece code;  // what it appended to its step's code, in code
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
        where header;        // the "["
        where label_at;      // the label's first character
        piece outputs;       // in outputs
        piece instructions;  // in instructions
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
        // Who uses it: an instruction (its place in instructions), or an
        // output change (NO_INSTRUCTION), the change itself.
        uint32_t instruction = NO_INSTRUCTION;
        int32_t change = 0;
    };
    static constexpr uint32_t NO_INSTRUCTION = ~uint32_t{0};

    // Everything is kept flat, in a few vectors that a caller building again
    // and again clears and fills without asking the system for memory anew.
    std::vector<step_entry> steps;  // in program order
    std::vector<output_entry> outputs;
    std::vector<instruction_entry> instructions;
    std::vector<destination_use> destinations;
    std::vector<resource_use> resources;  // in program order
    std::string texts;
    std::vector<uint8_t> code;
    // The model the build compiled for.
    int32_t max_steps = 0;
    // The highest number of each resource kind the compiler accepts under
    // that model (0: the kind takes no number, or there is no data table).
    int32_t highest[KIND_COUNT] = {};

    std::span<const instruction_entry> instructions_of(const step_entry& s) const {
        return {instructions.data() + s.instructions.at, s.instructions.size};
    }
    std::span<const output_entry> outputs_of(const step_entry& s) const {
        return {outputs.data() + s.outputs.at, s.outputs.size};
    }
    std::string_view text(const instruction_entry& in) const { return {texts.data() + in.text.at, in.text.size}; }
    std::vector<uint8_t> code_of(const instruction_entry& in) const {
        return {code.begin() + in.code.at, code.begin() + in.code.at + in.code.size};
    }
    // The instruction's text, or the action word of an output change.
    std::string text(const resource_use& use) const;
    // Empty again, keeping the room.
    void clear();

    // While the build runs, keyed by the program's nodes: the code of each
    // instruction in compiling order, and the destinations.
    struct pending_code {
        const void* instruction;
        piece code;
    };
    struct pending_destination {
        const void* instruction;
        uint32_t offset;  // from the instruction's first character
        uint32_t length;
        destination_kind kind;
        uint32_t step;
        uint32_t target;
    };
    struct pending_resource {
        const void* instruction;
        int kind;
        int32_t number;
    };
    std::vector<pending_code> codes;
    std::vector<pending_destination> pending;
    std::vector<pending_resource> named;
};

// Called by the step compiler; each does nothing without a record.
void note_instruction_code(build_context& build, const void* instruction, const uint8_t* code, std::size_t length);
void note_destination(build_context& build, const void* instruction, uint32_t offset, uint32_t length,
                      symbol_record::destination_kind kind, uint32_t step, uint32_t target);
// The resources an instruction names, as the map records them.
inline void note_resource(build_context& build, const void* instruction, int kind, int32_t number) {
    if (build.symbols) build.symbols->named.push_back({instruction, kind, number});
}
// Called by the driver while the program and its places are still there.
void collect_symbols(build_context& build);

}  // namespace px
