// The step source reader: turns one step file into steps of the program.
#pragma once

#include <cstdint>
#include <cstdio>

#include "driver/model.h"

namespace px {

enum read_result { READ_OK = 0, READ_FAILED = 1, READ_TOO_MANY_STEPS = 2 };

// Counts over all files of one program.
struct read_counts {
    int steps;
    int output_changes;
    int instructions;
};

// Reads the steps of an open step file (positioned where its steps begin) and
// appends them to the program. last_number is the number of the last step
// read before this file (0 for the first file); it is updated. file_name
// names the file in messages. The file is closed in every case.
int read_step_file(std::FILE* file, const char* file_name, uint32_t& last_number,
                   read_counts& counts);

}  // namespace px
