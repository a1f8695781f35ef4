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
// The pool runs dry at the n-th block a build asks of it: that request and
// every later one fail (0 = never).
void fail_pool_allocation(long n);
// Blocks the running or last build asked of its pool.
long pool_allocations();

// scan, also telling where scanning stopped.
scan_result scan_ex(const char* text, const char* pattern, ...);

// Back to the values the library starts with: all 0, no model, code 0.
void reset_configuration();

}  // namespace px
