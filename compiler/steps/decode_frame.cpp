// Reading a step's code back: the output changes the frame writes, then one
// instruction after another, each handed to its family's decoder by opcode.
// The opcode table is filled by the families themselves, so an opcode no
// family claims is unknown; one claimed twice is counted for the tests.
#include <cstdio>

#include "files/model_limits.h"
#include "steps/decode_families.h"
#include "steps/numbering.h"

namespace px {

namespace {

const decoder_table& decoders() {
    static const decoder_table table = [] {
        decoder_table t;
        add_flow_decoders(t);
        add_condition_decoders(t);
        add_flag_counter_decoders(t);
        add_motion_decoders(t);
        add_store_decoders(t);
        return t;
    }();
    return table;
}

// The count byte and the entries; the reader keeps each step's outputs sorted
// by number, one entry per output, so anything else was not compiled here.
bool read_output_changes(code_reader& r, decoded_step& step) {
    uint8_t count = 0;
    if (!r.take(count)) return false;
    if (count == opcode::OUTPUTS_ALL_OFF) {
        step.output_changes.push_back(0);
        step.output_length = r.pos;
        return true;
    }
    const int32_t limit = digital_limit_of(r.wide);
    if (count > limit) return r.refuse("output-change count " + std::to_string(count) + " is more than the outputs");
    const uint16_t mark = number_mark(r.wide);
    int32_t previous = 0;
    for (int i = 0; i < count; ++i) {
        uint8_t low = 0, high = 0;
        if (!r.take(low)) return false;
        if (r.wide && !r.take(high)) return false;
        uint16_t word = static_cast<uint16_t>(low | high << 8);
        bool on = (word & mark) != 0;
        int32_t output = (word & ~mark) + 1;
        if (output > limit) return r.refuse("output " + std::to_string(output) + " is beyond the numbering");
        if (output <= previous) return r.refuse("output changes out of order (output " + std::to_string(output) + ")");
        previous = output;
        step.output_changes.push_back(on ? output : -output);
    }
    step.output_length = r.pos;
    return true;
}

}  // namespace

int decoder_clashes() { return decoders().clashes; }

std::string hex_byte(uint8_t byte) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", byte);
    return text;
}

bool code_reader::take(uint8_t& byte) {
    if (pos >= size) return refuse_at(size, "the instruction runs past the end of the step");
    last = pos;
    byte = code[pos++];
    return true;
}

bool code_reader::refuse(const std::string& why) { return refuse_at(last, why); }

bool code_reader::refuse_at(std::size_t offset, const std::string& why) {
    if (!step->failed) {
        step->failed = true;
        step->fail_offset = offset;
        step->fail_reason = why;
    }
    return false;
}

bool code_reader::step_number(uint32_t& number, std::string& text) {
    uint8_t low = 0, high = 0;
    if (!take(low)) return false;
    if (wide && !take(high)) return false;
    number = (low | static_cast<uint32_t>(high) << 8) + 1;
    step->destinations.push_back(number);
    text = '[';
    text += std::to_string(number);
    text += ']';
    return true;
}

bool code_reader::step_index(std::string& text) {
    uint32_t number = 0;
    if (!step_number(number, text)) return false;
    if (instruction) instruction->tasks.push_back(number);
    return true;
}

bool code_reader::destination(uint8_t op, std::string& text) {
    if (op & opcode::STEP_FORM) {
        uint32_t number = 0;
        if (!step_number(number, text)) return false;
        if (instruction) {
            instruction->goto_clause = decoded_instruction::clause::step;
            instruction->goto_step = number;
        }
        return true;
    }
    step->names_next = true;
    if (instruction) instruction->goto_clause = decoded_instruction::clause::next;
    text = "next";
    return true;
}

void decoder_table::add(uint8_t opcode, instruction_decoder decoder, bool needs_own_step) {
    if (by_opcode[opcode]) ++clashes;
    by_opcode[opcode] = decoder;
    alone[opcode] = needs_own_step;
}

decoded_step decode_step(const uint8_t* code, std::size_t length, bool wide) {
    decoded_step step;
    code_reader r{code, length, wide, &step};
    if (!read_output_changes(r, step)) return step;
    const decoder_table& table = decoders();
    bool alone = false;
    while (r.pos < r.size) {
        decoded_instruction instruction;
        r.instruction = &instruction;
        instruction.offset = r.pos;
        uint8_t op = 0;
        r.take(op);
        instruction_decoder decoder = table.by_opcode[op];
        if (!decoder) {
            r.refuse("unknown opcode " + hex_byte(op));
            return step;
        }
        if (!decoder(r, op, instruction.text)) return step;
        instruction.length = r.pos - instruction.offset;
        alone = alone || table.alone[op];
        step.instructions.push_back(std::move(instruction));
    }
    if (step.instructions.empty()) {
        r.refuse_at(r.size, "a step with code has at least one instruction");
    } else if (alone && step.instructions.size() > 1) {
        r.refuse_at(0, "\"do\" and \"done\" stand in a step of their own");
    }
    return step;
}

}  // namespace px
