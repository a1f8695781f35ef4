// Flag and counter instructions: "set", "clear", "shift", "rotate" change
// flags; "count", "enable", "disable", "reset" and "start" drive the eight
// counters. Every counter opcode is 40 + 8 x (counter - 1) + operation, so
// the simple counter instructions share one table-driven routine.
#include <cctype>
#include <cstdint>
#include <cstring>

#include "driver/build_state.h"
#include "driver/diagnostics.h"
#include "driver/xref.h"
#include "files/model_limits.h"
#include "steps/encoding.h"
#include "steps/families.h"
#include "steps/frame.h"
#include "steps/opcodes.h"
#include "steps/scan.h"

namespace px {

namespace {

constexpr int32_t FLAG_LIMIT = 32;
constexpr int32_t COUNTER_LIMIT = 8;
constexpr int32_t DEBOUNCE_LIMIT = opcode::DEBOUNCE_LIMIT;
constexpr uint8_t FLAG_OPCODE = opcode::FLAG;
constexpr uint8_t SHIFT_OPCODE = opcode::SHIFT;
constexpr uint8_t COUNTER_BASE = opcode::COUNTER;
constexpr uint8_t INACTIVE_CLAUSE = opcode::INACTIVE_CLAUSE;

const char* const FLAGS_RANGE = "IXO K400 VEP supports only flags 1-32.";
const char* const COUNTERS_RANGE = "IXO K400 VEP supports only counters 1-8.";
const char* const START_SYNTAX = "Syntax:  start ctr#<1-8> [up(in#?<A|B>)[:<1-250>ms]] [down()] [reset()]";
const char* const DEBOUNCE_RANGE = "Input debounce times range from 0 to 250 milliseconds.";

// Counter operations, bits 0-2 of every counter opcode.
enum counter_operation : uint8_t {
    CTR_START = 1,
    CTR_COUNT_UP = 2,
    CTR_COUNT_DOWN = 3,
    CTR_RESET = 4,
    CTR_ENABLE = 5,
    CTR_DISABLE = 6
};

uint8_t counter_opcode(counter_operation operation, int32_t counter) {
    return static_cast<uint8_t>(COUNTER_BASE + 8 * (counter - 1) + operation);
}

// Reads " ctr#%d", records it and tests its range. The syntax message is the
// caller's; the range message is the same for every counter instruction.
enum class operand_status { ok, syntax, range };

operand_status read_counter(instruction_frame& f, const char* cursor, int32_t* counter) {
    if (scan(cursor, " ctr#%d", counter) < 1) return operand_status::syntax;
    note_usage(KIND_COUNTER, *counter);
    if (*counter < 1 || *counter > COUNTER_LIMIT) {
        report_at(f, skip_blanks(cursor), "%s", COUNTERS_RANGE);
        return operand_status::range;
    }
    return operand_status::ok;
}

void compile_simple_counter(instruction_frame& f, const char* cursor, counter_operation operation,
                            const char* syntax) {
    int32_t counter = 0;
    operand_status status = read_counter(f, cursor, &counter);
    if (status == operand_status::syntax) report(f, "%s", syntax);
    if (status != operand_status::ok) return;
    f.append(counter_opcode(operation, counter));
}

// "shift" and "rotate" differ only in bit 5 of F and in their word.
void compile_flag_shift(instruction_frame& f, const char* cursor, const char* word, uint8_t rotate_bit) {
    int32_t first = 0;
    int32_t last = 0;
    uint8_t direction = 0;
    bool ok = scan(cursor, " flag#%d", &first) == 1;
    if (ok) {
        note_usage(KIND_FLAG, first);
        ok = first >= 1 && first <= FLAG_LIMIT - 1;
    }
    if (ok) {
        cursor = next_token(cursor);
        if (starts_with(cursor, "<<"))
            direction = 0x80;
        else
            ok = starts_with(cursor, ">>");
    }
    if (ok) {
        // Each angle bracket is a token of its own.
        cursor = next_token(next_token(cursor));
        ok = scan(cursor, " flag#%d", &last) == 1;
        if (ok) {
            note_usage(KIND_FLAG, last);
            ok = last >= 2 && last <= FLAG_LIMIT;
        }
    }
    if (!ok) {
        report(f, "Syntax:  %s flag#<1-31> \"<<\"|\">>\" flag#<2-32> <<1-32> times>", word);
        return;
    }
    if (first >= last) {
        report(f, "Semantics:  %s flag#X << flag#Y where X < Y", word);
        return;
    }
    f.append(SHIFT_OPCODE);
    f.append(static_cast<uint8_t>(direction | rotate_bit | (first - 1)));
    f.append(static_cast<uint8_t>(last - 1));

    cursor = next_token(cursor);
    if (!std::isdigit(static_cast<unsigned char>(*cursor))) {
        f.append(1);
        return;
    }
    int32_t positions = 0;
    scan(cursor, "%d", &positions);
    if (positions < 1 || positions > FLAG_LIMIT - 1) {
        // The first three bytes stay: the build has failed in any case.
        report(f, "You can only %s flags 1-31 positions.", word);
        return;
    }
    f.append(static_cast<uint8_t>(positions));
}

// One input clause of "start": debounce byte, then the input word.
struct counter_clause {
    int32_t debounce;  // INACTIVE_CLAUSE when the clause does not count
    uint16_t input;
};

void append_clause(instruction_frame& f, const counter_clause& clause) {
    f.append(static_cast<uint8_t>(clause.debounce));
    f.append(static_cast<uint8_t>(clause.input & 0xFF));
    if (wide_numbering()) f.append(static_cast<uint8_t>(clause.input >> 8));
}

// Tests a debounce time; a refused one counts as 0.
int32_t checked_debounce(instruction_frame& f, int32_t value) {
    if (value >= 0 && value <= DEBOUNCE_LIMIT) return value;
    report(f, "%s", DEBOUNCE_RANGE);
    return 0;
}

struct clause_form {
    char initial;
    const char* pattern;
};

// The clauses of "start", in the order their bytes are appended.
constexpr clause_form clause_forms[] = {
    {'u', "up ( in#%d%c:%d)"},
    {'d', "down ( in#%d%c:%d)"},
    {'r', "reset ( in#%d%c:%d)"},
};
constexpr int CLAUSE_COUNT = sizeof clause_forms / sizeof clause_forms[0];

// Reads the clause at cursor into clause. Returns where the walk goes on, or
// nullptr when the clause cannot be scanned (reported).
const char* read_clause(instruction_frame& f, const char* cursor, const char* pattern, counter_clause* clause) {
    int32_t input = 0;
    char type = 0;
    int32_t debounce = 0;
    int found = scan(cursor, pattern, &input, &type, &debounce);
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
    uint16_t type_mark = wide_numbering() ? 0x8000 : 0x80;
    uint16_t word = static_cast<uint16_t>(input - 1);
    if (type == 'a') {
        word = static_cast<uint16_t>(word | type_mark);
    } else if (type != 'b') {
        report(f, "Digital inputs must be either type A or type B.");
        active = false;
    }
    note_usage(KIND_DIGITAL_INPUT, input);

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
        clause->input = word;
    } else {
        clause->debounce = INACTIVE_CLAUSE;
        clause->input = 0;
    }
    return cursor;
}

}  // namespace

