// read_file: a makefile (link file) or a single step file into the program.
#pragma once

namespace px {

struct build_context;  // driver/build_context.h

// 0 success, 1 failure (already logged), 2 too many steps (already reported).
int read_file(build_context& build, const char* path);

}  // namespace px
