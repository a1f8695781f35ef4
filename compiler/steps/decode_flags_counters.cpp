// Flag and counter instructions read back: "set", "clear", "shift",
// "rotate", and the block of counter opcodes, each naming its counter and its
// operation. The rows and fields are those the compiler writes with
// (steps/counter_table.h); a byte with a bit no field claims is refused.
#include <string>

#include "files/model_limits.h"
#include "steps/counter_table.h"
#include "steps/decode_families.h"
#include "steps/numbering.h"

namespace px {

namespace {

std::string numbered(const char* word, int32_t number) { return std::string(word) + "#" + std::to_string(number); }

bool decode_set_clear(code_reader& r, uint8_t, std::string& text) {
    uint8_t flag = 0;
    if (!r.take(flag)) return false;
    if ((flag & ~FLAG_BYTE_BITS) != 0) return r.refuse("flag byte " + hex_byte(flag) + " names no flag");
    const flag_change& change = flag & SET_FLAG.bit ? SET_FLAG : CLEAR_FLAG;
    text = std::string(change.word) + " " + numbered(FLAG_WORD, (flag & FLAG_INDEX_BITS) + 1);
    return true;
}

bool decode_shift(code_reader& r, uint8_t, std::string& text) {
    uint8_t mode = 0, last = 0, positions = 0;
    if (!r.take(mode)) return false;
    int first = (mode & FLAG_INDEX_BITS) + 1;
    if ((mode & ~SHIFT_BYTE_BITS) != 0 || first > FLAGS - 1)
        return r.refuse("shift byte " + hex_byte(mode) + " is not as written");
    if (!r.take(last)) return false;
    if (last + 1 <= first || last + 1 > FLAGS) return r.refuse("shift ends at flag#" + std::to_string(last + 1));
    if (!r.take(positions)) return false;
    if (positions < 1 || positions > SHIFT_POSITIONS)
        return r.refuse("shift by " + std::to_string(positions) + " positions");
    const flag_shift& kind = mode & ROTATE_FLAGS.bit ? ROTATE_FLAGS : SHIFT_FLAGS;
    text = std::string(kind.word) + " " + numbered(FLAG_WORD, first) + " " + shift_direction_of(mode).spelling + " " +
           numbered(FLAG_WORD, last + 1);
    if (positions != DEFAULT_SHIFT_POSITIONS) (text += ' ') += std::to_string(positions) + " times";
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
    uint16_t mark = number_mark(r.wide);
    int32_t index = input & ~mark;
    if (index >= digital_limit_of(r.wide))
        return r.refuse_at(at, "counter input " + std::to_string(index + 1) + " is beyond the numbering");
    text += std::string(" ") + word + "(" + numbered(INPUT_WORD, index + 1) + INPUT_TYPES[input & mark ? 0 : 1];
    if (debounce != 0) (text += ':') += std::to_string(debounce);
    text += ")";
    return true;
}

bool decode_counter(code_reader& r, uint8_t op, std::string& text) {
    const counter_operation& operation = counter_operation_of(op & COUNTER_OPERATION_BITS);
    text = operation.keyword;
    if (operation.word) (text += ' ') += operation.word;
    text += " " + numbered(COUNTER_WORD, counter_of(op));
    if (operation.code != CTR_START) return true;
    for (const char* word : START_CLAUSES)
        if (!read_clause(r, word, text)) return false;
    return true;
}

}  // namespace

void add_flag_counter_decoders(decoder_table& table) {
    table.add(opcode::FLAG, decode_set_clear);
    table.add(opcode::SHIFT, decode_shift);
    for (int32_t counter = 1; counter <= COUNTERS; ++counter)
        for (const counter_operation& operation : COUNTER_OPERATIONS)
            table.add(counter_opcode(operation.code, counter), decode_counter);
}

}  // namespace px
