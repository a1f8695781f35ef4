// Resource operands, as the operand parsers write them and the decoders
// read them back. The first code byte tells the kind:
//
//   00-7F  a register 1-128 (or a counter 1-8: the same bytes), index n-1
//   80-BF  an analog input or output 1-64
//   C0-DF  a data table column 1-32
//   E0-EF  a thumbwheel or a display 1-16
//   F0     a 16-bit literal, two bytes low first
//   F1     an analog input or output 65-256: 00, then the index
//   F8     a prototype board: the board (bcd in the top bit), the selector
//   F9     a 32-bit literal, four bytes low first
//   FA     a servo's position or error: the servo, then 00 or FF
//   FB     a register 129-60000: two bytes low first
//
// A source may be anything but a display or an analog output; a
// destination anything but a literal, a servo value, an analog input or a
// thumbwheel. Every code is 1, 3 or 5 bytes long.
#pragma once

#include <cstdint>
#include <string_view>

#include "driver/xref.h"
#include "steps/opcodes.h"

namespace px {

// The words of the numbered resources, written before the "#".
constexpr const char* REGISTER_WORD = "reg";
constexpr const char* COUNTER_WORD = "ctr";
constexpr const char* COLUMN_WORD = "col";
constexpr const char* PROTO_WORD = "proto";
constexpr const char* SERVO_WORD = "servo";
constexpr const char* MOTOR_WORD = "motor";
constexpr const char* FLAG_WORD = "flag";
constexpr const char* INPUT_WORD = "in";
// The two types of a digital input, written after its number; type A is
// the marked one.
constexpr char INPUT_TYPES[2] = {'a', 'b'};
constexpr char INPUT_TYPE_A[] = {INPUT_TYPES[0], '\0'};
constexpr char INPUT_TYPE_B[] = {INPUT_TYPES[1], '\0'};

constexpr int32_t COUNTERS = 8;
constexpr int32_t SHORT_REGISTERS = 128;
constexpr int32_t REGISTERS = 60000;
constexpr int32_t ANALOGS = 256;
constexpr int32_t SHORT_ANALOGS = 64;
constexpr int32_t COLUMNS = 32;  // the most a step can name, whatever the table holds
constexpr int32_t THUMBWHEELS = 16;
constexpr int32_t DISPLAYS = 16;
constexpr int32_t SERVOS = 16;
constexpr int32_t MOTORS = 16;
constexpr int32_t FLAGS = 32;
constexpr int32_t PROTO_BOARDS = 8;

// The message of a counter number out of range, wherever a counter is read.
constexpr const char* COUNTERS_RANGE = "IXO K400 VEP supports only counters 1-8.";

static_assert(opcode::ANALOG == SHORT_REGISTERS, "short registers end where analogs begin");
static_assert(opcode::COLUMN - opcode::ANALOG == SHORT_ANALOGS, "one code for each short analog");
static_assert(opcode::THUMBWHEEL - opcode::COLUMN == COLUMNS, "one code for each column");
static_assert(opcode::LITERAL_16 - opcode::THUMBWHEEL == THUMBWHEELS, "one code for each thumbwheel");

constexpr int MAX_SOURCE_LENGTH = 5;       // a 32-bit literal
constexpr int MAX_DESTINATION_LENGTH = 3;  // a long register, an analog output, a prototype board

// A resource written as a word, "#" and a number, coded in one byte from a
// base, or, for the analog ones, in the short or the long analog form.
struct numbered_form {
    const char* word;  // before the "#"
    int kind;          // for the cross-reference map
    int32_t high;
    const char* range_message;
    bool analog;
};

constexpr numbered_form SOURCE_FORMS[] = {
    {"ain", KIND_ANALOG_INPUT, ANALOGS, "IXO K400 VEP supports only analog inputs 1-256.", true},
    {"twhl", KIND_THUMBWHEEL, THUMBWHEELS, "IXO K400 VEP supports only thumbwheels 1-16.", false},
};
constexpr numbered_form DESTINATION_FORMS[] = {
    {"aout", KIND_ANALOG_OUTPUT, ANALOGS, "IXOK400 VEP supports only analog outputs 1-256.", true},
    {"disp", KIND_DIGITAL_DISPLAY, DISPLAYS, "IXO K400 VEP supports only displays 1-16.", false},
};
// The decoders name a code by its place here: the analog form, then the one-byte form.
static_assert(SOURCE_FORMS[0].analog && !SOURCE_FORMS[1].analog, "analog first");
static_assert(DESTINATION_FORMS[0].analog && !DESTINATION_FORMS[1].analog, "analog first");

// The source form of a resource kind: the thumbwheel's is read by a delay
// as well.
constexpr const numbered_form& source_form_of_kind(int kind) {
    for (const numbered_form& form : SOURCE_FORMS)
        if (form.kind == kind) return form;
    return SOURCE_FORMS[0];
}

// The selector of a prototype board: what part of its 32 bits is meant.
struct proto_selector {
    const char* word;  // after the board's ":", before the "#"
    int32_t count;
    uint8_t base;  // + number - 1
    bool bcd;      // may be read as binary-coded decimal
    const char* range_message;
};

constexpr proto_selector PROTO_SELECTORS[] = {
    {"bit", 32, 0x80, false, "The proto board supports only bits 1-32."},
    {"byte", 4, 0x40, true, "The proto board supports only bytes 1-4."},
    {"word", 2, 0x00, true, "The proto board supports only words 1-2."},
};
constexpr uint8_t PROTO_BCD = 0x80;  // in the board byte
constexpr const char* PROTO_BCD_WORD = "bcd";

// What a servo value reads, by the first letter of its word.
struct servo_value {
    const char* word;
    uint8_t code;
};
constexpr servo_value SERVO_VALUES[] = {{"position", 0x00}, {"error", 0xFF}};

// --- the elements of a monitor expression ----------------------------------
//
// In postfix order, one byte each but for a digital input, which takes the
// input word (its mark, type A, in the top bit of its last byte). A mask
// before the elements marks the inputs. An operator element is 80 + its
// kind, 40 more when negated, + the number of its operands (2-15).

constexpr int MONITOR_ELEMENTS = 16;

// A resource watched for one of two states, by the first letter of the
// state's word.
struct monitor_form {
    const char* word;
    int kind;
    int32_t high;
    const char* range_message;
    const char* states[2];  // read back in full
    uint8_t bases[2];       // + number - 1
    const char* state_message;
};

constexpr monitor_form MONITOR_FORMS[] = {
    {FLAG_WORD, KIND_FLAG, FLAGS, "IXO K400 VEP supports only flags 1-32.", {"set", "clear"}, {0x60, 0x40},
     "Flags must be monitored for :set or :clear."},
    {MOTOR_WORD, KIND_STEPPER_MOTOR, MOTORS, "IXO K400 VEP supports only stepper motors 1-16.", {"running", "stopped"},
     {0x20, 0x00}, "Motors must be monitored for :running or :stoppedp->"},
    {SERVO_WORD, KIND_SERVO, SERVOS, "IXO K400 VEP supports only servos 1-16.", {"running", "stopped"}, {0x30, 0x10},
     "Servos must be monitored for :running or :stopped."},
};

struct monitor_operator {
    const char* word;  // tried in order: "or" would take the start of "xor"
    uint8_t kind;
};
constexpr monitor_operator MONITOR_OPERATORS[] = {{"and", 0x80}, {"xor", 0xA0}, {"or", 0x90}};
constexpr uint8_t MONITOR_OPERATOR = 0x80;  // every operator element has it
constexpr uint8_t MONITOR_KIND_BITS = 0x30;
constexpr uint8_t MONITOR_NEGATED = 0x40;  // the word written with an "n" before it
constexpr uint8_t MONITOR_OPERAND_BITS = 0x0F;
constexpr int MONITOR_LEAST_OPERANDS = 2;  // of every operator

// A servo number out of range gets the message of a monitor element.
constexpr const char* SERVOS_RANGE = MONITOR_FORMS[2].range_message;
static_assert(std::string_view(MONITOR_FORMS[2].word) == SERVO_WORD && MONITOR_FORMS[2].high == SERVOS,
              "the servos' own row");

}  // namespace px
