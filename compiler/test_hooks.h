// Seams for the tests: they look inside a build or steer it where the product
// never does. Nothing in the library's own code calls them.
#pragma once

#include <cstddef>

namespace px {

struct scan_result;  // steps/scan.h

// Caps the bytes the pool may take from the system (0 = no cap). Library-wide,
// for tests that need to reach the out-of-memory path.
void set_pool_limit(std::size_t bytes);
// True while a build's pool is alive.
bool pool_exists();

// scan, also telling where scanning stopped.
scan_result scan_ex(const char* text, const char* pattern, ...);

// The write position of the step being compiled: bytes after byte 0 so far.
int code_position();

// Back to the values the library starts with: all 0, no model, code 0.
void reset_configuration();

}  // namespace px
