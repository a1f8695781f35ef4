// Motion instructions for stepper motors and servos: "zero", "search",
// "stop", "turn" and "profile". Every operand is read and checked before the
// first byte goes out, so a refused instruction leaves nothing in the step.
// The bytes' fields and the words that select them are in
// steps/motion_table.h, which the decoders read as well.
#include <cstdint>
#include <cstring>
#include <string>

#include "driver/build_state.h"
#include "driver/diagnostics.h"
#include "driver/xref.h"
#include "steps/encoding.h"
#include "steps/families.h"
#include "steps/frame.h"
#include "steps/motion_table.h"
#include "steps/opcodes.h"
#include "steps/operands.h"
#include "steps/scan.h"
#include "steps/syntax_table.h"

namespace px {

namespace {

const char* const TURN_MOTOR_SYNTAX = syntax::TURN_MOTOR;
const char* const TURN_SERVO_SYNTAX = syntax::TURN_SERVO;
const char* const PROFILE_MOTOR_SYNTAX = syntax::PROFILE_MOTOR;
const char* const MOTOR_PARAMETERS_REQUIRED = "Required parameters:  basespeed, maxspeed, accel, decel values.";
const char* const RESOURCE_PARAMETERS = "Profile parameters must be data obtained from controller resources.";

// Tests a motor number already recorded; false after the range message,
// which points at the operand written from `from` on.
bool motor_number_ok(instruction_frame& f, const char* from, int32_t motor) {
    if (motor >= 1 && motor <= MOTORS) return true;
    report_at(f, operand_named(from, MOTOR_WORD), "%s", MOTORS_RANGE);
    return false;
}

// Records the number, then tests it.
bool motor_in_range(instruction_frame& f, const char* from, int32_t motor) {
    note_usage(f, KIND_STEPPER_MOTOR, motor);
    return motor_number_ok(f, from, motor);
}

bool servo_in_range(instruction_frame& f, const char* from, int32_t servo) {
    note_usage(f, KIND_SERVO, servo);
    if (servo >= 1 && servo <= SERVOS) return true;
    report_at(f, operand_named(from, SERVO_WORD), "%s", SERVOS_RANGE);
    return false;
}

// "word#n" as the operands begin, the number into *number.
bool read_numbered(const char* cursor, const char* word, int32_t* number) {
    return scan_numbered(skip_blanks(cursor), word, number) != nullptr;
}

// The scan pattern of "and zero", `word` and a number, after `before`.
std::string and_zero_pattern(const char* before, const char* word) {
    return std::string(before) + AND_ZERO + " " + word + "#%d";
}

// The move word at cursor, tested in table order, or nullptr.
const move_direction* move_direction_at(const char* cursor, bool relative_only) {
    for (const move_direction& direction : MOVE_DIRECTIONS)
        if (!(relative_only && direction.absolute) && starts_with(cursor, direction.word)) return &direction;
    return nullptr;
}

void compile_turn_motor(instruction_frame& f, const char* cursor, int32_t motor) {
    cursor = next_token(cursor);
    const move_direction* direction = move_direction_at(cursor, false);
    if (!direction) {
        report(f, "%s", TURN_MOTOR_SYNTAX);
        return;
    }
    uint8_t move = static_cast<uint8_t>(direction->motor_bits | (motor - 1));
    cursor = next_token(cursor);
    operand_code source;
    if (!parse_source(f, cursor, &source)) {
        report(f, "%s", TURN_MOTOR_SYNTAX);
        return;
    }
    if (source.code()[0] == opcode::LITERAL_32) {
        report(f, "The turn motor instruction allows only 16-bit literals.");
        return;
    }
    f.append(static_cast<uint8_t>(opcode::TURN_MOTOR + source_width(source.length())));
    f.append(move);
    append_code(f, source);
}

void compile_turn_servo(instruction_frame& f, const char* cursor, int32_t servo) {
    const bool short_form = servo <= SHORT_SERVOS;
    const servo_opcodes& opcodes = servo_opcodes_of(short_form);
    const uint8_t number = static_cast<uint8_t>(servo - 1);
    cursor = next_token(cursor);
    const move_direction* direction = move_direction_at(cursor, false);
    if (!direction) {
        report(f, "%s", TURN_SERVO_SYNTAX);
        return;
    }
    uint8_t move = short_form ? number : 0;

    cursor = next_token(cursor);
    if (*cursor && !begins_with(cursor, ON_START)) {
        move |= servo_move_bits(*direction, true);
        operand_code source;
        if (!parse_source(f, cursor, &source)) {
            report(f, "%s", TURN_SERVO_SYNTAX);
            return;
        }
        cursor = next_token(cursor);
        if (*cursor) {
            if (begins_with(cursor, ON_START)) {
                move |= SERVO_ON_START;
            } else if (!direction->absolute && starts_with(cursor, "step")) {
                if (begins_with(next_token(cursor), ON_START)) move |= SERVO_ON_START;
            } else {
                report(f, "%s", TURN_SERVO_SYNTAX);
                return;
            }
        }
        f.append(static_cast<uint8_t>(opcodes.turn + source_width(source.length())));
        f.append(move);
        if (!short_form) f.append(number);
        append_code(f, source);
        return;
    }
    if (direction->absolute) {
        report(f, "%s", syntax::TURN_SERVO_TO);
        return;
    }
    move |= servo_move_bits(*direction, false);
    if (*cursor) move |= SERVO_ON_START;
    f.append(opcodes.turn_free);
    f.append(move);
    if (!short_form) f.append(number);
}

// The parameter whose initial is at cursor, or -1.
template <typename Row, std::size_t N>
int parameter_at(const Row (&rows)[N], const char* cursor) {
    for (std::size_t i = 0; i < N; ++i)
        if (rows[i].name[0] == *cursor) return static_cast<int>(i);
    return -1;
}

void compile_profile_motor(instruction_frame& f, const char* cursor, int32_t motor) {
    uint8_t mode = static_cast<uint8_t>(motor - 1);
    if (*cursor == AND_ZERO[0]) {
        mode |= PROFILE_AND_ZERO;
        cursor = next_token(next_token(cursor));  // past "and zero"
    }
    cursor = next_token(cursor);
    if (*cursor != '(') {
        report(f, "%s", PROFILE_MOTOR_SYNTAX);
        return;
    }
    cursor = next_token(cursor);
    const coil_mode* coils = nullptr;
    for (const coil_mode& candidate : COIL_MODES)
        if (!coils && starts_with(cursor, candidate.count)) coils = &candidate;
    if (!coils) {
        report(f, "%s", PROFILE_MOTOR_SYNTAX);
        return;
    }
    mode |= coils->bits;
    while (*cursor && *cursor != ')') cursor = next_token(cursor);
    cursor = next_token(cursor);

    operand_code values[MOTOR_PARAMETER_COUNT] = {};
    bool given[MOTOR_PARAMETER_COUNT] = {};
    int given_count = 0;
    while (*cursor && given_count < MOTOR_PARAMETER_COUNT) {
        int which = parameter_at(MOTOR_PARAMETERS, cursor);
        if (which < 0) {
            report(f, "%s", MOTOR_PARAMETERS_REQUIRED);
            return;
        }
        cursor = next_token(cursor);
        if (*cursor != '=') {
            report(f, "%s", syntax::PROFILE_MOTOR_VALUES);
            return;
        }
        cursor = next_token(cursor);
        if (!parse_source(f, cursor, &values[which])) {
            report(f, "%s", RESOURCE_PARAMETERS);
            return;
        }
        if (values[which].code()[0] == opcode::LITERAL_32) {
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
        const motor_parameter& parameter = MOTOR_PARAMETERS[i];
        code_bytes += value.length();
        if (value.code()[0] != opcode::LITERAL_16) continue;
        int32_t literal = literal_16_value(value.code());
        if (literal < parameter.low || literal > parameter.high) {
            report(f, "%s", parameter.range_message);
            return;
        }
    }
    f.append(profile_motor_opcode(code_bytes));
    f.append(mode);
    for (const operand_code& value : values) append_code(f, value);
}

void compile_profile_servo(instruction_frame& f, const char* cursor, int32_t servo) {
    const bool short_form = servo <= SHORT_SERVOS;
    const servo_mode* mode = nullptr;
    uint8_t marks = 0;
    operand_code deadband = {};
    cursor = next_token(cursor);

    // "motor off" and "deadband of" are two words each; a first word without
    // its second is refused rather than read as a parameter.
    for (const servo_mode& candidate : SERVO_MODES)
        if (!mode && begins_with(cursor, candidate.word)) mode = &candidate;
    if (mode) {
        if (mode->second) {
            cursor = next_token(cursor);
            if (!starts_with(cursor, mode->second)) {
                report(f, "%s", mode->syntax);
                return;
            }
        }
        if (mode->source) {
            cursor = next_token(cursor);
            if (!parse_source(f, cursor, &deadband)) {
                report(f, "%s", mode->syntax);
                return;
            }
        }
        marks = mode->code;
        cursor = next_token(cursor);
        bool at_position = begins_with(cursor, AT_POSITION[0]);
        if (at_position) {
            cursor = next_token(cursor);
            at_position = begins_with(cursor, AT_POSITION[1]);
        }
        if (!at_position) {
            report(f, "%s", SERVO_MODE_SYNTAX);
            return;
        }
        cursor = next_token(cursor);
    }

    operand_code values[SERVO_PARAMETER_COUNT] = {};
    while (*cursor) {
        int which = parameter_at(SERVO_PARAMETERS, cursor);
        if (which < 0) {
            report(f, "Legal parameters:  maxspeed, accel, gain, zero, pole.");
            return;
        }
        cursor = next_token(cursor);
        if (*cursor != '=') {
            report(f, "%s", syntax::PROFILE_SERVO_VALUES);
            return;
        }
        cursor = next_token(cursor);
        if (!parse_source(f, cursor, &values[which])) {
            report(f, "%s", RESOURCE_PARAMETERS);
            return;
        }
        marks |= SERVO_PARAMETERS[which].mark;
        cursor = next_token(cursor);
    }
    if (marks == 0) {
        report(f, "The profile servo instruction requires parameters.");
        return;
    }

    int length = SERVO_PROFILE_HEAD;
    if (!short_form) ++length;  // the servo's own byte
    if (mode && mode->source) length += deadband.length();
    for (int i = 0; i < SERVO_PARAMETER_COUNT; ++i)
        if (marks & SERVO_PARAMETERS[i].mark) length += values[i].length();
    if (short_form && length > SHORT_PROFILE_LENGTH) {
        report(f, "The profile of servos 1-8 is limited to 31 bytes; use fewer 32-bit literals.");
        return;
    }

    const uint8_t number = static_cast<uint8_t>(servo - 1);
    f.append(servo_opcodes_of(short_form).profile);
    if (short_form) {
        f.append(static_cast<uint8_t>(length | number << SHORT_PROFILE_SHIFT));
    } else {
        f.append(static_cast<uint8_t>(length));
        f.append(number);
    }
    f.append(marks);
    if (mode && mode->source) append_code(f, deadband);
    for (int i = 0; i < SERVO_PARAMETER_COUNT; ++i)
        if (marks & SERVO_PARAMETERS[i].mark) append_code(f, values[i]);
}

}  // namespace

void compile_zero(instruction_frame& f, const char* cursor) {
    int32_t number = 0;
    if (read_numbered(cursor, MOTOR_WORD, &number)) {
        if (!motor_in_range(f, cursor, number)) return;
        f.append(opcode::ZERO_MOTOR);
        f.append(static_cast<uint8_t>(ABSOLUTE_MOVE->motor_bits | (number - 1)));
    } else if (read_numbered(cursor, SERVO_WORD, &number)) {
        if (!servo_in_range(f, cursor, number)) return;
        f.append(opcode::ZERO_SERVO);
        f.append(static_cast<uint8_t>(number - 1));
    } else {
        report(f, "%s", syntax::ZERO);
    }
}

void compile_search(instruction_frame& f, const char* cursor) {
    int32_t number = 0;
    if (scan(cursor, and_zero_pattern(" ", SERVO_WORD).c_str(), &number) == 1) {
        if (!servo_in_range(f, cursor, number)) return;
        f.append(opcode::ZERO_SERVO);
        f.append(static_cast<uint8_t>(SERVO_SEARCH | (number - 1)));
        return;
    }
    std::string direction_word;
    if (scan(cursor, and_zero_pattern(" %s ", MOTOR_WORD).c_str(), &direction_word, &number) != 2) {
        report(f, "%s", syntax::SEARCH);
        return;
    }
    note_usage(f, KIND_STEPPER_MOTOR, number);
    const move_direction* direction = move_direction_at(direction_word.c_str(), true);
    if (!direction) {
        report(f, "%s", syntax::SEARCH_MOTOR);
        return;
    }
    if (!motor_number_ok(f, cursor, number)) return;
    f.append(opcode::ZERO_MOTOR);
    f.append(static_cast<uint8_t>(direction->motor_bits | (number - 1)));
}

void compile_stop(instruction_frame& f, const char* cursor) {
    int32_t number = 0;
    if (read_numbered(cursor, MOTOR_WORD, &number)) {
        if (!motor_in_range(f, cursor, number)) return;
        f.append(opcode::STOP_MOTOR);
        f.append(static_cast<uint8_t>(number - 1));
        return;
    }
    if (*cursor != '(') {
        report(f, "%s", syntax::STOP);
        return;
    }
    const char* const stop_syntax = syntax::STOP_SERVO;
    cursor = next_token(cursor);
    const servo_stop* stop = nullptr;
    for (const servo_stop& candidate : SERVO_STOPS)
        if (!stop && starts_with(cursor, candidate.word)) stop = &candidate;
    if (!stop) {
        report(f, "%s", stop_syntax);
        return;
    }
    cursor = next_token(cursor);
    if (*cursor != ')') {
        report(f, "%s", stop_syntax);
        return;
    }
    cursor = next_token(cursor);
    if (!read_numbered(cursor, SERVO_WORD, &number)) {
        report(f, "%s", stop_syntax);
        return;
    }
    if (!servo_in_range(f, cursor, number)) return;
    f.append(opcode::STOP_SERVO);
    f.append(static_cast<uint8_t>(stop->bit | (number - 1)));
}

void compile_turn(instruction_frame& f, const char* cursor) {
    int32_t number = 0;
    if (read_numbered(cursor, MOTOR_WORD, &number)) {
        if (motor_in_range(f, cursor, number)) compile_turn_motor(f, cursor, number);
    } else if (read_numbered(cursor, SERVO_WORD, &number)) {
        if (servo_in_range(f, cursor, number)) compile_turn_servo(f, cursor, number);
    } else {
        report(f, "%s", syntax::TURN);
    }
}

void compile_profile(instruction_frame& f, const char* cursor) {
    int32_t number = 0;
    if (read_numbered(cursor, SERVO_WORD, &number)) {
        if (servo_in_range(f, cursor, number)) compile_profile_servo(f, cursor, number);
    } else if (read_numbered(cursor, MOTOR_WORD, &number) ||
               scan(cursor, and_zero_pattern(" ", MOTOR_WORD).c_str(), &number) == 1) {
        if (motor_in_range(f, cursor, number)) compile_profile_motor(f, cursor, number);
    } else {
        report(f, "%s", syntax::PROFILE);
    }
}

}  // namespace px
