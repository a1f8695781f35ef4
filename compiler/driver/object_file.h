// The object file (".dso") that the downloader sends to the controller, and
// the capacity checks against the selected model.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "driver/build_context.h"
#include "driver/object_format.h"

namespace px {

// Clears the running checksum and the code offset (start of every build).
void reset_object_file();
// Opens (creates or truncates) the object file; -1 on failure. Until it is
// closed, its records are held back in the build and go out many at a
// time, and before every message of the build.
int open_object_file(build_context& build, const char* name);
// False when the close failed: what was written may not have reached the disk.
bool close_object_file(build_context& build, int fd);

// Thrown out of the compile loop when a record held back turns out to have
// failed and its report stopped the build: the loop would have ended there,
// before the step now being compiled.
struct object_writes_stopped {};

// Magic number and a zero status byte.
void write_object_header(build_context& build, int fd);
// One record of L data bytes: written whole, added to the checksum; a write
// that fails is reported with message as a compile error of the step being
// compiled. Nothing is written once build_ok is clear.
void write_record(build_context& build, int fd, uint8_t type, uint16_t address, const uint8_t* data, int length,
                  const char* message);
// The code record of one step image (length byte first); advances the code offset.
void write_step_code(build_context& build, int fd, const uint8_t* image);
// Step length table, data table size and data, options, system configuration
// byte and checksum, in that order; then every record held has gone out.
void write_object_trailer(build_context& build, int fd, const uint8_t* step_lengths);
// What a capacity check found, for the summary line.
struct capacity_figures {
    long table_bytes;
    long program_percent;  // 0 after a capacity error
    long table_percent;
};
// Computes total_bytes and the RAM percentages; reports a capacity error.
capacity_figures check_capacity(build_context& build);
// The largest object file that any model holds: the most code and data
// table its capacity allows, carried in as many records as they can fill.
std::size_t largest_object_file();
// Puts the low 8 bits of the error count into the status byte.
void update_status_byte(build_context& build, int fd);
// The summary line of a clean build.
std::string format_summary_line(const capacity_figures& figures);

}  // namespace px
