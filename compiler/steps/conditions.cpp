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
#include "steps/condition_table.h"
#include "steps/encoding.h"
#include "steps/families.h"
#include "steps/frame.h"
#include "steps/goto_destination.h"
#include "steps/opcodes.h"
#include "steps/operands.h"
#include "steps/scan.h"
#include "steps/syntax_table.h"

namespace px {

namespace {

constexpr const char* IF_SYNTAX = syntax::IF;

void report_range(instruction_frame& f, const char* at, const char* noun, int32_t limit) {
    report_at(f, at, "IXO K400 VEP supports only %s 1-%d.", noun, limit);
}

// --- monitor of one resource -----------------------------------------------

// "word#n:state", or for an input "word#n" and its type letter; the letter
// is any character after the number (the working text ends in a blank).
bool scan_watch(const char* at, const watch_form& form, int32_t* number, char* letter) {
    if (form.qualified) return scan_qualified(at, form.word, number, letter) != nullptr;
    const char* end = scan_numbered(at, form.word, number);
    if (!end || *end == '\0') return false;
    *letter = *end;
    return true;
}

void monitor_one(instruction_frame& f, const char* cursor, const watch_form& form, int32_t number, char letter) {
    note_usage(f, form.kind, number);
    int32_t limit = watch_limit(form, wide_numbering());
    if (number < 1 || number > limit) {
        report_range(f, skip_blanks(cursor), form.noun, limit);
        return;
    }
    int state;
    if (letter == form.states[0][0])
        state = 0;
    else if (letter == form.states[1][0])
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
    if (form.operand == watch_operand::input) {
        // An input follows the destination; its first type is marked.
        append_destination(f, *dest);
        append_number(f, marked_index(index, state == 0, wide_numbering()));
    } else {
        f.append(static_cast<uint8_t>(index | form.operand_bits[state]));
        append_destination(f, *dest);
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

    int inputs = 0;
    for (int i = 0; i < count; ++i)
        if (mask & (1u << i)) ++inputs;

    auto dest = goto_destination(f, cursor);
    if (!dest) return;
    bool wide = wide_numbering();
    int length = monitor_expression_length(count, inputs, wide, dest->kind != DEST_NEXT);

    f.append(form_opcode(opcode::MONITOR_EXPRESSION, *dest));
    f.append(static_cast<uint8_t>(length));
    append_destination(f, *dest);
    f.append(static_cast<uint8_t>(mask));
    if (monitor_mask_bytes(count) == 2) f.append(static_cast<uint8_t>(mask >> 8));
    for (int i = 0; i < count; ++i) {
        // Only an input number can need a second byte.
        if (mask & (1u << i))
            append_number(f, elements[i]);
        else
            f.append(static_cast<uint8_t>(elements[i]));
    }
}

void append_flag_test(instruction_frame& f, const destination& dest, uint8_t flag_byte) {
    f.append(form_opcode(opcode::FLAG_TEST, dest));
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
    for (const comparison& c : COMPARISONS) {
        if (starts_with(cursor, c.spelling)) {
            found = &c;
            break;
        }
    }
    if (!found) {
        report(f, "%s", IF_SYNTAX);
        return;
    }
    // Each comparison character is a token of its own.
    cursor += std::strlen(found->spelling) - 1;
    cursor = next_token(cursor);

    const operand_code* s2 = parse_source(f, cursor, &second);
    if (!s2) {
        report(f, "%s", IF_SYNTAX);
        return;
    }

    int k = if_class(s1->length(), s2->length());
    cursor = next_token(cursor);
    auto dest = goto_destination(f, cursor);
    if (!dest) return;

    f.append(form_opcode(static_cast<uint8_t>(opcode::IF + k), *dest));
    f.append(found->code);
    append_destination(f, *dest);
    append_code(f, *s1);
    append_code(f, *s2);
}

void compile_monitor(instruction_frame& f, const char* cursor) {
    const char* at = skip_blanks(cursor);
    for (const watch_form& form : WATCH_FORMS) {
        int32_t number = 0;
        char letter = 0;
        if (scan_watch(at, form, &number, &letter)) {
            monitor_one(f, cursor, form, number, letter);
            return;
        }
    }
    if (*cursor == '(') {
        monitor_expression(f, cursor);
        return;
    }
    report(f, "%s", syntax::MONITOR);
}

void compile_testandset(instruction_frame& f, const char* cursor) {
    const watch_form& flag = watch_of_kind(KIND_FLAG);
    int32_t number = 0;
    if (!scan_numbered(skip_blanks(cursor), flag.word, &number)) {
        report(f, "%s", syntax::TESTANDSET);
        return;
    }
    note_usage(f, flag.kind, number);
    if (number < 1 || number > flag.high) {
        report_range(f, skip_blanks(cursor), flag.noun, flag.high);
        return;
    }
    cursor = next_token(cursor);
    auto dest = goto_destination(f, cursor);
    if (!dest) return;
    append_flag_test(f, *dest, static_cast<uint8_t>((number - 1) | FLAG_TEST_AND_SET));
}

}  // namespace px
