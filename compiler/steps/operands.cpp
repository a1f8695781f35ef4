// Resource operands. Each form is a word with "#" and a number, perhaps a
// ":" and a qualifier letter; each becomes an operand code the caller copies
// where its instruction wants it. A number is recorded for the
// cross-reference map as soon as it is read, so that out-of-range uses show
// up in the map next to the error that refuses them. Every failure is
// reported at the operand.
#include "steps/operands.h"

#include <climits>
#include <cstring>
#include <string>

#include "driver/build_state.h"
#include "driver/model.h"
#include "driver/xref.h"
#include "files/model_limits.h"
#include "steps/encoding.h"
#include "steps/numbering.h"
#include "steps/scan.h"
#include "steps/syntax_table.h"

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
// board number. Sets *bcd when ":bcd" follows a selector that may have it.
bool read_proto_selector(instruction_frame& f, const char* operand, const char* at, uint8_t* selector, bool* bcd) {
    for (const proto_selector& form : PROTO_SELECTORS) {
        int32_t k = 0;
        std::string word;
        std::string pattern = std::string(form.word) + (form.bcd ? "#%d:%s" : "#%d");
        int count = scan(at, pattern.c_str(), &k, &word);
        if (count == 0) continue;
        if (count == 2) {
            if (word.compare(0, std::strlen(PROTO_BCD_WORD), PROTO_BCD_WORD) != 0) {
                report_at(f, operand, "%s", PROTO_SYNTAX);
                return false;
            }
            *bcd = true;
        }
        if (!in_range(k, 1, form.count)) {
            report_at(f, operand, "%s", form.range_message);
            return false;
        }
        *selector = static_cast<uint8_t>(form.base + k - 1);
        return true;
    }
    report_at(f, operand, "%s", PROTO_SYNTAX);
    return false;
}

const operand_code* parse_proto(instruction_frame& f, const char* at, int32_t board, operand_code* out) {
    note_usage(f, KIND_PROTOTYPE_BOARD, board);
    if (!in_range(board, 1, PROTO_BOARDS)) {
        report_at(f, at, "IXO K400 VEP supports only prototype boards 1-8.");
        return failed(out);
    }
    const char* stop = at;
    while (*stop != '\0' && *stop != ':' && !is_blank(*stop)) ++stop;
    if (*stop != ':') {
        report_at(f, at, "%s", PROTO_SYNTAX);
        return failed(out);
    }
    uint8_t selector = 0;
    bool bcd = false;
    if (!read_proto_selector(f, at, stop + 1, &selector, &bcd)) return failed(out);
    return code3(out, opcode::PROTO, static_cast<uint8_t>(board - 1 + (bcd ? PROTO_BCD : 0)), selector);
}

// Analog inputs and outputs share one encoding: a short code for the first
// 64, the long form with the index for the rest.
const operand_code* analog_code(operand_code* out, int32_t n) {
    if (n <= SHORT_ANALOGS) return code1(out, static_cast<uint8_t>(opcode::ANALOG + n - 1));
    return code3(out, opcode::ANALOG_HIGH, 0x00, static_cast<uint8_t>(n - 1));
}

// A literal: a run of digits, perhaps led by '-'. The whole run is read, so
// leading zeros never push significant digits out of view.
const operand_code* parse_literal(instruction_frame& f, const char* at, operand_code* out) {
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
        report_at(f, at, "The number %s is outside -2147483648 to 2147483647.", written.c_str());
        return nullptr;
    }
    if (value >= 0 && value <= UINT16_MAX)
        return code3(out, opcode::LITERAL_16, static_cast<uint8_t>(value & 0xFF), static_cast<uint8_t>(value >> 8));
    uint32_t bits = static_cast<uint32_t>(static_cast<int32_t>(value));
    out->bytes[0] = 5;
    out->bytes[1] = opcode::LITERAL_32;
    for (int i = 0; i < 4; ++i) out->bytes[2 + i] = static_cast<uint8_t>(bits >> (8 * i));
    return out;
}

