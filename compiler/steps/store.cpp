#include "steps/families.h"
#include "driver/diagnostics.h"

namespace px {

void compile_store(const char* text, const char*) { report_step_error(text, "Instruction not supported yet."); }

}  // namespace px
