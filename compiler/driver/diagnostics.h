// The only two ways the library speaks: log_message for progress and file
// problems, report_step_error for everything that makes the program wrong.
#pragma once

#include <cstdint>

namespace px {

enum log_level { LOG_INFO = 0, LOG_WARNING = 1, LOG_ERROR = 2, LOG_PANIC = 3 };

// One line in the build log, prefixed by its level and ended by "\r\n".
// Dropped when no log is open.
void log_message(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Counts one compile error and writes its listing entry, its 92-byte error
// record and a copy of the entry in the log. instruction_text may be null.
void report_step_error(const char* instruction_text, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

// Bits 20-23 major, bits 16-19 minor.
extern uint32_t version_word;
inline int version_major() { return (version_word >> 20) & 0xF; }
inline int version_minor() { return (version_word >> 16) & 0xF; }
void version_banner(int major, int minor);

// Last words of a build without memory: log, save the program, say goodbye.
void panic_save(const char* message, const char* file_name, const char* farewell);

// Size of one error-file record and of its text field.
constexpr int ERROR_RECORD_SIZE = 92;
constexpr int ERROR_TEXT_SIZE = 84;

}  // namespace px
