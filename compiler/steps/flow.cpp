#include "steps/families.h"
#include "driver/diagnostics.h"

namespace px {

void compile_goto(const char* text, const char*) { report_step_error(text, "Instruction not supported yet."); }
void compile_stop_goto(const char* text, const char*) { report_step_error(text, "Instruction not supported yet."); }
void compile_done(const char* text, const char*) { report_step_error(text, "Instruction not supported yet."); }
void compile_cancel(const char* text, const char*) { report_step_error(text, "Instruction not supported yet."); }
void compile_do(const char* text, const char*) { report_step_error(text, "Instruction not supported yet."); }
void compile_delay(const char* text, const char*) { report_step_error(text, "Instruction not supported yet."); }

}  // namespace px
