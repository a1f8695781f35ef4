// read_file: a makefile (link file) or a single step file into the program.
#pragma once

namespace px {

// 0 success, 1 failure (already logged), 2 too many steps (already reported).
int read_file(const char* path);

}  // namespace px
