// Operand codes read back: the first code byte tells the kind, as the
// operand parsers write it, and each kind has one spelling. Registers and
// counters share their bytes; they come back as registers.
#include <string>

#include "steps/decode_families.h"

namespace px {

namespace {

constexpr int32_t REGISTER_SHORT = 128;
constexpr int32_t REGISTER_LIMIT = 60000;
constexpr int ANALOG_SHORT = 64;

std::string numbered(const char* form, int32_t number) { return std::string(form) + std::to_string(number); }

bool read_proto(code_reader& r, std::string& text) {
    uint8_t board = 0, selector = 0;
    if (!r.take(board)) return false;
    bool bcd = (board & 0x80) != 0;
    if ((board & 0x7F) > 7) return r.refuse("prototype board " + std::to_string((board & 0x7F) + 1) + " is beyond 8");
    if (!r.take(selector)) return false;
    text = numbered("proto#", (board & 0x7F) + 1);
    if (selector >= 0x80 && selector <= 0x9F && !bcd) {
        text += numbered(":bit#", selector - 0x80 + 1);
    } else if (selector >= 0x40 && selector <= 0x43) {
        text += numbered(":byte#", selector - 0x40 + 1);
    } else if (selector <= 0x01) {
        text += numbered(":word#", selector + 1);
    } else {
        return r.refuse("prototype board selector " + hex_byte(selector) + " is not a bit, byte or word");
    }
    if (bcd) text += ":bcd";
    return true;
}

bool read_literal32(code_reader& r, std::size_t start, std::string& text) {
    uint32_t bits = 0;
    for (int i = 0; i < 4; ++i) {
        uint8_t byte = 0;
        if (!r.take(byte)) return false;
        bits |= static_cast<uint32_t>(byte) << (8 * i);
    }
    int64_t value = static_cast<int32_t>(bits);
    if (value >= 0 && value <= 0xFFFF) return r.refuse_at(start, "a 16-bit literal is written in 3 bytes");
    text = std::to_string(value);
    return true;
}

}  // namespace

bool read_operand(code_reader& r, operand_use use, std::string& text, int& length) {
    const bool source = use == operand_use::source;
    std::size_t start = r.pos;
    uint8_t kind = 0;
    if (!r.take(kind)) return false;
    uint8_t a = 0, b = 0;
    if (kind < opcode::ANALOG) {
        text = numbered("reg#", kind + 1);
    } else if (kind < opcode::COLUMN) {
        text = numbered(source ? "ain#" : "aout#", kind - opcode::ANALOG + 1);
    } else if (kind < opcode::THUMBWHEEL) {
        uint32_t column = kind - opcode::COLUMN + 1u;
        if (column > r.step->highest_column) r.step->highest_column = column;
        text = numbered("col#", static_cast<int32_t>(column));
    } else if (kind < opcode::LITERAL_16) {
        text = numbered(source ? "twhl#" : "disp#", kind - opcode::THUMBWHEEL + 1);
    } else if (kind == opcode::LITERAL_16 && source) {
        if (!r.take(a) || !r.take(b)) return false;
        text = std::to_string(a | b << 8);
    } else if (kind == opcode::ANALOG_HIGH) {
        if (!r.take(a)) return false;
        if (a != 0) return r.refuse("analog operand's middle byte is " + hex_byte(a) + ", not 0x00");
        if (!r.take(b)) return false;
        if (b < ANALOG_SHORT) return r.refuse("analog " + std::to_string(b + 1) + " has a one-byte form");
        text = numbered(source ? "ain#" : "aout#", b + 1);
    } else if (kind == opcode::PROTO) {
        if (!read_proto(r, text)) return false;
    } else if (kind == opcode::LITERAL_32 && source) {
        if (!read_literal32(r, start, text)) return false;
    } else if (kind == opcode::SERVO_VALUE && source) {
        if (!r.take(a)) return false;
        if (a > 15) return r.refuse("servo " + std::to_string(a + 1) + " is beyond 16");
        if (!r.take(b)) return false;
        if (b != 0x00 && b != 0xFF) return r.refuse("servo value " + hex_byte(b) + " is neither position nor error");
        text = numbered("servo#", a + 1) + (b == 0 ? ":position" : ":error");
    } else if (kind == opcode::REGISTER_HIGH) {
        if (!r.take(a) || !r.take(b)) return false;
        int32_t n = a | b << 8;
        if (n <= REGISTER_SHORT || n > REGISTER_LIMIT)
            return r.refuse("register " + std::to_string(n) + " in the long form");
        text = numbered("reg#", n);
    } else {
        return r.refuse_at(start, "operand kind " + hex_byte(kind) + " is no " + (source ? "source" : "destination"));
    }
    length = static_cast<int>(r.pos - start);
    return true;
}

}  // namespace px
