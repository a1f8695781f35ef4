// The step compile frame: one step of the program into its step code image.
// The frame encodes the output changes itself and hands each instruction,
// lowercased, to the family its keyword names.
#pragma once

#include <cstdint>

#include "driver/model.h"

namespace px {

// Byte 0 holds L, the number of code bytes after it (at most 255).
constexpr int STEP_CODE_BUFFER = 512;
constexpr int STEP_CODE_MAX = 255;

// The step code image (byte 0 = length), or nullptr when the step has none.
// Valid until the next call.
const uint8_t* compile_step(list_node* step_node);
void compile_instruction(const char* text);

// 1 to 23, or 0 for a word that is no keyword.
int find_keyword(const char* word);
// Past the current token and the blanks after it.
const char* next_token(const char* cursor);
// True for the thirteen characters that are tokens of their own.
bool is_operator_char(char c);

// The one way to add code: bump the write position, store the byte. Stops
// silently at the end of the buffer (the step is then reported too long).
void append_byte(uint8_t byte);
// Withdraws the byte just appended ("set" after a failed operand).
void withdraw_byte();

// Set by "do" and "done"; cleared at the start of each step.
extern bool do_done_mark;

// The working text of the instruction being compiled: lowercased, with one
// blank appended. "goto" re-reads it from here.
const char* working_text();

}  // namespace px
