// The data table in text form: a ".tab" file or the head of a step file.
#pragma once

#include <cstdio>

#include "driver/model.h"

namespace px {

// A new table from the named file, or none.
data_table* read_data_table(build_context& build, const char* file_name);
// True when the named file begins with a data table header, whether or not
// read_data_table would accept the table behind it.
bool has_data_table_header(build_context& build, const char* file_name);
// The same for an open file, read from where it stands.
bool has_data_table_header(std::FILE* file);
// 1 on success, 0 on failure.
int save_data_table(build_context& build, const char* file_name, const data_table* table);

}  // namespace px
