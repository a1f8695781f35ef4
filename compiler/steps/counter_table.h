// Flags and counters as their instructions write them and the decoders read
// them back. "set" and "clear" share one opcode and a flag byte, "shift" and
// "rotate" another and a shift byte; every counter instruction is a single
// opcode that carries both the counter and the operation, so the eight
// counters and six operations fill one block of opcodes. Each fact below the
// opcode is a row or a field here, and the letters the compiler tests are
// taken from the words the decoders write.
#pragma once

#include <cstdint>
#include <string_view>

#include "steps/opcodes.h"
#include "steps/operand_table.h"

namespace px {

// --- flags -----------------------------------------------------------------

// A flag number out of range gets the message "monitor" gives.
constexpr const char* FLAGS_RANGE = MONITOR_FORMS[0].range_message;
static_assert(std::string_view(MONITOR_FORMS[0].word) == FLAG_WORD && MONITOR_FORMS[0].high == FLAGS,
              "the flags' own row");

// The byte after opcode::FLAG: the flag's index in bits 0-4, and bit 7 for
// "set".
constexpr uint8_t FLAG_INDEX_BITS = FLAGS - 1;

struct flag_change {
    const char* word;  // the instruction
    uint8_t bit;
    const char* syntax;
};
constexpr flag_change SET_FLAG = {"set", 0x80, "Syntax:  set flag#<1-32>"};
constexpr flag_change CLEAR_FLAG = {"clear", 0x00, "Syntax:  clear flag#<1-32>"};
constexpr uint8_t FLAG_BYTE_BITS = SET_FLAG.bit | FLAG_INDEX_BITS;

static_assert((FLAGS & FLAG_INDEX_BITS) == 0, "an index field holds every flag");
static_assert((SET_FLAG.bit & FLAG_INDEX_BITS) == 0, "the set bit lies outside the index");

// "shift" and "rotate": opcode::SHIFT, the shift byte, the last flag's index,
// the number of positions. The shift byte holds the first flag's index in
// bits 0-4, bit 5 for "rotate" and bit 7 for "<<"; bit 6 is never set. The
// flags 1-31 shift onto 2-32, by 1-31 positions.
struct flag_shift {
    const char* word;  // the instruction
    uint8_t bit;
};
constexpr flag_shift SHIFT_FLAGS = {"shift", 0x00};
constexpr flag_shift ROTATE_FLAGS = {"rotate", 0x20};

struct shift_direction {
    const char* spelling;  // a token of two operator characters
    uint8_t bit;
};
constexpr shift_direction SHIFT_DIRECTIONS[] = {{"<<", 0x80}, {">>", 0x00}};

constexpr uint8_t SHIFT_BYTE_BITS = FLAG_INDEX_BITS | ROTATE_FLAGS.bit | SHIFT_DIRECTIONS[0].bit;
constexpr int32_t SHIFT_POSITIONS = FLAGS - 1;  // the most a shift moves
constexpr uint8_t DEFAULT_SHIFT_POSITIONS = 1;  // when no number is written

static_assert((ROTATE_FLAGS.bit & FLAG_INDEX_BITS) == 0 && (SHIFT_DIRECTIONS[0].bit & FLAG_INDEX_BITS) == 0,
              "the kind and direction bits lie outside the index");

// The direction a shift byte reads back as.
constexpr const shift_direction& shift_direction_of(uint8_t shift_byte) {
    return shift_byte & SHIFT_DIRECTIONS[0].bit ? SHIFT_DIRECTIONS[0] : SHIFT_DIRECTIONS[1];
}

// --- counters --------------------------------------------------------------

// A counter opcode is opcode::COUNTER + 8 x (counter - 1) + operation: the
// operation in bits 0-2, the counter's index in bits 3-5.
constexpr int COUNTER_INDEX_SHIFT = 3;
constexpr uint8_t COUNTER_OPERATION_BITS = (1 << COUNTER_INDEX_SHIFT) - 1;

enum counter_code : uint8_t {
    CTR_START = 1,
    CTR_COUNT_UP = 2,
    CTR_COUNT_DOWN = 3,
    CTR_RESET = 4,
    CTR_ENABLE = 5,
    CTR_DISABLE = 6,
};

struct counter_operation {
    counter_code code;
    const char* keyword;
    const char* word;  // after the keyword, or nullptr
    const char* syntax;
};

constexpr const char* START_SYNTAX = "Syntax:  start ctr#<1-8> [up(in#?<A|B>)[:<1-250>ms]] [down()] [reset()]";
constexpr const char* COUNT_SYNTAX = "Syntax:  count <up | down> ctr#<1-8>";

// In the order of their codes.
constexpr counter_operation COUNTER_OPERATIONS[] = {
    {CTR_START, "start", nullptr, START_SYNTAX},
    {CTR_COUNT_UP, "count", "up", COUNT_SYNTAX},
    {CTR_COUNT_DOWN, "count", "down", COUNT_SYNTAX},
    {CTR_RESET, "reset", nullptr, "Syntax:  reset ctr#<1-8>"},
    {CTR_ENABLE, "enable", nullptr, "Syntax:  enable ctr#<1-8>"},
    {CTR_DISABLE, "disable", nullptr, "Syntax:  disable ctr#<1-8>"},
};

constexpr const counter_operation& counter_operation_of(uint8_t code) { return COUNTER_OPERATIONS[code - 1]; }

constexpr uint8_t counter_opcode(counter_code operation, int32_t counter) {
    return static_cast<uint8_t>(opcode::COUNTER + ((counter - 1) << COUNTER_INDEX_SHIFT) + operation);
}
constexpr int32_t counter_of(uint8_t counter_opcode) {
    return ((counter_opcode - opcode::COUNTER) >> COUNTER_INDEX_SHIFT) + 1;
}

constexpr bool operations_in_code_order() {
    int code = 0;
    for (const counter_operation& operation : COUNTER_OPERATIONS)
        if (operation.code != ++code || operation.code > COUNTER_OPERATION_BITS) return false;
    return true;
}
static_assert(operations_in_code_order(), "row n is operation n, and each fits its field");
static_assert(counter_opcode(CTR_DISABLE, COUNTERS) < opcode::FLAG, "the counter block ends below the flag opcode");

// The clauses of "start", in the order their bytes follow the opcode; each
// is found by its initial. A clause is its debounce byte (0 to
// opcode::DEBOUNCE_LIMIT milliseconds, or opcode::INACTIVE_CLAUSE when it does
// not count) and the input word, an input number of the numbering switch
// marked for type A.
constexpr const char* START_CLAUSES[] = {"up", "down", "reset"};
constexpr int START_CLAUSE_COUNT = sizeof START_CLAUSES / sizeof START_CLAUSES[0];

constexpr bool clause_initials_differ() {
    for (int i = 0; i < START_CLAUSE_COUNT; ++i)
        for (int j = 0; j < i; ++j)
            if (START_CLAUSES[i][0] == START_CLAUSES[j][0]) return false;
    return true;
}
static_assert(clause_initials_differ(), "a clause is told by its initial");

}  // namespace px
