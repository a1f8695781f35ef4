// Build state shared by the driver, the diagnostics, the step compiler and
// the writers. All of it is reset at the start of every build.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "driver/model.h"

namespace px {

extern int32_t error_count;       // only report_step_error increments it
extern bool build_ok;             // cleared when the listing or error file fails
extern uint32_t total_bytes;      // the program's footprint, the export's result
extern uint32_t program_bytes;    // sum of the code lengths of all steps
extern list_node* current_step;         // step named in error reports
extern list_node* current_instruction;  // instruction whose position is recorded
extern uint32_t MAX_STEPS;        // the corrected "steps" parameter
extern std::string summary_line;  // success line, written last in the log
extern std::FILE* build_log;      // none outside a call of the export

}  // namespace px
