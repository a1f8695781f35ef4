// Seams for the tests: they look inside a build or steer it where the product
// never does. Nothing in the library's own code calls them.
#pragma once

#include <cstddef>
#include <string>

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

// Watches every file the library opens or creates for writing: each write,
// flush that reaches the file and close is counted, and the n-th fails with
// ENOSPC (0 counts without failing, -1 stops watching, as the product runs).
void fail_file_write(long n);
// Writes, flushes and closes counted since fail_file_write.
long file_writes();
// The file whose write, flush or close was made to fail, or "".
const std::string& failed_file_write();

// scan, also telling where scanning stopped.
scan_result scan_ex(const char* text, const char* pattern, ...);

// The write position of the step being compiled: bytes after byte 0 so far.
int code_position();

// Back to the values the library starts with: all 0, no model, code 0.
void reset_configuration();

}  // namespace px
