// Motion instructions read back: "zero", "search", "stop", "turn" and
// "profile" for stepper motors and servos. Each byte is taken apart by the
// fields the compiler writes with (steps/motion_table.h): a bit no field
// claims, or a field value no word selects, is refused.
#include <string>

#include "steps/decode_families.h"
#include "steps/motion_table.h"

namespace px {

namespace {

std::string motor(int index) { return std::string(MOTOR_WORD) + "#" + std::to_string(index + 1); }
std::string servo(int index) { return std::string(SERVO_WORD) + "#" + std::to_string(index + 1); }

std::string on_start(uint8_t move) { return move & SERVO_ON_START ? std::string(" ") + ON_START.word : ""; }

bool decode_zero_motor(code_reader& r, uint8_t, std::string& text) {
    uint8_t mode = 0;
    if (!r.take(mode)) return false;
    const move_direction* direction = motor_direction_of(mode);
    if (!direction) return r.refuse("motor zero byte " + hex_byte(mode) + " is not as written");
    // The absolute move is "zero"; the others search first.
    text = direction->absolute ? std::string("zero ") : std::string("search ") + direction->word + " " + AND_ZERO + " ";
    text += motor(mode & MOTOR_INDEX_BITS);
    return true;
}

bool decode_zero_servo(code_reader& r, uint8_t, std::string& text) {
    uint8_t mode = 0;
    if (!r.take(mode)) return false;
    if ((mode & ~(SERVO_SEARCH | SERVO_INDEX_BITS)) != 0)
        return r.refuse("servo zero byte " + hex_byte(mode) + " is not as written");
    text = (mode & SERVO_SEARCH ? std::string("search ") + AND_ZERO + " " : std::string("zero ")) +
           servo(mode & SERVO_INDEX_BITS);
    return true;
}

bool decode_stop_motor(code_reader& r, uint8_t, std::string& text) {
    uint8_t number = 0;
    if (!r.take(number)) return false;
    if (number >= MOTORS) return r.refuse("motor " + std::to_string(number + 1) + " is beyond 16");
    text = "stop " + motor(number);
    return true;
}

bool decode_stop_servo(code_reader& r, uint8_t, std::string& text) {
    uint8_t mode = 0;
    if (!r.take(mode)) return false;
    if ((mode & ~(SERVO_STOP_BITS | SERVO_INDEX_BITS)) != 0)
        return r.refuse("servo stop byte " + hex_byte(mode) + " is not as written");
    text = std::string("stop (") + servo_stop_of(mode).word + ") " + servo(mode & SERVO_INDEX_BITS);
    return true;
}

bool decode_turn_motor(code_reader& r, uint8_t op, std::string& text) {
    uint8_t move = 0;
    if (!r.take(move)) return false;
    const move_direction* direction = motor_direction_of(move);
    if (!direction) return r.refuse("motor move byte " + hex_byte(move) + " is not as written");
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
    text = "turn " + motor(move & MOTOR_INDEX_BITS) + " " + direction->word + " " + source;
    return true;
}

// The servo's index: in the move byte for servos 1-8, in a byte of its own
// after it for 9-16.
bool servo_number(code_reader& r, bool short_form, uint8_t move, int& number) {
    if (short_form) {
        number = move & SHORT_SERVO_BITS;
        return true;
    }
    if (move & SHORT_SERVO_BITS) return r.refuse("servo move byte " + hex_byte(move) + " carries a number");
    uint8_t byte = 0;
    if (!r.take(byte)) return false;
    if (byte < SHORT_SERVOS || byte >= SERVOS)
        return r.refuse("servo " + std::to_string(byte + 1) + " in the long form");
    number = byte;
    return true;
}

template <bool short_form>
bool decode_turn_servo(code_reader& r, uint8_t op, std::string& text) {
    uint8_t move = 0;
    if (!r.take(move)) return false;
    const move_direction* direction = servo_direction_of(move, true);
    if (!direction) return r.refuse("servo move byte " + hex_byte(move) + " is not as written");
    int number = 0;
    if (!servo_number(r, short_form, move, number)) return false;
    std::size_t at = r.pos;
    std::string source;
    int length = 0;
    if (!read_operand(r, operand_use::source, source, length)) return false;
    if (servo_opcodes_of(short_form).turn + source_width(length) != op)
        return r.refuse_at(at, "\"turn servo\" opcode disagrees with its source");
    text = "turn " + servo(number) + " " + direction->word + " " + source + on_start(move);
    return true;
}

template <bool short_form>
bool decode_turn_servo_free(code_reader& r, uint8_t, std::string& text) {
    uint8_t move = 0;
    if (!r.take(move)) return false;
    const move_direction* direction = servo_direction_of(move, false);
    if (!direction) return r.refuse("servo move byte " + hex_byte(move) + " is not as written");
    int number = 0;
    if (!servo_number(r, short_form, move, number)) return false;
    text = "turn " + servo(number) + " " + direction->word + on_start(move);
    return true;
}

bool decode_profile_motor(code_reader& r, uint8_t op, std::string& text) {
    uint8_t mode = 0;
    if (!r.take(mode)) return false;
    const coil_mode* coils = coil_mode_of(mode);
    if (!coils) return r.refuse("motor profile byte " + hex_byte(mode) + " is not as written");
    text = "profile ";
    if (mode & PROFILE_AND_ZERO) (text += AND_ZERO) += " ";
    text += motor(mode & MOTOR_INDEX_BITS) + " (" + coils->count + " " + coils->noun + ")";
    int code_bytes = 0;
    for (const motor_parameter& p : MOTOR_PARAMETERS) {
        std::size_t at = r.pos;
        if (at < r.size && r.code[at] == opcode::LITERAL_32) {
            uint8_t kind = 0;
            r.take(kind);
            return r.refuse("motor profile parameters are not 32-bit literals");
        }
        std::string source;
        int length = 0;
        if (!read_operand(r, operand_use::source, source, length)) return false;
        if (r.code[at] == opcode::LITERAL_16) {
            int32_t value = literal_16_value(r.code + at);
            if (value < p.low || value > p.high)
                return r.refuse_at(at, std::string(p.name) + " " + source + " is out of range");
        }
        code_bytes += length;
        text += std::string(" ") + p.name + "=" + source;
    }
    if (profile_motor_opcode(code_bytes) != op)
        return r.refuse_at(r.pos, "motor profile opcode disagrees with its parameters");
    return true;
}

template <bool short_form>
bool decode_profile_servo(code_reader& r, uint8_t, std::string& text) {
    std::size_t start = r.pos - 1;
    uint8_t length_byte = 0, marks = 0;
    if (!r.take(length_byte)) return false;
    int length = length_byte;
    int number = 0;
    if (!short_form) {
        if (!servo_number(r, false, 0, number)) return false;
    } else {
        number = length_byte >> SHORT_PROFILE_SHIFT;
        length = length_byte & SHORT_PROFILE_LENGTH;
    }
    if (!r.take(marks)) return false;
    const servo_mode* mode = servo_mode_of(marks);
    if (marks == 0 || ((marks & SERVO_MODE_BITS) != 0 && !mode))
        return r.refuse("servo profile byte " + hex_byte(marks) + " is not as written");
    text = "profile " + servo(number);
    if (mode) {
        (text += ' ') += mode->word.word;
        if (mode->second) (text += ' ') += mode->second;
        if (mode->source) {
            std::string source;
            int size = 0;
            if (!read_operand(r, operand_use::source, source, size)) return false;
            text += " " + source;
        }
        for (const tested_word& word : AT_POSITION) (text += ' ') += word.word;
    }
    for (const servo_parameter& p : SERVO_PARAMETERS) {
        if (!(marks & p.mark)) continue;
        std::string source;
        int size = 0;
        if (!read_operand(r, operand_use::source, source, size)) return false;
        text += std::string(" ") + p.name + "=" + source;
    }
    if (r.pos - start != static_cast<std::size_t>(length))
        return r.refuse_at(start + 1, "servo profile length " + std::to_string(length) + " disagrees with its parameters");
    return true;
}

// The opcodes of servos 1-8, or those of 9-16.
template <bool short_form>
void add_servo_decoders(decoder_table& table) {
    const servo_opcodes& opcodes = servo_opcodes_of(short_form);
    for (int width = 1; width <= SOURCE_WIDTHS; ++width)
        table.add(static_cast<uint8_t>(opcodes.turn + width), decode_turn_servo<short_form>);
    table.add(opcodes.turn_free, decode_turn_servo_free<short_form>);
    table.add(opcodes.profile, decode_profile_servo<short_form>);
}

}  // namespace

void add_motion_decoders(decoder_table& table) {
    using namespace opcode;
    table.add(ZERO_MOTOR, decode_zero_motor);
    table.add(ZERO_SERVO, decode_zero_servo);
    table.add(STOP_MOTOR, decode_stop_motor);
    table.add(STOP_SERVO, decode_stop_servo);
    for (int width = 1; width <= SOURCE_WIDTHS; ++width)
        table.add(static_cast<uint8_t>(TURN_MOTOR + width), decode_turn_motor);
    add_servo_decoders<true>(table);
    add_servo_decoders<false>(table);
    for (int k = 0; k <= MOTOR_PARAMETER_COUNT; ++k)
        table.add(static_cast<uint8_t>(PROFILE_MOTOR + k), decode_profile_motor);
}

}  // namespace px
