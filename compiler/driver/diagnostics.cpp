// The build log, the listing (".lst") and the error file (".err").
//
// Messages are formatted into growable strings, so no name or message can
// overrun anything; only the error record's text field has a fixed size, and
// there the text is cut to 83 characters and a NUL.
#include "driver/diagnostics.h"

#include <cstdarg>
#include <cstring>
#include <memory>
#include <string>

#include "driver/build_state.h"
#include "driver/helpers.h"
#include "driver/source_places.h"
#include "driver/utilities.h"
#include "platform/clock.h"
#include "platform/file_names.h"

namespace px {

uint32_t version_word = 0;

namespace {

const char* const level_prefix[] = {"", "Warning:  ", "Error:  ", "Panic:  "};

std::string program_file(const char* extension) {
    return replace_extension(the_program.name ? the_program.name : "", extension);
}

// 1-based position of current_instruction in current_step, or 0.
int32_t instruction_position() {
    if (is_end(current_instruction) || is_end(current_step)) return 0;
    int32_t position = 1;
    for (list_node* n = step_of(current_step)->instructions; !is_end(n); n = n->next, ++position)
        if (n == current_instruction) return position;
    return 0;
}

void put_le32(unsigned char* at, uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(v >> (8 * i));
}

// Adds one entry to a file of the build, or says why not and aborts the
// build: a listing or error file that misses an entry would mislead.
bool add_to_file(build_context& build, const std::string& name, const char* mode, const void* data,
                 std::size_t size) {
    unique_file file(open_file(*build.files, name.c_str(), mode));
    if (!file) {
        log_message(build, LOG_ERROR, "Unable to open file \"%s\" for writing (aborting compilation).", name.c_str());
        build_ok = false;
        return false;
    }
    bool written = std::fwrite(data, 1, size, file.get()) == size && std::fflush(file.get()) == 0;
    // The close can fail too, and then the entry may not be there.
    written = std::fclose(file.release()) == 0 && written;
    if (!written) {
        log_message(build, LOG_ERROR, "Unable to write to file \"%s\" (aborting compilation).", name.c_str());
        build_ok = false;
    }
    return written;
}

void write_log_line(build_context& build, int level, const file_place* where, const char* format, va_list args) {
    pass_message_barrier(build);
    if (!build_log && !build.recording) return;
    std::string message = vformat(format, args);
    record_log_message(build, level & 3, message, where);
    if (!build_log) return;
    std::string line = level_prefix[level & 3] + message + "\r\n";
    std::fwrite(line.data(), 1, line.size(), build_log);
}

}  // namespace

void log_message(build_context& build, int level, const char* format, ...) {
    pass_message_barrier(build);
    va_list args;
    va_start(args, format);
    write_log_line(build, level, nullptr, format, args);
    va_end(args);
}

void log_message_at(build_context& build, const file_place& where, int level, const char* format, ...) {
    pass_message_barrier(build);
    va_list args;
    va_start(args, format);
    write_log_line(build, level, &where, format, args);
    va_end(args);
}

void report_step_error(build_context& build, const message_place& where, const char* instruction_text,
                       const char* format, ...) {
    // The barrier may end the build's compile loop: before the arguments are taken.
    pass_message_barrier(build);
    va_list args;
    va_start(args, format);
    vreport_step_error(build, where, instruction_text, format, args);
    va_end(args);
}

void vreport_step_error(build_context& build, const message_place& where, const char* instruction_text,
                        const char* format, va_list args) {
    pass_message_barrier(build);
    ++error_count;
    std::string message = vformat(format, args);
    record_step_error(build, where, instruction_text, message);
    const char* prefix = std::strchr(message.c_str(), ':') ? "" : "Problem:  ";
    const char* mode_text = error_count == 1 ? "w" : "a";
    const char* mode_binary = error_count == 1 ? "wb" : "ab";
    const list_node* named = where.step ? where.step : current_step;
    int32_t step_number = is_end(named) ? 0 : static_cast<int32_t>(step_of(const_cast<list_node*>(named))->number);

    // Listing entry.
    std::string entry = "***ERROR*** in step [" + std::to_string(step_number) + "]\n   Instruction:  " +
                        (instruction_text ? instruction_text : "<none>") + "\n   " + prefix + message + "\n\n";
    if (!add_to_file(build, program_file(".lst"), mode_text, entry.data(), entry.size())) return;
    if (build_log) std::fwrite(entry.data(), 1, entry.size(), build_log);

    // Error record: step, instruction position, text.
    unsigned char record[ERROR_RECORD_SIZE] = {};
    put_le32(record, static_cast<uint32_t>(step_number));
    put_le32(record + 4, static_cast<uint32_t>(instruction_text ? instruction_position() : 0));
    std::string text = std::string(prefix) + message;
    std::memcpy(record + 8, text.data(), std::min<std::size_t>(text.size(), ERROR_TEXT_SIZE - 1));
    add_to_file(build, program_file(".err"), mode_binary, record, sizeof record);
}

bool write_text_file(build_context& build, unique_file file, const char* name, const text_file_messages& messages,
                     const std::function<bool(std::FILE*)>& write) {
    if (!file) {
        log_message(build, messages.failure_level, messages.cannot_open, name);
        return false;
    }
    log_message(build, LOG_INFO, messages.saving, name);
    bool written = write(file.get()) && !std::ferror(file.get());
    written = std::fclose(file.release()) == 0 && written;
    if (!written) {
        log_message(build, messages.failure_level, messages.cannot_write, name);
        return false;
    }
    log_message(build, LOG_INFO, messages.saved, name);
    return true;
}

void version_banner(build_context& build, int major, int minor) {
    version_word = (static_cast<uint32_t>(major & 0xF) << 20) | (static_cast<uint32_t>(minor & 0xF) << 16);
    log_message(build, LOG_INFO, "Plexa Compiler beta V%d.%db.", major, minor);
}

void panic_save(build_context& build, const char* message, const char* file_name, const char* farewell,
                program_saver save) {
    log_message(build, LOG_ERROR, "%s", message);
    pause_seconds(5);
    bool saved = false;
    // No one can be asked for another name: every try uses the same one.
    for (int attempt = 0; attempt < 6 && !saved; ++attempt) {
        try {
            saved = save && save(build, file_name, attempt) == 0;
        } catch (const build_abort&) {
            saved = false;
        }
    }
    if (saved) log_message(build, LOG_INFO, "Successfully saved program before panic.");
    log_message(build, LOG_PANIC, "%s", farewell);
}

}  // namespace px
