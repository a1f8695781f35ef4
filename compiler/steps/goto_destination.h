// Goto destinations: "next", "[n]" and labels, resolved against the program.
#pragma once

#include <cstdint>
#include <optional>

#include "driver/build_context.h"
#include "driver/model.h"
#include "steps/frame.h"
#include "steps/opcodes.h"

namespace px {

// The two forms of a goto clause, as the "goto" instruction writes them.
constexpr uint8_t DEST_NEXT = opcode::GOTO;
constexpr uint8_t DEST_STEP = opcode::GOTO | opcode::STEP_FORM;

struct destination {
    uint8_t kind;    // DEST_NEXT or DEST_STEP
    uint32_t index;  // step number - 1, for DEST_STEP
};

// The destination of the goto clause at cursor, or none after a reported
// error.
std::optional<destination> goto_destination(instruction_frame& f, const char* cursor);
// The destination written at `at`, the word after a clause's "goto".
// Messages point at `place`, where the word stands in the working text.
std::optional<destination> resolve_destination(instruction_frame& f, const char* at, const char* place);
inline std::optional<destination> resolve_destination(instruction_frame& f, const char* at) {
    return resolve_destination(f, at, at);
}
// Appends the step index of a DEST_STEP destination: low byte, and the high
// byte under wide numbering. Nothing for DEST_NEXT.
void append_destination(instruction_frame& f, const destination& dest);
// A step index as a destination writes it.
void append_step_index(instruction_frame& f, uint32_t index);

// Labels and step numbers are looked up through an index built on first use.
// compile_step reports every step it is given; a step that does not continue
// the previous walk (a new program) drops the index.
void note_step_compiled(build_context& build, list_node* step_node);
// Drops the index outright, for callers that change the program between
// lookups without compiling it again.
void reset_destination_index(build_context& build);

}  // namespace px
