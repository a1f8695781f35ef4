// "store": copies a source to a destination, or combines two sources with
// one of fourteen operators first. The opcode carries j, derived from the
// operands' code lengths, so the controller knows where each operand ends.
#include <cstdint>
#include <cstring>

#include "driver/diagnostics.h"
#include "steps/encoding.h"
#include "steps/families.h"
#include "steps/frame.h"
#include "steps/opcodes.h"
#include "steps/operands.h"

namespace px {

namespace {

constexpr uint8_t STORE_COPY = opcode::STORE_COPY;
constexpr uint8_t STORE_OPERATOR = opcode::STORE_OPERATOR;

const char* const STORE_SYNTAX = "Syntax:  store <source> [<+-/%[n]<and|or|xor>ror|rol> <source>] to <dest>";

struct store_operator {
    const char* spelling;  // the characters that select it, from the first
    uint8_t op;
};

// Tried in order, the first spelling the text begins with wins, so a longer
// spelling comes before any shorter one it begins with. Words need only
// their selecting characters: "and", "a" and "also" are all "and".
constexpr store_operator store_operators[] = {
    {"+", 0},  {"-", 1},       {"*", 2},  {"/", 3},   {"&~", 10}, {"&", 4},   {"andnot", 10},
    {"a", 4},  {"|", 5},       {"o", 5},  {"^", 6},   {"x", 6},   {"na", 7},  {"no", 8},
    {"nx", 9}, {"%", 11},      {"m", 11}, {"ror", 12}, {"rol", 13},
};

// The operator at cursor, or nullptr. *after is the cursor on the second
// source: an operator character is a token of its own, a word is stepped
// over whole.
const store_operator* read_operator(const char* cursor, const char** after) {
    for (const store_operator& candidate : store_operators) {
        if (!starts_with(cursor, candidate.spelling)) continue;
        *after = next_token(cursor + std::strlen(candidate.spelling) - 1);
        return &candidate;
    }
    return nullptr;
}

}  // namespace

void compile_store(const char* text, const char* cursor) {
    operand_code first = {};
    if (!parse_source(text, cursor, &first)) {
        report_step_error(text, "%s", STORE_SYNTAX);
        return;
    }
    cursor = next_token(cursor);

    const store_operator* op = nullptr;
    operand_code second = {};
    if (!starts_with(cursor, "to")) {
        op = read_operator(cursor, &cursor);
        if (!op || !parse_source(text, cursor, &second)) {
            report_step_error(text, "%s", STORE_SYNTAX);
            return;
        }
        cursor = next_token(cursor);
        if (!starts_with(cursor, "to")) {
            report_step_error(text, "%s", STORE_SYNTAX);
            return;
        }
    }
    cursor = next_token(cursor);
    operand_code destination = {};
    if (!parse_destination(text, cursor, &destination)) {
        report_step_error(text, "%s", STORE_SYNTAX);
        return;
    }

    if (op) {
        int j = (first.length() + second.length() + destination.length() - 1) / 2 - 1;
        append_byte(static_cast<uint8_t>(STORE_OPERATOR + j));
        append_byte(op->op);
        append_code(first);
        append_code(second);
    } else {
        int j = (first.length() + destination.length() + 1) / 2 - 1;
        append_byte(static_cast<uint8_t>(STORE_COPY + j));
        append_code(first);
    }
    append_code(destination);
}

}  // namespace px
