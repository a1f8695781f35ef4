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
#include "steps/flow_table.h"
#include "steps/frame.h"
#include "steps/goto_destination.h"
#include "steps/opcodes.h"
#include "steps/operands.h"
#include "steps/scan.h"
#include "steps/syntax_table.h"

namespace px {

namespace {

constexpr const char* DO_SYNTAX = syntax::DO;
constexpr const char* DELAY_TWHL_SYNTAX = syntax::DELAY_THUMBWHEEL;
constexpr const char* DELAY_LITERAL_SYNTAX = syntax::DELAY_LITERAL;
constexpr const char* DELAY_SOURCE_SYNTAX = syntax::DELAY_SOURCE;

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
    const numbered_form& wheel = source_form_of_kind(KIND_THUMBWHEEL);
    note_usage(f, wheel.kind, number);
    if (number < 1 || number > wheel.high) {
        report_at(f, skip_blanks(cursor), "%s", wheel.range_message);
        return;
    }
    cursor = next_token(cursor);
    const delay_unit* format = nullptr;
    for (const delay_unit& unit : DELAY_UNITS) {
        if (starts_with(cursor, unit.format)) {
            format = &unit;
            break;
        }
    }
    if (!format) {
        report(f, "%s", DELAY_TWHL_SYNTAX);
        return;
    }
    auto dest = goto_destination(f, cursor + std::strlen(format->format));
    if (!dest) return;
    f.append(form_opcode(opcode::DELAY_TWHL | format->field, *dest));
    append_destination(f, *dest);
    f.append(static_cast<uint8_t>(opcode::THUMBWHEEL + number - 1));
}

// The literal unit a word names: of those whose selecting characters it
// begins with, the one that selects by the most ("ms" before "min").
int literal_unit(const char* word) {
    int found = -1;
    for (int u = 0; u < DELAY_LITERAL_UNIT_COUNT; ++u) {
        const delay_literal_unit& unit = DELAY_LITERAL_UNITS[u];
        if (std::strncmp(word, unit.word, unit.selecting) == 0 &&
            (found < 0 || unit.selecting > DELAY_LITERAL_UNITS[found].selecting))
            found = u;
    }
    return found;
}

void delay_literal(instruction_frame& f, const char* cursor) {
    // Sums of what was written, by unit, wide enough that no run of numbers
    // overflows.
    int64_t sums[DELAY_LITERAL_UNIT_COUNT] = {};
    int32_t number = 0;
    while (scan(cursor, "%d", &number) == 1) {
        cursor = next_token(cursor);
        int unit = literal_unit(cursor);
        if (unit >= 0)
            sums[unit] += number / DELAY_LITERAL_UNITS[unit].written_per_unit;
        else
            report(f, "%s", DELAY_LITERAL_SYNTAX);
        cursor = next_token(cursor);
    }

    for (int64_t sum : sums) {
        if (sum > DELAY_VALUE_MAX) {
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

    // The finest unit written decides the pair, the one whose second unit it
    // is, unless it is minutes or hours; the coarser ones fold into A.
    int pair = PAIR_HOURS_MINUTES;
    for (int finer = PAIR_SECONDS_HUNDREDTHS; finer > PAIR_HOURS_MINUTES; --finer) {
        if (sums[finer + 1] != 0) {
            pair = finer;
            break;
        }
    }
    int64_t a = 0;
    for (int unit = 0; unit <= pair; ++unit) a = a * DELAY_PER_COARSER + sums[unit];
    int64_t b = sums[pair + 1];
    if (pair == PAIR_HOURS_MINUTES && a == 0 && b == 0) {
        report(f, "The delay instruction expects a positive value.");
        return;
    }
    if (a > DELAY_VALUE_MAX) {
        report(f, "Literal granularity error in delay values (spread too wide).");
        return;
    }
    f.append(form_opcode(opcode::DELAY_LITERAL | DELAY_UNITS[pair].field, *dest));
    append_destination(f, *dest);
    f.append(static_cast<uint8_t>(a));
    f.append(static_cast<uint8_t>(b));
}

// The unit word of a data source at cursor, or -1; the cursor is moved over
// a suffix the tokens would split.
int source_unit(const char*& cursor) {
    if (cursor[0] == DELAY_MINUTES_WORD[0]) return PAIR_HOURS_MINUTES;
    if (cursor[0] != DELAY_SECONDS_WORD[0]) return -1;
    // "sec/100": the '/' is a token of its own, so step over it by hand.
    if (std::strlen(cursor) >= DELAY_HUNDREDTHS_WORD.size() &&
        starts_with(cursor + DELAY_SECONDS_WORD.size(), DELAY_HUNDREDTHS_SUFFIX)) {
        cursor += std::strlen(DELAY_HUNDREDTHS_SUFFIX);
        return PAIR_SECONDS_HUNDREDTHS;
    }
    return PAIR_MINUTES_SECONDS;
}

void delay_source(instruction_frame& f, const char* cursor) {
    operand_code buffer{};
    const operand_code* source = parse_source(f, cursor, &buffer);
    if (!source) {
        report(f, "%s", DELAY_SOURCE_SYNTAX);
        return;
    }
    // The controller takes one code byte.
    uint8_t code = source->code()[0];
    if (code >= DELAY_SOURCE_END) {
        report(f, "Delay source limited to twhl, ctr, ain, col, or literal.");
        return;
    }
    cursor = next_token(cursor);
    int unit = source_unit(cursor);
    if (unit < 0) {
        report(f, "%s", DELAY_SOURCE_SYNTAX);
        return;
    }
    cursor = next_token(cursor);
    auto dest = goto_destination(f, cursor);
    if (!dest) return;
    f.append(form_opcode(opcode::DELAY_SOURCE | DELAY_UNITS[unit].field, *dest));
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
    if (!starts_with(cursor, CANCEL_WORDS)) report(f, "%s", syntax::CANCEL);
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
    int32_t repeat = DO_ONCE;
    int32_t number = 0;
    if (scan(cursor, "%d", &number) == 1) {
        // One is taken too, although the message offers 2-99.
        cursor = next_token(cursor);
        if (number < DO_ONCE || number > MAX_REPEAT || !starts_with(cursor, DO_REPEAT_WORD)) {
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
    if (scan_numbered(skip_blanks(cursor), source_form_of_kind(KIND_THUMBWHEEL).word, &number))
        delay_thumbwheel(f, cursor, number);
    else if (scan(cursor, "%d", &number) == 1)
        delay_literal(f, cursor);
    else
        delay_source(f, cursor);
}

}  // namespace px
