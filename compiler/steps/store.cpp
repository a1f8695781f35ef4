// "store": copies a source to a destination, or combines two sources with
// one of fourteen operators first (steps/store_table.h).
#include <cstdint>
#include <cstring>

#include "steps/encoding.h"
#include "steps/families.h"
#include "steps/store_table.h"
#include "steps/syntax_table.h"

namespace px {

namespace {

const char* const STORE_SYNTAX = syntax::STORE;

// The operator at cursor, or nullptr. *after is the cursor on the second
// source: an operator character is a token of its own, a word is stepped
// over whole.
const store_operator* read_operator(const char* cursor, const char** after) {
    for (const store_operator& candidate : STORE_OPERATORS) {
        if (!starts_with(cursor, candidate.spelling)) continue;
        *after = next_token(cursor + std::strlen(candidate.spelling) - 1);
        return &candidate;
    }
    return nullptr;
}

}  // namespace

void compile_store(instruction_frame& f, const char* cursor) {
    operand_code first = {};
    if (!parse_source(f, cursor, &first)) {
        report(f, "%s", STORE_SYNTAX);
        return;
    }
    cursor = next_token(cursor);

    const store_operator* op = nullptr;
    operand_code second = {};
    if (!starts_with(cursor, "to")) {
        op = read_operator(cursor, &cursor);
        if (!op || !parse_source(f, cursor, &second)) {
            report(f, "%s", STORE_SYNTAX);
            return;
        }
        cursor = next_token(cursor);
        if (!starts_with(cursor, "to")) {
            report(f, "%s", STORE_SYNTAX);
            return;
        }
    }
    cursor = next_token(cursor);
    operand_code destination = {};
    if (!parse_destination(f, cursor, &destination)) {
        report(f, "%s", STORE_SYNTAX);
        return;
    }

    if (op) {
        int j = operator_class(first.length(), second.length(), destination.length());
        f.append(static_cast<uint8_t>(opcode::STORE_OPERATOR + j));
        f.append(op->code);
        append_code(f, first);
        append_code(f, second);
    } else {
        int j = copy_class(first.length(), destination.length());
        f.append(static_cast<uint8_t>(opcode::STORE_COPY + j));
        append_code(f, first);
    }
    append_code(f, destination);
}

}  // namespace px
