// Flag and counter instructions: "set", "clear", "shift", "rotate" change
// flags; "count", "enable", "disable", "reset" and "start" drive the eight
// counters. Every counter opcode names its counter and its operation
// (steps/counter_table.h), so the simple counter instructions share one
// table-driven routine.
#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>

#include "driver/build_state.h"
#include "driver/diagnostics.h"
#include "driver/xref.h"
#include "files/model_limits.h"
#include "steps/counter_table.h"
#include "steps/encoding.h"
#include "steps/families.h"
#include "steps/frame.h"
#include "steps/numbering.h"
#include "steps/opcodes.h"
#include "steps/scan.h"
#include "steps/syntax_table.h"

namespace px {

namespace {

const char* const DEBOUNCE_RANGE = "Input debounce times range from 0 to 250 milliseconds.";

// Reads "ctr#" and a number, records it and tests its range. The syntax
// message is the caller's; the range message is the same for every counter
// instruction.
enum class operand_status { ok, syntax, range };

operand_status read_counter(instruction_frame& f, const char* cursor, int32_t* counter) {
    if (!scan_numbered(skip_blanks(cursor), COUNTER_WORD, counter)) return operand_status::syntax;
    note_usage(f, KIND_COUNTER, *counter);
    if (*counter < 1 || *counter > COUNTERS) {
        report_at(f, skip_blanks(cursor), "%s", COUNTERS_RANGE);
        return operand_status::range;
    }
    return operand_status::ok;
}

void compile_simple_counter(instruction_frame& f, const char* cursor, const counter_operation& operation) {
    int32_t counter = 0;
    operand_status status = read_counter(f, cursor, &counter);
    if (status == operand_status::syntax) report(f, "%s", operation.syntax);
    if (status != operand_status::ok) return;
    f.append(counter_opcode(operation.code, counter));
}

// "shift" and "rotate" differ only in their bit of the shift byte and in
// their word.
void compile_flag_shift(instruction_frame& f, const char* cursor, const flag_shift& kind) {
    int32_t first = 0;
    int32_t last = 0;
    const shift_direction* direction = nullptr;
    bool ok = scan_numbered(skip_blanks(cursor), FLAG_WORD, &first) != nullptr;
    if (ok) {
        note_usage(f, KIND_FLAG, first);
        ok = first >= 1 && first <= FLAGS - 1;
    }
    if (ok) {
        cursor = next_token(cursor);
        for (const shift_direction& candidate : SHIFT_DIRECTIONS)
            if (!direction && starts_with(cursor, candidate.spelling)) direction = &candidate;
        ok = direction != nullptr;
    }
    if (ok) {
        // Each angle bracket is a token of its own.
        cursor = next_token(next_token(cursor));
        ok = scan_numbered(skip_blanks(cursor), FLAG_WORD, &last) != nullptr;
        if (ok) {
            note_usage(f, KIND_FLAG, last);
            ok = last >= 2 && last <= FLAGS;
        }
    }
    if (!ok) {
        report(f, syntax::FLAG_SHIFT, kind.word);
        return;
    }
    if (first >= last) {
        report(f, "Semantics:  %s flag#X << flag#Y where X < Y", kind.word);
        return;
    }
    f.append(opcode::SHIFT);
    f.append(static_cast<uint8_t>(direction->bit | kind.bit | (first - 1)));
    f.append(static_cast<uint8_t>(last - 1));

    cursor = next_token(cursor);
    if (!std::isdigit(static_cast<unsigned char>(*cursor))) {
        f.append(DEFAULT_SHIFT_POSITIONS);
        return;
    }
    int32_t positions = 0;
    scan(cursor, "%d", &positions);
    if (positions < 1 || positions > SHIFT_POSITIONS) {
        // The first three bytes stay: the build has failed in any case.
        report(f, "You can only %s flags 1-31 positions.", kind.word);
        return;
    }
    f.append(static_cast<uint8_t>(positions));
}

// One input clause of "start": debounce byte, then the input word.
struct counter_clause {
    int32_t debounce;  // opcode::INACTIVE_CLAUSE when the clause does not count
    uint16_t input;
};

void append_clause(instruction_frame& f, const counter_clause& clause) {
    f.append(static_cast<uint8_t>(clause.debounce));
    append_number(f, clause.input);
}

// Tests a debounce time; a refused one counts as 0.
int32_t checked_debounce(instruction_frame& f, int32_t value) {
    if (value >= 0 && value <= opcode::DEBOUNCE_LIMIT) return value;
    report(f, "%s", DEBOUNCE_RANGE);
    return 0;
}

// Reads the clause named `word` at cursor into clause. Returns where the walk
// goes on, or nullptr when the clause cannot be scanned (reported).
const char* read_clause(instruction_frame& f, const char* cursor, const char* word, counter_clause* clause) {
    const std::string pattern = std::string(word) + " ( " + INPUT_WORD + "#%d%c:%d)";
    int32_t input = 0;
    char type = 0;
    int32_t debounce = 0;
    int found = scan(cursor, pattern.c_str(), &input, &type, &debounce);
    if (found < 2) {
        report(f, "%s", START_SYNTAX);
        return nullptr;
    }
    clause->debounce = found == 3 ? checked_debounce(f, debounce) : 0;
    bool active = true;
    int32_t limit = digital_limit();
    if (input < 1 || input > limit) {
        report_at(f, operand_named(cursor, INPUT_WORD), "IXO K400 VEP supports only inputs 1-%d.", limit);
        active = false;
    }
    const bool type_a = type == INPUT_TYPES[0];
    if (!type_a && type != INPUT_TYPES[1]) {
        report(f, "Digital inputs must be either type A or type B.");
        active = false;
    }
    note_usage(f, KIND_DIGITAL_INPUT, input);

    // The debounce after a colon is read a second time on the way to the
    // closing parenthesis. A clause refused above stays inactive.
    while (*cursor && *cursor != ')') {
        if (*cursor++ != ':') continue;
        int32_t again = 0;
        if (scan(cursor, "%d", &again) == 1) {
            int32_t checked = checked_debounce(f, again);
            if (again == checked) clause->debounce = checked;
        }
    }
    if (*cursor == ')') ++cursor;

    if (active) {
        clause->input = marked_index(static_cast<uint32_t>(input - 1), type_a, wide_numbering());
    } else {
        clause->debounce = opcode::INACTIVE_CLAUSE;
        clause->input = 0;
    }
    return cursor;
}

}  // namespace

void compile_set(instruction_frame& f, const char* cursor) {
    f.append(opcode::FLAG);
    int32_t flag = 0;
    if (!scan_numbered(skip_blanks(cursor), FLAG_WORD, &flag)) {
        report(f, "%s", SET_FLAG.syntax);
        f.withdraw();
        return;
    }
    note_usage(f, KIND_FLAG, flag);
    if (flag < 1 || flag > FLAGS) {
        report_at(f, skip_blanks(cursor), "%s", FLAGS_RANGE);
        f.withdraw();
        return;
    }
    f.append(static_cast<uint8_t>(SET_FLAG.bit | (flag - 1)));
}

void compile_clear(instruction_frame& f, const char* cursor) {
    int32_t flag = 0;
    if (!scan_numbered(skip_blanks(cursor), FLAG_WORD, &flag)) {
        report(f, "%s", CLEAR_FLAG.syntax);
        return;
    }
    note_usage(f, KIND_FLAG, flag);
    if (flag < 1 || flag > FLAGS) {
        report_at(f, skip_blanks(cursor), "%s", FLAGS_RANGE);
        return;
    }
    f.append(opcode::FLAG);
    f.append(static_cast<uint8_t>(CLEAR_FLAG.bit | (flag - 1)));
}

void compile_shift(instruction_frame& f, const char* cursor) { compile_flag_shift(f, cursor, SHIFT_FLAGS); }

void compile_rotate(instruction_frame& f, const char* cursor) { compile_flag_shift(f, cursor, ROTATE_FLAGS); }

void compile_count(instruction_frame& f, const char* cursor) {
    for (counter_code code : {CTR_COUNT_UP, CTR_COUNT_DOWN}) {
        const counter_operation& operation = counter_operation_of(code);
        if (starts_with(cursor, operation.word)) {
            compile_simple_counter(f, cursor + std::strlen(operation.word), operation);
            return;
        }
    }
    report(f, "%s", COUNT_SYNTAX);
}

void compile_enable(instruction_frame& f, const char* cursor) {
    compile_simple_counter(f, cursor, counter_operation_of(CTR_ENABLE));
}

void compile_disable(instruction_frame& f, const char* cursor) {
    compile_simple_counter(f, cursor, counter_operation_of(CTR_DISABLE));
}

void compile_reset(instruction_frame& f, const char* cursor) {
    compile_simple_counter(f, cursor, counter_operation_of(CTR_RESET));
}

void compile_start(instruction_frame& f, const char* cursor) {
    int32_t counter = 0;
    operand_status status = read_counter(f, cursor, &counter);
    if (status == operand_status::syntax) report(f, "%s", START_SYNTAX);
    if (status != operand_status::ok) return;

    counter_clause clauses[START_CLAUSE_COUNT];
    for (counter_clause& clause : clauses) clause = {opcode::INACTIVE_CLAUSE, 0};

    // The opcode goes first and stays even when a clause cannot be read.
    f.append(counter_opcode(CTR_START, counter));
    cursor = next_token(cursor);
    while (*cursor) {
        int form = 0;
        while (form < START_CLAUSE_COUNT && START_CLAUSES[form][0] != *cursor) ++form;
        if (form == START_CLAUSE_COUNT) {
            ++cursor;
            continue;
        }
        // A clause written twice takes the values of its last writing.
        cursor = read_clause(f, cursor, START_CLAUSES[form], &clauses[form]);
        if (!cursor) return;
    }
    for (const counter_clause& clause : clauses) append_clause(f, clause);
}

}  // namespace px
