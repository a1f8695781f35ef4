// The step compile frame: one step of the program into its step code image.
// The frame encodes the output changes itself and hands each instruction,
// lowercased, to the family its keyword names.
#pragma once

#include <cstdint>

#include "driver/build_context.h"
#include "driver/model.h"

namespace px {

// The step code image (byte 0 = length) in the build's code buffer, or
// nullptr when the step has none. Valid until the build compiles another.
const uint8_t* compile_step(build_context& build, list_node* step_node);
void compile_instruction(build_context& build, const char* text);

// 1 to 23, or 0 for a word that is no keyword.
int find_keyword(const char* word);
// Past the current token and the blanks after it.
const char* next_token(const char* cursor);
// True for the thirteen characters that are tokens of their own.
bool is_operator_char(char c);

// Set by "do" and "done"; cleared at the start of each step.
extern bool do_done_mark;

// One instruction as every family sees it: the build it belongs to, its
// text as written (for the listing) and its working text, lowercased with
// one blank appended, into which every cursor of the family points.
struct instruction_frame {
    build_context& build;
    const char* text;
    const char* working;

    // The one way to add code: bump the write position, store the byte.
    // Stops silently at the end of the buffer (the step is then reported
    // too long).
    void append(uint8_t byte);
    // Withdraws the byte just appended ("set" after a failed operand).
    void withdraw();
};

// A compile error of the instruction, pointing at the instruction as a
// whole, or (report_at) at the operand that begins at `at` in the working
// text, as far as its word goes.
void report(instruction_frame& f, const char* format, ...) __attribute__((format(printf, 2, 3)));
void report_at(instruction_frame& f, const char* at, const char* format, ...) __attribute__((format(printf, 3, 4)));

}  // namespace px
