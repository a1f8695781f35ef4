// Operand codes read back: the first code byte tells the kind, as the
// operand parsers write it, and each kind has one spelling. Registers and
// counters share their bytes; they come back as registers.
#include <string>

#include "steps/decode_families.h"
#include "steps/operand_table.h"

namespace px {

namespace {

std::string numbered(const char* word, int32_t number) { return std::string(word) + "#" + std::to_string(number); }

bool read_proto(code_reader& r, std::string& text) {
    uint8_t board = 0, selector = 0;
    if (!r.take(board)) return false;
    bool bcd = (board & PROTO_BCD) != 0;
    int32_t number = (board & ~PROTO_BCD) + 1;
    if (number > PROTO_BOARDS) return r.refuse("prototype board " + std::to_string(number) + " is beyond 8");
    if (!r.take(selector)) return false;
    text = numbered(PROTO_WORD, number);
    const proto_selector* form = nullptr;
    for (const proto_selector& candidate : PROTO_SELECTORS)
        if (selector >= candidate.base && selector < candidate.base + candidate.count && (candidate.bcd || !bcd))
            form = &candidate;
    if (!form) return r.refuse("prototype board selector " + hex_byte(selector) + " is not a bit, byte or word");
    text += ":" + numbered(form->word, selector - form->base + 1);
    if (bcd) (text += ':') += PROTO_BCD_WORD;
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
    if (value >= 0 && value <= UINT16_MAX) return r.refuse_at(start, "a 16-bit literal is written in 3 bytes");
    text = std::to_string(value);
    return true;
}

const char* servo_value_word(uint8_t code) {
    for (const servo_value& value : SERVO_VALUES)
        if (value.code == code) return value.word;
    return nullptr;
}

}  // namespace

bool read_operand(code_reader& r, operand_use use, std::string& text, int& length) {
    const bool source = use == operand_use::source;
    // The one-byte forms a source and a destination name differently.
    const numbered_form& analog = source ? SOURCE_FORMS[0] : DESTINATION_FORMS[0];
    const numbered_form& wheel = source ? SOURCE_FORMS[1] : DESTINATION_FORMS[1];
    std::size_t start = r.pos;
    uint8_t kind = 0;
    if (!r.take(kind)) return false;
    uint8_t a = 0, b = 0;
    if (kind < opcode::ANALOG) {
        text = numbered(REGISTER_WORD, kind + 1);
    } else if (kind < opcode::COLUMN) {
        text = numbered(analog.word, kind - opcode::ANALOG + 1);
    } else if (kind < opcode::THUMBWHEEL) {
        uint32_t column = kind - opcode::COLUMN + 1u;
        if (column > r.step->highest_column) r.step->highest_column = column;
        text = numbered(COLUMN_WORD, static_cast<int32_t>(column));
    } else if (kind < opcode::LITERAL_16) {
        text = numbered(wheel.word, kind - opcode::THUMBWHEEL + 1);
    } else if (kind == opcode::LITERAL_16 && source) {
        if (!r.take(a) || !r.take(b)) return false;
        text = std::to_string(a | b << 8);
    } else if (kind == opcode::ANALOG_HIGH) {
        if (!r.take(a)) return false;
        if (a != 0) return r.refuse("analog operand's middle byte is " + hex_byte(a) + ", not 0x00");
        if (!r.take(b)) return false;
        if (b < SHORT_ANALOGS) return r.refuse("analog " + std::to_string(b + 1) + " has a one-byte form");
        text = numbered(analog.word, b + 1);
    } else if (kind == opcode::PROTO) {
        if (!read_proto(r, text)) return false;
    } else if (kind == opcode::LITERAL_32 && source) {
        if (!read_literal32(r, start, text)) return false;
    } else if (kind == opcode::SERVO_VALUE && source) {
        if (!r.take(a)) return false;
        if (a >= SERVOS) return r.refuse("servo " + std::to_string(a + 1) + " is beyond 16");
        if (!r.take(b)) return false;
        const char* word = servo_value_word(b);
        if (!word) return r.refuse("servo value " + hex_byte(b) + " is neither position nor error");
        text = numbered(SERVO_WORD, a + 1) + ":" + word;
    } else if (kind == opcode::REGISTER_HIGH) {
        if (!r.take(a) || !r.take(b)) return false;
        int32_t n = a | b << 8;
        if (n <= SHORT_REGISTERS || n > REGISTERS) return r.refuse("register " + std::to_string(n) + " in the long form");
        text = numbered(REGISTER_WORD, n);
    } else {
        return r.refuse_at(start, "operand kind " + hex_byte(kind) + " is no " + (source ? "source" : "destination"));
    }
    length = static_cast<int>(r.pos - start);
    return true;
}

}  // namespace px