// False when none of forms is written at `at`; else *code is the operand's
// code, or nullptr after the range message.
template <std::size_t N>
bool read_numbered(instruction_frame& f, const char* at, const numbered_form (&forms)[N], operand_code* out,
                   const operand_code** code) {
    for (const numbered_form& form : forms) {
        int32_t n = 0;
        if (!scan_numbered(at, form.word, &n)) continue;
        note_usage(f, form.kind, n);
        if (!in_range(n, 1, form.high)) {
            report_at(f, at, "%s", form.range_message);
            *code = nullptr;
        } else {
            *code = form.analog ? analog_code(out, n) : code1(out, static_cast<uint8_t>(opcode::THUMBWHEEL + n - 1));
        }
        return true;
    }
    return false;
}

}  // namespace

const operand_code* parse_data_source(instruction_frame& f, const char* operand, operand_code* buffer) {
    operand_code* out = buffer;
    if (!operand || !out) return nullptr;
    const char* at = skip_blanks(operand);
    int32_t n = 0;

    if (scan_numbered(at, COUNTER_WORD, &n)) {
        note_usage(f, KIND_COUNTER, n);
        if (!in_range(n, 1, COUNTERS)) {
            report_at(f, at, "%s", COUNTERS_RANGE);
            return failed(out);
        }
        return code1(out, static_cast<uint8_t>(n - 1));
    }
    if (scan_numbered(at, REGISTER_WORD, &n)) {
        note_usage(f, KIND_REGISTER, n);
        if (in_range(n, 1, SHORT_REGISTERS)) return code1(out, static_cast<uint8_t>(n - 1));
        if (in_range(n, SHORT_REGISTERS + 1, REGISTERS))
            return code3(out, opcode::REGISTER_HIGH, static_cast<uint8_t>(n & 0xFF), static_cast<uint8_t>(n >> 8));
        report_at(f, at, "IXO K400 VEP supports only registers 1-60000.");
        return failed(out);
    }
    if (scan_numbered(at, COLUMN_WORD, &n)) {
        note_usage(f, KIND_DATA_TABLE_COLUMN, n);
        const data_table* table = the_program.table;
        if (!table) {
            report_at(f, at, "Referenced data table does not exist.");
            return nullptr;
        }
        // A column below 1 is out of range as well: it would otherwise
        // encode as an analog input.
        if (n < 1 || n > table->columns) {
            report_at(f, at, "Data table column number out of range.");
            return failed(out);
        }
        if (n > COLUMNS) {
            report_at(f, at, "IXO K400 VEP supports only 32 data table columns.");
            return failed(out);
        }
        return code1(out, static_cast<uint8_t>(opcode::COLUMN + n - 1));
    }
    if (scan_numbered(at, PROTO_WORD, &n)) return parse_proto(f, at, n, out);
    return nullptr;
}

namespace {

// What a source and a destination share: the data sources, then forms;
// rest reads what is the caller's alone.
template <std::size_t N, typename Rest>
const operand_code* parse_operand(instruction_frame& f, const char* operand, operand_code* out,
                                  const numbered_form (&forms)[N], Rest rest) {
    if (!operand || !out) return nullptr;
    const char* at = skip_blanks(operand);
    if (const operand_code* data = parse_data_source(f, at, out)) return data->length() == 0 ? nullptr : data;
    const operand_code* code = nullptr;
    if (read_numbered(f, at, forms, out, &code)) return code;
    return rest(at);
}

}  // namespace

const operand_code* parse_source(instruction_frame& f, const char* operand, operand_code* buffer) {
    return parse_operand(f, operand, buffer, SOURCE_FORMS, [&](const char* at) -> const operand_code* {
        int32_t n = 0;
        char qualifier = 0;
        if (scan_qualified(at, SERVO_WORD, &n, &qualifier)) {
            note_usage(f, KIND_SERVO, n);
            if (!in_range(n, 1, SERVOS)) {
                report_at(f, at, "%s", SERVOS_RANGE);
                return nullptr;
            }
            for (const servo_value& value : SERVO_VALUES)
                if (qualifier == value.word[0])
                    return code3(buffer, opcode::SERVO_VALUE, static_cast<uint8_t>(n - 1), value.code);
            report_at(f, at, "Syntax:  servo#<1-16>:<position | error>");
            return nullptr;
        }
        return parse_literal(f, at, buffer);
    });
}

