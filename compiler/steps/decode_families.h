// The decoders' shared reader and one registration per instruction family.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "steps/decode.h"
#include "steps/opcodes.h"

namespace px {

// A bounds-checked cursor over one step's code. Every read goes through
// take(); the first refusal is kept and ends the step.
struct code_reader {
    const uint8_t* code;
    std::size_t size;
    bool wide;
    decoded_step* step;
    std::size_t pos = 0;
    std::size_t last = 0;  // offset of the byte taken last
    decoded_instruction* instruction = nullptr;  // the one being read

    bool take(uint8_t& byte);
    // Refuses the byte taken last.
    bool refuse(const std::string& why);
    bool refuse_at(std::size_t offset, const std::string& why);
    // A task of "do": a step index, one or two bytes; notes the step it names.
    bool step_index(std::string& text);
    // The goto clause: "next" for the next-step form, else "[n]" read here.
    bool destination(uint8_t opcode, std::string& text);
    // A step index as the step number it names, noted for the step.
    bool step_number(uint32_t& number, std::string& text);
};

std::string hex_byte(uint8_t byte);

// Operands as the operand parsers write them. A source may be a literal, a
// servo position or an analog input; a destination an analog output or a
// display. text gets the operand's spelling, length its code bytes.
enum class operand_use { source, destination };
bool read_operand(code_reader& r, operand_use use, std::string& text, int& length);

// Decodes the instruction whose opcode has just been taken; false after r
// has refused.
using instruction_decoder = bool (*)(code_reader& r, uint8_t opcode, std::string& text);

struct decoder_table {
    instruction_decoder by_opcode[256] = {};
    // "do" and "done" need a step of their own.
    bool alone[256] = {};
    int clashes = 0;  // opcodes claimed twice; the tests expect none
    void add(uint8_t opcode, instruction_decoder decoder, bool needs_own_step = false);
};

void add_flow_decoders(decoder_table& table);
void add_condition_decoders(decoder_table& table);
void add_flag_counter_decoders(decoder_table& table);
void add_motion_decoders(decoder_table& table);
void add_store_decoders(decoder_table& table);

}  // namespace px
