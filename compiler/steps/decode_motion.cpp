// Motion instructions read back: "zero", "search", "stop", "turn" and
// "profile" for stepper motors and servos.
#include <string>

#include "steps/decode_families.h"

namespace px {

namespace {

constexpr int SHORT_SERVOS = 8;

std::string motor(int index) { return "motor#" + std::to_string(index + 1); }
std::string servo(int index) { return "servo#" + std::to_string(index + 1); }

// 1, 2 or 3 for a one-, three- or five-byte source, as the opcodes count.
int source_width(int length) { return length / 2 + 1; }

bool decode_zero_motor(code_reader& r, uint8_t, std::string& text) {
    uint8_t mode = 0;
    if (!r.take(mode)) return false;
    switch (mode & 0xF0) {
        case 0x00: text = "zero " + motor(mode & 0x0F); return true;
        case 0x30: text = "search cw and zero " + motor(mode & 0x0F); return true;
        case 0x20: text = "search ccw and zero " + motor(mode & 0x0F); return true;
        default: return r.refuse("motor zero byte " + hex_byte(mode) + " is not as written");
    }
}

bool decode_zero_servo(code_reader& r, uint8_t, std::string& text) {
    uint8_t mode = 0;
    if (!r.take(mode)) return false;
    if ((mode & 0xD0) != 0) return r.refuse("servo zero byte " + hex_byte(mode) + " is not as written");
    text = std::string(mode & 0x20 ? "search and zero " : "zero ") + servo(mode & 0x0F);
    return true;
}

bool decode_stop_motor(code_reader& r, uint8_t, std::string& text) {
    uint8_t number = 0;
    if (!r.take(number)) return false;
    if (number > 15) return r.refuse("motor " + std::to_string(number + 1) + " is beyond 16");
    text = "stop " + motor(number);
    return true;
}

bool decode_stop_servo(code_reader& r, uint8_t, std::string& text) {
    uint8_t mode = 0;
    if (!r.take(mode)) return false;
    if ((mode & 0x70) != 0) return r.refuse("servo stop byte " + hex_byte(mode) + " is not as written");
    text = std::string(mode & 0x80 ? "stop (soft) " : "stop (hard) ") + servo(mode & 0x0F);
    return true;
}

bool decode_turn_motor(code_reader& r, uint8_t op, std::string& text) {
    uint8_t move = 0;
    if (!r.take(move)) return false;
    const char* direction;
    switch (move & 0xF0) {
        case 0x00: direction = " to "; break;
        case 0x30: direction = " cw "; break;
        case 0x20: direction = " ccw "; break;
        default: return r.refuse("motor move byte " + hex_byte(move) + " is not as written");
    }
    std::size_t at = r.pos;
    if (at < r.size && r.code[at] == opcode::LITERAL_32) {
        r.take(move);
        return r.refuse("\"turn motor\" takes 16-bit literals only");
    }
    std::string source;
    int length = 0;
    if (!read_operand(r, operand_use::source, source, length)) return false;
    if (opcode::TURN_MOTOR + source_width(length) != op)
        return r.refuse_at(at, "\"turn motor\" opcode disagrees with its source");
    text = "turn " + motor(move & 0x0F) + direction + source;
    return true;
}

// The servo's number: in bits 0-2 of the move byte for servos 1-8, in a
// byte of its own after it for 9-16.
bool servo_number(code_reader& r, bool high, uint8_t move, int& number) {
    if (!high) {
        number = move & 0x07;
        return true;
    }
    if (move & 0x07) return r.refuse("servo move byte " + hex_byte(move) + " carries a number");
    uint8_t byte = 0;
    if (!r.take(byte)) return false;
    if (byte < SHORT_SERVOS || byte > 15) return r.refuse("servo " + std::to_string(byte + 1) + " in the long form");
    number = byte;
    return true;
}

bool decode_turn_servo(code_reader& r, uint8_t op, std::string& text) {
    bool high = (op & 0xF0) == (opcode::TURN_SERVO_HIGH & 0xF0);
    uint8_t move = 0;
    if (!r.take(move)) return false;
    // "to" (40) is absolute; with a source a relative move sets 20, and "cw" 08.
    const char* direction;
    if ((move & 0x10) != 0 || (move & 0x68) == 0x48 || (move & 0x60) == 0x60 || (move & 0x60) == 0)
        return r.refuse("servo move byte " + hex_byte(move) + " is not as written");
    direction = move & 0x40 ? " to " : move & 0x08 ? " cw " : " ccw ";
    int number = 0;
    if (!servo_number(r, high, move, number)) return false;
    std::size_t at = r.pos;
    std::string source;
    int length = 0;
    if (!read_operand(r, operand_use::source, source, length)) return false;
    uint8_t base = high ? opcode::TURN_SERVO_HIGH : opcode::TURN_SERVO;
    if (base + source_width(length) != op) return r.refuse_at(at, "\"turn servo\" opcode disagrees with its source");
    text = "turn " + servo(number) + direction + source + (move & 0x80 ? " on start" : "");
    return true;
}

bool decode_turn_servo_free(code_reader& r, uint8_t op, std::string& text) {
    bool high = op == opcode::TURN_SERVO_FREE_HIGH;
    uint8_t move = 0;
    if (!r.take(move)) return false;
    if ((move & 0x70) != 0x10) return r.refuse("servo move byte " + hex_byte(move) + " is not as written");
    int number = 0;
    if (!servo_number(r, high, move, number)) return false;
    text = "turn " + servo(number) + (move & 0x08 ? " cw" : " ccw") + (move & 0x80 ? " on start" : "");
    return true;
}

bool decode_profile_motor(code_reader& r, uint8_t op, std::string& text) {
    struct parameter {
        const char* name;
        int32_t low, high;  // for 16-bit literals
    };
    static const parameter parameters[] = {
        {"basespeed", 50, 19999}, {"maxspeed", 50, 20000}, {"accel", 0, 500}, {"decel", 0, 500}};
    uint8_t mode = 0;
    if (!r.take(mode)) return false;
    const char* coils;
    switch (mode & 0x70) {
        case 0x30: coils = " (half coils)"; break;
        case 0x10: coils = " (1 coil)"; break;
        case 0x00: coils = " (2 coils)"; break;
        default: return r.refuse("motor profile byte " + hex_byte(mode) + " is not as written");
    }
    text = std::string("profile ") + (mode & 0x80 ? "and zero " : "") + motor(mode & 0x0F) + coils;
    int long_sources = 0;
    for (const parameter& p : parameters) {
        std::size_t at = r.pos;
        if (at < r.size && r.code[at] == opcode::LITERAL_32) {
            r.take(mode);
            return r.refuse("motor profile parameters are not 32-bit literals");
        }
        std::string source;
        int length = 0;
        if (!read_operand(r, operand_use::source, source, length)) return false;
        if (r.code[at] == opcode::LITERAL_16) {
            int32_t value = r.code[at + 1] | r.code[at + 2] << 8;
            if (value < p.low || value > p.high) return r.refuse_at(at, std::string(p.name) + " " + source + " is out of range");
        }
        if (length == 3) ++long_sources;
        text += std::string(" ") + p.name + "=" + source;
    }
    if (opcode::PROFILE_MOTOR + long_sources != op)
        return r.refuse_at(r.pos, "motor profile opcode disagrees with its parameters");
    return true;
}

bool decode_profile_servo(code_reader& r, uint8_t op, std::string& text) {
    static const char* const parameters[] = {"maxspeed", "accel", "gain", "zero", "pole"};
    std::size_t start = r.pos - 1;
    bool high = op == opcode::PROFILE_SERVO_HIGH;
    uint8_t length_byte = 0, marks = 0;
    if (!r.take(length_byte)) return false;
    int length = length_byte;
    int number = 0;
    if (high) {
        if (!servo_number(r, true, 0, number)) return false;
    } else {
        number = length_byte >> 5;
        length = length_byte & 0x1F;
    }
    if (!r.take(marks)) return false;
    int mode = marks & 0x07;
    if (marks == 0 || (mode != 0 && mode < 4) || mode == 7)
        return r.refuse("servo profile byte " + hex_byte(marks) + " is not as written");
    text = "profile " + servo(number);
    if (mode == 4) text += " motor off at position";
    if (mode == 5) text += " servo at position";
    if (mode == 6) {
        std::string source;
        int size = 0;
        if (!read_operand(r, operand_use::source, source, size)) return false;
        text += " deadband of " + source + " at position";
    }
    for (int i = 0; i < 5; ++i) {
        if (!(marks & (0x08 << i))) continue;
        std::string source;
        int size = 0;
        if (!read_operand(r, operand_use::source, source, size)) return false;
        text += std::string(" ") + parameters[i] + "=" + source;
    }
    if (r.pos - start != static_cast<std::size_t>(length))
        return r.refuse_at(start + 1, "servo profile length " + std::to_string(length) + " disagrees with its parameters");
    return true;
}

}  // namespace

void add_motion_decoders(decoder_table& table) {
    using namespace opcode;
    table.add(ZERO_MOTOR, decode_zero_motor);
    table.add(ZERO_SERVO, decode_zero_servo);
    table.add(STOP_MOTOR, decode_stop_motor);
    table.add(STOP_SERVO, decode_stop_servo);
    for (uint8_t width = 1; width <= 3; ++width) {
        table.add(static_cast<uint8_t>(TURN_MOTOR + width), decode_turn_motor);
        table.add(static_cast<uint8_t>(TURN_SERVO + width), decode_turn_servo);
        table.add(static_cast<uint8_t>(TURN_SERVO_HIGH + width), decode_turn_servo);
    }
    table.add(TURN_SERVO_FREE, decode_turn_servo_free);
    table.add(TURN_SERVO_FREE_HIGH, decode_turn_servo_free);
    for (uint8_t k = 0; k <= 4; ++k) table.add(static_cast<uint8_t>(PROFILE_MOTOR + k), decode_profile_motor);
    table.add(PROFILE_SERVO, decode_profile_servo);
    table.add(PROFILE_SERVO_HIGH, decode_profile_servo);
}

}  // namespace px
