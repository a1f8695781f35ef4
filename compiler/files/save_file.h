// The program saver and the backup rule.
#pragma once

#include <string>

#include "driver/model.h"

namespace px {

struct build_context;  // driver/build_context.h

// 0 when the program was saved, 1 when it was not (the reason is logged).
int save_file(build_context& build, const char* name);
// 1 when the file was backed up or does not exist, 0 when the backup failed.
int backup_file(build_context& build, const char* name, const char* backup_extension);

// save_file as try `attempt` (from 0) of one save that may be tried again:
// the tries of one save make each backup once, at the first try that
// reaches it, so that a later try does not copy what an earlier one left
// half-written over the good backup.
int save_file_try(build_context& build, const char* name, int attempt);

// One step as save_file writes it, appended to text: whoever lays steps out
// in memory gets the saver's bytes. Unlike save_file it writes an empty step
// too, and takes nothing from the pool.
void append_step_text(std::string& text, const step* s);

}  // namespace px