void compile_set(instruction_frame& f, const char* cursor) {
    f.append(FLAG_OPCODE);
    int32_t flag = 0;
    if (scan(cursor, " flag#%d", &flag) < 1) {
        report(f, "Syntax:  set flag#<1-32>");
        f.withdraw();
        return;
    }
    note_usage(KIND_FLAG, flag);
    if (flag < 1 || flag > FLAG_LIMIT) {
        report_at(f, skip_blanks(cursor), "%s", FLAGS_RANGE);
        f.withdraw();
        return;
    }
    f.append(static_cast<uint8_t>(0x80 + flag - 1));
}

void compile_clear(instruction_frame& f, const char* cursor) {
    int32_t flag = 0;
    if (scan(cursor, " flag#%d", &flag) < 1) {
        report(f, "Syntax:  clear flag#<1-32>");
        return;
    }
    note_usage(KIND_FLAG, flag);
    if (flag < 1 || flag > FLAG_LIMIT) {
        report_at(f, skip_blanks(cursor), "%s", FLAGS_RANGE);
        return;
    }
    f.append(FLAG_OPCODE);
    f.append(static_cast<uint8_t>(flag - 1));
}

void compile_shift(instruction_frame& f, const char* cursor) { compile_flag_shift(f, cursor, "shift", 0x00); }

void compile_rotate(instruction_frame& f, const char* cursor) { compile_flag_shift(f, cursor, "rotate", 0x20); }

void compile_count(instruction_frame& f, const char* cursor) {
    const char* const syntax = "Syntax:  count <up | down> ctr#<1-8>";
    counter_operation operation;
    if (starts_with(cursor, "up")) {
        operation = CTR_COUNT_UP;
        cursor += 2;
    } else if (starts_with(cursor, "down")) {
        operation = CTR_COUNT_DOWN;
        cursor += 4;
    } else {
        report(f, "%s", syntax);
        return;
    }
    compile_simple_counter(f, cursor, operation, syntax);
}

void compile_enable(instruction_frame& f, const char* cursor) {
    compile_simple_counter(f, cursor, CTR_ENABLE, "Syntax:  enable ctr#<1-8>");
}

void compile_disable(instruction_frame& f, const char* cursor) {
    compile_simple_counter(f, cursor, CTR_DISABLE, "Syntax:  disable ctr#<1-8>");
}

void compile_reset(instruction_frame& f, const char* cursor) {
    compile_simple_counter(f, cursor, CTR_RESET, "Syntax:  reset ctr#<1-8>");
}

void compile_start(instruction_frame& f, const char* cursor) {
    int32_t counter = 0;
    operand_status status = read_counter(f, cursor, &counter);
    if (status == operand_status::syntax) report(f, "%s", START_SYNTAX);
    if (status != operand_status::ok) return;

    counter_clause clauses[CLAUSE_COUNT];
    for (counter_clause& clause : clauses) clause = {INACTIVE_CLAUSE, 0};

    // The opcode goes first and stays even when a clause cannot be read.
    f.append(counter_opcode(CTR_START, counter));
    cursor = next_token(cursor);
    while (*cursor) {
        int form = 0;
        while (form < CLAUSE_COUNT && clause_forms[form].initial != *cursor) ++form;
        if (form == CLAUSE_COUNT) {
            ++cursor;
            continue;
        }
        // A clause written twice takes the values of its last writing.
        cursor = read_clause(f, cursor, clause_forms[form].pattern, &clauses[form]);
        if (!cursor) return;
    }
    for (const counter_clause& clause : clauses) append_clause(f, clause);
}

}  // namespace px
