// Conditional jumps: "if" over two data sources, "monitor" of one flag,
// input, motor or servo or of a boolean expression, and "testandset".
//
// Every one of them checks everything, the goto clause last, before it
// appends a byte, so a failed instruction leaves nothing in the step.
#include <cstdint>
#include <cstring>

#include "driver/build_state.h"
#include "driver/diagnostics.h"
#include "driver/xref.h"
#include "files/model_limits.h"
#include "steps/encoding.h"
#include "steps/families.h"
#include "steps/frame.h"
#include "steps/goto_destination.h"
#include "steps/opcodes.h"
#include "steps/operands.h"
#include "steps/scan.h"

namespace px {

namespace {

constexpr const char* IF_SYNTAX = "Syntax:  if <data source> <,<=,=,>=,> <data source> goto ...";

constexpr uint8_t FLAG_TEST = opcode::FLAG_TEST;
constexpr uint8_t FLAG_TEST_AND_SET = 0x20;  // in the flag byte

void report_range(instruction_frame& f, const char* at, const char* noun, int32_t limit) {
    report_at(f, at, "IXO K400 VEP supports only %s 1-%d.", noun, limit);
}

// --- if --------------------------------------------------------------------

struct comparison {
    const char* written;
    uint8_t code;
};

// Two-character comparisons first, so "<=" is not read as "<".
constexpr comparison comparisons[] = {
    {"<=", 5}, {"<>", 1}, {"<", 4}, {"=", 0}, {">=", 3}, {">", 2},
};

// --- monitor of one resource -----------------------------------------------

// One resource watched for one of two states. The state letter adds its bits
// either to the opcode (motors, servos) or to the operand (flags, inputs).
struct watch_form {
    const char* pattern;
    int kind;
    const char* noun;          // in the range message
    int32_t limit;             // 0: the model's digital input limit
    char letters[2];           // the two states, by first letter
    uint8_t opcode_bits[2];
    uint8_t operand_bits[2];   // on the operand's top byte
    uint8_t opcode;            // next-step form
    bool input_operand;        // one or two bytes, after the destination
    const char* state_message;
};

constexpr watch_form watch_forms[] = {
    {" flag#%d:%c", KIND_FLAG, "flags", 32, {'s', 'c'}, {0, 0}, {0x80, 0x40}, FLAG_TEST, false,
     "Syntax:  monitor flag#<1-32>:<clear|set> goto ..."},
    {" in#%d%c", KIND_DIGITAL_INPUT, "digital inputs", 0, {'a', 'b'}, {0, 0}, {0x80, 0x00}, opcode::MONITOR_INPUT, true,
     "Digital inputs must be either type A or type B."},
    {" motor#%d:%c", KIND_STEPPER_MOTOR, "motors", 16, {'r', 's'}, {opcode::RUNNING, 0}, {0, 0}, opcode::MONITOR_MOTOR, false,
     "Syntax:  monitor motor#<1-16>:<running|stopped> goto ..."},
    {" servo#%d:%c", KIND_SERVO, "servos", 16, {'r', 's'}, {opcode::RUNNING, 0}, {0, 0}, opcode::MONITOR_SERVO, false,
     "Syntax:  monitor servo#<1-16>:<running|stopped> goto ..."},
};

void monitor_one(instruction_frame& f, const char* cursor, const watch_form& form, int32_t number, char letter) {
    note_usage(form.kind, number);
    int32_t limit = form.limit ? form.limit : digital_limit();
    if (number < 1 || number > limit) {
        report_range(f, skip_blanks(cursor), form.noun, limit);
        return;
    }
    int state;
    if (letter == form.letters[0])
        state = 0;
    else if (letter == form.letters[1])
        state = 1;
    else {
        report(f, "%s", form.state_message);
        return;
    }
    cursor = next_token(cursor);
    auto dest = goto_destination(f, cursor);
    if (!dest) return;

    uint32_t index = static_cast<uint32_t>(number - 1);
    f.append(form_opcode(form.opcode | form.opcode_bits[state], *dest));
    if (!form.input_operand) {
        f.append(static_cast<uint8_t>(index | form.operand_bits[state]));
        append_destination(f, *dest);
    } else if (wide_numbering()) {
        append_destination(f, *dest);
        f.append(static_cast<uint8_t>(index & 0xFF));
        f.append(static_cast<uint8_t>((index >> 8) | form.operand_bits[state]));
    } else {
        append_destination(f, *dest);
        f.append(static_cast<uint8_t>(index | form.operand_bits[state]));
    }
}

// --- monitor of an expression ----------------------------------------------

void monitor_expression(instruction_frame& f, const char* cursor) {
    uint16_t elements[MONITOR_ELEMENTS] = {};
    monitor_reading reading{next_token(cursor), 0};
    int count = parse_monitor_list(f, reading, elements, 0, MONITOR_ELEMENTS);
    if (count < 1 || count > MONITOR_ELEMENTS) return;
    uint16_t mask = reading.input_mask;
    cursor = next_token(reading.cursor);

    bool wide = wide_numbering();
    int length = count < 9 ? count + 3 : count + 4;
    if (wide)
        for (int i = 0; i < count; ++i)
            if (mask & (1u << i)) ++length;

    auto dest = goto_destination(f, cursor);
    if (!dest) return;
    if (dest->kind != DEST_NEXT) length += wide ? 2 : 1;

    f.append(form_opcode(opcode::MONITOR_EXPRESSION, *dest));
    f.append(static_cast<uint8_t>(length));
    append_destination(f, *dest);
    f.append(static_cast<uint8_t>(mask & 0xFF));
    if (count > 8) f.append(static_cast<uint8_t>(mask >> 8));
    for (int i = 0; i < count; ++i) {
        f.append(static_cast<uint8_t>(elements[i] & 0xFF));
        // Only an input number can need a second byte.
        if (wide && (mask & (1u << i))) f.append(static_cast<uint8_t>(elements[i] >> 8));
    }
}

void append_flag_test(instruction_frame& f, const destination& dest, uint8_t flag_byte) {
    f.append(form_opcode(FLAG_TEST, dest));
    f.append(flag_byte);
    append_destination(f, dest);
}

}  // namespace

void compile_if(instruction_frame& f, const char* cursor) {
    operand_code first{}, second{};
    const operand_code* s1 = parse_source(f, cursor, &first);
    if (!s1) {
        report(f, "%s", IF_SYNTAX);
        return;
    }

    cursor = next_token(cursor);
    const comparison* found = nullptr;
    for (const comparison& c : comparisons) {
        if (std::strncmp(cursor, c.written, std::strlen(c.written)) == 0) {
            found = &c;
            break;
        }
    }
    if (!found) {
        report(f, "%s", IF_SYNTAX);
        return;
    }
    // Each comparison character is a token of its own.
    cursor += std::strlen(found->written) - 1;
    cursor = next_token(cursor);

    const operand_code* s2 = parse_source(f, cursor, &second);
    if (!s2) {
        report(f, "%s", IF_SYNTAX);
        return;
    }

    // k tells the controller the operands' total length: 2k + 2 bytes.
    int k = (s1->length() + s2->length()) / 2 - 1;
    cursor = next_token(cursor);
    auto dest = goto_destination(f, cursor);
    if (!dest) return;

    f.append(form_opcode(static_cast<uint8_t>(opcode::IF + k), *dest));
    f.append(found->code);
    append_destination(f, *dest);
    for (int i = 0; i < s1->length(); ++i) f.append(s1->code()[i]);
    for (int i = 0; i < s2->length(); ++i) f.append(s2->code()[i]);
}

void compile_monitor(instruction_frame& f, const char* cursor) {
    for (const watch_form& form : watch_forms) {
        int32_t number = 0;
        char letter = 0;
        if (scan(cursor, form.pattern, &number, &letter) == 2) {
            monitor_one(f, cursor, form, number, letter);
            return;
        }
    }
    if (*cursor == '(') {
        monitor_expression(f, cursor);
        return;
    }
    report(f, "Syntax:  monitor <flag | input | motor | servo | (expr)>");
}

void compile_testandset(instruction_frame& f, const char* cursor) {
    int32_t number = 0;
    if (scan(cursor, " flag#%d", &number) != 1) {
        report(f, "Syntax:  testandset flag#<1-32> goto ...");
        return;
    }
    note_usage(KIND_FLAG, number);
    if (number < 1 || number > 32) {
        report_range(f, skip_blanks(cursor), "flags", 32);
        return;
    }
    cursor = next_token(cursor);
    auto dest = goto_destination(f, cursor);
    if (!dest) return;
    append_flag_test(f, *dest, static_cast<uint8_t>((number - 1) | FLAG_TEST_AND_SET));
}

}  // namespace px
