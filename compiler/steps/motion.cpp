// Motion instructions for stepper motors and servos: "zero", "search",
// "stop", "turn" and "profile". Every operand is read and checked before the
// first byte goes out, so a refused instruction leaves nothing in the step.
#include <cstdint>
#include <cstring>
#include <string>

#include "driver/build_state.h"
#include "driver/diagnostics.h"
#include "driver/xref.h"
#include "steps/encoding.h"
#include "steps/families.h"
#include "steps/frame.h"
#include "steps/opcodes.h"
#include "steps/operands.h"
#include "steps/scan.h"

namespace px {

namespace {

constexpr int32_t MOTOR_LIMIT = 16;
constexpr int32_t SERVO_LIMIT = 16;
// Servos 1-8 carry their number inside the opcode's operand byte; servos 9-16
// need a byte of their own.
constexpr int32_t SHORT_SERVOS = 8;

// A stepper motor's move byte, bits 4-5: absolute ("to") leaves them clear.
constexpr uint8_t MOTOR_CW = 0x30;
constexpr uint8_t MOTOR_CCW = 0x20;
// A servo's move byte.
constexpr uint8_t SERVO_TO = 0x40;
constexpr uint8_t SERVO_CW = 0x08;
constexpr uint8_t SERVO_CCW = 0x00;
constexpr uint8_t SERVO_RELATIVE_SOURCE = 0x20;
constexpr uint8_t SERVO_ON_START = 0x80;

constexpr uint8_t LITERAL_16 = opcode::LITERAL_16;
constexpr uint8_t LITERAL_32 = opcode::LITERAL_32;

const char* const TURN_MOTOR_SYNTAX = "Syntax:  turn motor#<1-16> <to|cw|ccw> <source> ...";
const char* const TURN_SERVO_SYNTAX = "Syntax:  turn servo#<1-16> <to|cw|ccw> <source> <steps> <on start>";
const char* const PROFILE_MOTOR_SYNTAX = "Syntax:  profile <and zero> motor#<1-16> (half|<1-2> coils) ";
const char* const MOTOR_PARAMETERS_REQUIRED = "Required parameters:  basespeed, maxspeed, accel, decel values.";
const char* const RESOURCE_PARAMETERS = "Profile parameters must be data obtained from controller resources.";
const char* const SERVO_MODE_SYNTAX = "Syntax:  ... <motor off|servo|deadband of <source>> at position ...";
const char* const DEADBAND_SYNTAX = "Syntax:  profile servo#<1-16> deadband of <source> at position ...";

// Records the number, then tests it; false after the range message, which
// points at the operand written from `from` on.
bool motor_in_range(instruction_frame& f, const char* from, int32_t motor) {
    note_usage(KIND_STEPPER_MOTOR, motor);
    if (motor >= 1 && motor <= MOTOR_LIMIT) return true;
    report_at(f, operand_named(from, MOTOR_WORD), "IXO K400 VEP supports only motors 1-16.");
    return false;
}

bool servo_in_range(instruction_frame& f, const char* from, int32_t servo) {
    note_usage(KIND_SERVO, servo);
    if (servo >= 1 && servo <= SERVO_LIMIT) return true;
    report_at(f, operand_named(from, SERVO_WORD), "IXO K400 VEP supports only servos 1-16.");
    return false;
}

// 1, 2 or 3 for a one-, three- or five-byte source.
uint8_t source_width(const operand_code& operand) { return static_cast<uint8_t>(operand.length() / 2 + 1); }

uint16_t literal_value(const operand_code& operand) {
    return static_cast<uint16_t>(operand.code()[1] | operand.code()[2] << 8);
}

void compile_turn_motor(instruction_frame& f, const char* cursor, int32_t motor) {
    cursor = next_token(cursor);
    uint8_t move = static_cast<uint8_t>(motor - 1);
    if (starts_with(cursor, "to")) {
        // absolute: bits 4-5 stay clear
    } else if (starts_with(cursor, "cw")) {
        move |= MOTOR_CW;
    } else if (starts_with(cursor, "ccw")) {
        move |= MOTOR_CCW;
    } else {
        report(f, "%s", TURN_MOTOR_SYNTAX);
        return;
    }
    cursor = next_token(cursor);
    operand_code source;
    if (!parse_source(f, cursor, &source)) {
        report(f, "%s", TURN_MOTOR_SYNTAX);
        return;
    }
    if (source.code()[0] == LITERAL_32) {
        report(f, "The turn motor instruction allows only 16-bit literals.");
        return;
    }
    f.append(static_cast<uint8_t>(opcode::TURN_MOTOR + source_width(source)));
    f.append(move);
    append_code(f, source);
}

void compile_turn_servo(instruction_frame& f, const char* cursor, int32_t servo) {
    const bool short_form = servo <= SHORT_SERVOS;
    const uint8_t number = static_cast<uint8_t>(servo - 1);
    cursor = next_token(cursor);
    uint8_t move;
    if (starts_with(cursor, "to")) {
        move = SERVO_TO;
    } else if (starts_with(cursor, "cw")) {
        move = SERVO_CW;
    } else if (starts_with(cursor, "ccw")) {
        move = SERVO_CCW;
    } else {
        report(f, "%s", TURN_SERVO_SYNTAX);
        return;
    }
    if (short_form) move |= number;

    cursor = next_token(cursor);
    if (*cursor && !starts_with(cursor, "on")) {
        if (!(move & SERVO_TO)) move |= SERVO_RELATIVE_SOURCE;
        operand_code source;
        if (!parse_source(f, cursor, &source)) {
            report(f, "%s", TURN_SERVO_SYNTAX);
            return;
        }
        cursor = next_token(cursor);
        if (*cursor) {
            if (starts_with(cursor, "on")) {
                move |= SERVO_ON_START;
            } else if ((move & SERVO_RELATIVE_SOURCE) && starts_with(cursor, "step")) {
                if (starts_with(next_token(cursor), "on")) move |= SERVO_ON_START;
            } else {
                report(f, "%s", TURN_SERVO_SYNTAX);
                return;
            }
        }
        f.append(static_cast<uint8_t>((short_form ? opcode::TURN_SERVO : opcode::TURN_SERVO_HIGH) + source_width(source)));
        f.append(move);
        if (!short_form) f.append(number);
        append_code(f, source);
        return;
    }
    if (move & SERVO_TO) {
        report(f, "Syntax:  turn servo to <source> <on start>");
        return;
    }
    if (*cursor) move |= SERVO_ON_START;
    f.append(short_form ? opcode::TURN_SERVO_FREE : opcode::TURN_SERVO_FREE_HIGH);
    f.append(static_cast<uint8_t>(move | 0x10));
    if (!short_form) f.append(number);
}

// The four motor profile parameters, in the order they are appended.
struct motor_parameter {
    char initial;
    int32_t low;   // literal limits, both inclusive
    int32_t high;
    const char* range_message;
};

constexpr motor_parameter motor_parameters[] = {
    {'b', 50, 19999, "IXO K400 VEP motor base speed limits are 50-19,999."},
    // Limited from 50, not from the base speed: resources are only known at run time.
    {'m', 50, 20000, "IXO K400 VEP motor max speed limits are basespeed-20,000."},
    {'a', 0, 500, "IXO K400 VEP motor acceleration limits are 0-500."},
    {'d', 0, 500, "IXO K400 VEP motor deceleration limits are 0-500."},
};
constexpr int MOTOR_PARAMETER_COUNT = sizeof motor_parameters / sizeof motor_parameters[0];

int motor_parameter_index(char initial) {
    for (int i = 0; i < MOTOR_PARAMETER_COUNT; ++i)
        if (motor_parameters[i].initial == initial) return i;
    return -1;
}

void compile_profile_motor(instruction_frame& f, const char* cursor, int32_t motor) {
    uint8_t mode = static_cast<uint8_t>(motor - 1);
    if (*cursor == 'a') {
        mode |= 0x80;
        cursor = next_token(next_token(cursor));  // past "and zero"
    }
    cursor = next_token(cursor);
    if (*cursor != '(') {
        report(f, "%s", PROFILE_MOTOR_SYNTAX);
        return;
    }
    cursor = next_token(cursor);
    if (starts_with(cursor, "half")) {
        mode |= 0x30;
    } else if (*cursor == '1') {
        mode |= 0x10;
    } else if (*cursor != '2') {
        report(f, "%s", PROFILE_MOTOR_SYNTAX);
        return;
    }
    while (*cursor && *cursor != ')') cursor = next_token(cursor);
    cursor = next_token(cursor);

    operand_code values[MOTOR_PARAMETER_COUNT] = {};
    bool given[MOTOR_PARAMETER_COUNT] = {};
    int given_count = 0;
    while (*cursor && given_count < MOTOR_PARAMETER_COUNT) {
        int which = motor_parameter_index(*cursor);
        if (which < 0) {
            report(f, "%s", MOTOR_PARAMETERS_REQUIRED);
            return;
        }
        cursor = next_token(cursor);
        if (*cursor != '=') {
            report(f, "Syntax:  ... basespeed=<source> maxspeed=<source> accel=<source> decel=<source>");
            return;
        }
        cursor = next_token(cursor);
        if (!parse_source(f, cursor, &values[which])) {
            report(f, "%s", RESOURCE_PARAMETERS);
            return;
        }
        if (values[which].code()[0] == LITERAL_32) {
            report(f, "Profile parameters cannot be 32-bit numbers.");
            return;
        }
        if (!given[which]) ++given_count;
        given[which] = true;
        cursor = next_token(cursor);
    }
    if (given_count < MOTOR_PARAMETER_COUNT) {
        report(f, "%s", MOTOR_PARAMETERS_REQUIRED);
        return;
    }

    int code_bytes = 0;
    for (int i = 0; i < MOTOR_PARAMETER_COUNT; ++i) {
        const operand_code& value = values[i];
        code_bytes += value.length();
        if (value.code()[0] != LITERAL_16) continue;
        int32_t literal = literal_value(value);
        if (literal < motor_parameters[i].low || literal > motor_parameters[i].high) {
            report(f, "%s", motor_parameters[i].range_message);
            return;
        }
    }
    f.append(static_cast<uint8_t>(opcode::PROFILE_MOTOR + (code_bytes - MOTOR_PARAMETER_COUNT) / 2));
    f.append(mode);
    for (const operand_code& value : values) append_code(f, value);
}

// The servo profile parameters, in the order they are appended, with their
// mark in G. The deadband belongs to mode 06 and has no mark of its own.
struct servo_parameter {
    char initial;
    uint8_t mark;
};

constexpr servo_parameter servo_parameters[] = {
    {'m', 0x08},  // maxspeed
    {'a', 0x10},  // accel
    {'g', 0x20},  // gain
    {'z', 0x40},  // zero
    {'p', 0x80},  // pole
};
constexpr int SERVO_PARAMETER_COUNT = sizeof servo_parameters / sizeof servo_parameters[0];

// Bits 0-2 of G: no mode, or one of the three.
constexpr uint8_t MODE_MASK = 0x07;
constexpr uint8_t MODE_MOTOR_OFF = 0x04;
constexpr uint8_t MODE_SERVO = 0x05;
constexpr uint8_t MODE_DEADBAND = 0x06;

int servo_parameter_index(char initial) {
    for (int i = 0; i < SERVO_PARAMETER_COUNT; ++i)
        if (servo_parameters[i].initial == initial) return i;
    return -1;
}

void compile_profile_servo(instruction_frame& f, const char* cursor, int32_t servo) {
    const bool short_form = servo <= SHORT_SERVOS;
    uint8_t marks = 0;
    operand_code deadband = {};
    cursor = next_token(cursor);

    // "motor off" and "deadband of" are two words each; a first word without
    // its second is refused rather than read as a parameter.
    if (starts_with(cursor, "motor")) {
        cursor = next_token(cursor);
        if (!starts_with(cursor, "off")) {
            report(f, "%s", SERVO_MODE_SYNTAX);
            return;
        }
        marks = MODE_MOTOR_OFF;
    } else if (starts_with(cursor, "servo")) {
        marks = MODE_SERVO;
    } else if (starts_with(cursor, "dead")) {
        cursor = next_token(cursor);
        if (!starts_with(cursor, "of")) {
            report(f, "%s", DEADBAND_SYNTAX);
            return;
        }
        cursor = next_token(cursor);
        if (!parse_source(f, cursor, &deadband)) {
            report(f, "%s", DEADBAND_SYNTAX);
            return;
        }
        marks = MODE_DEADBAND;
    }
    if (marks & MODE_MASK) {
        cursor = next_token(cursor);
        bool at_position = starts_with(cursor, "at");
        if (at_position) {
            cursor = next_token(cursor);
            at_position = starts_with(cursor, "pos");
        }
        if (!at_position) {
            report(f, "%s", SERVO_MODE_SYNTAX);
            return;
        }
        cursor = next_token(cursor);
    }

    operand_code values[SERVO_PARAMETER_COUNT] = {};
    while (*cursor) {
        int which = servo_parameter_index(*cursor);
        if (which < 0) {
            report(f, "Legal parameters:  maxspeed, accel, gain, zero, pole.");
            return;
        }
        cursor = next_token(cursor);
        if (*cursor != '=') {
            report(f, "Syntax:  ... maxspeed=<source> accel=<source> gain=<source> zero=<source> pole=<source>");
            return;
        }
        cursor = next_token(cursor);
        if (!parse_source(f, cursor, &values[which])) {
            report(f, "%s", RESOURCE_PARAMETERS);
            return;
        }
        marks |= servo_parameters[which].mark;
        cursor = next_token(cursor);
    }
    if (marks == 0) {
        report(f, "The profile servo instruction requires parameters.");
        return;
    }

    int length = short_form ? 3 : 4;
    if ((marks & MODE_MASK) == MODE_DEADBAND) length += deadband.length();
    for (int i = 0; i < SERVO_PARAMETER_COUNT; ++i)
        if (marks & servo_parameters[i].mark) length += values[i].length();
    // Servos 1-8 keep the length in five bits beside the servo number.
    if (short_form && length > 31) {
        report(f, "The profile of servos 1-8 is limited to 31 bytes; use fewer 32-bit literals.");
        return;
    }

    const uint8_t number = static_cast<uint8_t>(servo - 1);
    if (short_form) {
        f.append(opcode::PROFILE_SERVO);
        f.append(static_cast<uint8_t>(length | number << 5));
    } else {
        f.append(opcode::PROFILE_SERVO_HIGH);
        f.append(static_cast<uint8_t>(length));
        f.append(number);
    }
    f.append(marks);
    if ((marks & MODE_MASK) == MODE_DEADBAND) append_code(f, deadband);
    for (int i = 0; i < SERVO_PARAMETER_COUNT; ++i)
        if (marks & servo_parameters[i].mark) append_code(f, values[i]);
}

}  // namespace

void compile_zero(instruction_frame& f, const char* cursor) {
    int32_t number = 0;
    if (scan(cursor, " motor#%d", &number) == 1) {
        if (!motor_in_range(f, cursor, number)) return;
        f.append(opcode::ZERO_MOTOR);
        f.append(static_cast<uint8_t>(number - 1));
    } else if (scan(cursor, " servo#%d", &number) == 1) {
        if (!servo_in_range(f, cursor, number)) return;
        f.append(opcode::ZERO_SERVO);
        f.append(static_cast<uint8_t>(number - 1));
    } else {
        report(f, "Syntax:  zero <servo#<1-16> | motor#<1-16>>");
    }
}

void compile_search(instruction_frame& f, const char* cursor) {
    int32_t number = 0;
    if (scan(cursor, " and zero servo#%d", &number) == 1) {
        if (!servo_in_range(f, cursor, number)) return;
        f.append(opcode::ZERO_SERVO);
        f.append(static_cast<uint8_t>(0x20 + number - 1));
        return;
    }
    std::string direction_word;
    if (scan(cursor, " %s and zero motor#%d", &direction_word, &number) != 2) {
        report(f, "Syntax:  search <and zero servo|<cw|ccw> and zero motor> ...");
        return;
    }
    note_usage(KIND_STEPPER_MOTOR, number);
    uint8_t direction;
    if (starts_with(direction_word.c_str(), "cw")) {
        direction = MOTOR_CW;
    } else if (starts_with(direction_word.c_str(), "ccw")) {
        direction = MOTOR_CCW;
    } else {
        report(f, "Syntax:  search <cw|ccw> and zero motor#<1-16>");
        return;
    }
    if (number < 1 || number > MOTOR_LIMIT) {
        report_at(f, operand_named(cursor, MOTOR_WORD), "IXO K400 VEP supports only motors 1-16.");
        return;
    }
    f.append(opcode::ZERO_MOTOR);
    f.append(static_cast<uint8_t>(direction + number - 1));
}

void compile_stop(instruction_frame& f, const char* cursor) {
    int32_t number = 0;
    if (scan(cursor, " motor#%d", &number) == 1) {
        if (!motor_in_range(f, cursor, number)) return;
        f.append(opcode::STOP_MOTOR);
        f.append(static_cast<uint8_t>(number - 1));
        return;
    }
    if (*cursor != '(') {
        report(f, "Syntax:  stop <goto|motor#<1-16>|(<hard|soft>) servo#<1-16>>");
        return;
    }
    const char* const syntax = "Syntax:  stop (hard|soft) servo#<1-16>";
    cursor = next_token(cursor);
    uint8_t mode;
    if (starts_with(cursor, "hard")) {
        mode = 0x00;
    } else if (starts_with(cursor, "soft")) {
        mode = 0x80;
    } else {
        report(f, "%s", syntax);
        return;
    }
    cursor = next_token(cursor);
    if (*cursor != ')') {
        report(f, "%s", syntax);
        return;
    }
    cursor = next_token(cursor);
    if (scan(cursor, " servo#%d", &number) != 1) {
        report(f, "%s", syntax);
        return;
    }
    if (!servo_in_range(f, cursor, number)) return;
    f.append(opcode::STOP_SERVO);
    f.append(static_cast<uint8_t>(mode + number - 1));
}

void compile_turn(instruction_frame& f, const char* cursor) {
    int32_t number = 0;
    if (scan(cursor, " motor#%d", &number) == 1) {
        if (motor_in_range(f, cursor, number)) compile_turn_motor(f, cursor, number);
    } else if (scan(cursor, " servo#%d", &number) == 1) {
        if (servo_in_range(f, cursor, number)) compile_turn_servo(f, cursor, number);
    } else {
        report(f, "Syntax:  turn <servo#<1-16> | motor#<1-16>> ...");
    }
}

void compile_profile(instruction_frame& f, const char* cursor) {
    int32_t number = 0;
    if (scan(cursor, " servo#%d", &number) == 1) {
        if (servo_in_range(f, cursor, number)) compile_profile_servo(f, cursor, number);
    } else if (scan(cursor, " motor#%d", &number) == 1 || scan(cursor, " and zero motor#%d", &number) == 1) {
        if (motor_in_range(f, cursor, number)) compile_profile_motor(f, cursor, number);
    } else {
        report(f, "Syntax:  profile <servo#<1-16> | <and zero> motor#<1-16>> ...");
    }
}

}  // namespace px
