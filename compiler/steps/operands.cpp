// Resource operands. Each form is a keyword with "#" and a number, perhaps a
// ":" and a qualifier letter; each becomes an operand code the caller copies
// where its instruction wants it. A number is recorded for the
// cross-reference map as soon as it is read, so that out-of-range uses show
// up in the map next to the error that refuses them.
#include "steps/operands.h"

#include <climits>
#include <cstring>
#include <string>

#include "driver/build_state.h"
#include "driver/diagnostics.h"
#include "driver/model.h"
#include "driver/source_places.h"
#include "driver/xref.h"
#include "files/model_limits.h"
#include "steps/encoding.h"
#include "steps/frame.h"
#include "steps/scan.h"

namespace px {

namespace {

const char PROTO_SYNTAX[] = "Syntax:  proto#<1-8>:<bit#<1-32> | byte#<1-4> | word#<1-2>>[:bcd]";

bool in_range(int32_t n, int32_t low, int32_t high) { return n >= low && n <= high; }

const operand_code* code1(operand_code* out, uint8_t a) {
    out->bytes[0] = 1;
    out->bytes[1] = a;
    return out;
}

const operand_code* code3(operand_code* out, uint8_t a, uint8_t b, uint8_t c) {
    out->bytes[0] = 3;
    out->bytes[1] = a;
    out->bytes[2] = b;
    out->bytes[3] = c;
    return out;
}

// A recognised form that failed: the caller sees the form but no code.
const operand_code* failed(operand_code* out) {
    out->bytes[0] = 0;
    return out;
}

// The selector of a prototype board, read after the ":" that follows the
// board number. Sets *bcd when ":bcd" follows a byte or a word.
bool proto_selector(const char* text, const char* at, uint8_t* selector, bool* bcd) {
    int32_t k = 0;
    std::string word;
    if (scan(at, "bit#%d", &k) == 1) {
        if (!in_range(k, 1, 32)) {
            report_step_error(text, "The proto board supports only bits 1-32.");
            return false;
        }
        *selector = static_cast<uint8_t>(0x80 + k - 1);
        return true;
    }
    struct sized_form {
        const char* pattern;
        int32_t high;
        uint8_t base;
        const char* range_message;
    };
    static const sized_form forms[] = {
        {"byte#%d:%s", 4, 0x40, "The proto board supports only bytes 1-4."},
        {"word#%d:%s", 2, 0x00, "The proto board supports only words 1-2."},
    };
    for (const sized_form& form : forms) {
        int count = scan(at, form.pattern, &k, &word);
        if (count == 0) continue;
        if (count == 2) {
            if (word.compare(0, 3, "bcd") != 0) {
                report_step_error(text, "%s", PROTO_SYNTAX);
                return false;
            }
            *bcd = true;
        }
        if (!in_range(k, 1, form.high)) {
            report_step_error(text, "%s", form.range_message);
            return false;
        }
        *selector = static_cast<uint8_t>(form.base + k - 1);
        return true;
    }
    report_step_error(text, "%s", PROTO_SYNTAX);
    return false;
}

const operand_code* parse_proto(const char* text, const char* at, int32_t board, operand_code* out) {
    note_usage(KIND_PROTOTYPE_BOARD, board);
    if (!in_range(board, 1, 8)) {
        report_step_error(text, "IXO K400 VEP supports only prototype boards 1-8.");
        return failed(out);
    }
    const char* stop = at;
    while (*stop != '\0' && *stop != ':' && !is_blank(*stop)) ++stop;
    if (*stop != ':') {
        report_step_error(text, "%s", PROTO_SYNTAX);
        return failed(out);
    }
    uint8_t selector = 0;
    bool bcd = false;
    if (!proto_selector(text, stop + 1, &selector, &bcd)) return failed(out);
    return code3(out, 0xF8, static_cast<uint8_t>(board - 1 + (bcd ? 0x80 : 0)), selector);
}

// Analog inputs and outputs share one encoding: a short code for the first
// 64, the long form with the index for the rest.
const operand_code* analog_code(operand_code* out, int32_t n) {
    if (n <= 64) return code1(out, static_cast<uint8_t>(0x80 + n - 1));
    return code3(out, 0xF1, 0x00, static_cast<uint8_t>(n - 1));
}

// A literal: a run of digits, perhaps led by '-'. The whole run is read, so
// leading zeros never push significant digits out of view.
const operand_code* parse_literal(const char* text, const char* at, operand_code* out) {
    bool negative = at[0] == '-';
    const char* digits = negative ? at + 1 : at;
    if (!is_digit(*digits)) return nullptr;
    int64_t value = 0;
    const char* end = digits;
    bool too_large = false;
    for (; is_digit(*end); ++end) {
        value = value * 10 + (*end - '0');
        if (value > INT64_C(1) << 31) {
            too_large = true;
            value = INT64_C(1) << 31;
        }
    }
    if (negative) value = -value;
    if (too_large || value > INT32_MAX || value < INT32_MIN) {
        // Wrapping would turn the number into some other, valid-looking one.
        std::string written(at, end);
        report_step_error(text, "The number %s is outside -2147483648 to 2147483647.", written.c_str());
        return nullptr;
    }
    if (value >= 0 && value <= 0xFFFF)
        return code3(out, 0xF0, static_cast<uint8_t>(value & 0xFF), static_cast<uint8_t>(value >> 8));
    uint32_t bits = static_cast<uint32_t>(static_cast<int32_t>(value));
    out->bytes[0] = 5;
    out->bytes[1] = 0xF9;
    for (int i = 0; i < 4; ++i) out->bytes[2 + i] = static_cast<uint8_t>(bits >> (8 * i));
    return out;
}

// A resource that is one numbered word, coded in one byte from a base or,
// for the analog ones, as analog_code does.
struct numbered_form {
    const char* pattern;
    int kind;
    int32_t high;
    const char* range_message;
    bool analog;
};

constexpr numbered_form source_forms[] = {
    {"ain#%d", KIND_ANALOG_INPUT, 256, "IXO K400 VEP supports only analog inputs 1-256.", true},
    {"twhl#%d", KIND_THUMBWHEEL, 16, "IXO K400 VEP supports only thumbwheels 1-16.", false},
};

constexpr numbered_form destination_forms[] = {
    {"aout#%d", KIND_ANALOG_OUTPUT, 256, "IXOK400 VEP supports only analog outputs 1-256.", true},
    {"disp#%d", KIND_DIGITAL_DISPLAY, 16, "IXO K400 VEP supports only displays 1-16.", false},
};

// False when none of forms is written at `at`; else *code is the operand's
// code, or nullptr after the range message.
template <std::size_t N>
bool read_numbered(const char* text, const char* at, const numbered_form (&forms)[N], operand_code* out,
                   const operand_code** code) {
    for (const numbered_form& form : forms) {
        int32_t n = 0;
        if (scan(at, form.pattern, &n) != 1) continue;
        note_usage(form.kind, n);
        if (!in_range(n, 1, form.high)) {
            report_step_error(text, "%s", form.range_message);
            *code = nullptr;
        } else {
            *code = form.analog ? analog_code(out, n) : code1(out, static_cast<uint8_t>(opcode::THUMBWHEEL + n - 1));
        }
        return true;
    }
    return false;
}

}  // namespace

const operand_code* parse_data_source(const char* text, const char* operand, operand_code* buffer) {
    operand_code* out = buffer;
    if (!operand || !out) return nullptr;
    const char* at = skip_blanks(operand);
    operand_mark mark(at);
    int32_t n = 0;

    if (scan(at, "ctr#%d", &n) == 1) {
        note_usage(KIND_COUNTER, n);
        if (!in_range(n, 1, 8)) {
            report_step_error(text, "IXO K400 VEP supports only counters 1-8.");
            return failed(out);
        }
        return code1(out, static_cast<uint8_t>(n - 1));
    }
    if (scan(at, "reg#%d", &n) == 1) {
        note_usage(KIND_REGISTER, n);
        if (in_range(n, 1, 128)) return code1(out, static_cast<uint8_t>(n - 1));
        if (in_range(n, 129, 60000))
            return code3(out, 0xFB, static_cast<uint8_t>(n & 0xFF), static_cast<uint8_t>(n >> 8));
        report_step_error(text, "IXO K400 VEP supports only registers 1-60000.");
        return failed(out);
    }
    if (scan(at, "col#%d", &n) == 1) {
        note_usage(KIND_DATA_TABLE_COLUMN, n);
        const data_table* table = the_program.table;
        if (!table) {
            report_step_error(text, "Referenced data table does not exist.");
            return nullptr;
        }
        // A column below 1 is out of range as well: it would otherwise
        // encode as an analog input.
        if (n < 1 || n > table->columns) {
            report_step_error(text, "Data table column number out of range.");
            return failed(out);
        }
        if (n > 32) {
            report_step_error(text, "IXO K400 VEP supports only 32 data table columns.");
            return failed(out);
        }
        return code1(out, static_cast<uint8_t>(0xC0 + n - 1));
    }
    if (scan(at, "proto#%d", &n) == 1) return parse_proto(text, at, n, out);
    return nullptr;
}

namespace {

// What a source and a destination share: the operand marked for messages,
// the data sources, then forms; rest reads what is the caller's alone.
template <std::size_t N, typename Rest>
const operand_code* parse_operand(const char* text, const char* operand, operand_code* out,
                                  const numbered_form (&forms)[N], Rest rest) {
    if (!operand || !out) return nullptr;
    const char* at = skip_blanks(operand);
    operand_mark mark(at);
    if (const operand_code* data = parse_data_source(text, at, out)) return data->length() == 0 ? nullptr : data;
    const operand_code* code = nullptr;
    if (read_numbered(text, at, forms, out, &code)) return code;
    return rest(at);
}

}  // namespace

const operand_code* parse_source(const char* text, const char* operand, operand_code* buffer) {
    return parse_operand(text, operand, buffer, source_forms, [&](const char* at) -> const operand_code* {
        int32_t n = 0;
        char qualifier = 0;
        if (scan(at, "servo#%d:%c", &n, &qualifier) == 2) {
            note_usage(KIND_SERVO, n);
            if (!in_range(n, 1, 16)) {
                report_step_error(text, "IXO K400 VEP supports only servos 1-16.");
                return nullptr;
            }
            if (qualifier == 'p') return code3(buffer, opcode::SERVO_VALUE, static_cast<uint8_t>(n - 1), 0x00);
            if (qualifier == 'e') return code3(buffer, opcode::SERVO_VALUE, static_cast<uint8_t>(n - 1), 0xFF);
            report_step_error(text, "Syntax:  servo#<1-16>:<position | error>");
            return nullptr;
        }
        return parse_literal(text, at, buffer);
    });
}

const operand_code* parse_destination(const char* text, const char* operand, operand_code* buffer) {
    return parse_operand(text, operand, buffer, destination_forms, [](const char*) -> const operand_code* { return nullptr; });
}

namespace {

// The monitor elements with a ":" qualifier: a resource, its range and the
// two qualifier letters with the element values they stand for.
struct monitor_form {
    const char* pattern;
    int kind;
    int32_t high;
    const char* range_message;
    char first;
    uint16_t first_base;
    char second;
    uint16_t second_base;
    const char* qualifier_message;
};

const monitor_form monitor_forms[] = {
    {"flag#%d:%c", KIND_FLAG, 32, "IXO K400 VEP supports only flags 1-32.", 's', 0x60, 'c', 0x40,
     "Flags must be monitored for :set or :clear."},
    {"motor#%d:%c", KIND_STEPPER_MOTOR, 16, "IXO K400 VEP supports only stepper motors 1-16.", 'r', 0x20, 's',
     0x00, "Motors must be monitored for :running or :stoppedp->"},
    {"servo#%d:%c", KIND_SERVO, 16, "IXO K400 VEP supports only servos 1-16.", 'r', 0x30, 's', 0x10,
     "Servos must be monitored for :running or :stopped."},
};

// One element at the monitor cursor into *element; false after a report.
bool parse_monitor_element(const char* text, monitor_reading& reading, int index, uint16_t* element) {
    const char* at = reading.cursor;
    operand_mark mark(at);
    int32_t n = 0;
    char letter = 0;
    if (scan(at, "in#%d%c", &n, &letter) == 2) {
        note_usage(KIND_DIGITAL_INPUT, n);
        int32_t limit = digital_limit();
        if (!in_range(n, 1, limit)) {
            report_step_error(text, "IXO K400 VEP supports only digital inputs 1-%d.", static_cast<int>(limit));
            return false;
        }
        if (letter != 'a' && letter != 'b') {
            report_step_error(text, "Digital inputs must be either type A or type B.");
            return false;
        }
        uint16_t type_a = wide_numbering() ? 0x8000 : 0x80;
        *element = static_cast<uint16_t>(n - 1 + (letter == 'a' ? type_a : 0));
        reading.input_mask = static_cast<uint16_t>(reading.input_mask | (1u << index));
        return true;
    }
    for (const monitor_form& form : monitor_forms) {
        if (scan(at, form.pattern, &n, &letter) != 2) continue;
        note_usage(form.kind, n);
        if (!in_range(n, 1, form.high)) {
            report_step_error(text, "%s", form.range_message);
            return false;
        }
        if (letter == form.first) {
            *element = static_cast<uint16_t>(form.first_base + n - 1);
        } else if (letter == form.second) {
            *element = static_cast<uint16_t>(form.second_base + n - 1);
        } else {
            report_step_error(text, "%s", form.qualifier_message);
            return false;
        }
        return true;
    }
    report_step_error(text, "Syntax:  monitor ([n]<and|or|xor> <input|flag|motor|servo>*) goto ...");
    // The rest of the instruction, as a second entry, so the listing shows
    // where reading stopped.
    report_step_error(text, "%s", at);
    return false;
}

}  // namespace

int parse_monitor_list(const char* text, monitor_reading& reading, uint16_t* elements, int index, int room) {
    if (!reading.cursor || !elements) return -1;
    uint16_t negation = 0;
    if (*reading.cursor == 'n') {
        negation = 0x40;
        ++reading.cursor;
    }
    uint16_t op = 0;
    if (std::strncmp(reading.cursor, "and", 3) == 0)
        op = 0x80;
    else if (std::strncmp(reading.cursor, "xor", 3) == 0)
        op = 0xA0;
    else if (std::strncmp(reading.cursor, "or", 2) == 0)
        op = 0x90;
    else {
        report_step_error(text, "Syntax:  monitor ([n]<and|or|xor> ...)");
        return -1;
    }
    int count = 1;  // the operator element itself
    int operands = 0;
    reading.cursor = next_token(reading.cursor);

    while (*reading.cursor != ')' && *reading.cursor != '\0') {
        // The array bound is checked as well, in case a caller passes more
        // room than the array has left.
        if (count >= room || index >= MONITOR_ELEMENTS - 1) {
            report_step_error(text, "The monitor boolean instruction can handle only 16 elements.");
            return -1;
        }
        if (*reading.cursor == '(') {
            reading.cursor = next_token(reading.cursor);
            int nested = parse_monitor_list(text, reading, elements, index, room - count);
            if (nested < 0) return -1;
            index += nested;
            count += nested;
        } else {
            if (!parse_monitor_element(text, reading, index, &elements[index])) return -1;
            ++index;
            ++count;
        }
        ++operands;
        reading.cursor = next_token(reading.cursor);
    }

    if (operands < 2) {
        report_step_error(text, "Each logical functions requires at least two operands.");
        return -1;
    }
    elements[index] = static_cast<uint16_t>(op + negation + (operands & 0x0F));
    return count;
}

}  // namespace px
