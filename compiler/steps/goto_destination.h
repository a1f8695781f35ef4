// Goto destinations: "next", "[n]" and labels, resolved against the program.
#pragma once

#include <cstdint>

#include "driver/model.h"

namespace px {

constexpr uint8_t DEST_NEXT = 0xC9;
constexpr uint8_t DEST_STEP = 0xE9;

struct destination {
    uint8_t kind;    // DEST_NEXT or DEST_STEP
    uint32_t index;  // step number - 1, for DEST_STEP
};

// The destination of the goto clause at cursor, or nullptr after a reported
// error. Overwritten by every call.
const destination* goto_destination(const char* text, const char* cursor);
// The destination written at `at`, the word after a clause's "goto".
const destination* resolve_destination(const char* text, const char* at);
// Appends the step index of a DEST_STEP destination: low byte, and the high
// byte under wide numbering. Nothing for DEST_NEXT.
void append_destination(const destination& dest);
// A step index as a destination writes it.
void append_step_index(uint32_t index);

// Labels and step numbers are looked up through an index built on first use.
// compile_step reports every step it is given; a step that does not continue
// the previous walk (a new build, a new program) drops the index.
void note_step_compiled(list_node* step_node);
// Drops the index outright, for callers that change the program between
// lookups without compiling it again.
void reset_destination_index();

}  // namespace px
