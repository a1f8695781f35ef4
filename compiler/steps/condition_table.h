// Conditional jumps: "if" over two data sources, "monitor" of one flag,
// input, motor or servo or of a boolean expression, and "testandset", as
// the families write them and the decoders read them back. The elements of
// a monitor expression are operands and live in steps/operand_table.h.
#pragma once

#include <cstdint>
#include <string_view>

#include "driver/xref.h"
#include "files/model_limits.h"
#include "steps/numbering.h"
#include "steps/opcodes.h"
#include "steps/operand_table.h"

namespace px {

// --- if ----------------------------------------------------------------------

struct comparison {
    const char* spelling;  // each character a token of its own
    uint8_t code;          // the byte after the opcode
};

// Tried in order, the first spelling the text begins with wins: two-character
// comparisons first, so "<=" is not read as "<".
constexpr comparison COMPARISONS[] = {
    {"<=", 5}, {"<>", 1}, {"<", 4}, {"=", 0}, {">=", 3}, {">", 2},
};
constexpr int COMPARISON_CODES = static_cast<int>(sizeof COMPARISONS / sizeof COMPARISONS[0]);

// The spelling a code is read back as, or nullptr for none.
constexpr const char* comparison_spelling(uint8_t code) {
    for (const comparison& c : COMPARISONS)
        if (c.code == code) return c.spelling;
    return nullptr;
}

// The length class k, added to the opcode: the two sources take 2k + 2
// bytes, give or take one.
constexpr int if_class(int first, int second) { return (first + second) / 2 - 1; }
constexpr int IF_CLASSES = if_class(MAX_SOURCE_LENGTH, MAX_SOURCE_LENGTH) + 1;

constexpr bool comparisons_read_in_order() {
    for (int code = 0; code < COMPARISON_CODES; ++code) {
        int spellings = 0;
        for (const comparison& c : COMPARISONS) spellings += c.code == code;
        if (spellings != 1) return false;
    }
    for (int i = 0; i < COMPARISON_CODES; ++i)
        for (int j = i + 1; j < COMPARISON_CODES; ++j)
            if (std::string_view(COMPARISONS[j].spelling).starts_with(COMPARISONS[i].spelling)) return false;
    return true;
}
static_assert(comparisons_read_in_order(), "one spelling per code, none hidden by one tried before it");
static_assert(IF_CLASSES == 5 && ((opcode::IF + IF_CLASSES - 1) & opcode::STEP_FORM) == 0, "the opcodes \"if\" takes");

// --- monitor of one resource, and testandset --------------------------------
//
// A flag is tested through one byte, the flag - 1 in its low bits and one
// condition bit: set, clear, or tested and set ("testandset").

constexpr uint8_t FLAG_TEST_NUMBER_BITS = 0x1F;
constexpr uint8_t FLAG_TEST_SET = 0x80;
constexpr uint8_t FLAG_TEST_CLEAR = 0x40;
constexpr uint8_t FLAG_TEST_AND_SET = 0x20;
constexpr uint8_t FLAG_TEST_CONDITION_BITS = FLAG_TEST_SET | FLAG_TEST_CLEAR | FLAG_TEST_AND_SET;

static_assert(FLAGS - 1 <= FLAG_TEST_NUMBER_BITS && (FLAG_TEST_NUMBER_BITS & FLAG_TEST_CONDITION_BITS) == 0,
              "the flag and its condition apart");

// What follows the opcode of a watch: a flag test byte, a number, or an
// input number of the numbering switch.
enum class watch_operand : uint8_t { flag_test, number, input };

// One resource watched for one of two states. The state's bits go either
// into the opcode (motors, servos) or into the operand (flags; an input's
// mark, for its first type).
struct watch_form {
    const char* word;   // before the "#"
    bool qualified;     // the state is written after a ":", not right after the number
    int kind;
    const char* noun;   // in the range message
    int32_t high;       // 0: the digital input limit of the numbering
    const char* states[2];  // read back in full; the encoder reads the first letter
    uint8_t opcode;     // next-step form
    uint8_t opcode_bits[2];
    uint8_t operand_bits[2];
    watch_operand operand;
    const char* state_message;
};

constexpr watch_form WATCH_FORMS[] = {
    {FLAG_WORD, true, KIND_FLAG, "flags", FLAGS, {"set", "clear"}, opcode::FLAG_TEST, {0, 0},
     {FLAG_TEST_SET, FLAG_TEST_CLEAR}, watch_operand::flag_test, "Syntax:  monitor flag#<1-32>:<clear|set> goto ..."},
    {INPUT_WORD, false, KIND_DIGITAL_INPUT, "digital inputs", 0, {INPUT_TYPE_A, INPUT_TYPE_B}, opcode::MONITOR_INPUT,
     {0, 0}, {0, 0}, watch_operand::input, "Digital inputs must be either type A or type B."},
    {MOTOR_WORD, true, KIND_STEPPER_MOTOR, "motors", MOTORS, {"running", "stopped"}, opcode::MONITOR_MOTOR,
     {opcode::RUNNING, 0}, {0, 0}, watch_operand::number, "Syntax:  monitor motor#<1-16>:<running|stopped> goto ..."},
    {SERVO_WORD, true, KIND_SERVO, "servos", SERVOS, {"running", "stopped"}, opcode::MONITOR_SERVO,
     {opcode::RUNNING, 0}, {0, 0}, watch_operand::number, "Syntax:  monitor servo#<1-16>:<running|stopped> goto ..."},
};

// The watch of a resource kind: the flag's serves "testandset" too, the
// input's reads an input of a monitor expression back.
constexpr const watch_form& watch_of_kind(int kind) {
    for (const watch_form& form : WATCH_FORMS)
        if (form.kind == kind) return form;
    return WATCH_FORMS[0];
}

constexpr int32_t watch_limit(const watch_form& form, bool wide) {
    return form.high ? form.high : digital_limit_of(wide);
}

// The watch a code's opcode belongs to, or nullptr; *state gets the state
// its opcode bits name (0 when they name none).
constexpr const watch_form* watch_of(uint8_t op, int* state) {
    uint8_t next_form = static_cast<uint8_t>(op & ~opcode::STEP_FORM);
    for (const watch_form& form : WATCH_FORMS)
        for (int s = 0; s < 2; ++s)
            if ((form.opcode | form.opcode_bits[s]) == next_form) {
                *state = s;
                return &form;
            }
    return nullptr;
}

static_assert(watch_of_kind(KIND_FLAG).operand == watch_operand::flag_test &&
                  watch_of_kind(KIND_DIGITAL_INPUT).operand == watch_operand::input,
              "the flag and the input are watched through their own operands");

// --- monitor of an expression ------------------------------------------------
//
// The opcode, L, the destination, the input mask, then the elements, an
// input in two bytes under wide numbering. L counts every byte of it.

constexpr int MONITOR_MASK_ELEMENTS = 8;  // one mask byte covers these

constexpr int monitor_mask_bytes(int elements) { return elements > MONITOR_MASK_ELEMENTS ? 2 : 1; }

constexpr int monitor_expression_length(int elements, int inputs, bool wide, bool step_form) {
    const int opcode_and_length = 2;
    return opcode_and_length + (step_form ? number_bytes(wide) : 0) + monitor_mask_bytes(elements) + elements +
           (wide ? inputs : 0);
}

static_assert(monitor_expression_length(3, 1, false, false) == 6 && monitor_expression_length(9, 0, false, false) == 13,
              "L counts the opcode and L itself");

}  // namespace px
