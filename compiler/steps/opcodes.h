// The controller's opcodes and operand kinds, named once for the instruction
// families that write them and the decoders that read them back.
//
// A "goto" clause picks one of two forms: the next-step form is the opcode as
// named here, the particular-step form adds STEP_FORM and is followed by the
// destination's step index.
#pragma once

#include <cstdint>

namespace px::opcode {

constexpr uint8_t STEP_FORM = 0x20;

// Step code image, byte 1: the output-change count, or all outputs off.
constexpr uint8_t OUTPUTS_ALL_OFF = 0x81;

// Flow and timing
constexpr uint8_t GOTO = 0xC9;            // step form E9
constexpr uint8_t STOP_GOTO = 0xCB;       // step form EB
constexpr uint8_t DONE = 0xCA;
constexpr uint8_t CANCEL = 0xEA;
constexpr uint8_t DO = 0xC0;              // + task count - 1; step form E0
constexpr uint8_t DO_REPEAT = 0x80;       // + repeat count, the byte after the opcode
// Delay: bits 0-2 the form, bits 3-4 the unit or format.
constexpr uint8_t DELAY_TWHL = 0x03;
constexpr uint8_t DELAY_LITERAL = 0x04;
constexpr uint8_t DELAY_SOURCE = 0x05;
constexpr uint8_t DELAY_HOURS_MINUTES = 0x00;      // also "min" for a data source
constexpr uint8_t DELAY_MINUTES_SECONDS = 0x08;    // also "sec"
constexpr uint8_t DELAY_SECONDS_HUNDREDTHS = 0x10;  // also "sec/100"

// Conditions and monitoring
constexpr uint8_t IF = 0x80;              // + k, the operands' length class
constexpr uint8_t FLAG_TEST = 0xCC;       // "monitor flag" and "testandset"
constexpr uint8_t MONITOR_INPUT = 0xD0;
constexpr uint8_t MONITOR_MOTOR = 0x47;   // + RUNNING for :running
constexpr uint8_t MONITOR_SERVO = 0x07;
constexpr uint8_t MONITOR_EXPRESSION = 0x00;
constexpr uint8_t RUNNING = 0x08;

// Flags and counters
constexpr uint8_t FLAG = 0x7F;            // "set" and "clear"
constexpr uint8_t SHIFT = 0xED;           // "shift" and "rotate"
constexpr uint8_t COUNTER = 0x40;         // + 8 x (counter - 1) + operation
constexpr uint8_t INACTIVE_CLAUSE = 0xFF;  // a "start" clause that does not count
constexpr uint8_t DEBOUNCE_LIMIT = 250;    // milliseconds, the most a clause may wait

// Motion
constexpr uint8_t ZERO_MOTOR = 0x5F;      // also "search ... and zero motor"
constexpr uint8_t ZERO_SERVO = 0xE8;      // also "search and zero servo"
constexpr uint8_t STOP_MOTOR = 0x57;
constexpr uint8_t STOP_SERVO = 0xEF;
constexpr uint8_t TURN_MOTOR = 0xA4;      // + source width
constexpr uint8_t TURN_SERVO = 0xCC;      // + source width; servos 1-8
constexpr uint8_t TURN_SERVO_HIGH = 0x8C;  // servos 9-16
constexpr uint8_t TURN_SERVO_FREE = 0xC8;  // without a source; servos 1-8
constexpr uint8_t TURN_SERVO_FREE_HIGH = 0x88;
constexpr uint8_t PROFILE_MOTOR = 0x90;   // + k, the three-byte parameters
constexpr uint8_t PROFILE_SERVO = 0x77;   // servos 1-8
constexpr uint8_t PROFILE_SERVO_HIGH = 0x37;

// Store
constexpr uint8_t STORE_COPY = 0x38;      // + j, the operands' length class
constexpr uint8_t STORE_OPERATOR = 0x18;

// Operand kinds, by first code byte
constexpr uint8_t ANALOG = 0x80;          // 1-64, + n - 1
constexpr uint8_t COLUMN = 0xC0;          // + n - 1
constexpr uint8_t THUMBWHEEL = 0xE0;      // and display, + n - 1
constexpr uint8_t LITERAL_16 = 0xF0;
constexpr uint8_t ANALOG_HIGH = 0xF1;     // 65-256
constexpr uint8_t PROTO = 0xF8;
constexpr uint8_t LITERAL_32 = 0xF9;
constexpr uint8_t SERVO_VALUE = 0xFA;
constexpr uint8_t REGISTER_HIGH = 0xFB;   // 129-60000

}  // namespace px::opcode
