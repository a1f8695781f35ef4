// Flow and timing: "goto", "stop goto", "do", "done", "cancel other tasks"
// and the three forms of "delay".
//
// Every instruction checks all it can before it appends, so a failed one
// leaves nothing behind; "cancel" (whose opcode goes first) and the do/done
// mark are the two exceptions the controller's format forces on us.
#include <cstdint>
#include <cstring>
#include <string>

#include "driver/build_state.h"
#include "driver/diagnostics.h"
#include "driver/helpers.h"
#include "driver/xref.h"
#include "steps/encoding.h"
#include "steps/families.h"
#include "steps/frame.h"
#include "steps/goto_destination.h"
#include "steps/opcodes.h"
#include "steps/operands.h"
#include "steps/scan.h"

namespace px {

namespace {

constexpr const char* DO_SYNTAX = "Syntax:  do (labels [step-numbers] ...) [ <2-99> times ] goto ...";
constexpr const char* DELAY_TWHL_SYNTAX = "Syntax:  delay twhl#<1-16> < hhmm | mmss | ssff > goto ...";
constexpr const char* DELAY_LITERAL_SYNTAX = "Syntax:  delay # hr # min # sec # ms goto ...";
constexpr const char* DELAY_SOURCE_SYNTAX = "Syntax:  delay <data source> <min | sec | sec/100> goto ...";

constexpr int MAX_TASKS = 8;

// Delay opcodes: bits 0-2 the form, bits 3-4 the unit or format.
constexpr uint8_t DELAY_TWHL = opcode::DELAY_TWHL;
constexpr uint8_t DELAY_LITERAL = opcode::DELAY_LITERAL;
constexpr uint8_t DELAY_SOURCE = opcode::DELAY_SOURCE;
constexpr uint8_t UNIT_HOURS_MINUTES = opcode::DELAY_HOURS_MINUTES;  // also "min" for a data source
constexpr uint8_t UNIT_MINUTES_SECONDS = opcode::DELAY_MINUTES_SECONDS;  // also "sec"
constexpr uint8_t UNIT_SECONDS_HUNDREDTHS = opcode::DELAY_SECONDS_HUNDREDTHS;  // also "sec/100"

struct thumbwheel_format {
    const char* word;
    uint8_t field;
};

// How the controller reads the thumbwheel's four digits.
constexpr thumbwheel_format thumbwheel_formats[] = {
    {"hhmm", UNIT_HOURS_MINUTES},
    {"mmss", UNIT_MINUTES_SECONDS},
    {"ssff", UNIT_SECONDS_HUNDREDTHS},
};

// A task word ends where a label would, except that "[12]" stays one word.
const char* task_word_end(const char* cursor) {
    while (!is_name_delimiter(*cursor) || *cursor == '[' || *cursor == ']') ++cursor;
    return cursor;
}

// Resolves one task word as the destination of a goto clause. Reports its
// own failures, at the word. A word is cut at the length the frame's
// buffers allow.
std::optional<destination> resolve_task(instruction_frame& f, const char* word, const char* word_end) {
    std::size_t length = static_cast<std::size_t>(word_end - word);
    constexpr std::size_t room = STEP_CODE_BUFFER + 2;
    std::string task(word, length > room ? room : length);
    return resolve_destination(f, task.c_str(), word);
}

// --- delay -----------------------------------------------------------------

void delay_thumbwheel(instruction_frame& f, const char* cursor, int32_t number) {
    note_usage(KIND_THUMBWHEEL, number);
    if (number < 1 || number > 16) {
        report_at(f, skip_blanks(cursor), "IXO K400 VEP supports only thumbwheels 1-16.");
        return;
    }
    cursor = next_token(cursor);
    const thumbwheel_format* format = nullptr;
    for (const thumbwheel_format& f : thumbwheel_formats) {
        if (starts_with(cursor, f.word)) {
            format = &f;
            break;
        }
    }
    if (!format) {
        report(f, "%s", DELAY_TWHL_SYNTAX);
        return;
    }
    auto dest = goto_destination(f, cursor + 4);
    if (!dest) return;
    f.append(form_opcode(DELAY_TWHL | format->field, *dest));
    append_destination(f, *dest);
    f.append(static_cast<uint8_t>(0xE0 + number - 1));
}

void delay_literal(instruction_frame& f, const char* cursor) {
    // Sums of what was written, wide enough that no run of numbers overflows.
    int64_t hours = 0, minutes = 0, seconds = 0, hundredths = 0;
    int32_t number = 0;
    while (scan(cursor, "%d", &number) == 1) {
        cursor = next_token(cursor);
        if (cursor[0] == 'h')
            hours += number;
        else if (cursor[0] == 'm' && cursor[1] == 's')
            hundredths += number / 10;  // milliseconds, kept to tens
        else if (cursor[0] == 'm')
            minutes += number;
        else if (cursor[0] == 's')
            seconds += number;
        else
            report(f, "%s", DELAY_LITERAL_SYNTAX);
        cursor = next_token(cursor);
    }

    const int64_t sums[] = {hours, minutes, seconds, hundredths};
    for (int64_t sum : sums) {
        if (sum > 255) {
            report(f, "Each delay value must be less than 256.");
            return;
        }
    }
    // A negative number would reach the controller as a huge byte value.
    for (int64_t sum : sums) {
        if (sum < 0) {
            report(f, "The delay instruction expects a positive value.");
            return;
        }
    }

    auto dest = goto_destination(f, cursor);
    if (!dest) return;

    // The finest unit written decides the pair; the coarser ones fold into A.
    int64_t a, b;
    uint8_t granularity;
    if (hundredths != 0) {
        a = hours * 3600 + minutes * 60 + seconds;
        b = hundredths;
        granularity = UNIT_SECONDS_HUNDREDTHS;
    } else if (seconds != 0) {
        a = hours * 60 + minutes;
        b = seconds;
        granularity = UNIT_MINUTES_SECONDS;
    } else {
        a = hours;
        b = minutes;
        granularity = UNIT_HOURS_MINUTES;
        if (a == 0 && b == 0) {
            report(f, "The delay instruction expects a positive value.");
            return;
        }
    }
    if (a > 255) {
        report(f, "Literal granularity error in delay values (spread too wide).");
        return;
    }
    f.append(form_opcode(DELAY_LITERAL | granularity, *dest));
    append_destination(f, *dest);
    f.append(static_cast<uint8_t>(a));
    f.append(static_cast<uint8_t>(b));
}

void delay_source(instruction_frame& f, const char* cursor) {
    operand_code buffer{};
    const operand_code* source = parse_source(f, cursor, &buffer);
    if (!source) {
        report(f, "%s", DELAY_SOURCE_SYNTAX);
        return;
    }
    // The controller takes one code byte; thumbwheels and literals have
    // forms of their own, everything at E0 and above is longer.
    uint8_t code = source->code()[0];
    if (code >= 0xE0) {
        report(f, "Delay source limited to twhl, ctr, ain, col, or literal.");
        return;
    }
    cursor = next_token(cursor);
    uint8_t unit;
    if (cursor[0] == 'm') {
        unit = UNIT_HOURS_MINUTES;
    } else if (cursor[0] == 's') {
        unit = UNIT_MINUTES_SECONDS;
        // "sec/100": the '/' is a token of its own, so step over it by hand.
        if (std::strlen(cursor) >= 7 && std::strncmp(cursor + 3, "/100", 4) == 0) {
            unit = UNIT_SECONDS_HUNDREDTHS;
            cursor += 4;
        }
    } else {
        report(f, "%s", DELAY_SOURCE_SYNTAX);
        return;
    }
    cursor = next_token(cursor);
    auto dest = goto_destination(f, cursor);
    if (!dest) return;
    f.append(form_opcode(DELAY_SOURCE | unit, *dest));
    append_destination(f, *dest);
    f.append(code);
}

}  // namespace

void compile_goto(instruction_frame& f, const char*) {
    // The keyword itself is the clause's "goto".
    auto dest = goto_destination(f, f.working);
    if (!dest) return;
    f.append(dest->kind);
    append_destination(f, *dest);
}

void compile_stop_goto(instruction_frame& f, const char* cursor) {
    auto dest = goto_destination(f, cursor);
    if (!dest) return;
    f.append(form_opcode(opcode::STOP_GOTO, *dest));
    append_destination(f, *dest);
}

void compile_done(instruction_frame& f, const char*) {
    f.append(opcode::DONE);
    do_done_mark = true;
}

void compile_cancel(instruction_frame& f, const char* cursor) {
    f.append(opcode::CANCEL);
    if (!starts_with(cursor, "other tasks")) report(f, "Syntax:  cancel other tasks");
}

void compile_do(instruction_frame& f, const char* cursor) {
    do_done_mark = true;

    cursor = skip_blanks(cursor);
    if (*cursor != '(') {
        report(f, "%s", DO_SYNTAX);
        return;
    }
    cursor = skip_blanks(cursor + 1);
    const char* list_end = std::strchr(cursor, ')');
    if (!list_end) {
        report(f, "%s", DO_SYNTAX);
        return;
    }

    uint32_t tasks[MAX_TASKS];
    int count = 0;
    while (count < MAX_TASKS && cursor < list_end) {
        auto dest = resolve_task(f, cursor, task_word_end(cursor));
        if (dest && dest->kind == DEST_NEXT)
            report(f, "The \"do\" instruction does not allow \"next\" as task.");
        else if (dest)
            tasks[count++] = dest->index;
        cursor = next_token(cursor);
    }
    if (count == 0) {
        report(f, "Failed to find any targets for the do instruction.");
        return;
    }
    if (cursor < list_end) report(f, "Too many tasks to \"do\" (first 8 compiled).");

    cursor = skip_blanks(list_end + 1);
    int32_t repeat = 1;
    int32_t number = 0;
    if (scan(cursor, "%d", &number) == 1) {
        // One is taken too, although the message offers 2-99.
        cursor = next_token(cursor);
        if (number < 1 || number > 99 || !starts_with(cursor, "times")) {
            report(f, "%s", DO_SYNTAX);
            return;
        }
        cursor = next_token(cursor);
        repeat = number;
    }

    auto dest = goto_destination(f, cursor);
    if (!dest) return;
    f.append(static_cast<uint8_t>(form_opcode(opcode::DO, *dest) + count - 1));
    f.append(static_cast<uint8_t>(opcode::DO_REPEAT + repeat));
    append_destination(f, *dest);
    for (int i = 0; i < count; ++i) append_step_index(f, tasks[i]);
}

void compile_delay(instruction_frame& f, const char* cursor) {
    int32_t number = 0;
    if (scan(cursor, " twhl#%d", &number) == 1)
        delay_thumbwheel(f, cursor, number);
    else if (scan(cursor, "%d", &number) == 1)
        delay_literal(f, cursor);
    else
        delay_source(f, cursor);
}

}  // namespace px
