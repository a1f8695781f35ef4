#include "driver/object_file.h"

namespace px {
void reset_object_file() {}
int open_object_file(const char*) { return -1; }
void close_object_file(int) {}
void write_object_header(int) {}
void write_record(int, uint8_t, uint16_t, const uint8_t*, int, const char*) {}
void write_step_code(int, const uint8_t*) {}
void write_object_trailer(int, const uint8_t*) {}
void check_capacity() {}
void update_status_byte(int) {}
void format_summary_line() {}
}  // namespace px
