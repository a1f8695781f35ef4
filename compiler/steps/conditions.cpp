#include "steps/families.h"
#include "driver/diagnostics.h"

namespace px {

void compile_if(const char* text, const char*) { report_step_error(text, "Instruction not supported yet."); }
void compile_monitor(const char* text, const char*) { report_step_error(text, "Instruction not supported yet."); }
void compile_testandset(const char* text, const char*) { report_step_error(text, "Instruction not supported yet."); }

}  // namespace px
