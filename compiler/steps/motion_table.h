// Stepper motors and servos as the motion instructions write them and the
// decoders read them back. Nearly every motion byte packs a motor's or a
// servo's index together with fields that say what to do; each field and each
// word that selects a value of it is written once here. Where the compiler
// tests only the first letters of a word, the row keeps the word the decoders
// write and how many of its letters are tested.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "steps/opcodes.h"
#include "steps/operand_table.h"

namespace px {

// A word as the decoders write it, and how many of its first letters the
// compiler tests.
struct tested_word {
    const char* word;
    std::size_t tested;
};

inline bool begins_with(const char* at, const tested_word& word) {
    return std::strncmp(at, word.word, word.tested) == 0;
}

// --- numbers ---------------------------------------------------------------

constexpr const char* MOTORS_RANGE = "IXO K400 VEP supports only motors 1-16.";

// A motor's or a servo's index, in bits 0-3 of the byte that names it.
constexpr uint8_t MOTOR_INDEX_BITS = MOTORS - 1;
constexpr uint8_t SERVO_INDEX_BITS = SERVOS - 1;

// Servos 1-8 carry their index in bits 0-2 of the move byte, or beside the
// profile's length; servos 9-16 need a byte of their own, and opcodes of
// their own.
constexpr int32_t SHORT_SERVOS = 8;
constexpr uint8_t SHORT_SERVO_BITS = SHORT_SERVOS - 1;

struct servo_opcodes {
    uint8_t turn;       // + source width
    uint8_t turn_free;  // without a source
    uint8_t profile;
};
constexpr servo_opcodes SHORT_SERVO_OPCODES = {opcode::TURN_SERVO, opcode::TURN_SERVO_FREE, opcode::PROFILE_SERVO};
constexpr servo_opcodes LONG_SERVO_OPCODES = {opcode::TURN_SERVO_HIGH, opcode::TURN_SERVO_FREE_HIGH,
                                              opcode::PROFILE_SERVO_HIGH};
constexpr const servo_opcodes& servo_opcodes_of(bool short_form) {
    return short_form ? SHORT_SERVO_OPCODES : LONG_SERVO_OPCODES;
}

static_assert((MOTORS & MOTOR_INDEX_BITS) == 0 && (SERVOS & SERVO_INDEX_BITS) == 0 &&
                  (SHORT_SERVOS & SHORT_SERVO_BITS) == 0,
              "an index field holds every motor and servo");

// 1, 2 or 3 for a one-, three- or five-byte source: what "turn" adds to its
// opcode.
constexpr int source_width(int length) { return length / 2 + 1; }
constexpr int SOURCE_WIDTHS = source_width(MAX_SOURCE_LENGTH);

// A 16-bit literal's value, from its operand code.
constexpr int32_t literal_16_value(const uint8_t* code) { return code[1] | code[2] << 8; }

// "and zero": "search" before a motor or servo, "profile" before a motor.
constexpr const char* AND_ZERO = "and zero";

// --- moves -----------------------------------------------------------------

// The words of a move, with what each sets in a motor's move byte (also the
// byte of "zero" and "search", bits 4-5) and in a servo's. Only "to" is
// absolute: "zero" is read back from its motor bits, and "search" takes the
// others.
struct move_direction {
    const char* word;
    bool absolute;
    uint8_t motor_bits;
    uint8_t servo_bits;
};
constexpr move_direction MOVE_DIRECTIONS[] = {
    {"to", true, 0x00, 0x40},
    {"cw", false, 0x30, 0x08},
    {"ccw", false, 0x20, 0x00},
};

constexpr const move_direction* ABSOLUTE_MOVE = &MOVE_DIRECTIONS[0];
static_assert(ABSOLUTE_MOVE->absolute && !MOVE_DIRECTIONS[1].absolute && !MOVE_DIRECTIONS[2].absolute,
              "one absolute move, the first");

// The motor direction a byte's bits 4-7 read back as, or nullptr.
constexpr const move_direction* motor_direction_of(uint8_t byte) {
    for (const move_direction& direction : MOVE_DIRECTIONS)
        if ((byte & ~MOTOR_INDEX_BITS) == direction.motor_bits) return &direction;
    return nullptr;
}

// A servo's move byte besides the direction: a relative move with a source
// sets one bit, a move without a source another; "on start" a third. The
// index of servos 1-8 takes bits 0-2.
constexpr uint8_t SERVO_RELATIVE_SOURCE = 0x20;
constexpr uint8_t SERVO_FREE = 0x10;
constexpr uint8_t SERVO_ON_START = 0x80;
// Every bit a direction or a kind of move may set.
constexpr uint8_t servo_move_fields() {
    uint8_t bits = SERVO_RELATIVE_SOURCE | SERVO_FREE;
    for (const move_direction& direction : MOVE_DIRECTIONS) bits |= direction.servo_bits;
    return bits;
}
constexpr uint8_t SERVO_MOVE_BITS = servo_move_fields();
static_assert((SERVO_MOVE_BITS & (SERVO_ON_START | SHORT_SERVO_BITS)) == 0, "the move byte's fields do not overlap");

// "on start" after a servo's move.
constexpr tested_word ON_START = {"on start", 2};

// What a direction sets in the move byte of a servo, with a source or
// without one ("to" always has one).
constexpr uint8_t servo_move_bits(const move_direction& direction, bool with_source) {
    if (direction.absolute) return direction.servo_bits;
    return static_cast<uint8_t>(direction.servo_bits | (with_source ? SERVO_RELATIVE_SOURCE : SERVO_FREE));
}

// The servo direction a move byte reads back as, or nullptr.
constexpr const move_direction* servo_direction_of(uint8_t move, bool with_source) {
    for (const move_direction& direction : MOVE_DIRECTIONS)
        if ((with_source || !direction.absolute) && (move & SERVO_MOVE_BITS) == servo_move_bits(direction, with_source))
            return &direction;
    return nullptr;
}

// The byte of "zero" and "search" for a servo, and of "stop" for a servo:
// the servo's index and one bit.
constexpr uint8_t SERVO_SEARCH = 0x20;

struct servo_stop {
    const char* word;  // in parentheses
    uint8_t bit;
};
constexpr servo_stop SERVO_STOPS[] = {{"hard", 0x00}, {"soft", 0x80}};
constexpr uint8_t SERVO_STOP_BITS = SERVO_STOPS[1].bit;

constexpr const servo_stop& servo_stop_of(uint8_t byte) {
    return byte & SERVO_STOP_BITS ? SERVO_STOPS[1] : SERVO_STOPS[0];
}

static_assert(((SERVO_SEARCH | SERVO_STOP_BITS) & SERVO_INDEX_BITS) == 0, "the bits lie outside the index");

// --- motor profile ---------------------------------------------------------

// The profile byte: the motor's index, the coil mode in bits 4-6, bit 7 for
// "and zero".
constexpr uint8_t PROFILE_AND_ZERO = 0x80;
constexpr uint8_t COIL_BITS = 0x70;

struct coil_mode {
    const char* count;  // what the compiler tests
    const char* noun;
    uint8_t bits;
};
constexpr coil_mode COIL_MODES[] = {{"half", "coils", 0x30}, {"1", "coil", 0x10}, {"2", "coils", 0x00}};

constexpr const coil_mode* coil_mode_of(uint8_t profile_byte) {
    for (const coil_mode& mode : COIL_MODES)
        if ((profile_byte & COIL_BITS) == mode.bits) return &mode;
    return nullptr;
}

static_assert(((PROFILE_AND_ZERO | COIL_BITS) & MOTOR_INDEX_BITS) == 0 && (PROFILE_AND_ZERO & COIL_BITS) == 0,
              "the profile byte's fields do not overlap");

// The four parameters, in the order they are appended, each told by its
// initial. The limits hold for 16-bit literals; resources are only known at
// run time.
struct motor_parameter {
    const char* name;
    int32_t low;  // both inclusive
    int32_t high;
    const char* range_message;
};
constexpr motor_parameter MOTOR_PARAMETERS[] = {
    {"basespeed", 50, 19999, "IXO K400 VEP motor base speed limits are 50-19,999."},
    // Limited from 50, not from the base speed.
    {"maxspeed", 50, 20000, "IXO K400 VEP motor max speed limits are basespeed-20,000."},
    {"accel", 0, 500, "IXO K400 VEP motor acceleration limits are 0-500."},
    {"decel", 0, 500, "IXO K400 VEP motor deceleration limits are 0-500."},
};
constexpr int MOTOR_PARAMETER_COUNT = sizeof MOTOR_PARAMETERS / sizeof MOTOR_PARAMETERS[0];

// Parameters are told by their initials, which must therefore differ.
template <typename Row, std::size_t N>
constexpr bool initials_differ(const Row (&rows)[N]) {
    for (std::size_t i = 0; i < N; ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (rows[i].name[0] == rows[j].name[0]) return false;
    return true;
}
static_assert(initials_differ(MOTOR_PARAMETERS), "a motor parameter is told by its initial");

// The opcode is opcode::PROFILE_MOTOR + the number of parameters that take
// three bytes, from the code bytes of all four (none takes five).
constexpr uint8_t profile_motor_opcode(int code_bytes) {
    return static_cast<uint8_t>(opcode::PROFILE_MOTOR + (code_bytes - MOTOR_PARAMETER_COUNT) / 2);
}

// --- servo profile ---------------------------------------------------------

// The byte G: the mode in bits 0-2, the parameters given in bits 3-7.
constexpr uint8_t SERVO_MODE_BITS = 0x07;

// A mode is one or two words, perhaps a source after them, then "at position".
struct servo_mode {
    uint8_t code;
    tested_word word;
    const char* second;  // the word that must follow, or nullptr
    bool source;         // the deadband
    const char* syntax;  // when the second word or the source is missing
};
constexpr const char* SERVO_MODE_SYNTAX = "Syntax:  ... <motor off|servo|deadband of <source>> at position ...";
constexpr servo_mode SERVO_MODES[] = {
    {0x04, {"motor", 5}, "off", false, SERVO_MODE_SYNTAX},
    {0x05, {"servo", 5}, nullptr, false, nullptr},
    {0x06, {"deadband", 4}, "of", true, "Syntax:  profile servo#<1-16> deadband of <source> at position ..."},
};
constexpr tested_word AT_POSITION[] = {{"at", 2}, {"position", 3}};

// The mode G gives, or nullptr for none or one no row names.
constexpr const servo_mode* servo_mode_of(uint8_t marks) {
    for (const servo_mode& mode : SERVO_MODES)
        if ((marks & SERVO_MODE_BITS) == mode.code) return &mode;
    return nullptr;
}

// In the order they are appended, after the deadband.
struct servo_parameter {
    const char* name;
    uint8_t mark;
};
constexpr servo_parameter SERVO_PARAMETERS[] = {
    {"maxspeed", 0x08}, {"accel", 0x10}, {"gain", 0x20}, {"zero", 0x40}, {"pole", 0x80},
};
constexpr int SERVO_PARAMETER_COUNT = sizeof SERVO_PARAMETERS / sizeof SERVO_PARAMETERS[0];
static_assert(initials_differ(SERVO_PARAMETERS), "a servo parameter is told by its initial");

// The instruction's length counts the opcode, the length byte, G (and the
// servo's byte for 9-16) and every parameter's code. For servos 1-8 it takes
// bits 0-4 of the length byte, the servo's index bits 5-7.
constexpr int SERVO_PROFILE_HEAD = 3;
constexpr int SHORT_PROFILE_SHIFT = 5;
constexpr int SHORT_PROFILE_LENGTH = (1 << SHORT_PROFILE_SHIFT) - 1;  // the longest
static_assert((SHORT_SERVO_BITS << SHORT_PROFILE_SHIFT) <= UINT8_MAX, "the index fits beside the length");

constexpr bool servo_profile_fields_apart() {
    for (const servo_parameter& parameter : SERVO_PARAMETERS)
        if (parameter.mark & SERVO_MODE_BITS) return false;
    for (const servo_mode& mode : SERVO_MODES)
        if ((mode.code & SERVO_MODE_BITS) != mode.code || mode.code == 0) return false;
    return true;
}
static_assert(servo_profile_fields_apart(), "modes and parameter marks share no bit");

}  // namespace px