const operand_code* parse_destination(instruction_frame& f, const char* operand, operand_code* buffer) {
    return parse_operand(f, operand, buffer, DESTINATION_FORMS,
                         [](const char*) -> const operand_code* { return nullptr; });
}

namespace {

// One element at the monitor cursor into *element; false after a report.
bool parse_monitor_element(instruction_frame& f, monitor_reading& reading, int index, uint16_t* element) {
    const char* at = reading.cursor;
    int32_t n = 0;
    char letter = 0;
    if (const char* end = scan_numbered(at, INPUT_WORD, &n); end && *end != '\0') {
        letter = *end;
        note_usage(f, KIND_DIGITAL_INPUT, n);
        int32_t limit = digital_limit();
        if (!in_range(n, 1, limit)) {
            report_at(f, at, "IXO K400 VEP supports only digital inputs 1-%d.", static_cast<int>(limit));
            return false;
        }
        if (letter != INPUT_TYPES[0] && letter != INPUT_TYPES[1]) {
            report_at(f, at, "Digital inputs must be either type A or type B.");
            return false;
        }
        *element = marked_index(static_cast<uint32_t>(n - 1), letter == INPUT_TYPES[0], wide_numbering());
        reading.input_mask = static_cast<uint16_t>(reading.input_mask | (1u << index));
        return true;
    }
    for (const monitor_form& form : MONITOR_FORMS) {
        if (!scan_qualified(at, form.word, &n, &letter)) continue;
        note_usage(f, form.kind, n);
        if (!in_range(n, 1, form.high)) {
            report_at(f, at, "%s", form.range_message);
            return false;
        }
        for (int state = 0; state < 2; ++state) {
            if (letter != form.states[state][0]) continue;
            *element = static_cast<uint16_t>(form.bases[state] + n - 1);
            return true;
        }
        report_at(f, at, "%s", form.state_message);
        return false;
    }
    report_at(f, at, "%s", syntax::MONITOR_ELEMENT);
    // The rest of the instruction, as a second entry, so the listing shows
    // where reading stopped.
    report_at(f, at, "%s", at);
    return false;
}

}  // namespace

int parse_monitor_list(instruction_frame& f, monitor_reading& reading, uint16_t* elements, int index, int room) {
    if (!reading.cursor || !elements) return -1;
    uint16_t negation = 0;
    if (*reading.cursor == 'n') {
        negation = MONITOR_NEGATED;
        ++reading.cursor;
    }
    const monitor_operator* op = nullptr;
    for (const monitor_operator& candidate : MONITOR_OPERATORS)
        if (starts_with(reading.cursor, candidate.word)) {
            op = &candidate;
            break;
        }
    if (!op) {
        report(f, "%s", syntax::MONITOR_LIST);
        return -1;
    }
    int count = 1;  // the operator element itself
    int operands = 0;
    reading.cursor = next_token(reading.cursor);

    while (*reading.cursor != ')' && *reading.cursor != '\0') {
        // The array bound is checked as well, in case a caller passes more
        // room than the array has left.
        if (count >= room || index >= MONITOR_ELEMENTS - 1) {
            report(f, "The monitor boolean instruction can handle only 16 elements.");
            return -1;
        }
        if (*reading.cursor == '(') {
            reading.cursor = next_token(reading.cursor);
            int nested = parse_monitor_list(f, reading, elements, index, room - count);
            if (nested < 0) return -1;
            index += nested;
            count += nested;
        } else {
            if (!parse_monitor_element(f, reading, index, &elements[index])) return -1;
            ++index;
            ++count;
        }
        ++operands;
        reading.cursor = next_token(reading.cursor);
    }

    if (operands < MONITOR_LEAST_OPERANDS) {
        report(f, "Each logical functions requires at least two operands.");
        return -1;
    }
    elements[index] = static_cast<uint16_t>(op->kind + negation + (operands & MONITOR_OPERAND_BITS));
    return count;
}

}  // namespace px
