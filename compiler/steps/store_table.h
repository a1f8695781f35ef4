// "store": a copy of a source into a destination, or two sources combined
// by one of fourteen operators first. The opcode carries a length class,
// derived from the operands' code lengths, so that the controller knows
// where each operand ends.
#pragma once

#include <cstdint>

#include "steps/opcodes.h"
#include "steps/operand_table.h"

namespace px {

struct store_operator {
    const char* spelling;  // the characters that select it, from the first
    uint8_t code;          // the byte after the opcode
    bool canonical;        // the spelling its code is read back as
};

// Tried in order, the first spelling the text begins with wins, so a longer
// spelling comes before any shorter one it begins with. Words need only
// their selecting characters: "and", "a" and "also" are all "and".
constexpr store_operator STORE_OPERATORS[] = {
    {"+", 0, true},     {"-", 1, true},      {"*", 2, true},    {"/", 3, true},     {"&~", 10, false},
    {"&", 4, false},    {"andnot", 10, true}, {"and", 4, true},  {"a", 4, false},    {"|", 5, false},
    {"or", 5, true},    {"o", 5, false},     {"^", 6, false},   {"xor", 6, true},   {"x", 6, false},
    {"nand", 7, true},  {"na", 7, false},    {"nor", 8, true},  {"no", 8, false},   {"nxor", 9, true},
    {"nx", 9, false},   {"%", 11, false},    {"mod", 11, true}, {"m", 11, false},   {"ror", 12, true},
    {"rol", 13, true},
};
constexpr int STORE_OPERATOR_CODES = 14;

// The spelling a code is read back as, or nullptr for no operator.
constexpr const char* store_operator_spelling(uint8_t code) {
    for (const store_operator& op : STORE_OPERATORS)
        if (op.canonical && op.code == code) return op.spelling;
    return nullptr;
}

// The length classes: the opcode is the base + the class.
constexpr int copy_class(int source, int destination) { return (source + destination + 1) / 2 - 1; }
constexpr int operator_class(int first, int second, int destination) {
    return (first + second + destination - 1) / 2 - 1;
}
constexpr int COPY_CLASSES = copy_class(MAX_SOURCE_LENGTH, MAX_DESTINATION_LENGTH) + 1;
constexpr int OPERATOR_CLASSES = operator_class(MAX_SOURCE_LENGTH, MAX_SOURCE_LENGTH, MAX_DESTINATION_LENGTH) + 1;

static_assert(COPY_CLASSES == 4 && OPERATOR_CLASSES == 6, "the opcodes store takes");
static_assert(opcode::STORE_OPERATOR + OPERATOR_CLASSES <= opcode::STORE_COPY, "the two ranges do not meet");

constexpr bool every_code_read_back() {
    for (int code = 0; code < STORE_OPERATOR_CODES; ++code) {
        int canonical = 0;
        for (const store_operator& op : STORE_OPERATORS) canonical += op.canonical && op.code == code;
        if (canonical != 1) return false;
    }
    return true;
}
static_assert(every_code_read_back(), "each operator code has one spelling to read back");

}  // namespace px
