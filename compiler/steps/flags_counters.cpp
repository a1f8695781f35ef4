#include "steps/families.h"
#include "driver/diagnostics.h"

namespace px {

void compile_set(const char* text, const char*) { report_step_error(text, "Instruction not supported yet."); }
void compile_clear(const char* text, const char*) { report_step_error(text, "Instruction not supported yet."); }
void compile_shift(const char* text, const char*) { report_step_error(text, "Instruction not supported yet."); }
void compile_rotate(const char* text, const char*) { report_step_error(text, "Instruction not supported yet."); }
void compile_count(const char* text, const char*) { report_step_error(text, "Instruction not supported yet."); }
void compile_enable(const char* text, const char*) { report_step_error(text, "Instruction not supported yet."); }
void compile_disable(const char* text, const char*) { report_step_error(text, "Instruction not supported yet."); }
void compile_reset(const char* text, const char*) { report_step_error(text, "Instruction not supported yet."); }
void compile_start(const char* text, const char*) { report_step_error(text, "Instruction not supported yet."); }

}  // namespace px
