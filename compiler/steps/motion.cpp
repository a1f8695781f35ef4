#include "steps/families.h"
#include "driver/diagnostics.h"

namespace px {

void compile_zero(const char* text, const char*) { report_step_error(text, "Instruction not supported yet."); }
void compile_search(const char* text, const char*) { report_step_error(text, "Instruction not supported yet."); }
void compile_stop(const char* text, const char*) { report_step_error(text, "Instruction not supported yet."); }
void compile_turn(const char* text, const char*) { report_step_error(text, "Instruction not supported yet."); }
void compile_profile(const char* text, const char*) { report_step_error(text, "Instruction not supported yet."); }

}  // namespace px
