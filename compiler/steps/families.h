// The instruction families. Each takes the instruction's text as written
// (for error reports) and the cursor on its first operand in the working
// text, and appends its code through append_byte.
#pragma once

namespace px {

// Flow and timing
void compile_goto(const char* text, const char* cursor);
void compile_stop_goto(const char* text, const char* cursor);
void compile_done(const char* text, const char* cursor);
void compile_cancel(const char* text, const char* cursor);
void compile_do(const char* text, const char* cursor);
void compile_delay(const char* text, const char* cursor);

// Conditions and monitoring
void compile_if(const char* text, const char* cursor);
void compile_monitor(const char* text, const char* cursor);
void compile_testandset(const char* text, const char* cursor);

// Flags and counters
void compile_set(const char* text, const char* cursor);
void compile_clear(const char* text, const char* cursor);
void compile_shift(const char* text, const char* cursor);
void compile_rotate(const char* text, const char* cursor);
void compile_count(const char* text, const char* cursor);
void compile_enable(const char* text, const char* cursor);
void compile_disable(const char* text, const char* cursor);
void compile_reset(const char* text, const char* cursor);
void compile_start(const char* text, const char* cursor);

// Motion ("stop" comes here unless its operands begin with "goto")
void compile_zero(const char* text, const char* cursor);
void compile_search(const char* text, const char* cursor);
void compile_stop(const char* text, const char* cursor);
void compile_turn(const char* text, const char* cursor);
void compile_profile(const char* text, const char* cursor);

// Store
void compile_store(const char* text, const char* cursor);

}  // namespace px
