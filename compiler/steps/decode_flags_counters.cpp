// Flag and counter instructions read back: "set", "clear", "shift",
// "rotate", and the counter opcodes 40 + 8 x (counter - 1) + operation.
#include <string>

#include "steps/decode_families.h"

namespace px {

namespace {

constexpr int32_t NARROW_INPUTS = 128;
constexpr int32_t WIDE_INPUTS = 1024;

bool decode_set_clear(code_reader& r, uint8_t, std::string& text) {
    uint8_t flag = 0;
    if (!r.take(flag)) return false;
    if ((flag & 0x60) != 0) return r.refuse("flag byte " + hex_byte(flag) + " names no flag");
    text = std::string(flag & 0x80 ? "set" : "clear") + " flag#" + std::to_string((flag & 0x1F) + 1);
    return true;
}

bool decode_shift(code_reader& r, uint8_t, std::string& text) {
    uint8_t mode = 0, last = 0, positions = 0;
    if (!r.take(mode)) return false;
    int first = (mode & 0x1F) + 1;
    if ((mode & 0x40) != 0 || first > 31) return r.refuse("shift byte " + hex_byte(mode) + " is not as written");
    if (!r.take(last)) return false;
    if (last + 1 <= first || last + 1 > 32) return r.refuse("shift ends at flag#" + std::to_string(last + 1));
    if (!r.take(positions)) return false;
    if (positions < 1 || positions > 31) return r.refuse("shift by " + std::to_string(positions) + " positions");
    text = std::string(mode & 0x20 ? "rotate" : "shift") + " flag#" + std::to_string(first) +
           (mode & 0x80 ? " << " : " >> ") + "flag#" + std::to_string(last + 1);
    if (positions != 1) (text += ' ') += std::to_string(positions) + " times";
    return true;
}

// One clause of "start": debounce byte, then the input word. An inactive
// clause is the one not written.
bool read_clause(code_reader& r, const char* word, std::string& text) {
    uint8_t debounce = 0, low = 0, high = 0;
    if (!r.take(debounce)) return false;
    std::size_t at = r.pos;
    if (!r.take(low)) return false;
    if (r.wide && !r.take(high)) return false;
    uint16_t input = static_cast<uint16_t>(low | high << 8);
    if (debounce == opcode::INACTIVE_CLAUSE) {
        if (input != 0) return r.refuse_at(at, std::string("inactive ") + word + " clause with an input");
        return true;
    }
    if (debounce > opcode::DEBOUNCE_LIMIT) return r.refuse_at(at - 1, "debounce of " + std::to_string(debounce) + " ms");
    uint16_t mark = r.wide ? 0x8000 : 0x80;
    int32_t index = input & ~mark;
    if (index >= (r.wide ? WIDE_INPUTS : NARROW_INPUTS))
        return r.refuse_at(at, "counter input " + std::to_string(index + 1) + " is beyond the numbering");
    text += std::string(" ") + word + "(in#" + std::to_string(index + 1) + (input & mark ? "a" : "b");
    if (debounce != 0) (text += ':') += std::to_string(debounce);
    text += ")";
    return true;
}

bool decode_counter(code_reader& r, uint8_t op, std::string& text) {
    static const char* const operations[] = {nullptr, "start", "count up", "count down", "reset", "enable", "disable"};
    int counter = ((op >> 3) & 0x07) + 1;
    text = std::string(operations[op & 0x07]) + " ctr#" + std::to_string(counter);
    if ((op & 0x07) != 1) return true;
    for (const char* word : {"up", "down", "reset"})
        if (!read_clause(r, word, text)) return false;
    return true;
}

}  // namespace

void add_flag_counter_decoders(decoder_table& table) {
    table.add(opcode::FLAG, decode_set_clear);
    table.add(opcode::SHIFT, decode_shift);
    for (uint8_t counter = 0; counter < 8; ++counter)
        for (uint8_t operation = 1; operation <= 6; ++operation)
            table.add(static_cast<uint8_t>(opcode::COUNTER + 8 * counter + operation), decode_counter);
}

}  // namespace px
