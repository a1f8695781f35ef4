// The build driver: one call of the export is one build.
#pragma once

#include <cstdint>

#include "driver/build_context.h"

namespace px {

// The whole export: banner, pool, log, compile_program, closing lines, in a
// build of its own. Returns total_bytes, or 0 when no object file could be
// produced.
int32_t run_export(const char* path);
// The same in a build the caller has made: one that records its messages,
// or reads and writes through a file system of its own.
int32_t run_build(build_context& build, const char* path);

// 0 when the object file was written (with or without compile errors, and
// after an abort), 1 when the build cannot start.
int compile_program(build_context& build, const char* path);

}  // namespace px
