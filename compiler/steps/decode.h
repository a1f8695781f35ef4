// Step code read back as Plexa: the output changes and every instruction of
// one step, each in one spelling that compiles to exactly the bytes read.
//
// The decoders mirror the instruction families one for one and accept only
// what the families write: a byte string they could not have produced (an
// unknown opcode, an operand out of range, a length field that disagrees with
// the operands) is refused with its offset, never guessed at.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace px {

struct decoded_instruction {
    std::size_t offset = 0;  // from the output-change count byte
    std::size_t length = 0;
    std::string text;
    // Where control goes from here: the goto clause, if the instruction has
    // one, and the steps a "do" starts as tasks, in list order.
    enum class clause : uint8_t { none, next, step };
    clause goto_clause = clause::none;
    uint32_t goto_step = 0;  // the step number, for clause::step
    std::vector<uint32_t> tasks;
    // What the instruction does to the task running it: "goto", "if" and
    // "monitor" only choose where it goes; "delay" and "do" wait before
    // their goto clause is taken; "done" ends the task; everything else
    // acts (sets, counts, stores, moves, stops).
    enum class flow : uint8_t { acts, chooses, waits, ends_task };
    flow effect = flow::acts;
};

struct decoded_step {
    std::vector<int32_t> output_changes;  // +n on, -n off, 0 all off
    std::size_t output_length = 0;        // the count byte and the entries
    std::vector<decoded_instruction> instructions;
    std::vector<uint32_t> destinations;   // step numbers the code names
    bool names_next = false;              // some clause goes to the next step
    uint32_t highest_column = 0;          // highest col# used, 0 for none
    // Set when the bytes cannot be read back: where (from the count byte) and why.
    bool failed = false;
    std::size_t fail_offset = 0;
    std::string fail_reason;
};

// One step's code, as stored after the image's length byte. wide selects the
// two-byte numbering of every model but code 0.
decoded_step decode_step(const uint8_t* code, std::size_t length, bool wide);

// Opcodes that two families claim; always 0.
int decoder_clashes();

}  // namespace px
