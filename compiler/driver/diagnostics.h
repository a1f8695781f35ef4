// The only two ways the library speaks: log_message for progress and file
// problems, report_step_error for everything that makes the program wrong.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <functional>

#include "driver/build_context.h"
#include "driver/model.h"
#include "driver/source_places.h"
#include "driver/utilities.h"

namespace px {

enum log_level { LOG_INFO = 0, LOG_WARNING = 1, LOG_ERROR = 2, LOG_PANIC = 3 };

// One line in the build log, prefixed by its level and ended by "\r\n".
// Dropped when no log is open. log_message concerns the build as a whole;
// log_message_at a place in one of its files.
void log_message(build_context& build, int level, const char* format, ...) __attribute__((format(printf, 3, 4)));
void log_message_at(build_context& build, const file_place& where, int level, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

// Counts one compile error and writes its listing entry, its 92-byte error
// record and a copy of the entry in the log. instruction_text may be null.
// The listing names the step the place names (the one being compiled when
// it names none); a recording of the build keeps the place as well.
void report_step_error(build_context& build, const message_place& where, const char* instruction_text,
                       const char* format, ...) __attribute__((format(printf, 4, 5)));
// The same with its arguments taken; the caller passes the message barrier
// before it takes them.
void vreport_step_error(build_context& build, const message_place& where, const char* instruction_text,
                        const char* format, va_list args) __attribute__((format(printf, 4, 0)));

// What the build's held writes must do before a message goes out.
inline void pass_message_barrier(build_context& build) {
    if (build.before_message) build.before_message(build);
}

// Bits 20-23 major, bits 16-19 minor.
extern uint32_t version_word;
inline int version_major() { return (version_word >> 20) & 0xF; }
inline int version_minor() { return (version_word >> 16) & 0xF; }
void version_banner(build_context& build, int major, int minor);

// Last words of a build without memory: log, save the program with save,
// say goodbye.
void panic_save(build_context& build, const char* message, const char* file_name, const char* farewell,
                program_saver save);

// The log lines of writing one whole text file; each takes the file's name.
struct text_file_messages {
    int failure_level;         // LOG_WARNING or LOG_ERROR
    const char* cannot_open;
    const char* saving;
    const char* cannot_write;  // a failed write or close: a full disk shows at the close
    const char* saved;
};

// Logs and writes the file just opened (null when it would not open) through
// write, closes it and logs the outcome. True when it was written whole.
bool write_text_file(build_context& build, unique_file file, const char* name, const text_file_messages& messages,
                     const std::function<bool(std::FILE*)>& write);

// Size of one error-file record and of its text field.
constexpr int ERROR_RECORD_SIZE = 92;
constexpr int ERROR_TEXT_SIZE = 84;

}  // namespace px
