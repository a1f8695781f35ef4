// What every instruction family writes with: reading the lowercased working
// text, the two forms of a goto clause, operand codes and step indexes, and
// the cross-reference note of a resource number. A family file keeps only
// its own instructions.
#pragma once

#include <cstdint>
#include <cstring>

#include "driver/build_state.h"
#include "driver/symbol_record.h"
#include "driver/xref.h"
#include "files/model_limits.h"
#include "steps/frame.h"
#include "steps/goto_destination.h"
#include "steps/opcodes.h"
#include "steps/operands.h"
#include "steps/scan.h"

namespace px {

// The opcode of a goto clause: as named for "next", with the step-form bit
// for a particular step (whose index then follows).
inline uint8_t form_opcode(uint8_t next_form, const destination& dest) {
    return dest.kind == DEST_NEXT ? next_form : static_cast<uint8_t>(next_form | opcode::STEP_FORM);
}

inline void append_code(instruction_frame& f, const operand_code& operand) {
    for (int i = 0; i < operand.length(); ++i) f.append(operand.code()[i]);
}

// A number of the numbering switch with its mark: one byte, or two (low
// first) under wide numbering.
inline void append_number(instruction_frame& f, uint16_t word) {
    f.append(static_cast<uint8_t>(word & 0xFF));
    if (wide_numbering()) f.append(static_cast<uint8_t>(word >> 8));
}

// Where the operand "word#..." stands, from `from` on: what a message about
// it points at. `from` itself when the word is not there.
inline const char* operand_named(const char* from, const char* word) {
    for (const char* at = from; (at = std::strstr(at, word)) != nullptr; ++at)
        if (at[std::strlen(word)] == '#') return at;
    return from;
}

// Records a resource number for the cross-reference map, at the instruction
// being compiled, and for an editor beside it.
inline void note_usage(instruction_frame& f, int kind, int32_t number) {
    record_usage(kind, number, current_step, current_instruction);
    note_resource(f.build, current_instruction, kind, number);
}

}  // namespace px
