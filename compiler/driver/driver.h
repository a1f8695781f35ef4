// The build driver: one call of the export is one build.
#pragma once

#include <cstdint>

namespace px {

// The whole export: banner, pool, log, compile_program, closing lines.
// Returns total_bytes, or 0 when no object file could be produced.
int32_t run_export(const char* path);

// 0 when the object file was written (with or without compile errors, and
// after an abort), 1 when the build cannot start.
int compile_program(const char* path);

}  // namespace px
