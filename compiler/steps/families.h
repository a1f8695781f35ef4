// The instruction families. Each takes the instruction's frame and the
// cursor on its first operand in the working text, appends its code through
// the frame and reports through it.
#pragma once

#include "steps/frame.h"

namespace px {

// Flow and timing
void compile_goto(instruction_frame& f, const char* cursor);
void compile_stop_goto(instruction_frame& f, const char* cursor);
void compile_done(instruction_frame& f, const char* cursor);
void compile_cancel(instruction_frame& f, const char* cursor);
void compile_do(instruction_frame& f, const char* cursor);
void compile_delay(instruction_frame& f, const char* cursor);

// Conditions and monitoring
void compile_if(instruction_frame& f, const char* cursor);
void compile_monitor(instruction_frame& f, const char* cursor);
void compile_testandset(instruction_frame& f, const char* cursor);

// Flags and counters
void compile_set(instruction_frame& f, const char* cursor);
void compile_clear(instruction_frame& f, const char* cursor);
void compile_shift(instruction_frame& f, const char* cursor);
void compile_rotate(instruction_frame& f, const char* cursor);
void compile_count(instruction_frame& f, const char* cursor);
void compile_enable(instruction_frame& f, const char* cursor);
void compile_disable(instruction_frame& f, const char* cursor);
void compile_reset(instruction_frame& f, const char* cursor);
void compile_start(instruction_frame& f, const char* cursor);

// Motion ("stop" comes here unless its operands begin with "goto")
void compile_zero(instruction_frame& f, const char* cursor);
void compile_search(instruction_frame& f, const char* cursor);
void compile_stop(instruction_frame& f, const char* cursor);
void compile_turn(instruction_frame& f, const char* cursor);
void compile_profile(instruction_frame& f, const char* cursor);

// Store
void compile_store(instruction_frame& f, const char* cursor);

}  // namespace px
