// The data table in text form: a ".tab" file of its own, or the head of a
// program's first step file.
//
// The reader is lenient (any white space between values, CR LF line ends,
// stray text before the brackets) but never trusts a number: every digit run
// is read with saturation, so a header or a value with too many digits can
// neither wrap round nor ask the pool for an absurd block.
#include "files/data_table_file.h"

#include <cctype>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "driver/diagnostics.h"
#include "driver/source_places.h"
#include "driver/utilities.h"
#include "files/config.h"
#include "files/save_file.h"
#include "platform/file_names.h"

namespace px {

namespace {

// The smallest controllers hold 3448 bytes of data table.
constexpr uint64_t SMALL_MODEL_ELEMENTS = 1724;
// No controller holds more than 64000 bytes of data table, and the object
// file keeps rows and columns in 16 bits. Larger headers are refused before
// anything is allocated; tables between the two limits still reach the
// capacity check, which tells the user what the model holds.
constexpr uint64_t MAX_DIMENSION = 65535;
constexpr uint64_t MAX_ELEMENTS = 1u << 20;
constexpr uint64_t MAX_VALUE = 65535;
// Digit runs saturate here: anything that does not fit 32 bits is simply
// "too large" for every test made on it.
constexpr uint64_t SATURATED = uint64_t{1} << 32;

bool is_blank(int c) { return c != EOF && std::isspace(static_cast<unsigned char>(c)); }

// Skips white space; returns the first other character (or EOF), consumed.
int next_non_blank(std::FILE* f) {
    int c;
    do c = std::fgetc(f);
    while (is_blank(c));
    return c;
}

// Reads and drops characters up to and including `wanted`. False at EOF.
bool skip_past(std::FILE* f, int wanted) {
    for (int c = std::fgetc(f); c != EOF; c = std::fgetc(f))
        if (c == wanted) return true;
    return false;
}

// A run of decimal digits, saturating at SATURATED. The character that ends
// the run is pushed back. `digits` tells how many digits were read.
uint64_t read_digits(std::FILE* f, int& digits) {
    uint64_t value = 0;
    digits = 0;
    int c = std::fgetc(f);
    for (; is_digit(c); c = std::fgetc(f)) {
        ++digits;
        if (value < SATURATED) value = value * 10 + static_cast<uint64_t>(c - '0');
        if (value > SATURATED) value = SATURATED;
    }
    if (c != EOF) std::ungetc(c, f);
    return value;
}

// One "[n]" dimension: digits right after the opening bracket, then
// everything up to and including the closing one. False when the number
// is missing or the bracket never closes.
bool read_dimension(std::FILE* f, uint64_t& value) {
    int digits;
    value = read_digits(f, digits);
    return digits > 0 && skip_past(f, ']');
}

// Reads the header up to the first element. False when there is no table.
bool read_header(std::FILE* f, uint64_t& rows, uint64_t& columns) {
    int c = next_non_blank(f);
    if (c != 'd' && c != 'D') return false;
    if (!skip_past(f, '[')) return false;
    if (!read_dimension(f, rows)) return false;
    if (next_non_blank(f) != '[') return false;
    if (!read_dimension(f, columns)) return false;
    c = next_non_blank(f);
    if (c == '=') {
        skip_past(f, '{');
    } else if (c != EOF) {
        std::ungetc(c, f);
    }
    return true;
}

// Fills the elements in row-major order until a '}', the end of the file, a
// value above 65535 or a character that is neither a blank nor a digit. What
// is not read stays 0.
void read_elements(std::FILE* f, uint16_t* elements, uint64_t count) {
    for (uint64_t i = 0; i < count; ++i) {
        int c = next_non_blank(f);
        if (c == '}' || c == EOF) return;
        std::ungetc(c, f);
        int digits;
        uint64_t value = read_digits(f, digits);
        // A stray character ends the run at once and would end every later
        // run the same way: the rest reads as 0.
        if (digits == 0 || value > MAX_VALUE) return;
        elements[i] = static_cast<uint16_t>(value);
    }
}

// Formatted text into the data table file; false on a short write.
bool put(std::FILE* f, const char* text, std::size_t length) {
    return std::fwrite(text, 1, length, f) == length;
}

}  // namespace

data_table* read_data_table(build_context& build, const char* file_name) {
    if (!file_name) return nullptr;
    unique_file file(open_file(*build.files, file_name, "r"));
    if (!file) return nullptr;

    uint64_t rows = 0, columns = 0;
    if (!read_header(file.get(), rows, columns)) return nullptr;

    // Both factors are held below 2^32, so the product cannot wrap.
    auto below_2_32 = [](uint64_t n) { return n < SATURATED ? n : SATURATED - 1; };
    uint64_t elements = below_2_32(rows) * below_2_32(columns);
    if (model_code == 0 && !reduced_memory && elements > SMALL_MODEL_ELEMENTS) {
        log_message_at(build, file_place{note_file(build, file_name), 0, 0}, LOG_ERROR,
                       "IXO K400 VEP supports only %d data table elements.", static_cast<int>(SMALL_MODEL_ELEMENTS));
        return nullptr;
    }
    if (rows < 1 || columns < 1) return nullptr;
    if (rows > MAX_DIMENSION || columns > MAX_DIMENSION || elements > MAX_ELEMENTS) {
        log_message_at(build, file_place{note_file(build, file_name), 0, 0}, LOG_ERROR,
                       "Data table in file \"%s\" is too large (more than %d elements or %d rows or columns).",
                       file_name, static_cast<int>(MAX_ELEMENTS), static_cast<int>(MAX_DIMENSION));
        return nullptr;
    }

    log_message(build, LOG_INFO, "Reading data table from file \"%s\"...", file_name);
    data_table* table = new_data_table(static_cast<int32_t>(rows), static_cast<int32_t>(columns));
    read_elements(file.get(), table->elements, elements);
    log_message(build, LOG_INFO, "Read data table from file \"%s\".", file_name);
    return table;
}

bool has_data_table_header(build_context& build, const char* file_name) {
    if (!file_name) return false;
    unique_file file(open_file(*build.files, file_name, "r"));
    return file && has_data_table_header(file.get());
}

bool has_data_table_header(std::FILE* file) {
    uint64_t rows = 0, columns = 0;
    return read_header(file, rows, columns);
}

int save_data_table(build_context& build, const char* file_name, const data_table* table) {
    if (!file_name || !table) return 0;
    if (!backup_file(build, file_name, ".#ab")) {
        log_message(build, LOG_ERROR, "Unable to backup file \"%s\" (data table not saved).", file_name);
        return 0;
    }
    static constexpr text_file_messages messages{
        LOG_ERROR, "Unable to open \"%s\" to save data table.", "Saving data table to file \"%s\"...",
        "Cannot write file \"%s\" (data table not saved).", "Saved data table in file \"%s\"."};
    bool written =
        write_text_file(build, unique_file(open_file(*build.files, file_name, "w")), file_name, messages,
                        [table](std::FILE* f) {
        char text[64];
        int n = std::snprintf(text, sizeof text, "data_table[%d][%d] =\n{", table->rows, table->columns);
        bool ok = put(f, text, static_cast<std::size_t>(n));
        for (int32_t r = 0; ok && r < table->rows; ++r) {
            ok = put(f, "\n     ", 6);
            for (int32_t c = 0; ok && c < table->columns; ++c) {
                std::size_t at = static_cast<std::size_t>(r) * static_cast<std::size_t>(table->columns) +
                                 static_cast<std::size_t>(c);
                unsigned value = table->elements ? table->elements[at] : 0u;
                n = std::snprintf(text, sizeof text, "%5u ", value);
                ok = put(f, text, static_cast<std::size_t>(n));
            }
        }
        return ok && put(f, "\n}\n", 3);
    });
    return written ? 1 : 0;
}

}  // namespace px
